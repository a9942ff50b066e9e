#pragma once

#include "gfx/Color.h"
#include "grid/AxisLayout.h"
#include "grid/GridTypes.h"
#include "grid/TImFixedItem.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace grid {

// One axis of a grid: its cells, their sizes and running positions, the fixed strips, the
// first visible scrolled cell, the layout in the client area and the scroll bar. No widget
// here: the grid feeds in the client extent and reacts to the change notifications.
//
// Left out because nothing here uses them: scaling to the client (AutoSize), one size for
// all cells (SameCellSize), scrolling by pixels, cell moving and sizing by mouse, Rolling,
// and drawing the empty area as empty cells (DrawEmptyArea is kept; the area is a plain fill).
class TImAxisItem
{
public:
    enum class Change {
        Repaint,      // only the look changed
        Geometry,     // sizes or lines: positions, scroll bars and the whole grid
        Count,        // CellCount: the same, after the size table followed
        LeadingCount, // the leading strip: current cell and anchor move after it
    };

    // Scroll bars use a fixed range so the thumb keeps its resolution for any extent.
    static constexpr int scrollRangeMax = 65535;

    struct ScrollBarInfo
    {
        bool visible = false;
        bool enabled = false;
        int page = 0;     // 0 … 65535
        int position = 0; // 0 … 65536 − page
    };

    TImAxisItem(int defaultCellSize, int initialCount);
    TImAxisItem(const TImAxisItem&) = delete;
    TImAxisItem& operator=(const TImAxisItem&) = delete;
    virtual ~TImAxisItem() = default;

    void setOnChanged(std::function<void(Change)> onChanged) { m_onChanged = std::move(onChanged); }
    // The owner's way to lay the axis out late: while the axis is marked stale, the first read
    // of its first cell, client extent or layout calls `refresh` (which must clear the mark)
    // before it answers. Count changes can then come in a batch and be laid out once.
    void setRefresh(std::function<void()> refresh) { m_refresh = std::move(refresh); }
    void setStale(bool stale) { m_stale = stale; }
    bool isStale() const { return m_stale; }

    int CellCount() const { return m_cellCount; }
    // Ignored when equal, or when the cells between the strips would drop below MinDataCell.
    // Returns whether the count changed.
    bool setCellCount(int count);
    int GridCellCount() const { return m_cellCount - m_leading.Count() - m_trailing.Count(); }
    bool setGridCellCount(int count);

    TImFixedItem& Leading() { return m_leading; }
    TImFixedItem& Trailing() { return m_trailing; }
    const TImFixedItem& Leading() const { return m_leading; }
    const TImFixedItem& Trailing() const { return m_trailing; }

    int DefaultCellSize() const { return m_defaultCellSize; }
    void setDefaultCellSize(int size);
    int GridLineSize() const { return m_gridLineSize; }
    void setGridLineSize(int size);
    int MinDataCell() const { return m_minDataCell; }
    void setMinDataCell(int count) { m_minDataCell = std::max(0, count); }
    TImScrollBar ScrollBar() const { return m_scrollBar; }
    void setScrollBar(TImScrollBar bar);
    // Kept for the form data; the wheel step is fixed.
    int MouseWheelDelta() const { return m_mouseWheelDelta; }
    void setMouseWheelDelta(int delta) { m_mouseWheelDelta = delta; }
    bool DrawGridLine() const { return m_drawGridLine; }
    void setDrawGridLine(bool v) { setLook(m_drawGridLine, v); }
    bool DrawFixedLine() const { return m_drawFixedLine; }
    void setDrawFixedLine(bool v) { setLook(m_drawFixedLine, v); }
    bool DrawEmptyArea() const { return m_drawEmptyArea; }
    void setDrawEmptyArea(bool v) { setLook(m_drawEmptyArea, v); }
    bool LineSelect() const { return m_lineSelect; }
    void setLineSelect(bool v) { setLook(m_lineSelect, v); }
    gfx::Color SelectedColor() const { return m_selectedColor; }
    void setSelectedColor(gfx::Color c) { setLook(m_selectedColor, c); }

    // Sizes: index −1 … CellCount + 1 (the indicator cells and a spare entry at the end).
    // A size below 0 hides the cell: no space, no grid line.
    int CellSize(int index) const;
    void setCellSize(int index, int size);
    // Offset of the cell's start from the start of the axis; index −1 … CellCount + 1.
    int CellPosition(int index) const;

    // The form data: "(index, size, index, size, …)".
    void readCellSizes(std::string_view text);
    std::string writeCellSizes() const;

