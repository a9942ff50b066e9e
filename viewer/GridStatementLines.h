#pragma once

#include "printing/StatementFill.h"

#include <vector>

namespace grid {
class TImVarGrid;
}

namespace viewer {

// The statement lines of grid 2 as the fill reads them: straight from the grid's cells, which
// already hold them, instead of a copy made for printing. Should the grid change while a report
// filled from them still lives (a host that searches again while the preview is open), the
// form detaches the source first, which copies the lines out: the report keeps printing what it
// was filled with.
class GridStatementLines final : public printing::StatementLines
{
public:
    explicit GridStatementLines(const grid::TImVarGrid& grid);

    size_t count() const override { return m_count; }
    printing::StatementLine at(size_t k) const override;

    void detach();

private:
    const grid::TImVarGrid* m_grid;
    size_t m_count;
    std::vector<printing::StatementLine> m_copy; // once detached
};

} // namespace viewer
