#include "grid/TImAxisItem.h"

#include "grid/EInvalidGridOperation.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace grid {

namespace {

// 65535 × part / whole, rounded to the nearest integer, with a 64-bit intermediate product.
int scaled(int64_t part, int64_t whole)
{
    return int((int64_t(TImAxisItem::scrollRangeMax) * part * 2 + whole) / (whole * 2));
}

} // namespace

TImAxisItem::TImAxisItem(int defaultCellSize, int initialCount)
    : m_cellCount(initialCount), m_defaultCellSize(defaultCellSize)
{
}

void TImAxisItem::changed(Change change)
{
    m_layout.reset();
    if (m_onChanged)
        m_onChanged(change);
}

void TImAxisItem::ensureSizes() const
{
    if (!m_sizes.empty())
        return;
    m_sizes.assign(entry(m_cellCount) + 2, m_defaultCellSize);
    m_sizes.front() = -1;             // leading indicator
    m_sizes[entry(m_cellCount)] = -1; // trailing indicator
    for (int i = 0; i < m_leading.Count() && i < m_cellCount; ++i)
        m_sizes[entry(i)] = m_leading.DefaultSize();
    for (int i = std::max(0, m_cellCount - m_trailing.Count()); i < m_cellCount; ++i)
        m_sizes[entry(i)] = m_trailing.DefaultSize();
    m_sizes.back() = m_trailing.DefaultSize(); // the spare entry after the trailing indicator
    m_sums.assign(1, 0);
}

int TImAxisItem::span(int index) const
{
    const int size = rawSize(index);
    return size < 0 ? 0 : size + m_gridLineSize;
}

void TImAxisItem::ensureSums(int index) const
{
    ensureSizes();
    // m_sums[k] is the position of cell k − 1; the position of cell −1 is 0.
    for (size_t k = m_sums.size(); k <= entry(index); ++k)
        m_sums.push_back(m_sums[k - 1] + span(int(k) - 2));
}

void TImAxisItem::cutSums(int fromIndex) const
{
    // Positions up to and including the changed cell's own stay valid.
    const size_t keep = size_t(std::max(1, fromIndex + 2));
    if (m_sums.size() > keep)
        m_sums.resize(keep);
}

bool TImAxisItem::setCellCount(int count)
{
    if (count == m_cellCount)
        return false;
    if (count - m_leading.Count() - m_trailing.Count() < m_minDataCell)
        return false;
    const int old = m_cellCount;
    m_cellCount = count;
    if (!m_sizes.empty()) {
        // The trailing strip and indicator move with the end of the axis: new cells go in
        // (or old ones come out) just before them, so appending a row moves two entries only.
        const int trailing = m_trailing.Count();
        const auto at = m_sizes.begin() + (std::min(old, count) - trailing + 1);
        if (count > old)
            m_sizes.insert(at, size_t(count - old), m_defaultCellSize);
        else
            m_sizes.erase(at, at + (old - count));
        cutSums(std::min(old, count) - trailing);
    }
    changed(Change::Count);
    return true;
}

bool TImAxisItem::setGridCellCount(int count)
{
    return setCellCount(count + m_leading.Count() + m_trailing.Count());
}

void TImAxisItem::stripCountChanged(bool leading, int oldCount)
{
    const int needed = m_leading.Count() + m_trailing.Count() + m_minDataCell;
    if (leading)
        m_firstCell = m_leading.Count();
    if (m_cellCount < needed) {
        setCellCount(needed);
    } else if (!leading) {
        // Cells that join the trailing strip take its size.
        fillSizes(m_cellCount - m_trailing.Count(), m_cellCount - oldCount,
                  m_trailing.DefaultSize());
    }
    changed(leading ? Change::LeadingCount : Change::Geometry);
}

void TImAxisItem::fillSizes(int from, int to, int size)
{
    // A table not built yet takes the sizes when it is built.
    if (m_sizes.empty() || from >= to)
        return;
    for (int i = from; i < to; ++i)
        m_sizes[entry(i)] = size;
    cutSums(from);
}

