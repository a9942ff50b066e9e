#include "printing/PreviewButtonPictures.h"
#include "printing/TfrmPreview.h"
#include "report/model/TRpPrinter.h"
#include "report/preview/TRpPreview.h"
#include "report/preview/TRpPreviewImage.h"
#include "report/print/PlatformPrinter.h"
#include "report/print/QtPrinterDevice.h"
#include "report/store/TRpPageList.h"
#include "tests/report/preview/PreviewProbe.h"
#include "tests/report/preview/SamplePage.h"
#include "tests/report/print/CupsQueue.h"
#include "tests/report/print/MarkedReport.h"
#include "tests/report/print/PdfTools.h"
#include "tests/support/ModalDriver.h"
#include "tests/support/TestSupport.h"
#include "text/Cp949.h"

#include <QAbstractItemView>
#include <QAbstractPrintDialog>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontInfo>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <cctype>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace printing;
using namespace report;
using namespace Qt::StringLiterals;

namespace {

// Rendering resolution of saved and printed pages read back.
constexpr int renderDpi = 60;
constexpr double mmPerInch = 25.4;
using testsupport::activate;
using testsupport::driveModal;

// A window as the print command sets it up: the report's pages generated on the current
// printer and attached to the preview.
class OpenedWindow
{
protected:
    // A report of `pages` pages, each told apart by its mark, with a statement-like page
    // drawn around the marks unless `plain`.
    void open(int pages, TRpReport::DeviceFactory devices = {}, bool plain = false)
    {
        window.reset();
        marked = std::make_unique<MarkedReport>(pages, std::move(devices));
        if (!plain)
            addSamplePage(marked->report);
        window = std::make_unique<TfrmPreview>(nullptr);
        window->messageSink = [this](const std::string& m) { messages.push_back(m); };
        window->Report = &marked->report;
        marked->report.printerSettings.deviceIndex = PlatformPrinter::instance().printerIndex();
        marked->report.GeneratePages();
        window->RpPreview1->setRpPrinter(marked->report.RpPrinter());
        window->refreshPageIndicator();
    }

    void show()
    {
        window->show();
        EXPECT_TRUE(activate(*window));
    }

    void checkNoMessages()
    {
        for (const std::string& m : messages)
            ADD_FAILURE() << "the window reported: " << m;
    }

