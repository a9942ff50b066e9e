#include "grid/TImCustomGrid.h"

#include "gfx/QtCanvas.h"
#include "grid/CellDrawing.h"
#include "grid/GridPainter.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <climits>

namespace grid {

namespace {

// The auto-scroll timer's interval: one cell more per tick while the pointer stays outside.
constexpr int autoScrollIntervalMs = 100;

// The client pixels [start, end) that the visible cells from..to cover with their lines.
std::optional<std::pair<int, int>> pixelsOf(const TImAxisItem& axis, int from, int to)
{
    const AxisLayout& l = axis.layout();
    int lo = INT_MAX;
    int hi = INT_MIN;
    const auto cover = [&](int a, int b) {
        for (int k = std::max(a, from); k <= std::min(b, to); ++k)
            if (const auto span = axis.cellSpan(k)) {
                lo = std::min(lo, span->start);
                hi = std::max(hi, span->start + span->size + axis.GridLineSize());
            }
    };
    cover(-1, axis.firstScrolled() - 1);
    cover(l.firstCell, l.lastDrawn);
    cover(axis.lastScrolled() + 1, axis.CellCount());
    if (lo > hi)
        return std::nullopt;
    return std::make_pair(lo, hi);
}

} // namespace

TImCustomGrid::TImCustomGrid(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    // The sunken two-pixel client edge of a single border.
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    // Cells paint every pixel they own: repaints need no erase first.
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_selectedLight = lightShade(m_selectedColor);
    m_selectedDark = darkShade(m_selectedColor);

    horz().setOnChanged([this](TImAxisItem::Change c) { axisChanged(horz(), c); });
    vert().setOnChanged([this](TImAxisItem::Change c) { axisChanged(vert(), c); });
    horz().setRefresh([this] { UpdateScrollBars(); });
    vert().setRefresh([this] { UpdateScrollBars(); });
    const auto repaint = [this] { InvalidateGrid(); };
    for (int i = 1; i <= 4; ++i)
        m_axes.Fixed(i).Cell().setOnChanged(repaint);
    m_axes.FixedEdge().setOnChanged(repaint);
    m_axes.NormalCell().setOnChanged(repaint);

    m_barExtent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    m_current = {m_axes.FixedLeft().Count(), m_axes.FixedTop().Count()};
    m_anchor = m_current;

    m_autoScroll.setInterval(autoScrollIntervalMs);
    connect(&m_autoScroll, &QTimer::timeout, this, [this] { dragTo(m_lastMousePos); });
    for (auto [bar, orientation] : {std::pair{horizontalScrollBar(), Qt::Horizontal},
                                    std::pair{verticalScrollBar(), Qt::Vertical}}) {
        const Qt::Orientation o = orientation;
        connect(bar, &QAbstractSlider::actionTriggered, this,
                [this, o](int action) { scrollBarAction(o, action); });
        connect(bar, &QAbstractSlider::sliderReleased, this, [this, o] { scrollBarReleased(o); });
    }
    UpdateScrollBars();
}

TImCustomGrid::~TImCustomGrid()
{
    horz().setOnChanged(nullptr);
    vert().setOnChanged(nullptr);
    horz().setRefresh(nullptr);
    vert().setRefresh(nullptr);
}

void TImCustomGrid::axisChanged(TImAxisItem& axis, TImAxisItem::Change change)
{
    if (change == TImAxisItem::Change::LeadingCount) {
        const int first = axis.Leading().Count();
        if (&axis == &horz())
            m_current.col = m_anchor.col = first;
        else
            m_current.row = m_anchor.row = first;
    }
    if (change == TImAxisItem::Change::Count) {
        // Rows appended one at a time must not lay the grid out for each: both axes (a bar on
        // one takes room from the other) are laid out once, by the first read of their
        // geometry, the next paint, or the next turn of the event loop, whichever comes first.
        if (!layoutPending()) {
            horz().setStale(true);
            vert().setStale(true);
            QTimer::singleShot(0, this, [this] {
                ensureLaidOut();
                if (m_barsPending)
                    flushScrollBars();
                contentsChanged();
            });
        }
    } else if (change != TImAxisItem::Change::Repaint) {
        UpdateScrollBars();
    }
    InvalidateGrid();
}

// --- selection state -------------------------------------------------------------------

int TImCustomGrid::FirstSelectableCol() const
{
    const TImSelectionMode mode = m_axes.Horizontal().Leading().Selection();
    return mode == imsmCell || mode == imsmLine ? 0 : m_axes.Horizontal().Leading().Count();
}

int TImCustomGrid::FirstSelectableRow() const
{
    return vert().Leading().Count();
}

int TImCustomGrid::LastSelectableCol() const
{
    const TImSelectionMode mode = horz().Trailing().Selection();
    return mode == imsmCell || mode == imsmLine ? ColCount() - 1
                                                : ColCount() - horz().Trailing().Count() - 1;
}

int TImCustomGrid::LastSelectableRow() const
{
    return RowCount() - vert().Trailing().Count() - 1;
}

bool TImCustomGrid::inSelectableRange(int col, int row) const
{
    return selectable().contains({col, row});
}

bool TImCustomGrid::CanSelectCell(int col, int row)
{
    if (!inSelectableRange(col, row))
        return false;
    if (horz().CellSize(col) < 1 || vert().CellSize(row) < 1)
        return false;
    const TImCellInfo* info = CellDescription(col, row, GridRegion::Scrolled);
    if (info && !info->CanSelect())
        return false;
    bool canSelect = true;
    if (const TSelectCellEvent handler = OnSelectCell)
        handler(this, col, row, canSelect);
    return canSelect;
}

SelectableRange TImCustomGrid::selectable() const
{
    return {FirstSelectableCol(), LastSelectableCol(), FirstSelectableRow(), LastSelectableRow()};
}

GridRange TImCustomGrid::Selection() const
{
    GridRange s;
    if (m_options & imRowSelect) {
        s.left = FirstSelectableCol();
        s.right = LastSelectableCol();
    } else {
        s.left = std::min(m_current.col, m_anchor.col);
        s.right = std::max(m_current.col, m_anchor.col);
    }
    s.top = std::min(m_current.row, m_anchor.row);
    s.bottom = std::max(m_current.row, m_anchor.row);
    return s;
}

void TImCustomGrid::setAnchor(GridCoord c)
{
    m_anchor = c;
    if (m_options & imRowSelect)
        m_anchor.col = LastSelectableCol();
}

void TImCustomGrid::setOptions(TImGridOptions options)
{
    if (options == m_options)
        return;
    if (m_options & imRowSelect)
        m_anchor = m_current;
    m_options = options;
    if (m_options & imRowSelect)
        m_anchor.col = LastSelectableCol();
    InvalidateGrid();
}

void TImCustomGrid::setSelectedColor(gfx::Color c)
{
    if (c == m_selectedColor)
        return;
    m_selectedColor = c;
    m_selectedLight = lightShade(c);
    m_selectedDark = darkShade(c);
    InvalidateGrid();
}

void TImCustomGrid::FocusCell(int col, int row, StepDirection direction, bool show, bool moveAnchor)
{
    GridCoord c{col, row};
    for (;;) {
        if (c == m_current)
            return;
        c = selectable().clamp(c);
        if (CanSelectCell(c.col, c.row))
            break;
        const GridCoord next = selectable().step(c, direction);
        if (direction == StepDirection::None || next == c)
            return;
        c = next;
    }
    const GridRange before = Selection();
    const GridCoord old = m_current;
    m_current = c;
    if (moveAnchor || !(m_options & imRangeSelect))
        setAnchor(c);
    if (show)
        MakeVisible(c.col, c.row);
    invalidateSelectionChange(before, Selection());
    InvalidateCell(old.col, old.row);
    InvalidateCell(c.col, c.row);
    currentCellChanged();
}

void TImCustomGrid::ExtendSelection(int col, int row)
{
    if (!(m_options & imRangeSelect)) {
        FocusCell(col, row, StepDirection::None, true, true);
        return;
    }
    const GridRange before = Selection();
    setAnchor({col, row});
    MakeVisible(col, row);
    invalidateSelectionChange(before, Selection());
}

void TImCustomGrid::SetRow(int row)
{
    if (row == m_current.row)
        return;
    FocusCell(m_current.col, row, StepDirection::None, true, true);
    fireClick();
}

void TImCustomGrid::fireClick()
{
    // A copy: the handler may detach (or replace) the event while it runs.
    if (const TNotifyEvent handler = OnClick)
        handler(this);
}

// --- geometry and scrolling -------------------------------------------------------------

gfx::Rect TImCustomGrid::CellRect(int col, int row) const
{
    const auto x = horz().cellSpan(col);
    const auto y = vert().cellSpan(row);
    if (!x || !y)
        return {};
    return gfx::Bounds(x->start, y->start, x->size, y->size);
}

GridCoord TImCustomGrid::MouseCoord(int x, int y) const
{
    return {horz().cellAt(x), vert().cellAt(y)};
}

void TImCustomGrid::MakeVisible(int col, int row)
{
    const auto firstFor = [](const TImAxisItem& axis, int cell) {
        const int first = axis.FirstCell();
        if (cell < axis.firstScrolled() || cell > axis.lastScrolled())
            return first; // fixed cells are always in view
        if (cell < first)
            return cell;
        if (cell > axis.lastFullVisible())
            return axis.firstCellEndingWith(cell);
        return first;
    };
    scrollTo(firstFor(horz(), col), firstFor(vert(), row));
}

void TImCustomGrid::scrollTo(int leftCol, int topRow)
{
    leftCol = horz().clampFirstCell(leftCol);
    topRow = vert().clampFirstCell(topRow);
    const int oldLeft = LeftCol();
    const int oldTop = TopRow();
    if (leftCol == oldLeft && topRow == oldTop)
        return;
    const AxisLayout hl = horz().layout();
    const AxisLayout vl = vert().layout();
    const int dx = horz().CellPosition(oldLeft) - horz().CellPosition(leftCol);
    const int dy = vert().CellPosition(oldTop) - vert().CellPosition(topRow);
    horz().setFirstCell(leftCol);
    vert().setFirstCell(topRow);
    // Shift what is already painted; only the uncovered part is painted again.
    const int hSpace = hl.scrollEnd - hl.fixedBoundary;
    const int vSpace = vl.scrollEnd - vl.fixedBoundary;
    if (dx != 0) {
        if (std::abs(dx) < hSpace)
            viewport()->scroll(dx, 0, QRect(hl.fixedBoundary, 0, hSpace, vl.extent));
        else
            InvalidateGrid();
    }
    if (dy != 0) {
        if (std::abs(dy) < vSpace)
            viewport()->scroll(0, dy, QRect(0, vl.fixedBoundary, hl.extent, vSpace));
        else
            InvalidateGrid();
    }
    UpdateScrollBars();
}

void TImCustomGrid::UpdateScrollBars()
{
    horz().setStale(false);
    vert().setStale(false);
    if (m_updatingBars)
        return;
    m_updatingBars = true;
    const QRect area = contentsRect();
    m_laidOutFor = area.size();
    bool clamped = false;
    const auto fit = [&clamped](TImAxisItem& axis) {
        const int first = axis.clampFirstCell(axis.FirstCell());
        if (first != axis.FirstCell()) {
            axis.setFirstCell(first);
            clamped = true;
        }
        return axis.scrollBarInfo();
    };
    // Each bar takes room from the other axis: horizontal, vertical, horizontal again.
    horz().setClientExtent(area.width() - (m_vBarShown ? m_barExtent : 0));
    TImAxisItem::ScrollBarInfo h = fit(horz());
    vert().setClientExtent(area.height() - (h.visible ? m_barExtent : 0));
    TImAxisItem::ScrollBarInfo v = fit(vert());
    if (v.visible != m_vBarShown) {
        horz().setClientExtent(area.width() - (v.visible ? m_barExtent : 0));
        const bool hWasVisible = h.visible;
        h = fit(horz());
        if (h.visible != hWasVisible) {
            vert().setClientExtent(area.height() - (h.visible ? m_barExtent : 0));
            v = fit(vert());
        }
    }
    m_hBar = h;
    m_vBar = v;
    if (h.visible != m_hBarShown || v.visible != m_vBarShown) {
        // Showing or hiding a bar resizes the viewport: that cannot wait.
        m_hBarShown = h.visible;
        m_vBarShown = v.visible;
        setHorizontalScrollBarPolicy(h.visible ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(v.visible ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        flushScrollBars();
    } else if (!m_barsPending) {
        // Range, page and thumb follow once the current batch of changes is done: appending
        // rows one by one must not cost a scroll bar update each.
        m_barsPending = true;
        QTimer::singleShot(0, this, [this] { flushScrollBars(); });
    }
    m_updatingBars = false;
    if (clamped)
        InvalidateGrid();
}

void TImCustomGrid::flushScrollBars()
{
    m_barsPending = false;
    applyScrollBar(horizontalScrollBar(), m_hBar);
    applyScrollBar(verticalScrollBar(), m_vBar);
}

void TImCustomGrid::applyScrollBar(QScrollBar* bar, const TImAxisItem::ScrollBarInfo& info)
{
    if (!info.visible || !info.enabled) {
        bar->setRange(0, 0);
        bar->setEnabled(false);
        return;
    }
    bar->setEnabled(true);
    bar->setRange(0, TImAxisItem::scrollRangeMax + 1 - info.page);
    bar->setPageStep(info.page);
    // A dragged thumb follows the pointer; it snaps to its cell when released.
    if (!bar->isSliderDown())
        bar->setValue(info.position);
}

void TImCustomGrid::scrollBarAction(Qt::Orientation orientation, int action)
{
    if (action == QAbstractSlider::SliderNoAction)
        return;
    if (isVisible() && isEnabled() && (focusPolicy() & Qt::TabFocus))
        setFocus(Qt::OtherFocusReason);
    const bool horizontal = orientation == Qt::Horizontal;
    QScrollBar* bar = horizontal ? horizontalScrollBar() : verticalScrollBar();
    if (action == QAbstractSlider::SliderMove && !(m_options & imThumbTracking))
        return;
    ensureLaidOut();
    if (m_barsPending)
        flushScrollBars();
    const TImAxisItem& axis = horizontal ? static_cast<const TImAxisItem&>(horz()) : vert();
    TImAxisItem::ScrollAction step;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        step = TImAxisItem::ScrollAction::LineDown;
        break;
    case QAbstractSlider::SliderSingleStepSub:
        step = TImAxisItem::ScrollAction::LineUp;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        step = TImAxisItem::ScrollAction::PageDown;
        break;
    case QAbstractSlider::SliderPageStepSub:
        step = TImAxisItem::ScrollAction::PageUp;
        break;
    case QAbstractSlider::SliderToMinimum:
        step = TImAxisItem::ScrollAction::Top;
        break;
    case QAbstractSlider::SliderToMaximum:
        step = TImAxisItem::ScrollAction::Bottom;
        break;
    default:
        step = TImAxisItem::ScrollAction::Thumb;
        break;
    }
    const int cell = axis.firstCellFor(step, bar->sliderPosition());
    scrollTo(horizontal ? cell : LeftCol(), horizontal ? TopRow() : cell);
    if (action != QAbstractSlider::SliderMove)
        bar->setSliderPosition(axis.scrollBarInfo().position);
}

void TImCustomGrid::scrollBarReleased(Qt::Orientation orientation)
{
    const bool horizontal = orientation == Qt::Horizontal;
    QScrollBar* bar = horizontal ? horizontalScrollBar() : verticalScrollBar();
    const TImAxisItem& axis = horizontal ? static_cast<const TImAxisItem&>(horz()) : vert();
    const int cell = axis.cellAtScrollPosition(bar->sliderPosition());
    scrollTo(horizontal ? cell : LeftCol(), horizontal ? TopRow() : cell);
    bar->setValue(axis.scrollBarInfo().position);
}

void TImCustomGrid::scrollContentsBy(int, int)
{
    // The grid scrolls itself in whole cells (scrollTo); the bars only report actions.
}

// --- repainting -------------------------------------------------------------------------

void TImCustomGrid::InvalidateCell(int col, int row)
{
    // A cell outside the grid has nothing on screen; a store filling rows before it raises the
    // row count would otherwise work out a rectangle for each of them.
    if (col < -1 || col >= ColCount() || row < -1 || row >= RowCount())
        return;
    // While a count change waits to be laid out the whole grid is due for a repaint anyway.
    if (layoutPending())
        return;
    const gfx::Rect r = CellRect(col, row);
    if (r.isEmpty())
        return;
    viewport()->update(QRect(r.left, r.top, r.width() + horz().GridLineSize(),
                             r.height() + vert().GridLineSize()));
}

void TImCustomGrid::InvalidateRow(int row)
{
    if (layoutPending())
        return;
    if (const auto y = pixelsOf(vert(), row, row))
        viewport()->update(QRect(0, y->first, horz().clientExtent(), y->second - y->first));
}

void TImCustomGrid::InvalidateCol(int col)
{
    if (layoutPending())
        return;
    if (const auto x = pixelsOf(horz(), col, col))
        viewport()->update(QRect(x->first, 0, x->second - x->first, vert().clientExtent()));
}

void TImCustomGrid::InvalidateGrid()
{
    viewport()->update();
}

void TImCustomGrid::invalidateRange(const GridRange& range)
{
    if (layoutPending())
        return;
    const auto x = pixelsOf(horz(), range.left, range.right);
    const auto y = pixelsOf(vert(), range.top, range.bottom);
    if (x && y)
        viewport()->update(QRect(x->first, y->first, x->second - x->first, y->second - y->first));
}

void TImCustomGrid::invalidateSelectionChange(const GridRange& before, const GridRange& after)
{
    if (before == after)
        return;
    invalidateRange(before);
    invalidateRange(after);
}

void TImCustomGrid::invalidateFocus()
{
    invalidateRange(Selection());
    InvalidateCell(m_current.col, m_current.row);
    if (horz().LineSelect())
        InvalidateRow(m_current.row);
    if (vert().LineSelect())
        InvalidateCol(m_current.col);
}

// --- painting ---------------------------------------------------------------------------

void TImCustomGrid::ensureLaidOut()
{
    // A hidden widget gets its resize event only when shown; lay out for its size now.
    if (layoutPending() || contentsRect().size() != m_laidOutFor)
        UpdateScrollBars();
}

gfx::Size TImCustomGrid::clientSize()
{
    ensureLaidOut();
    return {horz().clientExtent(), vert().clientExtent()};
}

void TImCustomGrid::PaintTo(gfx::Canvas& canvas, const gfx::Rect& clip)
{
    ensureLaidOut();
    GridPainter(*this, canvas, clip).paint();
}

void TImCustomGrid::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    gfx::QtCanvas canvas(&painter, gfx::ScreenDpi);
    const QRect r = event->rect();
    PaintTo(canvas, gfx::Bounds(r.x(), r.y(), r.width(), r.height()));
}

TImCellInfo* TImCustomGrid::CellDescription(int col, int row, GridRegion region)
{
    switch (region) {
    case GridRegion::FixedLeft:
        return &m_axes.FixedLeft().Cell();
    case GridRegion::FixedTop:
        return &m_axes.FixedTop().Cell();
    case GridRegion::FixedRight:
        return &m_axes.FixedRight().Cell();
    case GridRegion::FixedBottom:
        return &m_axes.FixedBottom().Cell();
    case GridRegion::Scrolled:
        break;
    }
    const bool fixedCol = col < horz().firstScrolled() || col > horz().lastScrolled();
    const bool fixedRow = row < vert().firstScrolled() || row > vert().lastScrolled();
    if (fixedCol && fixedRow)
        return &m_axes.FixedEdge();
    if (fixedRow)
        return row < vert().firstScrolled() ? &m_axes.FixedTop().Cell()
                                            : &m_axes.FixedBottom().Cell();
    if (fixedCol)
        return col < horz().firstScrolled() ? &m_axes.FixedLeft().Cell()
                                            : &m_axes.FixedRight().Cell();
    return &m_axes.NormalCell();
}

void TImCustomGrid::DrawCell(gfx::Canvas& canvas, const CellPaint& cell)
{
    TImCellInfo* info = CellDescription(cell.col, cell.row, cell.region);
    if (info)
        info->Field().Clear();
    PrepareCanvas(canvas, info, cell.state);
    DefaultDrawCell(canvas, cell.rect, info, cell.state);
}

void TImCustomGrid::PrepareCanvas(gfx::Canvas& canvas, const TImCellInfo* info,
                                  TImCellDrawStates state)
{
    canvas.font = info ? info->CellAttr().Font() : m_font;
    gfx::Color fill;
    const bool focusAsSelected = m_options & (imDrawFocusSelected | imRowSelect);
    if (state & imdsEmptyVert) {
        fill = lightShade(info ? info->BorderAttr().Color() : m_color);
    } else if ((state & imdsSelected) && (!(state & imdsFocused) || focusAsSelected)) {
        fill = hasFocus() ? m_selectedColor : m_selectedBackColor;
        canvas.font.color = m_selectedFontColor;
    } else if (state & (imdsRowSelected | imdsColSelected)) {
        fill = horz().SelectedColor();
    } else {
        fill = info ? info->BorderAttr().Color() : m_color;
    }
    canvas.brush = gfx::Brush{fill, gfx::BrushStyle::Solid};
    canvas.pen.color = info ? info->BorderAttr().LineColor() : gfx::RGB(0x80, 0x80, 0x80);
    if (!isEnabled())
        canvas.font.color = gfx::clGrayText;
}

void TImCustomGrid::DefaultDrawCell(gfx::Canvas& canvas, const gfx::Rect& r,
                                    const TImCellInfo* info, TImCellDrawStates state)
{
    canvas.FillRect(r);
    if (!info)
        return;
    const TImCellData& field = info->Field();
    if (!field.IsNull() || !field.DisplayNullAs().empty())
        drawCellText(canvas, r, field.DisplayText(), info->CellAttr());
    drawCellFrames(canvas, r, info->BorderAttr());
}

void TImCustomGrid::DrawCellGridLines(gfx::Canvas& canvas, const CellPaint& cell,
                                      const TImCellInfo* info)
{
    const int lineH = horz().GridLineSize(); // the line to the right of a column
    const int lineV = vert().GridLineSize(); // the line below a row
    const bool fixed = cell.state & imdsFixed;
    const gfx::Color lineColor = info ? info->BorderAttr().LineColor() : gfx::RGB(0x80, 0x80, 0x80);
    const bool drawV = fixed ? vert().DrawFixedLine() : vert().DrawGridLine();
    const bool drawH = fixed ? horz().DrawFixedLine() : horz().DrawGridLine();
    const gfx::Rect& r = cell.rect;
    const gfx::Brush saved = canvas.brush;
    // Cells of the bottom and right strips have their lines above and to the left.
    const bool above = cell.region == GridRegion::FixedBottom;
    const bool left = cell.region == GridRegion::FixedRight;
    if (lineV > 0) {
        // Also under the right-hand line, so that the crossing of the two is painted too.
        const int y = above ? r.top - lineV : r.bottom;
        canvas.brush = gfx::Brush{drawV ? lineColor : m_color, gfx::BrushStyle::Solid};
        canvas.FillRect(
            {left ? r.left - lineH : r.left, y, left ? r.right : r.right + lineH, y + lineV});
    }
    if (lineH > 0) {
        const int x = left ? r.left - lineH : r.right;
        canvas.brush = gfx::Brush{drawH ? lineColor : m_color, gfx::BrushStyle::Solid};
        canvas.FillRect({x, r.top, x + lineH, r.bottom});
    }
    canvas.brush = saved;
}

void TImCustomGrid::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        InvalidateGrid();
    if (event->type() == QEvent::StyleChange) {
        m_barExtent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
        UpdateScrollBars();
    }
}

void TImCustomGrid::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

} // namespace grid
