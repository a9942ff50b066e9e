#include "grid/TImVarGridFormData.h"

#include "grid/TImVarGrid.h"

namespace grid {

void applyFormData(TImVarGrid& grid, const TImVarGridFormData& data)
{
    TImColColumnInfo& info = grid.ColumnInfo();
    info.Columns().setHeaderCount(data.headerCount);
    info.Columns().setBodyCount(data.bodyCount);
    info.Columns().setFooterCount(data.footerCount);
    for (const TImVarGridFormData::Column& c : data.columns) {
        TImColumn& column = info.Columns().Add();
        if (c.bodyAlignment)
            column.Body().CellAttr().setAlignment(*c.bodyAlignment);
        column.setCaptions(c.captions);
    }
    TImCellInfo& header = info.DefaultHeader();
    if (data.headerFontColor)
        header.CellAttr().setFontColor(*data.headerFontColor);
    if (data.headerParentFont)
        header.CellAttr().setParentFont(*data.headerParentFont);
    if (data.headerBorderColor)
        header.BorderAttr().setColor(*data.headerBorderColor);
    info.setRotateAxis(data.rotateAxis);
    grid.setDataColCount(data.dataColCount);
    grid.setDataRowCount(data.dataRowCount);
    TImHorzItem& h = grid.AxisInfo().Horizontal();
    h.setCellCount(data.horizontalCellCount);
    h.FixedLeft().setCount(data.fixedLeftCount);
    h.readCellSizes(data.horizontalCellSizes);
    grid.AxisInfo().Vertical().setCellCount(data.verticalCellCount);
    grid.setOptions(data.options);
}

} // namespace grid