    TRpPreview& preview() const { return *window->RpPreview1; }
    QString zoomPanel() const { return window->edt_Size->text(); }
    static void click(QToolButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    std::unique_ptr<MarkedReport> marked;
    std::unique_ptr<TfrmPreview> window;
    std::vector<std::string> messages;
};

class PreviewWindow : public ::testing::Test, protected OpenedWindow
{
protected:
    void TearDown() override { checkNoMessages(); }
};

class PreviewPrinting : public PrintServerTest, protected OpenedWindow
{
protected:
    void TearDown() override { checkNoMessages(); }
};

template <class T> T* childOf(QWidget& parent, const char* name)
{
    return parent.findChild<T*>(QString::fromLatin1(name));
}

// Types `path` into the file dialog's name box and ends with `key`; a list of name completions
// that has come up is closed first, as the user would before confirming.
void typeFileName(QWidget& dialog, const QString& path, Qt::Key key)
{
    QLineEdit* name = childOf<QLineEdit>(dialog, "fileNameEdit");
    if (!name) {
        ADD_FAILURE() << "the dialog has no file name box";
        static_cast<QDialog&>(dialog).reject();
        return;
    }
    // The dialog picks the items the typed name leads to only while its box has the focus.
    EXPECT_TRUE(activate(dialog));
    name->setFocus(Qt::MouseFocusReason);
    EXPECT_TRUE(name->hasFocus());
    // Latin letters come as keys, Hangul as the input method's committed text.
    for (qsizetype i = 0; i < path.size();) {
        const bool latin = path[i].unicode() < 0x80;
        qsizetype end = i;
        while (end < path.size() && (path[end].unicode() < 0x80) == latin)
            ++end;
        const QString run = path.mid(i, end - i);
        if (latin) {
            QTest::keyClicks(name, run);
        } else {
            QInputMethodEvent composed;
            composed.setCommitString(run);
            QApplication::sendEvent(name, &composed);
        }
        i = end;
    }
    QCoreApplication::processEvents();
    if (QCompleter* completer = name->completer(); completer && completer->popup()->isVisible())
        QTest::keyClick(completer->popup(), Qt::Key_Escape);
    EXPECT_EQ(name->text(), path);
    QTest::keyClick(name, key);
}

} // namespace

TEST_F(PreviewWindow, ItsParts)
{
    open(1);
    TfrmPreview& w = *window;
    EXPECT_EQ(w.objectName(), u"frmPreview"_s);
    EXPECT_EQ(w.windowTitle(), u"미리보기(조회)"_s);
    EXPECT_EQ(w.size(), QSize(788, 466)) << "its restored size";
    EXPECT_EQ(QRect(w.pos(), w.size()).center(),
              QGuiApplication::primaryScreen()->availableGeometry().center());
    EXPECT_TRUE(w.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(QFontInfo(w.font()).pixelSize(), 13);
    EXPECT_TRUE(w.font().bold());
    EXPECT_EQ(QFontInfo(w.font()).family(), u"NanumGothicCoding"_s);
    EXPECT_EQ(zoomPanel(), u"0"_s);
    EXPECT_TRUE(w.edt_Size->alignment() & Qt::AlignRight);
    EXPECT_EQ(w.lbl_page->text(), u"Page : 1/1"_s);
    EXPECT_EQ(w.ToolBar1->height(), TfrmPreview::toolBarHeight);

    struct Button
    {
        const char* name;
        QToolButton* button;
        int left;
        int width;
        const char* caption;
        bool picture;
    };
    const Button buttons[] = {
        {"first", w.SpeedButton1, 0, 40, "처음", false},
        {"previous", w.SpeedButton2, 40, 40, "이전", false},
        {"next", w.SpeedButton3, 80, 40, "다음", false},
        {"last", w.SpeedButton4, 120, 40, "마지막", false},
        {"print dialog", w.SpeedButton5, 160, 40, "설정", false},
        {"print", w.SpeedButton6, 200, 40, "출력", false},
        {"save", w.SpeedButton10, 240, 40, "", true},
        {"zoom in", w.SpeedButton7, 280, 40, "", true},
        {"zoom out", w.SpeedButton8, 320, 40, "", true},
        {"close", w.SpeedButton9, 472, 56, "종료", true},
    };
    for (const Button& b : buttons) {
        EXPECT_EQ(b.button->geometry(), QRect(b.left, 2, b.width, 22)) << b.name;
        EXPECT_EQ(b.button->text(), QString::fromUtf8(b.caption)) << b.name;
        EXPECT_EQ(!b.button->icon().isNull(), b.picture) << b.name;
        EXPECT_TRUE(b.button->autoRaise()) << b.name << " is flat";
        EXPECT_EQ(QFontInfo(b.button->font()).pixelSize(), 12) << b.name;
        EXPECT_FALSE(b.button->font().bold()) << b.name;
    }
    EXPECT_EQ(w.SpeedButton9->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    EXPECT_EQ(w.Panel2->geometry(), QRect(360, 2, 112, 22));
    EXPECT_EQ(w.edt_Size->geometry().left(), 54);
    EXPECT_EQ(w.edt_Size->width(), 50);
    EXPECT_EQ(w.Label2->text(), u"ZOOM"_s);
    EXPECT_EQ(QFontInfo(w.Label2->font()).family(), u"Liberation Sans"_s);
    EXPECT_EQ(w.Panel1->geometry(), QRect(528, 2, 112, 22));
    EXPECT_EQ(w.lbl_page->geometry(), QRect(640, 2, 140, 22));

    struct Item
    {
        QAction* item;
        const char* caption;
        QKeySequence shortcut;
    };
    const Item items[] = {
        {w.N1, "처음", Qt::Key_Home},
        {w.N2, "이전", Qt::Key_PageUp},
        {w.N3, "다음", Qt::Key_PageDown},
        {w.N4, "마지막", Qt::Key_End},
        {w.N5, nullptr, {}},
        {w.N6, "출력", Qt::ALT | Qt::Key_P},
        {w.N7, "저장", Qt::ALT | Qt::Key_S},
        {w.N8, nullptr, {}},
        {w.N9, "확대", Qt::ALT | Qt::Key_I},
        {w.N10, "축소", Qt::ALT | Qt::Key_O},
        {w.N11, nullptr, {}},
        {w.N12, "프린터 설정", Qt::CTRL | Qt::Key_P},
        {w.N13, nullptr, {}},
        {w.N14, "종료", Qt::ALT | Qt::Key_F4},
    };
    const QList<QAction*> shown = w.Pop_Menu->actions();
    ASSERT_EQ(shown.size(), qsizetype(std::size(items)));
    for (size_t i = 0; i < std::size(items); ++i) {
        const Item& item = items[i];
        EXPECT_EQ(shown[qsizetype(i)], item.item) << "item " << i + 1;
        EXPECT_EQ(item.item->objectName(), u"N%1"_s.arg(i + 1));
        EXPECT_EQ(item.item->isSeparator(), item.caption == nullptr) << "item " << i + 1;
        if (item.caption) {
            EXPECT_EQ(item.item->text(), QString::fromUtf8(item.caption));
            EXPECT_EQ(item.item->shortcut(), item.shortcut) << "item " << i + 1;
        }
    }

    // Shown, the page fills the window's width while the zoom panel reads 100.
    show();
    EXPECT_TRUE(w.isMaximized());
    EXPECT_EQ(zoomPanel(), u"100"_s);
    EXPECT_EQ(preview().zoomMode(), zmWidth);
    EXPECT_EQ(preview().geometry(), QRect(0, 27, w.width(), w.height() - 27));
    if (const QString shots = qEnvironmentVariable("MIROLA_SCREENSHOT_DIR"); !shots.isEmpty()) {
        QDir().mkpath(shots);
        // The pointer rests on the page, not on a button that would show itself raised.
        QTest::mouseMove(w.windowHandle(), w.RpPreview1->geometry().center());
        QCoreApplication::processEvents();
        EXPECT_FALSE(w.SpeedButton1->underMouse());
        w.grab().save(shots + u"/preview-window.png"_s);
        w.ToolBar1->grab().scaled(w.ToolBar1->size() * 2).save(shots + u"/preview-toolbar.png"_s);
    }
}

TEST(PreviewButtonPictures, SixteenColourPicturesWithAGreyDisabledLook)
{
    struct Picture
    {
        const char* name;
        gfx::Bitmap bitmap;
        bool red;
    };
    const Picture pictures[] = {
        {"floppy disk", PreviewButtonPictures::floppyDisk(), false},
        {"zoom in", PreviewButtonPictures::zoomIn(), true},
        {"zoom out", PreviewButtonPictures::zoomOut(), true},
        {"door", PreviewButtonPictures::door(), true},
    };
    auto count = [](const gfx::Bitmap& b, const std::function<bool(gfx::Color)>& which) {
        int n = 0;
        for (int y = 0; y < b.height(); ++y)
            for (int x = 0; x < b.width(); ++x)
                n += which(b.pixel(x, y));
        return n;
    };
    for (const Picture& p : pictures) {
        const gfx::Bitmap& b = p.bitmap;
        EXPECT_EQ(b.width(), 16) << p.name;
        EXPECT_EQ(b.height(), 16) << p.name;
        EXPECT_EQ(b.bitsPerPixel(), 4) << p.name;
        const gfx::Color key = b.bottomLeftPixel();
        EXPECT_GT(count(b, [&](gfx::Color c) { return c != key; }), 40) << p.name << " is drawn";
        EXPECT_EQ(count(b, [](gfx::Color c) { return c == gfx::clRed; }) > 0, p.red) << p.name;

        const gfx::Bitmap grey = PreviewButtonPictures::disabled(b);
        EXPECT_EQ(count(grey,
                        [&](gfx::Color c) {
                            return c != key && (gfx::GetRValue(c) != gfx::GetGValue(c) ||
                                                gfx::GetGValue(c) != gfx::GetBValue(c));
                        }),
                  0)
            << p.name << " disabled is grey";
        EXPECT_EQ(count(grey, [&](gfx::Color c) { return c == key; }),
                  count(b, [&](gfx::Color c) { return c == key; }))
            << p.name << " keeps its shape";

        const QIcon icon = PreviewButtonPictures::icon(b);
        const QImage normal = icon.pixmap(16, QIcon::Normal).toImage();
        const QImage disabled = icon.pixmap(16, QIcon::Disabled).toImage();
        EXPECT_EQ(qAlpha(normal.pixel(0, 15)), 0) << p.name << ": the key colour is transparent";
        EXPECT_NE(normal, disabled) << p.name;
    }
}

// Fields cut even at their smallest size are named above the page; none, no banner.
TEST_F(PreviewWindow, NamesTheFieldsThatWereCut)
{
    open(1);
    show();
    const QRect pageArea = preview().geometry();
    window->showCutTexts(
        {text::cp949("거래명세서 공급자 상호"), text::cp949("세금계산서 공급자 상호")});
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->lbl_warning->isVisible());
    EXPECT_TRUE(
        window->lbl_warning->text().contains(u"거래명세서 공급자 상호, 세금계산서 공급자 상호"_s))
        << window->lbl_warning->text().toStdString();
    // Between the tool bar and the page, which gives it the room.
    EXPECT_GE(window->lbl_warning->geometry().top(), window->ToolBar1->geometry().bottom());
    EXPECT_LT(preview().geometry().height(), pageArea.height());
    if (const QByteArray look = qgetenv("MIROLA_RENDER_DIR"); !look.isEmpty())
        window->grab().save(QDir(QString::fromLocal8Bit(look)).filePath(u"preview-cut.png"_s));
    window->showCutTexts({});
    QCoreApplication::processEvents();
    EXPECT_FALSE(window->lbl_warning->isVisible());
}

// To assistive technology every button is named by what it does, its tooltip gives its key,
// the page indicator and the zoom are named with what they show, and the page says which of
// how many it is.
TEST_F(PreviewWindow, NamesItsPartsForAssistiveTechnology)
{
    open(3);
    show();
    TfrmPreview& w = *window;
    const std::pair<QToolButton*, const char*> buttons[] = {
        {w.SpeedButton10, "저장"}, {w.SpeedButton7, "확대"}, {w.SpeedButton8, "축소"},
        {w.SpeedButton1, "처음"},  {w.SpeedButton9, "종료"},
    };
    for (const auto& [button, name] : buttons) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(button);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(QAccessible::Name), QString::fromUtf8(name));
    }
    EXPECT_EQ(w.SpeedButton10->toolTip(), u"저장 (Alt+S)"_s);
    EXPECT_EQ(w.SpeedButton2->toolTip(), u"이전 (PgUp)"_s);
    const auto name = [](QWidget* widget) {
        return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
    };
    EXPECT_EQ(name(w.lbl_page), u"전체 3쪽 중 1쪽"_s);
    EXPECT_EQ(name(w.edt_Size), u"배율 100%"_s);
    click(w.SpeedButton3);
    EXPECT_TRUE(w.RpPreview1->accessibleDescription().endsWith(u"전체 3쪽 중 2쪽"_s))
        << w.RpPreview1->accessibleDescription().toStdString();
    EXPECT_EQ(name(w.lbl_page), u"전체 3쪽 중 2쪽"_s);
    click(w.SpeedButton7);
    EXPECT_EQ(name(w.edt_Size), u"배율 105%"_s);
}

