#include "PixelCheck.h"
#include "button/GlyphStrip.h"
#include "button/Glyphs.h"
#include "button/HoverTracker.h"
#include "button/TFlatImageButton.h"
#include "tests/support/TestSupport.h"
#include "text/Cp949.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QIcon>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using namespace Qt::StringLiterals;
using namespace button;
using testsupport::waitUntil;
using S = ButtonState;
using buttontest::at;

namespace {

constexpr int side = 70;
const QPoint centre(35, 35);

// A window with two of the viewer's command buttons side by side and room to leave them.
class FlatImageButtonTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window = std::make_unique<QWidget>();
        window->resize(260, 120);
        QFont font(u"MS Sans Serif"_s);
        font.setPixelSize(11);
        window->setFont(font);
        search = new QAction(u"검색"_s, window.get());
        print = new QAction(u"인쇄"_s, window.get());
        QObject::connect(search, &QAction::triggered, [this] { ++searches; });
        a = makeButton(10, search, Glyphs::search());
        b = makeButton(90, print, Glyphs::print());
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        // From outside the window, so that it sees the pointer come in.
        QCursor::setPos(window->mapToGlobal(QPoint(window->width() + 100, window->height() + 100)));
        QCoreApplication::processEvents();
        park();
    }

    void TearDown() override { window.reset(); }

    TFlatImageButton* makeButton(int left, QAction* action, const gfx::Bitmap& glyph)
    {
        auto* button = new TFlatImageButton(window.get());
        button->setGeometry(left, 10, side, side);
        button->setColorFocused(gfx::clBtnFace);
        button->setColorBorder(gfx::clBtnFace);
        button->setGlyph(glyph);
        button->setAction(action);
        return button;
    }

    // Moves the pointer as a user does: the window system's pointer too, which the buttons ask
    // for on their timer and which synthesized moves leave where it was on a real display.
    static void movePointer(QWidget* widget, QPoint pos)
    {
        QCursor::setPos(widget->mapToGlobal(pos));
        QTest::mouseMove(widget, pos);
    }

    // The pointer on an empty part of the window, away from every button.
    void park() { movePointer(window.get(), QPoint(200, 100)); }

    void hover(TFlatImageButton* button, QPoint pos = centre)
    {
        movePointer(button, pos);
        ASSERT_TRUE(waitUntil([&] { return button->mouseInControl(); }, 2000));
    }

    std::unique_ptr<QWidget> window;
    QAction* search = nullptr;
    QAction* print = nullptr;
    TFlatImageButton* a = nullptr;
    TFlatImageButton* b = nullptr;
    int searches = 0;
};

} // namespace

TEST_F(FlatImageButtonTest, ViewerButtonPutsPictureAtNineteenAndCaptionThirtySixBelowTheMargin)
{
    a->grab();
    const ButtonGeometry& g = a->paintedGeometry();
    // margin = (70 - (32 + 4 + caption height) + 1) div 2, which is 11 for the form font's
    // caption of 12 or 13 pixels.
    EXPECT_GE(g.textBounds.height(), 12);
    EXPECT_LE(g.textBounds.height(), 13);
    EXPECT_EQ(g.glyphPos, (gfx::Point{19, 11}));
    EXPECT_EQ(g.textBounds.top, 11 + 36);
    EXPECT_EQ(g.textBounds.left, (side - g.textBounds.width() + 1) / 2);
}

TEST_F(FlatImageButtonTest, TakesCaptionEnabledStateAndTriggerFromItsAction)
{
    EXPECT_EQ(a->caption(), text::cp949("검색"));
    search->setText(u"찾기"_s);
    EXPECT_EQ(a->caption(), text::cp949("찾기"));
    search->setEnabled(false);
    EXPECT_FALSE(a->isEnabled());
    EXPECT_EQ(a->state(), S::disabled);
    search->setEnabled(true);
    EXPECT_TRUE(a->isEnabled());
    EXPECT_EQ(a->state(), S::up);
    a->click();
    EXPECT_EQ(searches, 1);

    delete search;
    search = nullptr;
    EXPECT_EQ(a->action(), nullptr);
    int clicks = 0;
    QObject::connect(a, &TFlatImageButton::clicked, [&] { ++clicks; });
    a->click();
    EXPECT_EQ(clicks, 1) << "without an action the click is the button's own";
}

