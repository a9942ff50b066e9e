#include "grid/TImCustomColumnGrid.h"

namespace grid {

TImCustomColumnGrid::TImCustomColumnGrid(QWidget* parent)
    : TImCustomGrid(parent), m_columnInfo(*this)
{
    // No fixed column: the current cell and the anchor start in column 0.
    horz().FixedLeft().setCount(0);
    TImColumns& columns = m_columnInfo.Columns();
    columns.DefaultHeader().setParent(&vert().FixedTop().Cell());
    columns.DefaultFooter().setParent(&vert().FixedBottom().Cell());
}

CellPart TImCustomColumnGrid::cellPart(int row, GridRegion region) const
{
    if (region == GridRegion::FixedTop)
        return CellPart::Header;
    if (region == GridRegion::FixedBottom)
        return CellPart::Footer;
    if (row < HeaderCount())
        return CellPart::Header;
    if (row >= HeaderCount() + BodyCount())
        return CellPart::Footer;
    return CellPart::Body;
}

TImCellInfo* TImCustomColumnGrid::CellDescription(int col, int row, GridRegion region)
{
    TImColumns& columns = m_columnInfo.Columns();
    TImColumn* item = columns.item(col);
    switch (cellPart(row, region)) {
    case CellPart::Header:
        return item ? &item->Header() : &columns.DefaultHeader();
    case CellPart::Body:
        return item ? &item->Body() : &columns.DefaultBody();
    case CellPart::Footer:
        return item ? &item->Footer() : &columns.DefaultFooter();
    }
    return nullptr;
}

void TImCustomColumnGrid::FetchBodyData(int, int, TImCellData&) {}

void TImCustomColumnGrid::DrawCell(gfx::Canvas& canvas, const CellPaint& cell)
{
    TImCellInfo* info = CellDescription(cell.col, cell.row, cell.region);
    TImCellData& field = info->Field();
    switch (cellPart(cell.row, cell.region)) {
    case CellPart::Header:
        // The caption replaces the holder's value; a column without an item leaves it as is.
        if (const TImColumn* item = Columns().item(cell.col))
            field.setString(item->Captions()[size_t(cell.row)]);
        if (const TGetDataEvent handler = OnGetDataHeader)
            handler(this, cell.col, cell.row, cell.state, field);
        break;
    case CellPart::Body: {
        const int bodyRow = cell.row - HeaderCount();
        field.Clear();
        FetchBodyData(cell.col, bodyRow, field);
        if (const TGetDataEvent handler = OnGetDataBody)
            handler(this, cell.col, bodyRow, cell.state, field);
        break;
    }
    case CellPart::Footer:
        if (const TGetDataEvent handler = OnGetDataFooter)
            handler(this, cell.col, cell.row - HeaderCount() - BodyCount(), cell.state, field);
        break;
    }
    PrepareCanvas(canvas, info, cell.state);
    DefaultDrawCell(canvas, cell.rect, info, cell.state);
}

} // namespace grid
