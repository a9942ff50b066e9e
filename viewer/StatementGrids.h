#pragma once

namespace grid {
class TImVarGrid;
}

namespace viewer {

// The form's two grids as its description gives them, shared by the form, the grid tests and
// the benchmarks so that they all measure the grids the user sees.

// ImVarGrid1, the trading dates: "거래일자" 65 and "NO" 35 (right-aligned).
void configureDatesGrid(grid::TImVarGrid& grid);
// ImVarGrid2, the statement lines: seven columns, the figures right-aligned.
void configureLinesGrid(grid::TImVarGrid& grid);

} // namespace viewer