TEST_F(PreviewWindow, PagingAndThePageIndicator)
{
    open(3);
    show();
    EXPECT_EQ(window->lbl_page->text(), u"Page : 1/3"_s);
    struct Step
    {
        const char* name;
        QToolButton* TfrmPreview::*button;
        int page;
    };
    const Step steps[] = {
        {"next", &TfrmPreview::SpeedButton3, 2},
        {"last", &TfrmPreview::SpeedButton4, 3},
        {"next stays on the last page", &TfrmPreview::SpeedButton3, 3},
        {"previous", &TfrmPreview::SpeedButton2, 2},
        {"first", &TfrmPreview::SpeedButton1, 1},
        {"previous stays on the first page", &TfrmPreview::SpeedButton2, 1},
    };
    for (const Step& step : steps) {
        click((*window).*step.button);
        EXPECT_EQ(window->lbl_page->text(), u"Page : %1/3"_s.arg(step.page)) << step.name;
        EXPECT_EQ(preview().pageNumber(), step.page) << step.name;
        EXPECT_EQ(shownMark(*preview().image()), step.page) << step.name;
    }
}

TEST_F(PreviewWindow, OnePageStaysPageOne)
{
    open(1);
    show();
    for (QToolButton* b :
         {window->SpeedButton1, window->SpeedButton2, window->SpeedButton3, window->SpeedButton4}) {
        click(b);
        EXPECT_EQ(window->lbl_page->text(), u"Page : 1/1"_s) << b->objectName().toStdString();
        EXPECT_EQ(preview().pageNumber(), 1);
    }
}

