#include "ViewerGrids.h"

#include "grid/TImVarGridFormData.h"
#include "text/Cp949.h"

using namespace grid;

namespace viewergrids {

namespace {

TImVarGridFormData common()
{
    TImVarGridFormData data;
    data.headerCount = 1;
    data.bodyCount = 0;
    data.footerCount = 0;
    data.headerFontColor = gfx::clYellow;
    data.headerParentFont = false;
    data.headerBorderColor = gfx::clTeal;
    data.rotateAxis = false;
    data.dataRowCount = 0;
    data.fixedLeftCount = 0;
    data.verticalCellCount = 1;
    data.options = imRangeSelect | imDrawFocusSelected | imRowSelect | imThumbTracking;
    return data;
}

TImVarGridFormData::Column column(const char* caption, std::optional<TAlignment> align = {})
{
    return {{text::cp949(caption)}, align};
}

} // namespace

void configureLikeImVarGrid1(TImVarGrid& grid)
{
    TImVarGridFormData data = common();
    data.columns = {column("거래일자"), column("NO", taRightJustify)};
    data.dataColCount = 2;
    data.horizontalCellCount = 2;
    data.horizontalCellSizes = "(0, 65, 1, 35)";
    applyFormData(grid, data);
    grid.resize(121, 504);
}

void configureLikeImVarGrid2(TImVarGrid& grid)
{
    TImVarGridFormData data = common();
    data.columns = {column("거래품목"),
                    column("품  목  사  양"),
                    column("수량", taRightJustify),
                    column("단위"),
                    column("단    가", taRightJustify),
                    column("공 급 가 액", taRightJustify),
                    column("부가세액", taRightJustify)};
    data.dataColCount = 7;
    data.horizontalCellCount = 7;
    data.horizontalCellSizes = "(0, 94, 1, 154, 2, 36, 3, 32, 4, 63, 5, 102, 6, 79)";
    applyFormData(grid, data);
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
