#include "ViewerGrids.h"

#include "viewer/StatementGrids.h"

using namespace grid;

namespace viewergrids {

void configureLikeImVarGrid1(TImVarGrid& grid)
{
    viewer::configureDatesGrid(grid);
    grid.resize(121, 504);
}

void configureLikeImVarGrid2(TImVarGrid& grid)
{
    viewer::configureLinesGrid(grid);
    grid.resize(607, 343);
}

void appendRow(TImVarGrid& grid, const std::vector<std::string>& cells)
{
    const int row = grid.DataRowCount();
    grid.setDataRowCount(row + 1);
    for (size_t col = 0; col < cells.size(); ++col)
        grid.SetDataCell(int(col), row, cells[col]);
}

} // namespace viewergrids