TEST_F(PreviewWindow, ZoomingInStepsFrom100UpTo200)
{
    open(1);
    show();
    const int fitted = preview().zoom();
    ASSERT_NE(fitted, 105);
    click(window->SpeedButton7);
    EXPECT_EQ(zoomPanel(), u"105"_s);
    EXPECT_EQ(preview().zoom(), 105) << "from the fitted width straight to 105 %";
    EXPECT_EQ(preview().zoomMode(), zmFree);
    for (int i = 2; i <= 20; ++i)
        click(window->SpeedButton7);
    EXPECT_EQ(zoomPanel(), u"200"_s);
    EXPECT_EQ(preview().zoom(), 200);
    click(window->SpeedButton7);
    click(window->SpeedButton7);
    EXPECT_EQ(zoomPanel(), u"200"_s) << "further clicks do nothing";
    EXPECT_EQ(preview().zoom(), 200);
}

TEST_F(PreviewWindow, ZoomingOutStopsAtZeroWithThePageAtFive)
{
    open(1);
    show();
    for (int i = 1; i <= 19; ++i)
        click(window->SpeedButton8);
    EXPECT_EQ(zoomPanel(), u"5"_s);
    EXPECT_EQ(preview().zoom(), 5);
    click(window->SpeedButton8);
    EXPECT_EQ(zoomPanel(), u"0"_s);
    EXPECT_EQ(preview().zoom(), 5) << "the preview shows no zoom below 2 %";
    click(window->SpeedButton8);
    EXPECT_EQ(zoomPanel(), u"0"_s) << "further clicks do nothing";
    EXPECT_EQ(preview().zoom(), 5);
    click(window->SpeedButton7);
    EXPECT_EQ(zoomPanel(), u"5"_s) << "zooming in steps from 0";
}

