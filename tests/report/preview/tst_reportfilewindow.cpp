#include "report/preview/ReportFilePages.h"
#include "report/preview/ReportFileWindow.h"
#include "report/preview/TRpPreview.h"
#include "report/preview/TRpPreviewImage.h"
#include "report/store/ReportFileError.h"
#include "report/store/TRpPageList.h"
#include "tests/report/preview/PreviewProbe.h"
#include "tests/report/print/MarkedReport.h"
#include "tests/support/ModalDriver.h"
#include "tests/support/TestSupport.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QtTest/QTest>
#include <gtest/gtest.h>

using namespace report;
using namespace Qt::StringLiterals;

namespace {

class ReportFile : public ::testing::Test
{
protected:
    ReportFile() : marked(4)
    {
        marked.report.GeneratePages();
        marked.report.RpPrinter()->SaveReportFile(path);
    }

    // Breaks the second record of page n's picture in the file on disk; the page's own record
    // and every other page stay sound.
    void damagePage(int n) const
    {
        const std::vector<TRpPageList::PageRecord> records =
            TRpPageList::OpenReportFile(path)->Records();
        const int64_t metafile = records.at(size_t(n - 1)).offset + 8;
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.seek(metafile + 4));
        uint32_t headerBytes = 0;
        ASSERT_EQ(file.read(reinterpret_cast<char*>(&headerBytes), 4), 4);
        ASSERT_TRUE(file.seek(metafile + headerBytes + 4));
        const uint32_t tooLong = 0x7FFFFFF0;
        ASSERT_EQ(file.write(reinterpret_cast<const char*>(&tooLong), 4), 4);
    }

    MarkedReport marked;
    testsupport::TempDir dir;
    QString path = QString::fromStdString(dir.file("saved.rpf"));
};

QAction* actionNamed(const QWidget& window, const QString& text)
{
    for (QAction* action : window.findChildren<QAction*>())
        if (action->text() == text)
            return action;
    return nullptr;
}

} // namespace

TEST_F(ReportFile, PagesComeFromTheFile)
{
    const ReportFilePages pages(path);
    const TRpPrinter& printer = *marked.report.RpPrinter();
    EXPECT_EQ(pages.PageTotal(), 4);
    EXPECT_NEAR(pages.PaperWidthNative(), 2100, 1) << "the size of the first page's picture";
    EXPECT_NEAR(pages.PaperLengthNative(), 2970, 1);
    EXPECT_EQ(pages.DeviceWidth(pages.PaperWidthNative()), 794);
    EXPECT_EQ(pages.DeviceHeight(pages.PaperLengthNative()), 1123);
    EXPECT_EQ(pages.PageImage(2), printer.PageImage(2));
    EXPECT_EQ(pages.PageImage(0), std::nullopt);
    EXPECT_EQ(pages.PageImage(5), std::nullopt);
}

TEST_F(ReportFile, FilesThatCannotBeShown)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.resize(file.size() / 2));
    file.close();
    EXPECT_THROW(ReportFilePages{path}, EReportFileError);
    EXPECT_EQ(showReportFile(path), 1);
    EXPECT_EQ(showReportFile(QString::fromStdString(dir.file("missing.rpf"))), 1);
}

