#pragma once

namespace grid {

// Where an axis's parts lie in the client area, for one client extent and first visible cell.
// Positions are client pixels along the axis; every shown cell is followed by its grid line.
struct AxisLayout
{
    int extent = 0;        // client width or height
    int fixedStart = 0;    // start of the leading strip (after a shown leading indicator)
    int fixedBoundary = 0; // end of the leading strip, start of the scrolled cells
    int scrollEnd = 0;     // start of the trailing strip: the scrolled cells end here
    int axisEnd = 0;       // the extent less a shown trailing indicator
    int firstCell = 0;     // first visible scrolled cell
    int lastFullVisible =
        0;             // last scrolled cell whose far edge and line fit; firstCell - 1 if none
    int lastDrawn = 0; // last scrolled cell that starts before scrollEnd; firstCell - 1 if none
    int drawnEnd = 0;  // end of lastDrawn with its line: the empty area starts here
};

} // namespace grid
