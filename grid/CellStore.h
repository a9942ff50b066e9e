#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace grid {

// What a grid keeps per cell; the concrete grid decides what that is.
class TImDataItem
{
public:
    virtual ~TImDataItem() = default;
};

// The sparse cell store: grid row -> row record -> column -> slot. Memory grows with the
// cells written, not with the counts; rows and columns -1 (the indicator strips) are valid
// indexes, anything below reads as holding nothing and is never written. The store keeps
// every item until it is destroyed, whatever the grid's counts do.
class CellStore
{
public:
    struct Slot
    {
        int col = 0;
        uint32_t flags = 0; // bit 0 merged with the cell on the left, bit 1 with the cell above
        std::unique_ptr<TImDataItem> item;
    };

    TImDataItem* item(int col, int row) const;
    // The slot of (col, row), created with its row record on first use. col, row >= -1.
    // A new row record makes room for `rowWidth` slots at once, as rows are mostly written
    // across all their columns.
    Slot& slot(int col, int row, int rowWidth = 0);

    size_t rowRecordCount() const;
    size_t slotCount() const;

private:
    // Rows are grouped so that a run of appended rows costs one pointer per block, and a
    // row record is an inline vector, so an untouched row costs no allocation.
    static constexpr int rowsPerBlock = 256;
    using RowRecord = std::vector<Slot>; // sorted by column
    using Block = std::array<RowRecord, rowsPerBlock>;

    const RowRecord* findRow(int row) const;

    std::vector<std::unique_ptr<Block>> m_blocks; // block b holds rows b * 256 - 1 onwards
};

} // namespace grid