void TImAxisItem::stripSizeChanged(bool leading)
{
    if (leading)
        fillSizes(0, m_leading.Count(), m_leading.DefaultSize());
    else
        fillSizes(m_cellCount - m_trailing.Count(), m_cellCount, m_trailing.DefaultSize());
    changed(Change::Geometry);
}

void TImAxisItem::setDefaultCellSize(int size)
{
    size = std::max(0, size);
    if (size == m_defaultCellSize)
        return;
    m_defaultCellSize = size;
    fillSizes(firstScrolled(), lastScrolled() + 1, size);
    changed(Change::Geometry);
}

void TImAxisItem::setGridLineSize(int size)
{
    size = std::max(0, size);
    if (size == m_gridLineSize)
        return;
    m_gridLineSize = size;
    cutSums(-1);
    changed(Change::Geometry);
}

void TImAxisItem::setScrollBar(TImScrollBar bar)
{
    if (bar == m_scrollBar)
        return;
    m_scrollBar = bar;
    changed(Change::Geometry);
}

int TImAxisItem::CellSize(int index) const
{
    if (index < -1 || index > m_cellCount + 1)
        throw EInvalidGridOperation::indexOutOfRange("InternalGetCellSizes", index, m_cellCount);
    ensureSizes();
    return rawSize(index);
}

void TImAxisItem::setCellSize(int index, int size)
{
    if (index < -1 || index > m_cellCount)
        throw EInvalidGridOperation::indexOutOfRange("InternalSetCellSizes", index, m_cellCount);
    ensureSizes();
    size = std::max(-1, size);
    if (rawSize(index) == size)
        return;
    m_sizes[entry(index)] = size;
    cutSums(index);
    changed(Change::Geometry);
}

int TImAxisItem::CellPosition(int index) const
{
    if (index < -1 || index > m_cellCount + 1)
        throw EInvalidGridOperation::indexOutOfRange("InternalGetCellSums", index, m_cellCount);
    ensureSums(index);
    return m_sums[entry(index)];
}

void TImAxisItem::readCellSizes(std::string_view text)
{
    std::vector<long> numbers;
    std::string token;
    const auto flush = [&] {
        if (token.empty())
            return true;
        char* end = nullptr;
        const long v = std::strtol(token.c_str(), &end, 10);
        if (*end != '\0')
            return false;
        numbers.push_back(v);
        token.clear();
        return true;
    };
    for (char c : text) {
        if (c == '(' || c == ')' || c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (!flush())
                break;
        } else {
            token.push_back(c);
        }
    }
    flush();
    // Pairs in order; an index outside the axis ends the reading, and a single number left
    // at the end is no pair.
    for (size_t i = 0; i + 1 < numbers.size(); i += 2) {
        const long index = numbers[i];
        if (index < -1 || index > m_cellCount)
            break;
        setCellSize(int(index), int(std::clamp(numbers[i + 1], -1L, long(INT32_MAX))));
    }
}

std::string TImAxisItem::writeCellSizes() const
{
    ensureSizes();
    std::ostringstream out;
    out << '(';
    bool first = true;
    for (int i = -1; i <= m_cellCount; ++i) {
        const int size = rawSize(i);
        bool differs;
        if (i == -1 || i == m_cellCount)
            differs = size >= 0;
        else if (i < m_leading.Count())
            differs = size != m_leading.DefaultSize();
        else if (i >= m_cellCount - m_trailing.Count())
            differs = size != m_trailing.DefaultSize();
        else
            differs = size != m_defaultCellSize;
        if (!differs)
            continue;
        out << (first ? "" : ", ") << i << ", " << size;
        first = false;
    }
    out << ')';
    return out.str();
}

int TImAxisItem::scrolledExtent() const
{
    if (lastScrolled() < firstScrolled())
        return 0;
    return CellPosition(lastScrolled() + 1) - CellPosition(firstScrolled());
}

