#include "grid/TImVarGrid.h"

#include "grid/TVarItem.h"

namespace grid {

TImVarGrid::TImVarGrid(QWidget* parent) : TImCustomColumnGrid(parent) {}

text::Variant TImVarGrid::GetDataCell(int dataCol, int dataRow) const
{
    const int col = dataCol;
    const int row = dataRow + HeaderCount();
    if (col < 0 || row < 0)
        return {};
    const auto* item = static_cast<const TVarItem*>(store().item(col, row));
    return item ? item->value : text::Variant();
}

void TImVarGrid::SetDataCell(int dataCol, int dataRow, const text::Variant& value)
{
    const int col = dataCol;
    const int row = dataRow + HeaderCount();
    if (col < -1 || row < -1)
        return;
    CellStore::Slot& slot = store().slot(col, row, ColCount());
    if (slot.item)
        static_cast<TVarItem*>(slot.item.get())->value = value;
    else
        slot.item = std::make_unique<TVarItem>(value);
    InvalidateCell(col, row);
}

void TImVarGrid::FetchBodyData(int bodyCol, int bodyRow, TImCellData& field)
{
    field.setValue(GetDataCell(bodyCol, bodyRow));
}

} // namespace grid
