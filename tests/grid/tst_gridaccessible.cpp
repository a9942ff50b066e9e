// The grid as assistive technology reads it through Qt's accessibility interfaces: a table of
// the body rows, headed by the columns' captions, whose cells say what they show, following the
// rows and the current cell.
#include "tests/grid/ViewerGrids.h"
#include "text/Cp949.h"

#include <QAccessible>
#include <QApplication>
#include <QtTest/QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

using namespace grid;

namespace {

// What the grid told assistive technology: each event's kind and child.
struct Heard
{
    QAccessible::Event type;
    int child;
};
std::vector<Heard> heard;

void listen(QAccessibleEvent* event)
{
    heard.push_back({event->type(), event->child()});
}

class GridAccessible : public ::testing::Test
{
protected:
    void SetUp() override
    {
        viewergrids::configureLikeImVarGrid1(grid);
        grid.show();
        QApplication::setActiveWindow(&grid);
        grid.setFocus();
    }
    TImVarGrid grid;
};

} // namespace

TEST_F(GridAccessible, IsATableOfItsBodyRowsHeadedByTheCaptions)
{
    viewergrids::appendRow(grid, {"2026-12-06", "1"});
    viewergrids::appendRow(grid, {"2026-12-11", "2"});
    QCoreApplication::processEvents();
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&grid);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->role(), QAccessible::Table);
    QAccessibleTableInterface* t = table->tableInterface();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->rowCount(), 2);
    EXPECT_EQ(t->columnCount(), 2);
    EXPECT_EQ(t->columnDescription(0), QString::fromUtf8("거래일자"));
    EXPECT_EQ(t->columnDescription(1), u"NO"_qs);
    EXPECT_EQ(table->childCount(), 4);

    QAccessibleInterface* cell = t->cellAt(1, 0);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->role(), QAccessible::Cell);
    EXPECT_EQ(cell->text(QAccessible::Name), u"2026-12-11"_qs);
    EXPECT_EQ(cell->parent(), table);
    EXPECT_EQ(table->indexOfChild(cell), 2);
    EXPECT_EQ(table->child(2), cell);
    QAccessibleTableCellInterface* c = cell->tableCellInterface();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->rowIndex(), 1);
    EXPECT_EQ(c->columnIndex(), 0);
    const QList<QAccessibleInterface*> headers = c->columnHeaderCells();
    ASSERT_EQ(headers.size(), 1);
    EXPECT_EQ(headers[0]->role(), QAccessible::ColumnHeader);
    EXPECT_EQ(headers[0]->text(QAccessible::Name), QString::fromUtf8("거래일자"));
    // Where the cell is on the screen.
    EXPECT_TRUE(cell->rect().isValid());
    EXPECT_EQ(table->childAt(cell->rect().center().x(), cell->rect().center().y()), cell);

    // The first row is current and selected; the focus is on its first cell.
    EXPECT_EQ(t->selectedRows(), QList<int>{0});
    EXPECT_TRUE(t->cellAt(0, 0)->state().focused);
    EXPECT_TRUE(t->cellAt(0, 1)->tableCellInterface()->isSelected());
    EXPECT_FALSE(cell->tableCellInterface()->isSelected());
}

TEST_F(GridAccessible, FollowsTheRowsAndTheCurrentCell)
{
    viewergrids::appendRow(grid, {"2026-12-06", "1"});
    QCoreApplication::processEvents();
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&grid);
    QAccessibleTableInterface* t = table->tableInterface();
    EXPECT_EQ(t->rowCount(), 1);
    viewergrids::appendRow(grid, {"2026-12-11", "2"});
    QCoreApplication::processEvents();
    EXPECT_EQ(t->rowCount(), 2);
    EXPECT_EQ(t->cellAt(1, 1)->text(QAccessible::Name), u"2"_qs);

    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_EQ(t->selectedRows(), QList<int>{1});
    const QAccessibleInterface* focused = table->focusChild();
    ASSERT_NE(focused, nullptr);
    EXPECT_EQ(focused->text(QAccessible::Name), u"2026-12-11"_qs);

    // A row chosen through the interface becomes the grid's current row, as a click makes it,
    // once the request has returned.
    EXPECT_TRUE(t->selectRow(0));
    EXPECT_EQ(grid.Row(), 2) << "not inside the request";
    QCoreApplication::processEvents();
    EXPECT_EQ(grid.Row(), 1);
    EXPECT_EQ(t->selectedRows(), QList<int>{0});
    // A row gone before the choice comes is not chosen.
    EXPECT_TRUE(t->selectRow(1));
    grid.setDataRowCount(1);
    QCoreApplication::processEvents();
    EXPECT_EQ(grid.Row(), 1);

    grid.setDataRowCount(0);
    QCoreApplication::processEvents();
    EXPECT_EQ(t->rowCount(), 0);
    EXPECT_EQ(table->childCount(), 0);
}

// With a bridge to assistive technology (tests/support/in-a11y-session), the grid tells where
// the current cell moves and when rows come, so a screen reader reads the new cell.
TEST_F(GridAccessible, TellsWhereTheCurrentCellMovesAndWhenRowsCome)
{
    const bool bridge = qEnvironmentVariableIsSet("MIROLA_A11Y_BRIDGE");
    if (!QTest::qWaitFor([] { return QAccessible::isActive(); }, bridge ? 5000 : 0)) {
        if (bridge)
            FAIL() << "the accessibility bridge did not come up";
        GTEST_SKIP() << "no accessibility bridge on this platform";
    }
    const auto told = [](QAccessible::Event type, int child) {
        return std::any_of(heard.begin(), heard.end(),
                           [&](const Heard& h) { return h.type == type && h.child == child; });
    };
    QAccessible::installUpdateHandler(listen);
    viewergrids::appendRow(grid, {"2026-12-06", "1"});
    viewergrids::appendRow(grid, {"2026-12-11", "2"});
    QCoreApplication::processEvents();
    EXPECT_TRUE(told(QAccessible::TableModelChanged, -1)) << "the rows that came";
    heard.clear();
    QTest::keyClick(&grid, Qt::Key_Down);
    QAccessible::installUpdateHandler(nullptr);
    EXPECT_TRUE(told(QAccessible::Focus, 2)) << "the first cell of the second row";
    EXPECT_TRUE(told(QAccessible::Selection, 2));
}