TEST_F(FlatImageButtonTest, TakesTheActionsIconWhenItHasNoGlyphOfItsOwn)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter(&pixmap).fillRect(4, 4, 8, 8, Qt::red);
    QAction withIcon(QIcon(pixmap), u"열기"_s);
    auto* c = new TFlatImageButton(window.get());
    c->setAction(&withIcon);
    ASSERT_EQ(c->glyph().width(), 16);
    EXPECT_EQ(c->glyph().bottomLeftPixel(), gfx::RGB(255, 0, 255)) << "drawn on magenta";
    EXPECT_EQ(c->glyph().pixel(8, 8), gfx::clRed);
    // A glyph of its own is kept.
    b->setAction(&withIcon);
    EXPECT_EQ(b->glyph().width(), 32);
}

TEST_F(FlatImageButtonTest, AcceleratorInTheCaptionClicksAnEnabledButton)
{
    auto* c = new TFlatImageButton(window.get());
    c->setGeometry(170, 10, side, side);
    c->show();
    c->setCaption("&Go");
    int clicks = 0;
    QObject::connect(c, &TFlatImageButton::clicked, [&] { ++clicks; });
    QTest::keyClick(window.get(), Qt::Key_G, Qt::AltModifier);
    EXPECT_EQ(clicks, 1);
    c->setEnabled(false);
    QTest::keyClick(window.get(), Qt::Key_G, Qt::AltModifier);
    EXPECT_EQ(clicks, 1);
}

