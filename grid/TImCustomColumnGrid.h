#pragma once

#include "grid/TImColColumnInfo.h"
#include "grid/TImColumnsOwner.h"
#include "grid/TImCustomGrid.h"

#include <functional>

namespace grid {

// A grid whose rows fall into header rows (the fixed top strip), body rows and footer rows
// (the fixed bottom strip), and whose cells are described by a column model. Only the column
// layout exists; footers work but nothing here uses them.
class TImCustomColumnGrid : public TImCustomGrid, public TImColumnsOwner
{
    Q_OBJECT

public:
    // Called while a cell is drawn, after the grid has put its own value into the holder;
    // columns and rows are in part coordinates.
    using TGetDataEvent = std::function<void(QObject* sender, int col, int row,
                                             TImCellDrawStates state, TImCellData& field)>;

    explicit TImCustomColumnGrid(QWidget* parent = nullptr);

    TImColColumnInfo& ColumnInfo() { return m_columnInfo; }
    TImColumns& Columns() { return m_columnInfo.Columns(); }
    const TImColumns& Columns() const { return m_columnInfo.Columns(); }

    int HeaderCount() const override { return vert().FixedTop().Count(); }
    void setHeaderCount(int count) override { vert().FixedTop().setCount(count); }
    int BodyCount() const override { return GridRowCount(); }
    void setBodyCount(int count) override { setGridRowCount(count); }
    int FooterCount() const override { return vert().FixedBottom().Count(); }
    void setFooterCount(int count) override { vert().FixedBottom().setCount(count); }
    int ColCount() const override { return TImCustomGrid::ColCount(); }
    int columnWidth(int col) const override { return horz().CellSize(col); }
    void setColumnWidth(int col, int size) override { horz().setCellSize(col, size); }
    void InvalidateGrid() override { TImCustomGrid::InvalidateGrid(); }

    // Which part a grid row belongs to; the strip it is drawn in decides first.
    CellPart cellPart(int row, GridRegion region) const;
    // The text cell (col, row) shows (cp949): the caption of a header, the value of a body or
    // footer cell as its description formats it.
    std::string ShownText(int col, int row);

    TGetDataEvent OnGetDataHeader;
    TGetDataEvent OnGetDataBody;
    TGetDataEvent OnGetDataFooter;

protected:
    // The column item's description for the part, or the part's default.
    TImCellInfo* CellDescription(int col, int row, GridRegion region) override;
    void DrawCell(gfx::Canvas& canvas, const CellPaint& cell) override;
    // Puts the value of body cell (col, row) into the holder, which is empty on entry.
    virtual void FetchBodyData(int bodyCol, int bodyRow, TImCellData& field);
    void currentCellChanged() override;
    void contentsChanged() override;

private:
    // Puts what cell (col, row) of `region` shows into its description's holder.
    TImCellInfo* fillField(int col, int row, GridRegion region, TImCellDrawStates state);

    TImColColumnInfo m_columnInfo;
};

} // namespace grid
