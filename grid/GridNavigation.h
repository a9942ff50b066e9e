#pragma once

#include "grid/GridTypes.h"

namespace grid {

class TImAxisItem;

// The cells that can become current, both corners included.
struct SelectableRange
{
    int firstCol = 0;
    int lastCol = -1;
    int firstRow = 0;
    int lastRow = -1;

    bool contains(GridCoord c) const
    {
        return c.col >= firstCol && c.col <= lastCol && c.row >= firstRow && c.row <= lastRow;
    }
    // Into the range; where the bounds cross (no body rows) the lower one wins.
    GridCoord clamp(GridCoord c) const;
    // One cell on in a direction, staying put at the range's end.
    GridCoord step(GridCoord c, StepDirection direction) const;
};

enum class NavigationKey { Up, Down, Left, Right, PageUp, PageDown, Home, End };

// Where a cursor key takes the current cell and the first visible column and row, before
// either is clamped; the direction is the one to search in past cells that cannot be chosen.
struct KeyMove
{
    GridCoord cell;
    int leftCol = 0;
    int topRow = 0;
    StepDirection direction = StepDirection::None;
};

KeyMove keyMove(NavigationKey key, bool ctrl, GridCoord current, const SelectableRange& range,
                const TImAxisItem& horz, const TImAxisItem& vert);

} // namespace grid
