// Axis arithmetic without a widget: sizes, running positions, layout, cell at point, the
// first visible cell's range and the scroll bar numbers.
#include "grid/EInvalidGridOperation.h"
#include "grid/TImAxisItem.h"
#include "grid/TImGridAxisInfo.h"

#include <gtest/gtest.h>

using namespace grid;

namespace {

// The trading-date grid's columns: 65 and 35 pixels, no fixed column.
void makeDateColumns(TImHorzItem& h)
{
    h.FixedLeft().setCount(0);
    h.setCellCount(2);
    h.readCellSizes("(0, 65, 1, 35)");
}

// A header row and `rows` body rows of 20 pixels, in a client `extent` pixels high.
void makeRows(TImVertItem& v, int rows, int extent)
{
    v.setCellCount(1 + rows);
    v.setClientExtent(extent);
}

} // namespace

TEST(AxisSizes, CellSizesFormDataSetsColumnWidths)
{
    TImHorzItem h;
    makeDateColumns(h);
    EXPECT_EQ(h.CellSize(0), 65);
    EXPECT_EQ(h.CellSize(1), 35);
    EXPECT_EQ(h.CellPosition(0), 0);
    EXPECT_EQ(h.CellPosition(1), 66);
    EXPECT_EQ(h.CellPosition(2), 102); // 65 + 1 + 35 + 1
    EXPECT_EQ(h.writeCellSizes(), "(0, 65, 1, 35)");
}

TEST(AxisSizes, CellSizesPairsAfterAnIndexOutsideTheAxisAreIgnored)
{
    struct Row
    {
        const char* name;
        const char* text;
        int col0;
        int col1;
    };
    const std::vector<Row> rows = {
        {"index beyond the axis stops the reading", "(0, 65, 9, 10, 1, 35)", 65, 60},
        {"index below -1 stops the reading", "(-2, 5, 1, 35)", 60, 60},
        {"single number left at the end", "(0, 65, 1)", 65, 60},
        {"not a number stops the reading", "(0, 65, x, 1, 35)", 65, 60},
        {"empty list", "()", 60, 60},
        {"size below -1 is raised to -1", "(1, -7)", 60, -1},
    };
    for (const Row& row : rows) {
        TImHorzItem h;
        h.FixedLeft().setCount(0);
        h.setCellCount(2);
        h.readCellSizes(row.text);
        EXPECT_EQ(h.CellSize(0), row.col0) << row.name;
        EXPECT_EQ(h.CellSize(1), row.col1) << row.name;
    }
}

TEST(AxisSizes, HiddenCellTakesNoSpaceAndNoLine)
{
    TImVertItem v;
    makeRows(v, 5, 200);
    EXPECT_EQ(v.CellPosition(4), 84);
    v.setCellSize(2, -1);
    EXPECT_EQ(v.CellPosition(2), 42);
    EXPECT_EQ(v.CellPosition(3), 42);
    EXPECT_EQ(v.CellPosition(4), 63); // back by 20 + 1
    EXPECT_EQ(v.cellSpan(2), std::nullopt);
}

TEST(AxisSizes, NewRowsTakeTheDefaultSizeAndOldSizesStay)
{
    TImVertItem v;
    makeRows(v, 3, 200);
    v.setCellSize(3, 30);
    v.setCellCount(5);
    EXPECT_EQ(v.CellSize(3), 30);
    EXPECT_EQ(v.CellSize(4), 20);
    EXPECT_EQ(v.CellSize(5), -1); // the trailing indicator moved with the end
    EXPECT_EQ(v.CellPosition(5), 21 + 21 + 21 + 31 + 21);
    v.setCellCount(3); // rows removed from the middle lose their sizes
    v.setCellCount(5);
    EXPECT_EQ(v.CellSize(3), 20);
}

TEST(AxisSizes, TrailingStripKeepsItsSizesAtTheEnd)
{
    TImVertItem v;
    v.FixedBottom().setCount(1);
    v.setCellSize(4, 15);
    v.setCellCount(7);
    EXPECT_EQ(v.CellSize(6), 15);
    EXPECT_EQ(v.CellSize(4), 20);
}

TEST(AxisSizes, DefaultSizesApplyToTheirCells)
{
    TImVertItem v;
    makeRows(v, 3, 200);
    v.setCellSize(2, 33);
    v.setDefaultCellSize(25); // every scrolled cell, the one sized before too
    EXPECT_EQ(v.CellSize(0), 20);
    EXPECT_EQ(v.CellSize(2), 25);
    EXPECT_EQ(v.CellPosition(4), 21 + 3 * 26);
    v.FixedTop().setDefaultSize(30);
    EXPECT_EQ(v.CellSize(0), 30);
    EXPECT_EQ(v.CellPosition(4), 31 + 3 * 26);
}