TEST_F(PreviewWindow, ShortcutKeysOfTheMenu)
{
    open(3);
    show();
    struct Key
    {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* page;
        const char* zoom;
    };
    const Key keys[] = {
        {"page down", Qt::Key_PageDown, Qt::NoModifier, "Page : 2/3", "100"},
        {"end", Qt::Key_End, Qt::NoModifier, "Page : 3/3", "100"},
        {"page up", Qt::Key_PageUp, Qt::NoModifier, "Page : 2/3", "100"},
        {"home", Qt::Key_Home, Qt::NoModifier, "Page : 1/3", "100"},
        {"alt+i zooms in", Qt::Key_I, Qt::AltModifier, "Page : 1/3", "105"},
        {"alt+o zooms out", Qt::Key_O, Qt::AltModifier, "Page : 1/3", "100"},
        {"alt+o again", Qt::Key_O, Qt::AltModifier, "Page : 1/3", "95"},
    };
    for (const Key& k : keys) {
        QTest::keyClick(window.get(), k.key, k.modifiers);
        EXPECT_EQ(window->lbl_page->text(), QString::fromUtf8(k.page)) << k.name;
        EXPECT_EQ(zoomPanel(), QString::fromUtf8(k.zoom)) << k.name;
    }
    EXPECT_EQ(preview().zoom(), 95);
}

