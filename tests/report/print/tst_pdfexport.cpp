#include "report/model/TRpReport.h"
#include "report/print/WritePdf.h"
#include "report/store/ReportFileError.h"
#include "report/store/TRpExportFilterLibrary.h"
#include "tests/report/preview/SamplePage.h"
#include "tests/report/print/CupsQueue.h"
#include "tests/report/print/MarkedReport.h"
#include "tests/report/print/PdfTools.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace report;
using namespace Qt::StringLiterals;

namespace {

// Rendering resolution of pages read back: enough to place a box to half a millimetre.
constexpr int renderDpi = 60;
constexpr double mmPerInch = 25.4;
constexpr double pointsPerInch = 72;
// A4 in points, and how far a page may be off it: the pages are whole screen pixels.
constexpr double a4WidthPoints = 210 / mmPerInch * pointsPerInch;
constexpr double a4LengthPoints = 297 / mmPerInch * pointsPerInch;
constexpr double pointTolerance = 1;

double mm(int pixels)
{
    return pixels * mmPerInch / renderDpi;
}

class Pdf : public ::testing::Test
{
protected:
    QString file(const char* name) const { return QString::fromStdString(dir.file(name)); }

    testsupport::TempDir dir;
};

} // namespace

TEST(PdfExportFilter, IsOfferedAfterTheReportFileOnceRegistered)
{
    EXPECT_EQ(TRpExportFilterLibrary::DialogFilterText(), "Report file(*.RPF)|*.RPF");
    EXPECT_EQ(TRpExportFilterLibrary::FindFilter("pdf"), nullptr);

    RegisterPdfExportFilter();
    RegisterPdfExportFilter();
    EXPECT_EQ(TRpExportFilterLibrary::DialogFilterText(),
              "Report file(*.RPF)|*.RPF|PDF file (*.pdf)|*.pdf")
        << "registered once, however often it is asked";
    ASSERT_EQ(TRpExportFilterLibrary::Filters().size(), 1u);
    const TRpExportFilterLibrary::Filter* filter = TRpExportFilterLibrary::FindFilter("PDF");
    ASSERT_NE(filter, nullptr) << "the extension's letter case does not matter";
    EXPECT_EQ(filter->extension, "pdf");

    TRpExportFilterLibrary::UnregisterFilter("pdf");
    EXPECT_EQ(TRpExportFilterLibrary::DialogFilterText(), "Report file(*.RPF)|*.RPF");
}

TEST_F(Pdf, EveryPageLandsWhereItWasDrawnOnItsPaper)
{
    MarkedReport marked(3);
    marked.report.GeneratePages();
    const QString pdf = file("marked.pdf");
    WritePdf(*marked.report.RpPrinter(), pdf);

    ASSERT_TRUE(hasPdfSignature(pdf));
    const PdfFacts facts = pdfFacts(pdf);
    EXPECT_EQ(facts.pages, 3);
    EXPECT_NEAR(facts.pagePoints.width(), a4WidthPoints, pointTolerance);
    EXPECT_NEAR(facts.pagePoints.height(), a4LengthPoints, pointTolerance);
    for (int page = 1; page <= 3; ++page) {
        const QRect box = inkBounds(CupsQueue::renderPage(pdf, page, renderDpi));
        ASSERT_FALSE(box.isEmpty()) << "page " << page;
        EXPECT_EQ(MarkedReport::pageOfMarkTop(mm(box.top())), page);
        EXPECT_NEAR(mm(box.left()), MarkedReport::markLeft / 10, 1);
        EXPECT_NEAR(mm(box.width()), MarkedReport::markWidth / 10, 1);
        EXPECT_NEAR(mm(box.height()), MarkedReport::markHeight / 10, 1);
    }
}

TEST_F(Pdf, ALandscapePageIsWiderThanHigh)
{
    MarkedReport marked(1);
    marked.report.page().setOrientation(poLandscape);
    marked.report.GeneratePages();
    const QString pdf = file("landscape.pdf");
    WritePdf(*marked.report.RpPrinter(), pdf);

    const PdfFacts facts = pdfFacts(pdf);
    EXPECT_EQ(facts.pages, 1);
    EXPECT_NEAR(facts.pagePoints.width(), a4LengthPoints, pointTolerance);
    EXPECT_NEAR(facts.pagePoints.height(), a4WidthPoints, pointTolerance);
}

TEST_F(Pdf, TextStaysTextAndLinesStayLines)
{
    MarkedReport sample(1);
    addSamplePage(sample.report);
    sample.report.GeneratePages();
    const QString pdf = file("sample.pdf");
    WritePdf(*sample.report.RpPrinter(), pdf);
    if (const QString shots = qEnvironmentVariable("MIROLA_SCREENSHOT_DIR"); !shots.isEmpty())
        QFile::copy(pdf, shots + u"/sample-page.pdf"_s);

    const QString text = pdfText(pdf, 1);
    EXPECT_TRUE(text.contains(u"(주)미로라상사"_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"합계금액"_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"282,000"_s)) << text.toStdString();
    EXPECT_EQ(pdfImageCount(pdf), 0) << "drawn as vectors, not as a picture";
    // The table's outline: lines where the page put them (150 native from the left).
    const QRect ink = inkBounds(CupsQueue::renderPage(pdf, 1, renderDpi));
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_NEAR(mm(ink.left()), 15, 1);
}

TEST_F(Pdf, TheExportFilterWritesAPageStore)
{
    RegisterPdfExportFilter();
    MarkedReport marked(2);
    marked.report.GeneratePages();
    const QString pdf = file("store.pdf");
    TRpExportFilterLibrary::FindFilter("pdf")->write(*marked.report.RpPrinter()->pageStore(), pdf);
    EXPECT_EQ(pdfFacts(pdf).pages, 2);
    const QRect box = inkBounds(CupsQueue::renderPage(pdf, 2, renderDpi));
    EXPECT_EQ(MarkedReport::pageOfMarkTop(mm(box.top())), 2);
    TRpExportFilterLibrary::UnregisterFilter("pdf");
}

TEST_F(Pdf, APathFromTheCommandLine)
{
    MarkedReport marked(1);
    marked.report.GeneratePages();
    const std::string path = dir.file("거래명세서.pdf");
    WritePdf(*marked.report.RpPrinter(), path);
    EXPECT_EQ(pdfFacts(QString::fromStdString(path)).pages, 1);
}

TEST_F(Pdf, NothingIsWrittenBeforeTheJobHasFinished)
{
    const TRpPrinter ready;
    const QString pdf = file("ready.pdf");
    WritePdf(ready, pdf);
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(Pdf, AFileThatCannotBeCreatedIsAnErrorAndAnExistingOneIsReplaced)
{
    MarkedReport marked(1);
    marked.report.GeneratePages();
    EXPECT_THROW(WritePdf(*marked.report.RpPrinter(), file("missing/folder.pdf")), EStreamError);

    const QString pdf = file("old.pdf");
    {
        QFile old(pdf);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    WritePdf(*marked.report.RpPrinter(), pdf);
    EXPECT_EQ(pdfFacts(pdf).pages, 1);
}
