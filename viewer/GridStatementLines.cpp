#include "viewer/GridStatementLines.h"

#include "grid/TImVarGrid.h"

#include <algorithm>

namespace viewer {

namespace {

printing::StatementLine lineOf(const grid::TImVarGrid& grid, size_t k)
{
    printing::StatementLine line;
    for (size_t c = 0; c < line.size(); ++c)
        line[c] = grid.GetDataCell(int(c), int(k)).toString();
    return line;
}

} // namespace

GridStatementLines::GridStatementLines(const grid::TImVarGrid& grid)
    : m_grid(&grid), m_count(size_t(std::max(0, grid.DataRowCount())))
{
}

printing::StatementLine GridStatementLines::at(size_t k) const
{
    return m_grid ? lineOf(*m_grid, k) : m_copy[k];
}

void GridStatementLines::detach()
{
    if (!m_grid)
        return;
    m_copy.reserve(m_count);
    for (size_t k = 0; k < m_count; ++k)
        m_copy.push_back(lineOf(*m_grid, k));
    m_grid = nullptr;
}

} // namespace viewer