TEST_F(ReportFile, ADamagedLaterPageRefusesTheFileWhilePageOneShows)
{
    damagePage(3);
    ReportFileWindow window(std::make_unique<ReportFilePages>(path), path);
    std::vector<std::string> messages;
    window.messageSink = [&](const std::string& text) { messages.push_back(text); };
    window.show();
    EXPECT_EQ(shownMark(*window.preview()->image()), 1) << "page 1 shows at once";
    ASSERT_TRUE(testsupport::waitUntil([&] { return !messages.empty(); }));
    EXPECT_NE(messages[0].find("page 3"), std::string::npos) << messages[0];
    EXPECT_EQ(window.refusal(), messages[0]);
    EXPECT_FALSE(window.isVisible()) << "the file is refused";
    EXPECT_EQ(window.result(), QDialog::Rejected);
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(ReportFile, APageThatCannotBeReadIsToldAndTheWindowGoesOn)
{
    auto pages = std::make_unique<ReportFilePages>(path);
    const ReportFilePages& checked = *pages;
    ReportFileWindow window(std::move(pages), path);
    std::vector<std::string> messages;
    window.messageSink = [&](const std::string& text) { messages.push_back(text); };
    window.show();
    ASSERT_TRUE(testsupport::waitUntil([&] { return checked.laterPagesChecked(); }));
    // The file changes on disk while it is shown.
    damagePage(4);
    QAction* last = actionNamed(window, u"마지막"_s);
    ASSERT_NE(last, nullptr);
    last->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("page 4"), std::string::npos) << messages[0];
    EXPECT_EQ(window.pageText(), u"Page : 1/4"_s) << "the page shown stays";
    EXPECT_EQ(shownMark(*window.preview()->image()), 1);
    if (const QString shots = qEnvironmentVariable("MIROLA_SCREENSHOT_DIR"); !shots.isEmpty()) {
        QCoreApplication::processEvents();
        window.grab().save(shots + u"/report-file-window-after-bad-page.png"_s);
    }
    actionNamed(window, u"다음"_s)->trigger();
    EXPECT_EQ(window.pageText(), u"Page : 2/4"_s) << "the other pages still show";
    EXPECT_EQ(shownMark(*window.preview()->image()), 2);
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(ReportFile, TheWindowPagesAndZooms)
{
    ReportFileWindow window(std::make_unique<ReportFilePages>(path), path);
    window.show();
    TRpPreview& preview = *window.preview();
    EXPECT_EQ(preview.zoomMode(), zmWidth) << "the page first fills the window's width";
    EXPECT_EQ(window.pageText(), u"Page : 1/4"_s);
    if (const QString shots = qEnvironmentVariable("MIROLA_SCREENSHOT_DIR"); !shots.isEmpty()) {
        QCoreApplication::processEvents();
        window.grab().save(shots + u"/report-file-window.png"_s);
    }

    struct Step
    {
        const char* name;
        void (ReportFileWindow::*action)();
        int page;
    };
    const Step steps[] = {
        {"next", &ReportFileWindow::nextPage, 2},
        {"last", &ReportFileWindow::lastPage, 4},
        {"next stays on the last page", &ReportFileWindow::nextPage, 4},
        {"previous", &ReportFileWindow::previousPage, 3},
        {"first", &ReportFileWindow::firstPage, 1},
        {"previous stays on the first page", &ReportFileWindow::previousPage, 1},
    };
    preview.setZoom(100);
    for (const Step& step : steps) {
        (window.*step.action)();
        EXPECT_EQ(window.pageText(), u"Page : %1/4"_s.arg(step.page)) << step.name;
        EXPECT_EQ(shownMark(*preview.image()), step.page) << step.name;
    }

    window.zoomIn();
    EXPECT_EQ(preview.zoom(), 110);
    EXPECT_EQ(window.zoomText(), u"110%"_s);
    for (int i = 0; i < 40; ++i)
        window.zoomIn();
    EXPECT_EQ(preview.zoom(), ReportFileWindow::maxStepZoom);
    for (int i = 0; i < 60; ++i)
        window.zoomOut();
    EXPECT_EQ(preview.zoom(), ReportFileWindow::minStepZoom);
    window.fitWidth();
    EXPECT_EQ(preview.zoomMode(), zmWidth);

    // To assistive technology the page and the zoom are named with what they show, in words.
    const auto name = [&](const char* label) {
        return QAccessible::queryAccessibleInterface(
                   window.findChild<QLabel*>(QString::fromLatin1(label)))
            ->text(QAccessible::Name);
    };
    window.lastPage();
    EXPECT_EQ(name("page"), u"전체 4쪽 중 4쪽"_s);
    EXPECT_EQ(name("zoom"), u"배율 %1%"_s.arg(preview.zoom()));
}

// Every button has a key, and its tooltip says which.
TEST_F(ReportFile, EveryButtonHasAKeyThatItsTooltipGives)
{
    ReportFileWindow window(std::make_unique<ReportFilePages>(path), path);
    QStringList tips;
    for (const QAction* action : window.findChildren<QAction*>())
        if (!action->text().isEmpty()) // not the separators and the labels' places
            tips << action->toolTip();
    EXPECT_EQ(tips, QStringList({u"처음 (Home)"_s, u"이전 (PgUp)"_s, u"다음 (PgDown)"_s,
                                 u"마지막 (End)"_s, u"출력 (Alt+P)"_s, u"확대 (Alt+I)"_s,
                                 u"축소 (Alt+O)"_s, u"폭 맞춤 (Alt+W)"_s, u"종료 (Esc)"_s}));
}

TEST_F(ReportFile, ShowingAFileWaitsForTheWindowToClose)
{
    bool shown = false;
    int status = -1;
    EXPECT_TRUE(testsupport::driveModal(
        "show a report file", [&] { status = showReportFile(path); },
        [&](QWidget& modal) {
            auto* window = qobject_cast<ReportFileWindow*>(&modal);
            ASSERT_NE(window, nullptr);
            shown = window->pageText() == u"Page : 1/4"_s;
            QTest::keyClick(window, Qt::Key_Escape); // 종료's key
        }));
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(shown);
}
