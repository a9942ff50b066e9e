#include "grid/CellStore.h"

#include <algorithm>
#include <cassert>

namespace grid {

namespace {

bool slotBefore(const CellStore::Slot& s, int col)
{
    return s.col < col;
}

// Rows count from −1, the header; their records from 0.
size_t recordIndex(int row)
{
    return size_t(row) + 1;
}

} // namespace

const CellStore::RowRecord* CellStore::findRow(int row) const
{
    if (row < -1)
        return nullptr;
    const size_t index = recordIndex(row);
    const size_t block = index / rowsPerBlock;
    if (block >= m_blocks.size() || !m_blocks[block])
        return nullptr;
    return &(*m_blocks[block])[index % rowsPerBlock];
}

TImDataItem* CellStore::item(int col, int row) const
{
    const RowRecord* record = findRow(row);
    if (!record || col < -1)
        return nullptr;
    const auto it = std::lower_bound(record->begin(), record->end(), col, slotBefore);
    if (it == record->end() || it->col != col)
        return nullptr;
    return it->item.get();
}

CellStore::Slot& CellStore::slot(int col, int row, int rowWidth)
{
    assert(col >= -1 && row >= -1);
    const size_t index = recordIndex(row);
    const size_t block = index / rowsPerBlock;
    if (block >= m_blocks.size())
        m_blocks.resize(block + 1);
    if (!m_blocks[block])
        m_blocks[block] = std::make_unique<Block>();
    RowRecord& record = (*m_blocks[block])[index % rowsPerBlock];
    if (record.empty() && rowWidth > 0)
        record.reserve(size_t(rowWidth));
    // Rows are mostly written left to right, so the new column usually goes at the end.
    if (record.empty() || record.back().col < col) {
        record.push_back(Slot{col, 0, nullptr});
        return record.back();
    }
    const auto it = std::lower_bound(record.begin(), record.end(), col, slotBefore);
    if (it != record.end() && it->col == col)
        return *it;
    return *record.insert(it, Slot{col, 0, nullptr});
}

size_t CellStore::rowRecordCount() const
{
    size_t n = 0;
    for (const auto& block : m_blocks)
        if (block)
            n += size_t(std::count_if(block->begin(), block->end(),
                                      [](const RowRecord& r) { return !r.empty(); }));
    return n;
}

size_t CellStore::slotCount() const
{
    size_t n = 0;
    for (const auto& block : m_blocks)
        if (block)
            for (const RowRecord& r : *block)
                n += r.size();
    return n;
}

} // namespace grid