TEST_F(FlatImageButtonTest, ClickSetsTheResultOfTheDialogItStandsOn)
{
    QDialog dialog;
    auto* ok = new TFlatImageButton(&dialog);
    ok->setModalResult(QDialog::Accepted);
    dialog.show();
    int clicks = 0;
    QObject::connect(ok, &TFlatImageButton::clicked, [&] { ++clicks; });
    QTest::mousePress(ok, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(ok, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(clicks, 1);
}

TEST_F(FlatImageButtonTest, PressDragOutAndBackInThenReleaseFiresTheActionOnce)
{
    QTest::mousePress(a, Qt::LeftButton, {}, centre);
    EXPECT_EQ(a->state(), S::down);
    EXPECT_TRUE(a->dragging());
    QTest::mouseMove(a, QPoint(side + 5, 35));
    EXPECT_EQ(a->state(), S::up);
    QTest::mouseMove(a, QPoint(35, 10));
    EXPECT_EQ(a->state(), S::down);
    QTest::mouseRelease(a, Qt::LeftButton, {}, QPoint(35, 10));
    EXPECT_EQ(a->state(), S::up);
    EXPECT_FALSE(a->dragging());
    EXPECT_EQ(searches, 1);
}

TEST_F(FlatImageButtonTest, ReleaseCountsAsInsideUpToTheBottomEdgeButNotTheRightEdge)
{
    struct Case
    {
        const char* name;
        QPoint pos;
        bool inside;
    };
    const Case cases[] = {
        {"on the bottom edge (y equal to the height)", {35, side}, true},
        {"one below the bottom edge", {35, side + 1}, false},
        {"on the right edge (x equal to the width)", {side, 35}, false},
        {"on the last column", {side - 1, 35}, true},
        {"on the top-left pixel", {0, 0}, true},
        {"one above the top", {35, -1}, false},
        {"one left of the left edge", {-1, 35}, false},
        {"far away", {200, 90}, false},
    };
    for (const Case& c : cases) {
        searches = 0;
        QTest::mousePress(a, Qt::LeftButton, {}, centre);
        QTest::mouseMove(a, c.pos);
        EXPECT_EQ(a->state(), c.inside ? S::down : S::up) << c.name;
        QTest::mouseRelease(a, Qt::LeftButton, {}, c.pos);
        EXPECT_EQ(a->state(), S::up) << c.name;
        EXPECT_EQ(searches, c.inside ? 1 : 0) << c.name;
    }
}

TEST_F(FlatImageButtonTest, DisabledButtonNeitherSinksNorFires)
{
    search->setEnabled(false);
    QTest::mousePress(a, Qt::LeftButton, {}, centre);
    EXPECT_EQ(a->state(), S::disabled);
    EXPECT_FALSE(a->dragging());
    QTest::mouseRelease(a, Qt::LeftButton, {}, centre);
    a->click();
    EXPECT_EQ(searches, 0);
}

TEST_F(FlatImageButtonTest, DisablingDuringAPressEndsTheDrag)
{
    QTest::mousePress(a, Qt::LeftButton, {}, centre);
    search->setEnabled(false);
    EXPECT_FALSE(a->dragging());
    search->setEnabled(true);
    QTest::mouseRelease(a, Qt::LeftButton, {}, centre);
    EXPECT_EQ(searches, 0);
    EXPECT_EQ(a->state(), S::up);
}

TEST_F(FlatImageButtonTest, HoverLightsUpAndTheSharedTimerEndsItAfterThePointerLeaves)
{
    HoverTracker* tracker = HoverTracker::instance();
    ASSERT_NE(tracker, nullptr);
    EXPECT_FALSE(tracker->timer().isActive());
    int entered = 0, left = 0;
    QObject::connect(a, &TFlatImageButton::mouseEntered, [&] { ++entered; });
    QObject::connect(a, &TFlatImageButton::mouseLeft, [&] { ++left; });

    hover(a);
    EXPECT_EQ(tracker->tracked(), a);
    EXPECT_TRUE(tracker->timer().isActive());
    EXPECT_EQ(tracker->timer().interval(), 100);
    EXPECT_EQ(entered, 1);

    // Off every button: nothing else notices, the timer's check ends the hover.
    park();
    EXPECT_TRUE(waitUntil([&] { return !a->mouseInControl(); }, 2000));
    EXPECT_EQ(tracker->tracked(), nullptr);
    EXPECT_FALSE(tracker->timer().isActive());
    EXPECT_EQ(left, 1);
}

TEST_F(FlatImageButtonTest, MovingStraightOntoAnotherButtonEndsTheFirstHoverAtOnce)
{
    hover(a);
    HoverTracker* tracker = HoverTracker::instance();

    // One move delivered synchronously: no timer can run in between.
    const QPoint inB = b->mapToGlobal(centre);
    QCursor::setPos(inB);
    QMouseEvent move(QEvent::MouseMove, QPointF(centre), QPointF(inB), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(b, &move);
    EXPECT_FALSE(a->mouseInControl());
    EXPECT_TRUE(b->mouseInControl());
    EXPECT_EQ(tracker->tracked(), b);
    EXPECT_TRUE(tracker->timer().isActive());
}

TEST_F(FlatImageButtonTest, AllButtonsShareOneTimerThatGoesWithTheLastButton)
{
    HoverTracker* tracker = HoverTracker::instance();
    ASSERT_NE(tracker, nullptr);
    hover(b);
    EXPECT_EQ(HoverTracker::instance(), tracker);
    EXPECT_EQ(tracker->tracked(), b);
    delete b;
    b = nullptr;
    EXPECT_EQ(tracker->tracked(), nullptr) << "a destroyed button is no longer tracked";
    EXPECT_FALSE(tracker->timer().isActive());
    EXPECT_EQ(HoverTracker::instance(), tracker) << "one button is left";
    window.reset();
    EXPECT_EQ(HoverTracker::instance(), nullptr);
}

TEST_F(FlatImageButtonTest, DisablingEndsTheHoverAndEnablingUnderThePointerRestoresIt)
{
    hover(a);
    search->setEnabled(false);
    EXPECT_FALSE(a->mouseInControl());
    EXPECT_NE(HoverTracker::instance()->tracked(), a);
    search->setEnabled(true);
    EXPECT_TRUE(a->mouseInControl());
    EXPECT_EQ(HoverTracker::instance()->tracked(), a);
    park();
    EXPECT_TRUE(waitUntil([&] { return !a->mouseInControl(); }, 2000));
}

TEST_F(FlatImageButtonTest, ReleasedOutsideAndComingBackLightsUpAgain)
{
    hover(a);
    QTest::mousePress(a, Qt::LeftButton, {}, centre);
    QTest::mouseMove(a, QPoint(200, 90));
    EXPECT_TRUE(a->mouseInControl()) << "no hover ends while dragging";
    QTest::mouseRelease(a, Qt::LeftButton, {}, QPoint(200, 90));
    EXPECT_FALSE(a->mouseInControl());
    EXPECT_EQ(searches, 0);
    park();
    hover(a, QPoint(30, 30));
}

TEST_F(FlatImageButtonTest, GroupHoldsOneButtonDown)
{
    a->setGroupIndex(1);
    b->setGroupIndex(1);
    auto clickAt = [](TFlatImageButton* button) {
        QTest::mousePress(button, Qt::LeftButton, {}, centre);
        QTest::mouseRelease(button, Qt::LeftButton, {}, centre);
    };
    clickAt(a);
    EXPECT_TRUE(a->isDown());
    EXPECT_EQ(a->state(), S::exclusive);
    EXPECT_EQ(searches, 1);

    clickAt(b);
    EXPECT_TRUE(b->isDown());
    EXPECT_FALSE(a->isDown());
    EXPECT_EQ(a->state(), S::up);

    clickAt(b);
    EXPECT_TRUE(b->isDown()) << "without all-up the down button stays down";

    // A press on the held button keeps it held while dragging.
    QTest::mousePress(b, Qt::LeftButton, {}, centre);
    EXPECT_EQ(b->state(), S::exclusive);
    QTest::mouseMove(b, QPoint(200, 90));
    EXPECT_EQ(b->state(), S::exclusive);
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(200, 90));
    EXPECT_TRUE(b->isDown());

    // Going down hands the group its all-up setting.
    a->setAllowAllUp(true);
    clickAt(a);
    EXPECT_TRUE(a->isDown());
    EXPECT_FALSE(b->isDown());
    EXPECT_TRUE(b->allowAllUp());
    clickAt(a);
    EXPECT_FALSE(a->isDown());
    EXPECT_EQ(a->state(), S::up);
}

TEST_F(FlatImageButtonTest, DownIsIgnoredOutsideAGroup)
{
    a->setDown(true);
    EXPECT_FALSE(a->isDown());
    EXPECT_EQ(a->state(), S::up);
}

TEST_F(FlatImageButtonTest, DoubleClickOnAHeldButtonIsReported)
{
    int doubles = 0;
    QObject::connect(a, &TFlatImageButton::doubleClicked, [&] { ++doubles; });
    // What the platform sends for a double click: press, release, double click, release.
    auto doubleClick = [this] {
        QTest::mousePress(a, Qt::LeftButton, {}, centre);
        QTest::mouseRelease(a, Qt::LeftButton, {}, centre);
        QTest::mouseDClick(a, Qt::LeftButton, {}, centre);
        QTest::mouseRelease(a, Qt::LeftButton, {}, centre);
    };
    doubleClick();
    EXPECT_EQ(doubles, 0);
    EXPECT_EQ(searches, 2) << "each half of a double click is a click";
    a->setGroupIndex(1);
    a->setDown(true);
    doubleClick();
    EXPECT_EQ(doubles, 1);
}

TEST_F(FlatImageButtonTest, SettersKeepTheirRules)
{
    auto* c = new TFlatImageButton(window.get());
    EXPECT_EQ(c->size(), QSize(25, 25));
    EXPECT_EQ(c->numGlyphs(), 1);
    c->setGlyph(gfx::Bitmap(64, 32));
    EXPECT_EQ(c->numGlyphs(), 2);
    c->setGlyph(gfx::Bitmap(33, 32));
    EXPECT_EQ(c->numGlyphs(), 2) << "not a whole multiple: the count stays";
    c->setGlyph(gfx::Bitmap(96, 16));
    EXPECT_EQ(c->numGlyphs(), 1);
    c->setNumGlyphs(7);
    EXPECT_EQ(c->numGlyphs(), 4);
    c->setMargin(-2);
    EXPECT_EQ(c->margin(), -1);
    c->setMargin(3);
    EXPECT_EQ(c->margin(), 3);
    EXPECT_EQ(c->color(), gfx::fromQColor(window->palette().color(QPalette::Window)));
    c->setColor(gfx::clRed);
    EXPECT_FALSE(c->parentColor());
    EXPECT_EQ(c->color(), gfx::clRed);
}

TEST_F(FlatImageButtonTest, DisabledSearchButtonShowsPanelColourNoFrameAndAnEtchedPicture)
{
    search->setEnabled(false);
    const QImage image = a->grab().toImage();
    const ButtonGeometry& g = a->paintedGeometry();
    const gfx::Color face = a->color();
    const gfx::Color highlight = gfx::ColorToRGB(gfx::clBtnHighlight);
    const gfx::Color shadow = gfx::ColorToRGB(gfx::clBtnShadow);

    // The frame is drawn in the border colour, which is the face: nothing shows.
    for (int i = 0; i < side; ++i) {
        EXPECT_EQ(at(image, i, 0), face);
        EXPECT_EQ(at(image, i, side - 1), face);
        EXPECT_EQ(at(image, 0, i), face);
        EXPECT_EQ(at(image, side - 1, i), face);
    }
    // The picture: shadow on the glyph's dark pixels, high light below and right of them where
    // no shadow lies, the fill everywhere else.
    const gfx::Bitmap glyph = Glyphs::search();
    const gfx::Color key = glyph.bottomLeftPixel();
    auto dark = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < 32 && y < 32 && isInk(glyph.pixel(x, y), key);
    };
    int shadows = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const gfx::Color expected = dark(x, y) ? shadow : dark(x - 1, y - 1) ? highlight : face;
            shadows += expected == shadow;
            ASSERT_EQ(at(image, g.glyphPos.x + x, g.glyphPos.y + y), expected) << x << "," << y;
        }
    EXPECT_GT(shadows, 100);
    // The caption: etched too, nothing darker than the shadow left.
    const QRect caption(g.textBounds.left, g.textBounds.top, g.textBounds.width() + 1,
                        g.textBounds.height() + 1);
    const buttontest::CaptionInk ink = buttontest::captionInk(image, caption, face);
    EXPECT_GE(ink.darkest, buttontest::luma(shadow) - 2);
    EXPECT_LT(ink.darkest, buttontest::luma(face) - 40);
    EXPECT_TRUE(ink.lighterThanFace);
}

