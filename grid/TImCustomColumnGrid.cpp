#include "grid/TImCustomColumnGrid.h"

#include "grid/GridAccessible.h"

#include <QAccessible>

namespace grid {

TImCustomColumnGrid::TImCustomColumnGrid(QWidget* parent)
    : TImCustomGrid(parent), m_columnInfo(*this)
{
    // No fixed column: the current cell and the anchor start in column 0.
    horz().FixedLeft().setCount(0);
    TImColumns& columns = m_columnInfo.Columns();
    columns.DefaultHeader().setParent(&vert().FixedTop().Cell());
    columns.DefaultFooter().setParent(&vert().FixedBottom().Cell());
    // Assistive technology sees a table of the cells, not an empty area.
    static const bool tableForAssistiveTechnology =
        (QAccessible::installFactory(gridAccessibleFactory), true);
    (void)tableForAssistiveTechnology;
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

void TImCustomColumnGrid::currentCellChanged()
{
    notifyCurrentCell(*this);
}

void TImCustomColumnGrid::contentsChanged()
{
    notifyContentsChanged(*this);
}

TImCellInfo* TImCustomColumnGrid::fillField(int col, int row, GridRegion region,
                                            TImCellDrawStates state)
{
    TImCellInfo* info = CellDescription(col, row, region);
    TImCellData& field = info->Field();
    switch (cellPart(row, region)) {
    case CellPart::Header:
        // The caption replaces the holder's value; a column without an item leaves it as is.
        if (const TImColumn* item = Columns().item(col))
            field.setString(item->Captions()[size_t(row)]);
        if (const TGetDataEvent handler = OnGetDataHeader)
            handler(this, col, row, state, field);
        break;
    case CellPart::Body: {
        const int bodyRow = row - HeaderCount();
        field.Clear();
        FetchBodyData(col, bodyRow, field);
        if (const TGetDataEvent handler = OnGetDataBody)
            handler(this, col, bodyRow, state, field);
        break;
    }
    case CellPart::Footer:
        if (const TGetDataEvent handler = OnGetDataFooter)
            handler(this, col, row - HeaderCount() - BodyCount(), state, field);
        break;
    }
    return info;
}

void TImCustomColumnGrid::DrawCell(gfx::Canvas& canvas, const CellPaint& cell)
{
    TImCellInfo* info = fillField(cell.col, cell.row, cell.region, cell.state);
    PrepareCanvas(canvas, info, cell.state);
    DefaultDrawCell(canvas, cell.rect, info, cell.state);
}

std::string TImCustomColumnGrid::ShownText(int col, int row)
{
    if (col < 0 || col >= ColCount() || row < 0 ||
        row >= HeaderCount() + BodyCount() + FooterCount())
        return {};
    const GridRegion region = row < HeaderCount()                 ? GridRegion::FixedTop
                              : row < HeaderCount() + BodyCount() ? GridRegion::Scrolled
                                                                  : GridRegion::FixedBottom;
    return fillField(col, row, region, 0)->Field().DisplayText();
}

} // namespace grid