TEST(AxisSizes, IndexErrorsCarryTheMessages)
{
    TImVertItem v;
    const auto message = [](auto&& call) {
        try {
            call();
        } catch (const EInvalidGridOperation& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message([&] { v.CellSize(-2); }),
              "Grid index out of range\rInternalGetCellSizes : -2/5");
    EXPECT_EQ(message([&] { v.CellSize(7); }),
              "Grid index out of range\rInternalGetCellSizes : 7/5");
    EXPECT_EQ(message([&] { v.setCellSize(6, 10); }),
              "Grid index out of range\rInternalSetCellSizes : 6/5");
    EXPECT_EQ(message([&] { v.CellPosition(7); }),
              "Grid index out of range\rInternalGetCellSums : 7/5");
    EXPECT_EQ(message([&] { v.CellSize(6); }), "no error"); // the spare entry
}

TEST(AxisCounts, CountBelowTheMinimumIsIgnored)
{
    TImVertItem v;
    v.setMinDataCell(2);
    EXPECT_FALSE(v.setCellCount(2)); // one row between the strips
    EXPECT_EQ(v.CellCount(), 5);
    EXPECT_TRUE(v.setCellCount(3));
    EXPECT_FALSE(v.setCellCount(3));
}

TEST(AxisCounts, LeadingStripMovesTheFirstCellAndRaisesTheCount)
{
    TImVertItem v;
    int leadingChanges = 0;
    v.setOnChanged(
        [&](TImAxisItem::Change c) { leadingChanges += c == TImAxisItem::Change::LeadingCount; });
    v.setFirstCell(3);
    v.FixedTop().setCount(2);
    EXPECT_EQ(v.FirstCell(), 2);
    EXPECT_EQ(leadingChanges, 1);
    v.FixedTop().setCount(7);
    EXPECT_EQ(v.CellCount(), 7);
    v.FixedTop().setCount(-4);
    EXPECT_EQ(v.FixedTop().Count(), 0);
}

TEST(AxisLayout, RowsOfTheDateGrid)
{
    TImVertItem v;
    makeRows(v, 30, 200);
    const AxisLayout& l = v.layout();
    EXPECT_EQ(l.fixedBoundary, 21);
    EXPECT_EQ(l.scrollEnd, 200);
    EXPECT_EQ(l.lastFullVisible, 8); // 8 × 21 = 168 of 179 pixels
    EXPECT_EQ(l.lastDrawn, 9);
    EXPECT_EQ(l.drawnEnd, 210);
    EXPECT_EQ(v.VisibleCount(), 8);
    EXPECT_EQ(v.maxFirstCell(), 23);
    EXPECT_EQ(v.firstCellEndingWith(20), 13);
    ASSERT_TRUE(v.cellSpan(3).has_value());
    EXPECT_EQ(v.cellSpan(3)->start, 63);
    EXPECT_EQ(v.cellSpan(3)->size, 20);
    EXPECT_EQ(v.cellSpan(10), std::nullopt); // below the client area

    v.setFirstCell(5);
    EXPECT_EQ(v.cellSpan(5)->start, 21);
    EXPECT_EQ(v.cellSpan(4), std::nullopt);
    EXPECT_EQ(v.cellSpan(0)->start, 0); // the header stays
}

TEST(AxisLayout, FirstCellIsClampedToItsRange)
{
    TImVertItem v;
    makeRows(v, 30, 200);
    EXPECT_EQ(v.clampFirstCell(0), 1);
    EXPECT_EQ(v.clampFirstCell(40), 23);
    makeRows(v, 3, 200); // everything fits
    EXPECT_EQ(v.maxFirstCell(), 1);
    EXPECT_EQ(v.clampFirstCell(3), 1);
    makeRows(v, 0, 200);
    EXPECT_EQ(v.clampFirstCell(3), 1);
}

TEST(AxisLayout, CellAtPoint)
{
    struct Row
    {
        const char* name;
        int rows;
        int firstCell;
        int y;
        int expected;
    };
    const std::vector<Row> rows = {
        {"above the client area", 30, 1, -1, -1},
        {"header row", 30, 1, 5, 0},
        {"header's grid line", 30, 1, 20, 0},
        {"first body row", 30, 1, 21, 1},
        {"first body row's grid line", 30, 1, 41, 1},
        {"second body row", 30, 1, 42, 2},
        {"partly visible row", 30, 1, 199, 9},
        {"at the client's end", 30, 1, 200, 31},
        {"scrolled view", 30, 5, 21, 5},
        {"empty area below the last row", 3, 1, 150, 3},
        {"just after the last row", 3, 1, 84, 3},
        {"no body rows: the header row", 0, 1, 100, 0},
    };
    for (const Row& row : rows) {
        TImVertItem v;
        makeRows(v, row.rows, 200);
        v.setFirstCell(row.firstCell);
        EXPECT_EQ(v.cellAt(row.y), row.expected) << row.name;
    }
}

TEST(AxisLayout, ColumnAtPointOfTheDateGrid)
{
    TImHorzItem h;
    makeDateColumns(h);
    h.setClientExtent(117);
    for (auto [x, col] : std::vector<std::pair<int, int>>{
             {0, 0}, {65, 0}, {66, 1}, {101, 1}, {102, 1}, {116, 1}, {117, 2}})
        EXPECT_EQ(h.cellAt(x), col) << "x " << x;
}

TEST(AxisScrollBar, PageAndPosition)
{
    TImVertItem v;
    makeRows(v, 30, 200);
    TImAxisItem::ScrollBarInfo bar = v.scrollBarInfo();
    EXPECT_TRUE(bar.visible);
    EXPECT_EQ(bar.page, 18620); // 65535 × 179 / 630, rounded
    EXPECT_EQ(bar.position, 0);
    v.setFirstCell(11);
    EXPECT_EQ(v.scrollBarInfo().position, 21845); // 65535 × 210 / 630
    v.setFirstCell(23);
    EXPECT_EQ(v.scrollBarInfo().position, 65536 - 18620); // never past the end
}

TEST(AxisScrollBar, HiddenWhenEverythingFits)
{
    struct Row
    {
        const char* name;
        int rows;
        TImScrollBar mode;
        bool visible;
    };
    const std::vector<Row> rows = {
        {"no body rows", 0, imsbNeeded, false},
        {"rows that fit", 8, imsbNeeded, false},
        {"one row too many", 9, imsbNeeded, true},
        {"always, rows that fit: shown disabled", 3, imsbAlways, true},
        {"none", 30, imsbNone, false},
    };
    for (const Row& row : rows) {
        TImVertItem v;
        v.setScrollBar(row.mode);
        makeRows(v, row.rows, 200);
        const TImAxisItem::ScrollBarInfo bar = v.scrollBarInfo();
        EXPECT_EQ(bar.visible, row.visible) << row.name;
        if (row.mode == imsbAlways && row.rows == 3) {
            EXPECT_FALSE(bar.enabled) << row.name;
        }
    }
}

TEST(AxisScrollBar, OneRowTallerThanTheClientGetsABar)
{
    TImVertItem v;
    makeRows(v, 1, 200);
    v.setCellSize(1, 500);
    EXPECT_EQ(v.maxFirstCell(), 1);
    EXPECT_TRUE(v.scrollBarInfo().visible);
}

TEST(AxisScrollBar, ThumbPositionToFirstCell)
{
    struct Row
    {
        const char* name;
        int position;
        int expected;
    };
    const std::vector<Row> rows = {
        {"top", 0, 1},
        {"start of a cell", 21845, 11},
        {"less than half a row on", 21845 + 1100, 11}, // 10 pixels
        {"more than half a row on", 21845 + 1145, 12}, // 11 pixels
        {"beyond the maximum first cell", 65535, 23},
        // 46916 alone would be nearest to cell 22, which leaves the last row cut off.
        {"thumb at the end of its track", 65536 - 18620, 23},
    };
    TImVertItem v;
    makeRows(v, 30, 200);
    for (const Row& row : rows)
        EXPECT_EQ(v.cellAtScrollPosition(row.position), row.expected) << row.name;
}

TEST(AxisInfo, FixedStripsByIndex)
{
    TImGridAxisInfo info;
    EXPECT_EQ(&info.Fixed(1), &info.Horizontal().FixedLeft());
    EXPECT_EQ(&info.Fixed(4), &info.Vertical().FixedBottom());
    EXPECT_THROW(info.Fixed(5), EInvalidGridOperation);
    EXPECT_EQ(info.FixedTop().BorderAttr().Color(), gfx::clBtnFace);
    EXPECT_EQ(info.FixedTop().BorderAttr().StyleOuter(), imbsRaised);
    EXPECT_EQ(info.NormalCell().BorderAttr().LineColor(), gfx::RGB(0x80, 0x80, 0x80));
    EXPECT_EQ(info.FixedTop().DefaultSize(), 20); // falls back to the axis's size
}

TEST(AxisScrollBar, ActionsToFirstCell)
{
    using A = TImAxisItem::ScrollAction;
    struct Row
    {
        const char* name;
        int firstCell;
        A action;
        int expected;
    };
    const std::vector<Row> rows = {
        {"line down", 5, A::LineDown, 6},
        {"line down past a hidden row", 2, A::LineDown, 4},
        {"line up at the top", 1, A::LineUp, 1},
        {"line up past a hidden row", 4, A::LineUp, 2},
        {"page down: last fully visible less first", 5, A::PageDown, 12},
        {"page down at the end", 23, A::PageDown, 23},
        {"page up: the page ending with the first cell", 12, A::PageUp, 5},
        {"page up near the top", 3, A::PageUp, 1},
        {"top", 9, A::Top, 1},
        {"bottom", 9, A::Bottom, 23},
    };
    for (const Row& row : rows) {
        TImVertItem v;
        makeRows(v, 30, 200);
        v.setCellSize(3, -1);
        v.setFirstCell(row.firstCell);
        EXPECT_EQ(v.firstCellFor(row.action), row.expected) << row.name;
    }
}