TEST_F(FlatImageButtonTest, HoveredAndPressedLooks)
{
    const gfx::Color face = a->color();
    const QImage normal = a->grab().toImage();
    const gfx::Point glyphAt = a->paintedGeometry().glyphPos;
    EXPECT_EQ(at(normal, 0, 0), face);
    EXPECT_EQ(at(normal, 5, 5), face);

    hover(a);
    const QImage lit = a->grab().toImage();
    EXPECT_EQ(at(lit, 0, 0), gfx::clWhite);
    EXPECT_EQ(at(lit, side - 1, 0), gfx::clBlack);
    EXPECT_EQ(at(lit, side - 1, side - 1), gfx::clBlack);
    EXPECT_EQ(at(lit, 5, 5), face) << "the viewer sets the hover fill to the face";

    QTest::mousePress(a, Qt::LeftButton, {}, centre);
    const QImage pressed = a->grab().toImage();
    EXPECT_EQ(at(pressed, 0, 0), gfx::clBlack);
    EXPECT_EQ(at(pressed, side - 1, side - 1), gfx::clWhite);
    EXPECT_EQ(at(pressed, 5, 5), gfx::RGB(0xD9, 0xD6, 0xC5));
    EXPECT_EQ(a->paintedGeometry().glyphPos, (gfx::Point{glyphAt.x + 1, glyphAt.y + 1}));
    // The picture moved one pixel right and down, unchanged.
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            if (at(normal, glyphAt.x + x, glyphAt.y + y) == face)
                continue;
            ASSERT_EQ(at(pressed, glyphAt.x + x + 1, glyphAt.y + y + 1),
                      at(normal, glyphAt.x + x, glyphAt.y + y))
                << x << "," << y;
        }
    QTest::mouseRelease(a, Qt::LeftButton, {}, centre);
}

