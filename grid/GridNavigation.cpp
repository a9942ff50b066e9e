#include "grid/GridNavigation.h"

#include "grid/TImAxisItem.h"

#include <algorithm>

namespace grid {

GridCoord SelectableRange::clamp(GridCoord c) const
{
    c.col = std::max(firstCol, std::min(c.col, lastCol));
    c.row = std::max(firstRow, std::min(c.row, lastRow));
    return c;
}

GridCoord SelectableRange::step(GridCoord c, StepDirection direction) const
{
    switch (direction) {
    case StepDirection::None:
        break;
    case StepDirection::Left:
        if (c.col - 1 >= firstCol)
            --c.col;
        break;
    case StepDirection::Right:
        if (c.col + 1 <= lastCol)
            ++c.col;
        break;
    case StepDirection::Up:
        if (c.row - 1 >= firstRow)
            --c.row;
        break;
    case StepDirection::Down:
        if (c.row + 1 <= lastRow)
            ++c.row;
        break;
    }
    return c;
}

KeyMove keyMove(NavigationKey key, bool ctrl, GridCoord current, const SelectableRange& range,
                const TImAxisItem& horz, const TImAxisItem& vert)
{
    KeyMove m{current, horz.FirstCell(), vert.FirstCell(), StepDirection::None};
    // A page is the last fully visible cell less the first visible one, at least one.
    const int rowPage = std::max(1, vert.lastFullVisible() - m.topRow);
    const int colPage = std::max(1, horz.lastFullVisible() - m.leftCol);
    switch (key) {
    case NavigationKey::Up:
        m.direction = StepDirection::Up;
        if (ctrl)
            --m.topRow;
        else
            m.cell = range.step(m.cell, m.direction);
        break;
    case NavigationKey::Down:
        m.direction = StepDirection::Down;
        if (ctrl)
            ++m.topRow;
        else
            m.cell = range.step(m.cell, m.direction);
        break;
    case NavigationKey::Left:
        m.direction = StepDirection::Left;
        if (ctrl)
            m.cell.col -= colPage;
        else
            m.cell = range.step(m.cell, m.direction);
        break;
    case NavigationKey::Right:
        m.direction = StepDirection::Right;
        if (ctrl)
            m.cell.col += colPage;
        else
            m.cell = range.step(m.cell, m.direction);
        break;
    case NavigationKey::PageUp:
        m.direction = StepDirection::Up;
        if (ctrl) {
            m.cell.row = m.topRow;
        } else {
            m.cell.row -= rowPage;
            m.topRow -= rowPage;
        }
        break;
    case NavigationKey::PageDown:
        m.direction = StepDirection::Down;
        if (ctrl) {
            m.cell.row = vert.lastFullVisible();
        } else {
            m.cell.row += rowPage;
            m.topRow += rowPage;
        }
        break;
    case NavigationKey::Home:
        // Home and End search from their end of the axis for a cell that can be chosen.
        m.direction = StepDirection::Right;
        m.cell.col = range.firstCol;
        if (ctrl)
            m.cell.row = range.firstRow;
        break;
    case NavigationKey::End:
        m.direction = StepDirection::Left;
        m.cell.col = range.lastCol;
        if (ctrl)
            m.cell.row = range.lastRow;
        break;
    }
    return m;
}

} // namespace grid
