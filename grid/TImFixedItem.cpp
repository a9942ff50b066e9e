#include "grid/TImFixedItem.h"

#include "grid/TImAxisItem.h"

#include <algorithm>

namespace grid {

void initFixedCellInfo(TImCellInfo& info)
{
    TImBorderAttr& border = info.BorderAttr();
    border.setColor(gfx::clBtnFace);
    border.setLineColor(gfx::clBlack);
    border.setStyleOuter(imbsRaised);
    border.setStyleInner(imbsNone);
    border.setStyleWidth(1);
    border.setFrameOuter(imfsAll);
    border.setFrameInner(imfsAll);
    info.setCanSelect(false);
    info.setCanEdit(false);
    info.clearAssigned();
}

TImFixedItem::TImFixedItem(TImAxisItem& axis, bool leading)
    : m_axis(axis), m_leading(leading), m_count(leading ? 1 : 0)
{
    initFixedCellInfo(m_cell);
}

void TImFixedItem::setCount(int count)
{
    count = std::max(0, count);
    if (count == m_count)
        return;
    const int old = m_count;
    m_count = count;
    m_axis.stripCountChanged(m_leading, old);
}

int TImFixedItem::DefaultSize() const
{
    return m_defaultSize < 0 ? m_axis.DefaultCellSize() : m_defaultSize;
}

void TImFixedItem::setDefaultSize(int size)
{
    size = std::max(0, size);
    if (size == m_defaultSize)
        return;
    m_defaultSize = size;
    m_axis.stripSizeChanged(m_leading);
}

} // namespace grid
