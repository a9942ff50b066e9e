#pragma once

#include "grid/TImAxisItem.h"
#include "grid/TImCellInfo.h"

namespace grid {

// The grid's `AxisInfo`: both axes, short-cuts to their fixed strips, and the descriptions
// of the fixed corners and of body cells when no column model applies. (Which description
// each corner uses is fixed to the corner's own here: no two fixed strips meet in the
// grids this control serves.)
class TImGridAxisInfo
{
public:
    TImGridAxisInfo();
    TImGridAxisInfo(const TImGridAxisInfo&) = delete;
    TImGridAxisInfo& operator=(const TImGridAxisInfo&) = delete;

    TImHorzItem& Horizontal() { return m_horizontal; }
    TImVertItem& Vertical() { return m_vertical; }
    const TImHorzItem& Horizontal() const { return m_horizontal; }
    const TImVertItem& Vertical() const { return m_vertical; }

    TImFixedItem& FixedLeft() { return m_horizontal.FixedLeft(); }
    TImFixedItem& FixedTop() { return m_vertical.FixedTop(); }
    TImFixedItem& FixedRight() { return m_horizontal.FixedRight(); }
    TImFixedItem& FixedBottom() { return m_vertical.FixedBottom(); }
    // The strips by their indexes 1 (left), 2 (top), 3 (right), 4 (bottom).
    TImFixedItem& Fixed(int index);

    TImCellInfo& FixedEdge() { return m_fixedEdge; }
    TImCellInfo& NormalCell() { return m_normalCell; }
    const TImCellInfo& NormalCell() const { return m_normalCell; }

private:
    TImHorzItem m_horizontal;
    TImVertItem m_vertical;
    TImCellInfo m_fixedEdge;
    TImCellInfo m_normalCell;
};

} // namespace grid
