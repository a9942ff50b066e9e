// TImVarGrid's data side on the real widget: data coordinates, counts, the store kept across
// count changes, the column model's mapping and the form data.
#include "ViewerGrids.h"
#include "gfx/RecordingCanvas.h"
#include "grid/TImVarGrid.h"
#include "text/Cp949.h"

#include <QApplication>
#include <QStyle>
#include <gtest/gtest.h>

using namespace grid;
using namespace viewergrids;

namespace {

// The texts a full paint of the grid puts on the screen.
std::vector<std::string> paintedTexts(TImVarGrid& grid)
{
    gfx::RecordingCanvas canvas;
    const gfx::Size size = grid.clientSize();
    grid.PaintTo(canvas, {0, 0, std::max(size.cx, 1000), std::max(size.cy, 1000)});
    return canvas.texts();
}

bool shows(TImVarGrid& grid, const std::string& text)
{
    const auto texts = paintedTexts(grid);
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

} // namespace

TEST(TImVarGrid, NewGrid)
{
    TImVarGrid grid;
    EXPECT_EQ(grid.ColCount(), 5);
    EXPECT_EQ(grid.RowCount(), 5);
    EXPECT_EQ(grid.HeaderCount(), 1);
    EXPECT_EQ(grid.FooterCount(), 0);
    EXPECT_EQ(grid.DataRowCount(), 4);
    EXPECT_EQ(grid.Col(), 0);
    EXPECT_EQ(grid.Row(), 1);
    EXPECT_EQ(grid.LeftCol(), 0);
    EXPECT_EQ(grid.TopRow(), 1);
    EXPECT_EQ(grid.Columns().Count(), 0);
    for (int row = -2; row < 6; ++row)
        for (int col = -2; col < 6; ++col)
            EXPECT_TRUE(grid.GetDataCell(col, row).isEmpty()) << col << "," << row;
    EXPECT_EQ(grid.GetDataCell(0, 0).toString(), "");
}

TEST(TImVarGrid, FormDataOfTheDateGrid)
{
    TImVarGrid grid;
    configureLikeImVarGrid1(grid);
    EXPECT_EQ(grid.DataColCount(), 2);
    EXPECT_EQ(grid.DataRowCount(), 0);
    EXPECT_EQ(grid.RowCount(), 1);
    EXPECT_EQ(grid.Columns().Items(0).CellSize(), 65);
    EXPECT_EQ(grid.Columns().Items(1).CellSize(), 35);
    EXPECT_EQ(grid.Columns().Items(0).Caption(), text::cp949("거래일자"));
    EXPECT_EQ(grid.Row(), 1); // the form data does not move the current cell
    EXPECT_EQ(grid.Col(), 0);
    EXPECT_EQ(grid.Options(),
              TImGridOptions(imRangeSelect | imDrawFocusSelected | imRowSelect | imThumbTracking));

    // The header look comes from the strip above the default header.
    const TImCellInfo& header = grid.Columns().Items(0).Header();
    EXPECT_EQ(header.CellAttr().Alignment(), taLeftJustify);
    EXPECT_EQ(header.CellAttr().FontColor(), gfx::clYellow);
    EXPECT_EQ(header.CellAttr().FontName(), gfx::Font().name);
    EXPECT_EQ(header.BorderAttr().Color(), gfx::clTeal);
    EXPECT_EQ(header.BorderAttr().StyleOuter(), imbsRaised);
    EXPECT_EQ(header.BorderAttr().LineColor(), gfx::clBlack);
    EXPECT_EQ(grid.Columns().Items(1).Body().CellAttr().Alignment(), taRightJustify);
    EXPECT_EQ(grid.Columns().Items(0).Body().CellAttr().Alignment(), taLeftJustify);
}

TEST(TImVarGrid, DataCoordinatesSkipTheHeaderRow)
{
    TImVarGrid grid;
    grid.SetDataCell(1, 0, "v");
    EXPECT_EQ(grid.GetDataCell(1, 0), text::Variant("v"));
    EXPECT_TRUE(grid.GetDataCell(1, -1).isEmpty()); // the header cell's slot
    EXPECT_TRUE(grid.GetDataCell(-1, 0).isEmpty());
    grid.SetDataCell(1, 0, "w"); // the same item takes the new value
    EXPECT_EQ(grid.GetDataCell(1, 0), text::Variant("w"));
    EXPECT_EQ(grid.storedCellCount(), 1u);
}

TEST(TImVarGrid, ValueBelowTheLastRowShowsOnceTheRowsReachIt)
{
    TImVarGrid grid;
    configureLikeImVarGrid1(grid);
    grid.setDataRowCount(2);
    grid.SetDataCell(0, 5, "x");
    EXPECT_EQ(grid.DataRowCount(), 2);
    EXPECT_EQ(grid.GetDataCell(0, 5), text::Variant("x"));
    EXPECT_FALSE(shows(grid, "x"));
    grid.setDataRowCount(6);
    EXPECT_TRUE(shows(grid, "x"));
}

TEST(TImVarGrid, RemovedRowsKeepTheirValuesUnlessBlanked)
{
    TImVarGrid grid;
    configureLikeImVarGrid1(grid);
    for (const char* date : {"2004-03-01", "2004-03-02", "2004-03-03"})
        appendRow(grid, {date, "1"});
    grid.setDataRowCount(0);
    EXPECT_FALSE(shows(grid, "2004-03-02"));
    grid.setDataRowCount(3);
    EXPECT_TRUE(shows(grid, "2004-03-02"));

    for (int r = 0; r < grid.DataRowCount(); ++r)
        for (int c = 0; c < 2; ++c)
            grid.SetDataCell(c, r, std::string());
    grid.setDataRowCount(0);
    grid.setDataRowCount(3);
    EXPECT_EQ(grid.GetDataCell(0, 1), text::Variant(std::string()));
    EXPECT_FALSE(shows(grid, "2004-03-02"));
}

TEST(TImVarGrid, CountsWriteTheVerticalAxis)
{
    TImVarGrid grid;
    grid.setDataRowCount(7);
    EXPECT_EQ(grid.RowCount(), 8);
    EXPECT_EQ(grid.BodyCount(), 7);
    grid.ColumnInfo().setBodyCount(2);
    EXPECT_EQ(grid.DataRowCount(), 2);
    grid.setFooterCount(1);
    EXPECT_EQ(grid.RowCount(), 3); // enough for the strips: header and footer, body 1
    EXPECT_EQ(grid.BodyCount(), 1);
    grid.setDataColCount(9);
    EXPECT_EQ(grid.ColCount(), 9);
    grid.setDataRowCount(-1); // below the minimum
    EXPECT_EQ(grid.DataRowCount(), 1);
}

TEST(TImVarGrid, CountChangesDoNotMoveTheCurrentRow)
{
    TImVarGrid grid;
    configureLikeImVarGrid1(grid);
    for (int i = 0; i < 5; ++i)
        appendRow(grid, {"d", "1"});
    grid.SetRow(4);
    grid.setDataRowCount(0);
    EXPECT_EQ(grid.Row(), 4);
    grid.setDataRowCount(5);
    EXPECT_EQ(grid.Row(), 4);
}

TEST(TImVarGrid, ColumnItemsMapToGridColumnsAndTheRestUseTheDefaults)
{
    TImVarGrid grid;
    configureLikeImVarGrid2(grid);
    grid.setDataColCount(8); // one grid column more than items
    const auto texts = paintedTexts(grid);
    for (int i = 0; i < 7; ++i)
        EXPECT_NE(std::find(texts.begin(), texts.end(), grid.Columns().Items(i).Caption()),
                  texts.end())
            << "caption of column " << i;
    EXPECT_EQ(texts.size(), 7u); // column 7 shows no caption
}

TEST(TImVarGrid, ColumnWithoutCaptionsShowsAnEmptyHeader)
{
    TImVarGrid grid;
    grid.Columns().Add();
    grid.setDataRowCount(0);
    EXPECT_TRUE(paintedTexts(grid).empty());
    EXPECT_EQ(grid.Columns().Items(0).Captions(), std::vector<std::string>{""});
}

TEST(TImVarGrid, DataHooksMayChangeTheValueShown)
{
    TImVarGrid grid;
    configureLikeImVarGrid1(grid);
    appendRow(grid, {"2004-03-01", "7"});
    std::vector<std::pair<int, int>> asked;
    grid.OnGetDataBody = [&](QObject*, int col, int row, TImCellDrawStates, TImCellData& field) {
        asked.emplace_back(col, row);
        if (col == 1)
            field.setString("#" + field.DisplayText());
    };
    EXPECT_TRUE(shows(grid, "#7"));
    EXPECT_NE(std::find(asked.begin(), asked.end(), std::make_pair(1, 0)), asked.end());
}

// A count change is laid out late, once for a batch of rows; whatever reads the geometry right
// after it (visible rows, first row, a cell's rectangle) must see it laid out, scroll bars
// included: a vertical bar takes width, which can call for a horizontal bar, which takes a row.
TEST(TImVarGrid, GeometryReadRightAfterACountChangeIsLaidOut)
{
    struct Case
    {
        int width;
        int rows;
        bool hBar; // the columns no longer fit beside the vertical bar
    };
    // The columns need 567 pixels with their lines; the client is 4 pixels narrower than the
    // grid.
    for (const Case c : {Case{607, 3, false}, Case{607, 1000, false}, Case{580, 3, false},
                         Case{580, 1000, true}}) {
        SCOPED_TRACE(testing::Message() << c.width << " wide, " << c.rows << " rows");
        TImVarGrid grid;
        configureLikeImVarGrid2(grid);
        grid.resize(c.width, 343);
        ASSERT_EQ(grid.VisibleRowCount(), grid.DataRowCount()); // laid out before the change
        grid.setDataRowCount(c.rows);

        const int visible = grid.VisibleRowCount();
        const TImVertItem& v = grid.vert();
        const int bar = grid.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &grid);
        const int clientHeight = grid.contentsRect().height() - (c.hBar ? bar : 0);
        const int header = v.CellSize(0) + v.GridLineSize();
        const int row = v.CellSize(1) + v.GridLineSize();
        EXPECT_EQ(visible, std::min(c.rows, (clientHeight - header) / row));
        EXPECT_EQ(grid.clientSize().cy, clientHeight);
        // The last whole row (the header is row 0); the one below it may show in part.
        EXPECT_FALSE(grid.CellRect(0, visible).isEmpty());
        EXPECT_TRUE(grid.CellRect(0, visible + 2).isEmpty());
    }
}

TEST(TImVarGrid, FirstRowReadRightAfterRowsAreRemovedIsClamped)
{
    TImVarGrid grid;
    configureLikeImVarGrid2(grid);
    grid.setDataRowCount(1000);
    grid.setTopRow(900);
    ASSERT_EQ(grid.TopRow(), 900);
    grid.setDataRowCount(5);
    EXPECT_EQ(grid.TopRow(), 1); // every row fits: the first body row is at the top
    EXPECT_EQ(grid.VisibleRowCount(), 5);
}
