// The grid under real input events on the offscreen platform: clicks, keys, the wheel, drags,
// scroll bars, focus, SetRow and when OnClick fires.
#include "ViewerGrids.h"
#include "grid/TImVarGrid.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QPaintEvent>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace grid;
using namespace viewergrids;

namespace {

constexpr int rowHeight = 21; // 20 and the grid line

// A form with an edit and the date grid, shown and active; OnClick records Row at each call.
class GridInput : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto* layout = new QVBoxLayout(&form);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        edit = new QLineEdit(&form);
        grid = new TImVarGrid(&form);
        configureLikeImVarGrid1(*grid);
        layout->addWidget(edit);
        layout->addWidget(grid);
        form.resize(121, 504 + edit->sizeHint().height());
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        edit->setFocus();
        grid->OnClick = [this](QObject* sender) {
            EXPECT_EQ(sender, grid);
            clicks.push_back(grid->Row());
        };
    }

    void addRows(int n)
    {
        for (int i = 0; i < n; ++i)
            appendRow(*grid, {"2004-03-" + std::to_string(1 + i % 28), std::to_string(i + 1)});
    }
    // The middle of grid row `row` while the first body row is at the top.
    static QPoint rowPoint(int row) { return QPoint(30, row * rowHeight + 10); }
    QWidget* client() const { return grid->viewport(); }
    void click(QPoint p, Qt::KeyboardModifiers mods = {})
    {
        QTest::mouseClick(client(), Qt::LeftButton, mods, p);
    }
    void key(int k, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(grid, Qt::Key(k), mods); }
    void wheel(int delta, Qt::KeyboardModifiers mods = {})
    {
        const QPointF at(30, 100);
        QWheelEvent e(at, client()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, mods,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(client(), &e);
    }
    std::pair<int, int> selectedRows() const
    {
        const GridRange s = grid->Selection();
        return {s.top, s.bottom};
    }

    QWidget form;
    QLineEdit* edit = nullptr;
    TImVarGrid* grid = nullptr;
    std::vector<int> clicks;
};

} // namespace

TEST_F(GridInput, ClickOnABodyRowMakesItCurrentBeforeOnClick)
{
    addRows(5);
    click(rowPoint(3));
    EXPECT_EQ(clicks, std::vector<int>{3}); // the viewer reads data row 2
    EXPECT_EQ(grid->Row(), 3);
    EXPECT_TRUE(grid->hasFocus());
    EXPECT_EQ(selectedRows(), std::make_pair(3, 3));
}

TEST_F(GridInput, ClickOnTheCurrentRowFiresAgain)
{
    addRows(5);
    click(rowPoint(2));
    click(rowPoint(2));
    EXPECT_EQ(clicks, (std::vector<int>{2, 2}));
}

TEST_F(GridInput, ClickOnTheHeaderOrAnEmptyGridOnlyTakesTheFocus)
{
    click(rowPoint(2)); // no body rows
    EXPECT_TRUE(clicks.empty());
    EXPECT_TRUE(grid->hasFocus());
    edit->setFocus();
    addRows(3);
    click(rowPoint(0)); // the header row
    EXPECT_TRUE(clicks.empty());
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_TRUE(grid->hasFocus());
}

TEST_F(GridInput, ClickBelowTheLastRowLandsOnIt)
{
    addRows(4);
    click(QPoint(30, 300));
    EXPECT_EQ(clicks, std::vector<int>{4});
    click(QPoint(110, 30)); // right of the last column: that column, the first row
    EXPECT_EQ(clicks, (std::vector<int>{4, 1}));
}

TEST_F(GridInput, DownMovesAndFiresExceptOnTheLastRow)
{
    addRows(3);
    grid->setFocus();
    key(Qt::Key_Down);
    EXPECT_EQ(clicks, std::vector<int>{2});
    key(Qt::Key_Down);
    key(Qt::Key_Down); // on the last body row: nothing
    EXPECT_EQ(clicks, (std::vector<int>{2, 3}));
    EXPECT_EQ(grid->Row(), 3);
    key(Qt::Key_Up);
    EXPECT_EQ(grid->Row(), 2);
}

