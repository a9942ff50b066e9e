// Where the cursor keys take the current cell and the view, without a widget.
#include "grid/GridNavigation.h"
#include "grid/TImAxisItem.h"

#include <gtest/gtest.h>

using namespace grid;

TEST(SelectableRange, ClampAndStep)
{
    const SelectableRange range{0, 1, 1, 30};
    EXPECT_EQ(range.clamp({5, 0}), (GridCoord{1, 1}));
    EXPECT_EQ(range.clamp({-1, 40}), (GridCoord{0, 30}));
    EXPECT_EQ(range.step({0, 30}, StepDirection::Down), (GridCoord{0, 30}));
    EXPECT_EQ(range.step({0, 1}, StepDirection::Up), (GridCoord{0, 1}));
    EXPECT_EQ(range.step({0, 5}, StepDirection::Right), (GridCoord{1, 5}));
    const SelectableRange noRows{0, 1, 1, 0};
    EXPECT_EQ(noRows.clamp({0, 3}), (GridCoord{0, 1})); // the lower bound wins
    EXPECT_FALSE(noRows.contains({0, 1}));
}

TEST(KeyMove, Table)
{
    using K = NavigationKey;
    struct Row
    {
        const char* name;
        K key;
        bool ctrl;
        GridCoord current;
        GridCoord cell;
        int topRow;
        StepDirection direction;
    };
    // 30 body rows in a view with rows 5 to 12 fully visible (TopRow 5).
    const std::vector<Row> rows = {
        {"down", K::Down, false, {0, 6}, {0, 7}, 5, StepDirection::Down},
        {"down on the last row", K::Down, false, {0, 30}, {0, 30}, 5, StepDirection::Down},
        {"ctrl+down moves the view", K::Down, true, {0, 6}, {0, 6}, 6, StepDirection::Down},
        {"up on the first row", K::Up, false, {0, 1}, {0, 1}, 5, StepDirection::Up},
        {"page down", K::PageDown, false, {0, 6}, {0, 13}, 12, StepDirection::Down},
        {"ctrl+page down: last visible row",
         K::PageDown,
         true,
         {0, 6},
         {0, 12},
         5,
         StepDirection::Down},
        {"page up", K::PageUp, false, {0, 6}, {0, -1}, -2, StepDirection::Up},
        {"ctrl+page up: the top row", K::PageUp, true, {0, 9}, {0, 5}, 5, StepDirection::Up},
        {"home", K::Home, false, {1, 9}, {0, 9}, 5, StepDirection::Right},
        {"ctrl+end", K::End, true, {0, 9}, {1, 30}, 5, StepDirection::Left},
    };
    TImHorzItem h;
    h.FixedLeft().setCount(0);
    h.setCellCount(2);
    h.setClientExtent(200);
    TImVertItem v;
    v.setCellCount(31);
    v.setClientExtent(200);
    v.setFirstCell(5);
    const SelectableRange range{0, 1, 1, 30};
    for (const Row& row : rows) {
        const KeyMove m = keyMove(row.key, row.ctrl, row.current, range, h, v);
        EXPECT_EQ(m.cell, row.cell) << row.name;
        EXPECT_EQ(m.topRow, row.topRow) << row.name;
        EXPECT_EQ(m.direction, row.direction) << row.name;
    }
}