void TImAxisItem::setFirstCell(int cell)
{
    if (cell == m_firstCell)
        return;
    m_firstCell = cell;
    m_layout.reset();
}

void TImAxisItem::setClientExtent(int extent)
{
    if (extent == m_clientExtent)
        return;
    m_clientExtent = extent;
    m_layout.reset();
}

const AxisLayout& TImAxisItem::layout() const
{
    refreshIfStale();
    if (m_layout)
        return *m_layout;
    ensureSizes();
    AxisLayout l;
    l.extent = m_clientExtent;
    l.fixedStart = span(-1);
    l.fixedBoundary = CellPosition(std::min(m_leading.Count(), m_cellCount));

    // The trailing indicator ends at the client edge, the trailing strip one line before it.
    l.axisEnd = l.extent - std::max(0, rawSize(m_cellCount));
    int stripEnd = rawSize(m_cellCount) >= 0 ? l.axisEnd - m_gridLineSize : l.extent;
    for (int i = m_cellCount - m_trailing.Count(); i < m_cellCount; ++i)
        stripEnd -= span(i);
    l.scrollEnd = std::max(l.fixedBoundary, stripEnd);

    l.firstCell = FirstCell();
    l.lastFullVisible = l.firstCell - 1;
    l.lastDrawn = l.firstCell - 1;
    l.drawnEnd = l.fixedBoundary;
    int pos = l.fixedBoundary;
    for (int k = l.firstCell; k <= lastScrolled() && pos < l.scrollEnd; ++k) {
        pos += span(k);
        l.lastDrawn = k;
        l.drawnEnd = pos;
        if (pos <= l.scrollEnd)
            l.lastFullVisible = k;
    }
    m_layout = l;
    return *m_layout;
}

int TImAxisItem::maxFirstCell() const
{
    const int first = firstScrolled();
    const int last = lastScrolled();
    if (last < first)
        return first;
    const AxisLayout& l = layout();
    const int space = l.scrollEnd - l.fixedBoundary;
    int result = last;
    int used = 0;
    for (int k = last; k >= first; --k) {
        used += span(k);
        if (used > space)
            break;
        result = k;
    }
    return result;
}

int TImAxisItem::clampFirstCell(int cell) const
{
    return std::clamp(cell, firstScrolled(), std::max(firstScrolled(), maxFirstCell()));
}

int TImAxisItem::firstCellEndingWith(int cell) const
{
    const AxisLayout& l = layout();
    const int space = l.scrollEnd - l.fixedBoundary;
    int result = cell;
    int used = 0;
    for (int k = cell; k >= firstScrolled(); --k) {
        used += span(k);
        if (used > space)
            break;
        result = k;
    }
    return result;
}

int TImAxisItem::firstCellFor(ScrollAction action, int thumb) const
{
    const int first = FirstCell();
    int cell = first;
    switch (action) {
    case ScrollAction::LineDown:
        // Cells of no size are passed over in the direction of the move.
        cell = first + 1;
        while (cell < lastScrolled() && rawSize(cell) <= 0)
            ++cell;
        break;
    case ScrollAction::LineUp:
        cell = first - 1;
        while (cell > firstScrolled() && rawSize(cell) <= 0)
            --cell;
        break;
    case ScrollAction::PageDown:
        cell = first + std::max(1, lastFullVisible() - first);
        break;
    case ScrollAction::PageUp:
        cell = std::min(first - 1, firstCellEndingWith(first));
        break;
    case ScrollAction::Top:
        cell = firstScrolled();
        break;
    case ScrollAction::Bottom:
        cell = maxFirstCell();
        break;
    case ScrollAction::Thumb:
        cell = cellAtScrollPosition(thumb);
        break;
    }
    return clampFirstCell(cell);
}