    // Scrolled cells lie between the strips.
    int firstScrolled() const { return m_leading.Count(); }
    int lastScrolled() const { return m_cellCount - m_trailing.Count() - 1; }
    // Extent of all scrolled cells with their lines.
    int scrolledExtent() const;

    // LeftCol or TopRow: the first visible scrolled cell, never before the leading strip.
    int FirstCell() const
    {
        refreshIfStale();
        return std::max(m_firstCell, m_leading.Count());
    }
    // Stores the cell as it comes; callers clamp it first.
    void setFirstCell(int cell);
    int maxFirstCell() const;
    int clampFirstCell(int cell) const;

    int clientExtent() const
    {
        refreshIfStale();
        return m_clientExtent;
    }
    void setClientExtent(int extent);
    const AxisLayout& layout() const;
    int lastFullVisible() const { return layout().lastFullVisible; }
    int VisibleCount() const { return layout().lastFullVisible - FirstCell() + 1; }
    // The cell under a client coordinate, −1 when none, CellCount past the axis's end.
    int cellAt(int x) const;
    // Client start and size of a cell while it is laid out (not when scrolled away or hidden).
    struct Span
    {
        int start = 0;
        int size = 0;
    };
    std::optional<Span> cellSpan(int index) const;

    ScrollBarInfo scrollBarInfo() const;
    // The first visible cell whose start is nearest to a thumb position, clamped.
    int cellAtScrollPosition(int position) const;
    // The first cell of a page that ends with `cell` as its last fully visible cell.
    int firstCellEndingWith(int cell) const;

    // The scroll bar's requests: a line or a page either way, the ends, the thumb.
    enum class ScrollAction { LineUp, LineDown, PageUp, PageDown, Top, Bottom, Thumb };
    // The first visible cell a request leads to, clamped; `thumb` is the thumb position.
    int firstCellFor(ScrollAction action, int thumb = 0) const;

protected:
    TImFixedItem m_leading{*this, true};
    TImFixedItem m_trailing{*this, false};

private:
    friend class TImFixedItem;

    void changed(Change change);
    void refreshIfStale() const
    {
        if (m_stale && m_refresh)
            m_refresh();
    }
    template <class T> void setLook(T& field, T value)
    {
        if (field == value)
            return;
        field = value;
        changed(Change::Repaint);
    }
    void ensureSizes() const;
    void ensureSums(int index) const;
    void cutSums(int fromIndex) const;
    // Cells from … to − 1 take `size`.
    void fillSizes(int from, int to, int size);
    // The entry of cell `index` in m_sizes and m_sums: they start with the leading indicator, −1.
    static size_t entry(int index) { return size_t(index) + 1; }
    int rawSize(int index) const { return m_sizes[entry(index)]; }
    int span(int index) const; // size plus line of a shown cell, 0 for a hidden one
    void stripCountChanged(bool leading, int oldCount);
    void stripSizeChanged(bool leading);

    std::function<void(Change)> m_onChanged;
    std::function<void()> m_refresh;
    bool m_stale = false;
    int m_cellCount;
    int m_defaultCellSize;
    int m_gridLineSize = 1;
    int m_minDataCell = 0;
    TImScrollBar m_scrollBar = imsbNeeded;
    int m_mouseWheelDelta = 3;
    bool m_drawGridLine = true;
    bool m_drawFixedLine = true;
    bool m_drawEmptyArea = false;
    bool m_lineSelect = false;
    gfx::Color m_selectedColor = gfx::clInfoBk;
    int m_firstCell = 0;
    int m_clientExtent = 0;

    mutable std::vector<int> m_sizes; // entry i + 1 is the size of cell i; built on first use
    mutable std::vector<int> m_sums;  // entry i + 1 is the position of cell i; extended lazily
    mutable std::optional<AxisLayout> m_layout;
};

class TImHorzItem : public TImAxisItem
{
public:
    // Five cells at creation, 60 pixels wide.
    TImHorzItem() : TImAxisItem(60, 5) {}
    TImFixedItem& FixedLeft() { return m_leading; }
    TImFixedItem& FixedRight() { return m_trailing; }
    const TImFixedItem& FixedLeft() const { return m_leading; }
    const TImFixedItem& FixedRight() const { return m_trailing; }
};

class TImVertItem : public TImAxisItem
{
public:
    // Five cells at creation, 20 pixels high.
    TImVertItem() : TImAxisItem(20, 5) {}
    TImFixedItem& FixedTop() { return m_leading; }
    TImFixedItem& FixedBottom() { return m_trailing; }
    const TImFixedItem& FixedTop() const { return m_leading; }
    const TImFixedItem& FixedBottom() const { return m_trailing; }
};

} // namespace grid
