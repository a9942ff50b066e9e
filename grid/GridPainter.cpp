#include "grid/GridPainter.h"

#include "grid/CellDrawing.h"
#include "grid/TImCustomGrid.h"

namespace grid {

namespace {

bool meets(const gfx::Rect& a, const gfx::Rect& b)
{
    return !a.intersected(b).isEmpty();
}

} // namespace

GridPainter::GridPainter(TImCustomGrid& grid, gfx::Canvas& canvas, const gfx::Rect& clip)
    : m_grid(grid), m_canvas(canvas), m_clip(clip), m_focused(grid.hasFocus())
{
}

GridPainter::Band GridPainter::leading(const TImAxisItem& axis)
{
    const AxisLayout& l = axis.layout();
    return {0, axis.firstScrolled() - 1, l.fixedStart, l.fixedBoundary, l.fixedBoundary};
}

GridPainter::Band GridPainter::scrolled(const TImAxisItem& axis)
{
    const AxisLayout& l = axis.layout();
    return {l.firstCell, l.lastDrawn, l.fixedBoundary, l.scrollEnd,
            std::min(l.drawnEnd, l.scrollEnd)};
}

GridPainter::Band GridPainter::trailing(const TImAxisItem& axis)
{
    const AxisLayout& l = axis.layout();
    return {axis.lastScrolled() + 1, axis.CellCount() - 1, l.scrollEnd, l.axisEnd, l.axisEnd};
}

void GridPainter::paint()
{
    const TImAxisItem& h = m_grid.horz();
    const TImAxisItem& v = m_grid.vert();
    const Band hLead = leading(h), hBody = scrolled(h), hTrail = trailing(h);
    const Band vLead = leading(v), vBody = scrolled(v), vTrail = trailing(v);
    const TImCellDrawStates fixedEdge = imdsFixed | imdsEdge;

    paintRegion(hLead, vLead, fixedEdge | imdsLeft | imdsTop, GridRegion::Scrolled);
    paintRegion(hTrail, vLead, fixedEdge | imdsRight | imdsTop, GridRegion::Scrolled);
    paintRegion(hLead, vTrail, fixedEdge | imdsLeft | imdsBottom, GridRegion::Scrolled);
    paintRegion(hTrail, vTrail, fixedEdge | imdsRight | imdsBottom, GridRegion::Scrolled);
    paintRegion(hBody, vTrail, imdsFixed | imdsBottom, GridRegion::FixedBottom);
    paintRegion(hTrail, vBody, imdsFixed | imdsRight, GridRegion::FixedRight);
    paintRegion(hBody, vLead, imdsFixed | imdsTop, GridRegion::FixedTop);
    paintRegion(hLead, vBody, imdsFixed | imdsLeft, GridRegion::FixedLeft);
    paintRegion(hBody, vBody, 0, GridRegion::Scrolled);

    // What no region covers: indicator cells (not painted by this grid) and whatever lies
    // past the ends of the axes.
    const int width = h.clientExtent();
    const int height = v.clientExtent();
    fillEmpty({0, 0, width, vLead.start});
    fillEmpty({0, vTrail.end, width, height});
    fillEmpty({0, vLead.start, hLead.start, vTrail.end});
    fillEmpty({hTrail.end, vLead.start, width, vTrail.end});
}

void GridPainter::fillEmpty(const gfx::Rect& r)
{
    if (!meets(r, m_clip))
        return;
    m_canvas.brush = gfx::Brush{m_grid.Color(), gfx::BrushStyle::Solid};
    m_canvas.FillRect(r);
}

TImCellDrawStates GridPainter::stateOf(int col, int row, TImCellDrawStates base) const
{
    TImCellDrawStates state = base;
    const GridCoord current{m_grid.Col(), m_grid.Row()};
    if (m_focused && col == current.col && row == current.row)
        state |= imdsFocused | imdsSelected;
    else if (!(m_grid.Options() & imHideSelection) && m_grid.Selection().contains(col, row))
        state |= imdsSelected;
    if (m_focused) {
        if (m_grid.horz().LineSelect() && row == current.row)
            state |= imdsRowSelected;
        if (m_grid.vert().LineSelect() && col == current.col)
            state |= imdsColSelected;
    }
    return state;
}

void GridPainter::paintRegion(const Band& cols, const Band& rows, TImCellDrawStates base,
                              GridRegion region)
{
    const gfx::Rect area{cols.start, rows.start, cols.end, rows.end};
    if (area.isEmpty() || !meets(area, m_clip))
        return;
    const TImAxisItem& h = m_grid.horz();
    const TImAxisItem& v = m_grid.vert();
    const int lineH = h.GridLineSize();
    const int lineV = v.GridLineSize();
    m_canvas.SaveDC();
    m_canvas.IntersectClipRect(area);
    for (int row = rows.first; row <= rows.last; ++row) {
        const auto y = v.cellSpan(row);
        if (!y)
            continue;
        for (int col = cols.first; col <= cols.last; ++col) {
            const auto x = h.cellSpan(col);
            if (!x)
                continue;
            const gfx::Rect rect = gfx::Bounds(x->start, y->start, x->size, y->size);
            if (!meets(rect.inflated(lineH, lineV), m_clip))
                continue;
            const TImCustomGrid::CellPaint cell{col, row, rect, stateOf(col, row, base), region};
            m_grid.DrawCell(m_canvas, cell);
            m_grid.DrawCellGridLines(m_canvas, cell, m_grid.CellDescription(col, row, region));
            if (m_grid.DefaultDrawing() && (cell.state & imdsFocused))
                drawFocusFrame(m_canvas, rect, m_grid.m_selectedLight, m_grid.m_selectedDark);
        }
    }
    // Right of the last column, then below the last row.
    fillEmpty({cols.emptyFrom, rows.start, cols.end, rows.end});
    fillEmpty({cols.start, rows.emptyFrom, cols.emptyFrom, rows.end});
    m_canvas.RestoreDC();
}

} // namespace grid