TEST_F(GridInput, KeysByPageAndToTheEnds)
{
    addRows(60);
    grid->setFocus();
    const int page = grid->VisibleRowCount() - 1; // last fully visible row minus TopRow
    key(Qt::Key_PageDown);
    EXPECT_EQ(grid->Row(), 1 + page);
    EXPECT_EQ(grid->TopRow(), 1 + page);
    key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid->Row(), 60);
    EXPECT_EQ(grid->TopRow(), grid->AxisInfo().Vertical().maxFirstCell());
    key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_EQ(grid->TopRow(), 1);
    key(Qt::Key_Down, Qt::ControlModifier); // the view only
    EXPECT_EQ(grid->TopRow(), 2);
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_EQ(clicks, (std::vector<int>{1 + page, 60, 1}));
}

TEST_F(GridInput, ShiftWithAKeyExtendsTheSelection)
{
    addRows(5);
    grid->setFocus();
    key(Qt::Key_Down, Qt::ShiftModifier);
    key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(grid->Row(), 3);
    EXPECT_EQ(selectedRows(), std::make_pair(1, 3));
}

TEST_F(GridInput, ShiftClickSelectsTheRowsBetweenAndKeepsTheRow)
{
    addRows(6);
    click(rowPoint(2));
    click(rowPoint(5), Qt::ShiftModifier);
    EXPECT_EQ(grid->Row(), 2);
    EXPECT_EQ(selectedRows(), std::make_pair(2, 5));
    EXPECT_EQ(clicks, (std::vector<int>{2, 2}));
}

TEST_F(GridInput, DoubleClickFiresOneClickAndOneDoubleClick)
{
    addRows(5);
    int doubleClicks = 0;
    grid->OnDblClick = [&](QObject*) { ++doubleClicks; };
    // Through the window, as the platform delivers it: press, release, press, release.
    QTest::mouseDClick(form.windowHandle(), Qt::LeftButton, {},
                       client()->mapTo(&form, rowPoint(4)));
    EXPECT_EQ(clicks, std::vector<int>{4});
    EXPECT_EQ(doubleClicks, 1);
}

TEST_F(GridInput, DragSelectsRowsAndFiresOnceOnRelease)
{
    addRows(8);
    QTest::mousePress(client(), Qt::LeftButton, {}, rowPoint(3));
    QTest::mouseMove(client(), rowPoint(4));
    QTest::mouseMove(client(), rowPoint(6));
    EXPECT_TRUE(clicks.empty());
    QTest::mouseRelease(client(), Qt::LeftButton, {}, rowPoint(6));
    EXPECT_EQ(selectedRows(), std::make_pair(3, 6));
    EXPECT_EQ(grid->Row(), 3);
    EXPECT_EQ(clicks, std::vector<int>{3});
}

TEST_F(GridInput, PointerBelowTheGridScrollsWhileSelecting)
{
    addRows(60);
    QTest::mousePress(client(), Qt::LeftButton, {}, rowPoint(2));
    const QPoint below(30, client()->height() + 5);
    QTest::mouseMove(client(), below);
    // The timer adds a row every 100 ms while the pointer stays there.
    EXPECT_TRUE(testsupport::waitUntil([&] { return grid->TopRow() >= 4; }, 3000));
    QTest::mouseRelease(client(), Qt::LeftButton, {}, below);
    const int top = grid->TopRow();
    EXPECT_EQ(grid->Row(), 2);
    EXPECT_EQ(selectedRows().second, grid->AxisInfo().Vertical().lastFullVisible());
    // The release stops the scrolling itself, not just the next tick's effect.
    EXPECT_FALSE(grid->isAutoScrolling());
    QCoreApplication::processEvents();
    EXPECT_EQ(grid->TopRow(), top);
}

