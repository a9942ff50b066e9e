#pragma once

#include "gfx/Canvas.h"
#include "grid/GridTypes.h"

namespace grid {

class TImCustomGrid;
class TImAxisItem;

// One paint pass of a grid: the regions in their order (fixed corners, the bottom, right, top
// and left strips, then the scrolled body), each clipped to itself, the cells of each that meet
// the clip rectangle with their state, and the empty areas in the grid colour.
class GridPainter
{
public:
    GridPainter(TImCustomGrid& grid, gfx::Canvas& canvas, const gfx::Rect& clip);
    void paint();

private:
    // The cells of one part of an axis and the client pixels they lie in; from `emptyFrom`
    // to `end` nothing is drawn.
    struct Band
    {
        int first = 0;
        int last = -1;
        int start = 0;
        int end = 0;
        int emptyFrom = 0;
    };
    static Band leading(const TImAxisItem& axis);
    static Band scrolled(const TImAxisItem& axis);
    static Band trailing(const TImAxisItem& axis);

    void paintRegion(const Band& cols, const Band& rows, TImCellDrawStates base, GridRegion region);
    TImCellDrawStates stateOf(int col, int row, TImCellDrawStates base) const;
    void fillEmpty(const gfx::Rect& r);

    TImCustomGrid& m_grid;
    gfx::Canvas& m_canvas;
    gfx::Rect m_clip;
    bool m_focused;
};

} // namespace grid