TEST_F(FlatImageButtonTest, RendersTheViewersThreeButtons)
{
    QAction exitAction(u"종료"_s);
    TFlatImageButton* c = makeButton(170, &exitAction, Glyphs::exit());
    c->show();
    std::vector<std::pair<std::string, QImage>> shots;
    for (auto [name, button] : {std::pair{"search", a}, {"print", b}, {"exit", c}}) {
        shots.emplace_back(std::string(name) + "-normal", button->grab().toImage());
        hover(button);
        shots.emplace_back(std::string(name) + "-hover", button->grab().toImage());
        QTest::mousePress(button, Qt::LeftButton, {}, centre);
        shots.emplace_back(std::string(name) + "-pressed", button->grab().toImage());
        QTest::mouseMove(button, QPoint(200, 90));
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(200, 90));
        park();
        button->setEnabled(false);
        shots.emplace_back(std::string(name) + "-disabled", button->grab().toImage());
        button->setEnabled(true);
    }
    const QByteArray dir = qgetenv("MIROLA_SAVE_PNG");
    for (const auto& [name, image] : shots) {
        EXPECT_EQ(image.size(), QSize(side, side)) << name;
        if (!dir.isEmpty())
            image.save(QDir(QString::fromLocal8Bit(dir))
                           .filePath(QString::fromStdString(name) + u".png"_s));
    }
    // Each state looks different from the others.
    for (size_t i = 0; i < shots.size(); i += 4)
        for (size_t j = i; j < i + 4; ++j)
            for (size_t k = j + 1; k < i + 4; ++k)
                EXPECT_NE(shots[j].second, shots[k].second)
                    << shots[j].first << " and " << shots[k].first;
}