TEST_F(GridInput, EscapeCancelsTheSelectionSoTheReleaseFiresNothing)
{
    addRows(8);
    QTest::mousePress(client(), Qt::LeftButton, {}, rowPoint(2));
    QTest::mouseMove(client(), rowPoint(4));
    key(Qt::Key_Escape);
    QTest::mouseRelease(client(), Qt::LeftButton, {}, rowPoint(4));
    EXPECT_TRUE(clicks.empty());
    EXPECT_EQ(selectedRows(), std::make_pair(2, 4)); // what was selected stays
}

TEST_F(GridInput, WheelScrollsThreeRowsPerNotchAndMovesNothingElse)
{
    addRows(60);
    click(rowPoint(2));
    clicks.clear();
    wheel(-120);
    EXPECT_EQ(grid->TopRow(), 4);
    wheel(-240);
    EXPECT_EQ(grid->TopRow(), 10);
    wheel(120, Qt::AltModifier);
    EXPECT_EQ(grid->TopRow(), 9);
    wheel(60); // half a notch: one and a half rows, rounded down
    EXPECT_EQ(grid->TopRow(), 8);
    const int visible = grid->VisibleRowCount();
    wheel(-120, Qt::ControlModifier); // the step count is 120 / (120 / visible rows)
    EXPECT_EQ(grid->TopRow(), 8 + 120 / (120 / visible));
    wheel(120 * 40);
    EXPECT_EQ(grid->TopRow(), 1);
    EXPECT_EQ(grid->Row(), 2);
    EXPECT_EQ(selectedRows(), std::make_pair(2, 2));
    EXPECT_TRUE(clicks.empty());
}

TEST_F(GridInput, PartsOfANotchAddUpToWholeSteps)
{
    addRows(60);
    // A touchpad's eighth of a notch: every 40 units (a third of a notch) make one row.
    for (int i = 0; i < 8; ++i)
        wheel(-15);
    EXPECT_EQ(grid->TopRow(), 4);
    wheel(-30);
    EXPECT_EQ(grid->TopRow(), 4) << "30 units are short of a row";
    wheel(-10);
    EXPECT_EQ(grid->TopRow(), 5);
    // Turning back drops what was left over the other way.
    wheel(-30);
    wheel(30);
    wheel(10);
    EXPECT_EQ(grid->TopRow(), 4);
    EXPECT_TRUE(clicks.empty());
}

TEST_F(GridInput, SetRowMovesAndFiresUnlessItIsTheCurrentRow)
{
    addRows(40);
    grid->SetRow(1);
    EXPECT_TRUE(clicks.empty());
    grid->SetRow(30);
    EXPECT_EQ(clicks, std::vector<int>{30});
    EXPECT_EQ(grid->AxisInfo().Vertical().lastFullVisible(), 30); // made visible
    EXPECT_EQ(selectedRows(), std::make_pair(30, 30));
}

TEST_F(GridInput, ClearingTheWayTheViewerDoes)
{
    addRows(3);
    grid->SetRow(3);
    clicks.clear();
    // Detached first, as the viewer does; blanked, back to row 1, no rows.
    grid->OnClick = nullptr;
    grid->SetRow(1);
    grid->setDataRowCount(0);
    addRows(2);
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_TRUE(clicks.empty());

    // Without the SetRow the current row stays where it was.
    grid->SetRow(2);
    grid->setDataRowCount(0);
    addRows(3);
    EXPECT_EQ(grid->Row(), 2);
}

TEST_F(GridInput, HandlerMayDetachItselfWhileRunning)
{
    addRows(3);
    int calls = 0;
    grid->OnClick = [this, &calls](QObject*) {
        grid->OnClick = nullptr; // the exchange driver detaches while a connection opens
        ++calls;
        EXPECT_EQ(grid->Row(), 2);
    };
    click(rowPoint(2));
    click(rowPoint(3));
    EXPECT_EQ(calls, 1);
}