TEST_F(PreviewWindow, TheContextMenuRunsTheSameHandlers)
{
    open(3);
    show();
    const QPoint at = preview().rect().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, preview().mapToGlobal(at));
    QApplication::sendEvent(preview().viewport(), &event);
    ASSERT_TRUE(testsupport::waitUntil([&] { return window->Pop_Menu->isVisible(); }));
    // Down to the third item, 다음.
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(window->Pop_Menu, Qt::Key_Down);
    EXPECT_EQ(window->Pop_Menu->activeAction(), window->N3);
    QTest::keyClick(window->Pop_Menu, Qt::Key_Return);
    EXPECT_TRUE(testsupport::waitUntil([&] { return !window->Pop_Menu->isVisible(); }));
    EXPECT_EQ(window->lbl_page->text(), u"Page : 2/3"_s);
}

TEST_F(PreviewWindow, ArrowKeysScrollThirteenPixels)
{
    open(1);
    show();
    for (int i = 0; i < 20; ++i)
        click(window->SpeedButton7);
    ASSERT_EQ(preview().zoom(), 200);
    QScrollBar& h = *preview().horizontalScrollBar();
    QScrollBar& v = *preview().verticalScrollBar();
    ASSERT_GT(h.maximum(), 26);
    ASSERT_GT(v.maximum(), 26);
    struct Key
    {
        Qt::Key key;
        int x;
        int y;
    };
    const Key keys[] = {
        {Qt::Key_Right, 13, 0}, {Qt::Key_Right, 26, 0}, {Qt::Key_Left, 13, 0},
        {Qt::Key_Down, 13, 13}, {Qt::Key_Up, 13, 0},    {Qt::Key_Up, 13, 0},
        {Qt::Key_Left, 0, 0},   {Qt::Key_Left, 0, 0},
    };
    for (const Key& k : keys) {
        QTest::keyClick(window.get(), k.key);
        EXPECT_EQ(h.value(), k.x);
        EXPECT_EQ(v.value(), k.y);
    }
    // Modifiers are not looked at; the scroll bars hold the position within their range.
    QTest::keyClick(window.get(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(v.value(), 13);
    h.setValue(h.maximum() - 5);
    QTest::keyClick(window.get(), Qt::Key_Right);
    EXPECT_EQ(h.value(), h.maximum());
}

namespace {

// What the user does in the save dialog.
struct SaveCase
{
    const char* name;
    const char* folder;      // made under the test's directory first, unless empty
    const char* typed;       // the name typed, inside that folder
    bool chooseSecondFilter; // the filter after the report file's: PDF
    const char* written;     // the file that comes out
    bool pdf;
};

class SaveDialog : public PreviewWindow, public ::testing::WithParamInterface<SaveCase>
{
};

} // namespace

TEST_P(SaveDialog, WritesTheShownPages)
{
    const SaveCase& c = GetParam();
    testsupport::TempDir dir;
    QString folder = QString::fromStdString(dir.path());
    if (*c.folder) {
        folder += u"/"_s + QString::fromUtf8(c.folder);
        ASSERT_TRUE(QDir().mkpath(folder));
    }
    open(3);
    show();
    TRpPrinter* shown = preview().RpPrinter();

    QStringList offered;
    // The save shortcut reaches the same handler as the button.
    ASSERT_TRUE(driveModal(
        "save with Alt+S", [&] { QTest::keyClick(window.get(), Qt::Key_S, Qt::AltModifier); },
        [&](QWidget& dialog) {
            auto* fileDialog = qobject_cast<QFileDialog*>(&dialog);
            ASSERT_NE(fileDialog, nullptr);
            offered = fileDialog->nameFilters();
            if (c.chooseSecondFilter)
                QTest::keyClick(childOf<QComboBox>(dialog, "fileTypeCombo"), Qt::Key_Down);
            typeFileName(dialog, folder + u"/"_s + QString::fromUtf8(c.typed), Qt::Key_Return);
        }));

    EXPECT_EQ(offered, QStringList({u"Report file(*.RPF)"_s, u"PDF file (*.pdf)"_s}));
    const QString written = folder + u"/"_s + QString::fromUtf8(c.written);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList(QString::fromUtf8(c.written)));
    if (c.pdf) {
        ASSERT_TRUE(hasPdfSignature(written));
        EXPECT_EQ(pdfFacts(written).pages, 3);
        EXPECT_FALSE(inkBounds(CupsQueue::renderPage(written, 1, renderDpi)).isEmpty());
    } else {
        EXPECT_EQ(TRpPageList::OpenReportFile(written)->StoredPages(), 3);
    }
    // The report made new pages; the preview still shows those it had.
    EXPECT_NE(marked->report.RpPrinter(), shown);
    EXPECT_EQ(preview().RpPrinter(), shown);
    EXPECT_EQ(shown->PageTotal(), 3);
    EXPECT_EQ(shownMark(*preview().image()), 1);
    click(window->SpeedButton4);
    EXPECT_EQ(shownMark(*preview().image()), 3) << "the pages are still there to load";
}

INSTANTIATE_TEST_SUITE_P(
    PreviewWindow, SaveDialog,
    ::testing::Values(
        SaveCase{"a name without a dot takes .Txt", "", "statement", false, "statement.Txt", false},
        SaveCase{"a name with an extension is kept", "", "saved.rpf", false, "saved.rpf", false},
        SaveCase{"any extension is a report file", "", "saved.xyz", false, "saved.xyz", false},
        SaveCase{"a dot in a folder leaves the suffix alone", "v1.2", "statement", false,
                 "statement.Txt", false},
        SaveCase{"the PDF filter writes a PDF", "", "statement", true, "statement.pdf", true},
        SaveCase{"a PDF under its own name", "", "명세서.pdf", true, "명세서.pdf", true}),
    [](const auto& info) {
        std::string name;
        for (const char* p = info.param.name; *p; ++p)
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return name;
    });

TEST_F(PreviewWindow, ACancelledSaveWritesNothingButGeneratesAgain)
{
    testsupport::TempDir dir;
    open(2);
    show();
    TRpPrinter* shown = preview().RpPrinter();
    ASSERT_TRUE(driveModal(
        "cancel the save dialog", [&] { click(window->SpeedButton10); },
        [&](QWidget& dialog) {
            typeFileName(dialog, QString::fromStdString(dir.file("statement")), Qt::Key_Escape);
        }));
    EXPECT_TRUE(QDir(QString::fromStdString(dir.path())).isEmpty());
    EXPECT_NE(marked->report.RpPrinter(), shown);
    EXPECT_EQ(preview().RpPrinter(), shown);
}

TEST_F(PreviewWindow, SavingWaitsForThePrinterToFinish)
{
    testsupport::TempDir dir;
    open(2);
    show();
    TRpPrinter ready; // has not generated anything
    preview().setRpPrinter(&ready);
    ASSERT_TRUE(driveModal(
        "save while the printer is busy", [&] { click(window->SpeedButton10); },
        [&](QWidget& dialog) {
            typeFileName(dialog, QString::fromStdString(dir.file("statement")), Qt::Key_Return);
        }));
    EXPECT_TRUE(QDir(QString::fromStdString(dir.path())).isEmpty());
    preview().setRpPrinter(nullptr);
}

TEST_F(PreviewPrinting, PrintingSendsThePagesToThePrinter)
{
    if (!serverReady())
        return;
    open(3, newPrinterDevice, true);
    show();
    TRpPrinter* shown = preview().RpPrinter();
    marked->report.showProgress = false;
    const QString title = CupsQueue::uniqueTitle(u"preview"_s);
    marked->report.setReportTitle(text::toCp949(title));
    click(window->SpeedButton6);
    EXPECT_TRUE(marked->report.showProgress) << "printed with the progress window";
    const auto job = queue.waitForJob(title);
    ASSERT_TRUE(job) << "the job never finished";
    EXPECT_EQ(job->pages, 3);
    for (int sheet = 1; sheet <= 3; ++sheet) {
        const QRect box = inkBounds(CupsQueue::renderPage(job->pdf, sheet, renderDpi));
        ASSERT_FALSE(box.isEmpty()) << "sheet " << sheet;
        EXPECT_EQ(MarkedReport::pageOfMarkTop(box.top() * mmPerInch / renderDpi), sheet);
    }
    EXPECT_EQ(preview().RpPrinter(), shown) << "the preview keeps its pages";
    EXPECT_EQ(marked->report.RpPrinter(), shown);
}

TEST_F(PreviewPrinting, ThePrintDialogOpensFromTheButtonAndTheShortcut)
{
    if (!serverReady())
        return;
    open(2, newPrinterDevice, true);
    show();
    const std::function<void()> ways[] = {
        [this] { click(window->SpeedButton5); },
        [this] { QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier); },
    };
    for (const auto& open : ways) {
        const int copies = marked->report.printerSettings.copies;
        bool printDialog = false;
        EXPECT_TRUE(activate(*window));
        EXPECT_TRUE(driveModal("open the print dialog", open, [&](QWidget& dialog) {
            printDialog = qobject_cast<QAbstractPrintDialog*>(&dialog) != nullptr;
            static_cast<QDialog&>(dialog).reject();
        }));
        EXPECT_TRUE(printDialog);
        EXPECT_EQ(marked->report.printerSettings.copies, copies) << "cancelled: nothing changes";
        EXPECT_EQ(window->lbl_page->text(), u"Page : 1/2"_s);
    }
}