int TImAxisItem::cellAt(int x) const
{
    const AxisLayout& l = layout();
    if (x < l.fixedStart)
        return -1;
    if (x >= l.axisEnd)
        return m_cellCount;
    // Each walk gives a cell the pixels of its size and of the line after it.
    const auto walk = [this, x](int pos, int from, int to) {
        for (int k = from; k <= to; ++k) {
            pos += span(k);
            if (rawSize(k) >= 0 && x < pos)
                return k;
        }
        return -1;
    };
    if (x < l.fixedBoundary)
        return walk(l.fixedStart, 0, m_leading.Count() - 1);
    if (x >= l.scrollEnd && m_trailing.Count() > 0)
        return walk(l.scrollEnd, m_cellCount - m_trailing.Count(), m_cellCount - 1);
    if (x >= l.drawnEnd)
        return lastScrolled();
    return walk(l.fixedBoundary, l.firstCell, l.lastDrawn);
}

std::optional<TImAxisItem::Span> TImAxisItem::cellSpan(int index) const
{
    if (index < -1 || index > m_cellCount)
        return std::nullopt;
    const AxisLayout& l = layout();
    const int size = rawSize(index);
    if (size < 0)
        return std::nullopt;
    if (index == -1)
        return Span{0, size};
    if (index == m_cellCount)
        return Span{l.axisEnd, size};
    if (index < m_leading.Count())
        return Span{CellPosition(index), size};
    if (index > lastScrolled()) {
        int pos = l.scrollEnd;
        for (int k = m_cellCount - m_trailing.Count(); k < index; ++k)
            pos += span(k);
        return Span{pos + m_gridLineSize, size};
    }
    if (index < l.firstCell || index > l.lastDrawn)
        return std::nullopt;
    return Span{l.fixedBoundary + CellPosition(index) - CellPosition(l.firstCell), size};
}

TImAxisItem::ScrollBarInfo TImAxisItem::scrollBarInfo() const
{
    ScrollBarInfo info;
    if (m_scrollBar == imsbNone)
        return info;
    const AxisLayout& l = layout();
    const int first = firstScrolled();
    const int count = lastScrolled() - first + 1;
    const int extent = scrolledExtent();
    if ((maxFirstCell() > first || count <= 1) && extent > 0) {
        const int space = std::max(0, l.scrollEnd - l.fixedBoundary);
        const int page = std::clamp(scaled(space, extent), 1, scrollRangeMax);
        // A page as large as the range leaves nothing to scroll.
        if (page < scrollRangeMax) {
            info.visible = true;
            info.enabled = true;
            info.page = page;
            info.position =
                std::clamp(scaled(CellPosition(std::min(l.firstCell, lastScrolled() + 1)) -
                                      CellPosition(first),
                                  extent),
                           0, scrollRangeMax + 1 - page);
            return info;
        }
    }
    if (m_scrollBar == imsbAlways)
        info.visible = true;
    return info;
}

int TImAxisItem::cellAtScrollPosition(int position) const
{
    const int first = firstScrolled();
    const int last = lastScrolled();
    if (last < first)
        return first;
    // The end of the track shows the end of the axis, whatever the rounding of the offset.
    const ScrollBarInfo bar = scrollBarInfo();
    if (bar.visible && bar.enabled && position >= scrollRangeMax + 1 - bar.page)
        return maxFirstCell();
    const int64_t offset = int64_t(position) * scrolledExtent() / scrollRangeMax;
    const int target = CellPosition(first) + int(offset);
    // Positions rise with the index: the nearest start is at the first position not below the
    // target or just before it.
    const auto begin = m_sums.begin() + (first + 1);
    const auto end = m_sums.begin() + (last + 2);
    auto it = std::lower_bound(begin, end, target);
    int cell = int(it - m_sums.begin()) - 1;
    if (it == end || (it != begin && target - *(it - 1) <= *it - target))
        cell = int(it - m_sums.begin()) - 2;
    // Hidden cells share their start with the next shown one; take the shown one.
    while (cell < last && rawSize(cell) < 0)
        ++cell;
    return clampFirstCell(cell);
}

} // namespace grid
