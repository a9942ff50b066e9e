#pragma once

#include "grid/GridTypes.h"
#include "grid/TImCellInfo.h"

namespace grid {

class TImAxisItem;

// A fixed strip at one end of an axis (the header row is the vertical axis's top strip),
// with the cell description its cells are drawn with.
class TImFixedItem
{
public:
    TImFixedItem(TImAxisItem& axis, bool leading);
    TImFixedItem(const TImFixedItem&) = delete;
    TImFixedItem& operator=(const TImFixedItem&) = delete;

    int Count() const { return m_count; }
    // A leading strip also moves the axis's current cell, anchor and first visible cell to
    // the first cell after it; either end raises the cell count when the strips need more.
    void setCount(int count);

    // The size of the strip's cells; the axis's default cell size until assigned.
    int DefaultSize() const;
    void setDefaultSize(int size);

    TImSelectionMode Selection() const { return m_selection; }
    void setSelection(TImSelectionMode mode) { m_selection = mode; }

    TImCellInfo& Cell() { return m_cell; }
    const TImCellInfo& Cell() const { return m_cell; }
    TImCellAttr& CellAttr() { return m_cell.CellAttr(); }
    TImBorderAttr& BorderAttr() { return m_cell.BorderAttr(); }

private:
    TImAxisItem& m_axis;
    bool m_leading;
    int m_count = 0;
    int m_defaultSize = -1; // -1: never assigned
    TImSelectionMode m_selection = imsmNone;
    TImCellInfo m_cell;
};

// The own attribute values of fixed strips and of the fixed corner description.
void initFixedCellInfo(TImCellInfo& info);

} // namespace grid