TEST_F(PreviewWindow, EveryWayOfClosingLetsGoOfThePrinterAndEndsTheWait)
{
    struct Closer
    {
        const char* name;
        std::function<void(TfrmPreview&)> close;
    };
    const Closer closers[] = {
        {"the close button",
         [](TfrmPreview& w) { QTest::mouseClick(w.SpeedButton9, Qt::LeftButton); }},
        {"the menu's last item",
         [](TfrmPreview& w) {
             const QPoint at = w.RpPreview1->rect().center();
             QContextMenuEvent event(QContextMenuEvent::Keyboard, at,
                                     w.RpPreview1->mapToGlobal(at));
             QApplication::sendEvent(&w, &event);
             ASSERT_TRUE(testsupport::waitUntil([&] { return w.Pop_Menu->isVisible(); }));
             QTest::keyClick(w.Pop_Menu, Qt::Key_Up);
             EXPECT_EQ(w.Pop_Menu->activeAction(), w.N14);
             QTest::keyClick(w.Pop_Menu, Qt::Key_Return);
         }},
        {"Alt+F4", [](TfrmPreview& w) { QTest::keyClick(&w, Qt::Key_F4, Qt::AltModifier); }},
        {"the window system", [](TfrmPreview& w) { w.windowHandle()->close(); }},
    };
    for (const Closer& closer : closers) {
        open(2);
        TRpPrinter* printer = preview().RpPrinter();
        ASSERT_TRUE(printer->inPreview());
        bool stillOpenAfterEscape = false;
        EXPECT_TRUE(driveModal(
            closer.name, [&] { window->ShowModal(); },
            [&](QWidget&) {
                // Escape is not one of the window's keys.
                QTest::keyClick(window.get(), Qt::Key_Escape);
                stillOpenAfterEscape = window->isVisible() && preview().RpPrinter() == printer;
                closer.close(*window);
            }));
        EXPECT_TRUE(stillOpenAfterEscape) << closer.name;
        EXPECT_FALSE(window->isVisible()) << closer.name;
        EXPECT_EQ(preview().RpPrinter(), nullptr) << closer.name;
        EXPECT_FALSE(printer->inPreview()) << closer.name;
        EXPECT_EQ(printer->listener(), nullptr) << closer.name;
    }
}
