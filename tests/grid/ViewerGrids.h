#pragma once

#include "grid/TImVarGrid.h"

#include <string>
#include <vector>

// The viewer's two grids as its form describes them, for tests and benchmarks.
namespace viewergrids {

// ImVarGrid1, the trading dates: 121 × 504, columns "거래일자" 65 and "NO" 35 (right-aligned).
void configureLikeImVarGrid1(grid::TImVarGrid& grid);
// ImVarGrid2, the statement lines: 607 × 343, seven columns.
void configureLikeImVarGrid2(grid::TImVarGrid& grid);

// Appends one row the way the viewer's row handlers do: one more body row, then each cell.
void appendRow(grid::TImVarGrid& grid, const std::vector<std::string>& cells);

} // namespace viewergrids
