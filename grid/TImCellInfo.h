#pragma once

#include "grid/TImBorderAttr.h"
#include "grid/TImCellAttr.h"
#include "grid/TImCellData.h"

#include <functional>

namespace grid {

// A cell description: how a kind of cell looks and whether it can be selected or edited.
// The column model's descriptions (default header, body and footer, and each column's) are
// all of this class; the external editor, viewer and pick-list components that a column's
// descriptions could carry are left out, as nothing here uses them.
class TImCellInfo
{
public:
    TImCellInfo() = default;
    TImCellInfo(const TImCellInfo&) = delete;
    TImCellInfo& operator=(const TImCellInfo&) = delete;

    TImCellAttr& CellAttr() { return m_cellAttr; }
    const TImCellAttr& CellAttr() const { return m_cellAttr; }
    TImBorderAttr& BorderAttr() { return m_borderAttr; }
    const TImBorderAttr& BorderAttr() const { return m_borderAttr; }
    // The value holder, filled just before the cell is drawn.
    TImCellData& Field() { return m_field; }
    const TImCellData& Field() const { return m_field; }

    bool CanSelect() const { return m_canSelect; }
    void setCanSelect(bool v) { m_canSelect = v; }
    bool CanEdit() const { return m_canEdit; }
    void setCanEdit(bool v) { m_canEdit = v; }

    // Both attribute objects inherit from `parent`'s (none when null).
    void setParent(const TImCellInfo* parent)
    {
        m_cellAttr.setParent(parent ? &parent->m_cellAttr : nullptr);
        m_borderAttr.setParent(parent ? &parent->m_borderAttr : nullptr);
    }
    void setOnChanged(const std::function<void()>& onChanged)
    {
        m_cellAttr.setOnChanged(onChanged);
        m_borderAttr.setOnChanged(onChanged);
    }
    void clearAssigned()
    {
        m_cellAttr.clearAssigned();
        m_borderAttr.clearAssigned();
    }

private:
    TImCellAttr m_cellAttr;
    TImBorderAttr m_borderAttr;
    TImCellData m_field;
    bool m_canSelect = true;
    bool m_canEdit = true;
};

} // namespace grid