TEST_F(GridInput, VetoedRowsAreSkippedByKeys)
{
    addRows(5);
    grid->OnSelectCell = [](QObject*, int, int row, bool& canSelect) { canSelect = row != 3; };
    grid->setFocus();
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    EXPECT_EQ(grid->Row(), 4);
    click(rowPoint(3)); // refused: the row stays, the release still fires
    EXPECT_EQ(grid->Row(), 4);
    EXPECT_EQ(clicks, (std::vector<int>{2, 4, 4}));
}

TEST_F(GridInput, ScrollBarAppearsOnceTheRowsNoLongerFit)
{
    QScrollBar* bar = grid->verticalScrollBar();
    const int fit = (client()->height() - rowHeight) / rowHeight;
    addRows(fit);
    QApplication::processEvents();
    EXPECT_FALSE(bar->isVisible());
    addRows(1);
    QApplication::processEvents();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->maximum(), 65536 - bar->pageStep());
    EXPECT_EQ(grid->viewport()->size(), QSize(grid->clientSize().cx, grid->clientSize().cy));
}

TEST_F(GridInput, ScrollBarActionsMoveTheViewOnly)
{
    addRows(100);
    grid->SetRow(5);
    clicks.clear();
    QScrollBar* bar = grid->verticalScrollBar();
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(grid->TopRow(), 2);
    EXPECT_TRUE(grid->hasFocus()); // the grid takes the focus first
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(grid->TopRow(), 2 + grid->VisibleRowCount() - 1);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(grid->TopRow(), grid->AxisInfo().Vertical().maxFirstCell());
    EXPECT_EQ(bar->value(), bar->maximum());
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(grid->AxisInfo().Vertical().lastFullVisible(),
              grid->AxisInfo().Vertical().maxFirstCell());
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(grid->TopRow(), 1);

    // Dragging the thumb halfway follows it while it moves (thumb tracking).
    bar->setSliderDown(true);
    bar->setSliderPosition(bar->maximum() / 2);
    const int halfway = grid->TopRow();
    EXPECT_GT(halfway, 30);
    EXPECT_LT(halfway, 60);
    bar->setSliderDown(false);
    EXPECT_EQ(grid->Row(), 5);
    EXPECT_TRUE(clicks.empty());
}

namespace {

// Collects the regions the viewport is asked to paint.
class PaintSpy : public QObject
{
public:
    QRegion painted;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(e)->region();
        return false;
    }
};

} // namespace

TEST_F(GridInput, ScrollingRepaintsOnlyTheUncoveredRows)
{
    PaintSpy spy;
    client()->installEventFilter(&spy);
    addRows(100);
    // The count change repaints the whole grid once, on whatever turn of the event loop the
    // platform gives it; what scrolling repaints comes after that.
    EXPECT_TRUE(testsupport::waitUntil([&] { return !spy.painted.isEmpty(); }));
    spy.painted = QRegion();
    grid->setTopRow(2);
    EXPECT_TRUE(testsupport::waitUntil([&] { return !spy.painted.isEmpty(); }));
    const QRect r = spy.painted.boundingRect();
    EXPECT_LE(r.height(), 2 * rowHeight);
    EXPECT_GT(r.top(), client()->height() / 2);

    spy.painted = QRegion();
    grid->setDataRowCount(100);   // the same count: nothing to repaint
    grid->SetDataCell(0, 3, "x"); // grid row 4, the third row under the header now
    EXPECT_TRUE(testsupport::waitUntil([&] { return !spy.painted.isEmpty(); }));
    EXPECT_EQ(spy.painted.boundingRect(), QRect(0, 3 * rowHeight, 66, rowHeight));
    client()->removeEventFilter(&spy);
}

TEST_F(GridInput, FocusChangesTheCurrentRowColours)
{
    addRows(3);
    grid->setFocus();
    QApplication::processEvents();
    const QColor highlight = gfx::toQColor(gfx::clHighlight);
    EXPECT_TRUE(testsupport::waitUntil(
        [&] { return client()->grab().toImage().pixelColor(90, 25) == highlight; }));
    edit->setFocus();
    EXPECT_TRUE(testsupport::waitUntil(
        [&] { return client()->grab().toImage().pixelColor(90, 25) == QColor(160, 160, 192); }));
}
