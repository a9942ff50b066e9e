#include "viewer/StatementGrids.h"

#include "grid/TImVarGrid.h"
#include "grid/TImVarGridFormData.h"
#include "text/Cp949.h"

#include <initializer_list>
#include <string>

namespace viewer {

namespace {

struct GridColumn
{
    const char* caption;
    int width;
    bool rightJustify;
};

void configureGrid(grid::TImVarGrid& g, std::initializer_list<GridColumn> columns)
{
    grid::TImVarGridFormData data;
    data.headerCount = 1;
    data.bodyCount = 0;
    data.footerCount = 0;
    data.headerFontColor = gfx::clYellow;
    data.headerParentFont = false;
    data.headerBorderColor = gfx::clTeal;
    data.rotateAxis = false;
    data.dataColCount = int(columns.size());
    data.dataRowCount = 0;
    data.horizontalCellCount = int(columns.size());
    data.fixedLeftCount = 0;
    data.verticalCellCount = 1;
    data.options =
        grid::imRangeSelect | grid::imDrawFocusSelected | grid::imRowSelect | grid::imThumbTracking;
    std::string sizes = "(";
    int index = 0;
    for (const GridColumn& c : columns) {
        grid::TImVarGridFormData::Column column;
        column.captions = {text::cp949(c.caption)};
        if (c.rightJustify)
            column.bodyAlignment = grid::taRightJustify;
        data.columns.push_back(column);
        if (index > 0)
            sizes += ", ";
        sizes += std::to_string(index) + ", " + std::to_string(c.width);
        ++index;
    }
    data.horizontalCellSizes = sizes + ")";
    grid::applyFormData(g, data);
}

} // namespace

void configureDatesGrid(grid::TImVarGrid& grid)
{
    configureGrid(grid, {{"거래일자", 65, false}, {"NO", 35, true}});
}

void configureLinesGrid(grid::TImVarGrid& grid)
{
    configureGrid(grid, {{"거래품목", 94, false},
                         {"품  목  사  양", 154, false},
                         {"수량", 36, true},
                         {"단위", 32, false},
                         {"단    가", 63, true},
                         {"공 급 가 액", 102, true},
                         {"부가세액", 79, true}});
}

} // namespace viewer
