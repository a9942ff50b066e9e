#include "grid/TImColumns.h"

namespace grid {

TImColumns::TImColumns(TImColumnsOwner& owner) : m_owner(owner)
{
    m_defaultHeader.setCanSelect(false);
    m_defaultHeader.setCanEdit(false);
    m_defaultHeader.BorderAttr().setColor(gfx::clBtnFace);
    m_defaultHeader.BorderAttr().setStyleOuter(imbsRaised);
    m_defaultHeader.CellAttr().setAlignment(taCenter);

    m_defaultBody.BorderAttr().setColor(gfx::clWhite);
    m_defaultBody.BorderAttr().setLineColor(gfx::clBtnFace);
    m_defaultBody.CellAttr().setAlignment(taLeftJustify);

    m_defaultFooter.setCanSelect(false);
    m_defaultFooter.setCanEdit(false);
    m_defaultFooter.BorderAttr().setColor(gfx::clBtnFace);
    m_defaultFooter.BorderAttr().setStyleOuter(imbsRaised);
    m_defaultFooter.CellAttr().setAlignment(taLeftJustify);

    // Only later assignments count as assigned: the own values above show only where there
    // is no parent (the default header's centring is hidden by its strip's left alignment).
    for (TImCellInfo* info : {&m_defaultHeader, &m_defaultBody, &m_defaultFooter}) {
        info->clearAssigned();
        info->setOnChanged([this] { m_owner.InvalidateGrid(); });
    }
}

TImColumn& TImColumns::Add()
{
    m_items.push_back(std::make_unique<TImColumn>(*this, Count()));
    m_owner.InvalidateGrid();
    return *m_items.back();
}

const TImColumn* TImColumns::item(int col) const
{
    return col >= 0 && col < Count() ? m_items[size_t(col)].get() : nullptr;
}

TImColumn* TImColumns::item(int col)
{
    return col >= 0 && col < Count() ? m_items[size_t(col)].get() : nullptr;
}

void TImColumns::Delete(int index)
{
    if (index < 0 || index >= Count())
        return;
    m_items.erase(m_items.begin() + index);
    for (int i = index; i < Count(); ++i)
        m_items[size_t(i)]->m_index = i;
    m_owner.InvalidateGrid();
}

void TImColumns::Clear()
{
    if (m_items.empty())
        return;
    m_items.clear();
    m_owner.InvalidateGrid();
}

} // namespace grid