// To assistive technology the button is a push button named by its caption (by its tooltip
// when it has none), pressed as a click presses it once the request has returned (so a modal
// window it opens does not hold the request), and disabled with its action.
TEST_F(FlatImageButtonTest, IsAPushButtonToAssistiveTechnology)
{
    search->setShortcut(Qt::Key_F5);
    QAccessibleInterface* button = QAccessible::queryAccessibleInterface(a);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->role(), QAccessible::Button);
    EXPECT_EQ(button->text(QAccessible::Name), u"검색"_s);
    QAccessibleActionInterface* actions = button->actionInterface();
    ASSERT_NE(actions, nullptr);
    EXPECT_EQ(actions->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
    EXPECT_EQ(actions->keyBindingsForAction(QAccessibleActionInterface::pressAction()),
              QStringList{u"F5"_s});
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(searches, 0) << "pressed after the request has returned, not inside it";
    QCoreApplication::processEvents();
    EXPECT_EQ(searches, 1);

    search->setEnabled(false);
    EXPECT_TRUE(button->state().disabled);
    actions->doAction(QAccessibleActionInterface::pressAction());
    QCoreApplication::processEvents();
    EXPECT_EQ(searches, 1) << "a disabled button is not pressed";
    search->setEnabled(true);
    actions->doAction(QAccessibleActionInterface::pressAction());
    search->setEnabled(false);
    QCoreApplication::processEvents();
    EXPECT_EQ(searches, 1) << "nor one disabled before the press came";

    auto* pictureOnly = new TFlatImageButton(window.get());
    pictureOnly->setToolTip(u"닫기"_s);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(pictureOnly)->text(QAccessible::Name),
              u"닫기"_s);
}
