#include "grid/TImGridAxisInfo.h"

#include "grid/EInvalidGridOperation.h"

namespace grid {

TImGridAxisInfo::TImGridAxisInfo()
{
    initFixedCellInfo(m_fixedEdge);
    TImBorderAttr& border = m_normalCell.BorderAttr();
    border.setColor(gfx::clWhite);
    border.setLineColor(gfx::RGB(0x80, 0x80, 0x80));
    border.setStyleWidth(1);
    m_normalCell.clearAssigned();
}

TImFixedItem& TImGridAxisInfo::Fixed(int index)
{
    switch (index) {
    case 1:
        return FixedLeft();
    case 2:
        return FixedTop();
    case 3:
        return FixedRight();
    case 4:
        return FixedBottom();
    default:
        throw EInvalidGridOperation::indexOutOfRange("GetFixedItem", index, 4);
    }
}

} // namespace grid
