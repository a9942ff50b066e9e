#pragma once

#include "grid/TImCustomColumnGrid.h"
#include "text/Variant.h"

namespace grid {

// The viewer's table: one variant per cell, addressed in data coordinates (body rows from 0).
// The store is independent of the counts: values written below the last body row stay and
// show once the row count grows to include them, and removed rows keep their values.
class TImVarGrid : public TImCustomColumnGrid
{
    Q_OBJECT

public:
    explicit TImVarGrid(QWidget* parent = nullptr);

    int DataColCount() const { return ColCount(); }
    void setDataColCount(int count) { setColCount(count); }
    int DataRowCount() const { return GridRowCount(); }
    void setDataRowCount(int count) { setGridRowCount(count); }

    // Empty for negative grid indexes and for cells never written; no upper bound.
    text::Variant GetDataCell(int dataCol, int dataRow) const;
    // Stores a copy and repaints that one cell.
    void SetDataCell(int dataCol, int dataRow, const text::Variant& value);

    // For measurements: cells and row records the store holds.
    size_t storedCellCount() const { return store().slotCount(); }

protected:
    void FetchBodyData(int bodyCol, int bodyRow, TImCellData& field) override;
};

} // namespace grid
