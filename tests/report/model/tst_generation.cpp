#include "RecordingDevice.h"
#include "gfx/EmfPlayer.h"
#include "gfx/RecordingCanvas.h"
#include "report/model/TRpExpr.h"
#include "report/model/TRpLabel.h"
#include "report/model/TRpReport.h"
#include "report/model/TRpShape.h"
#include "report/store/ReportFileError.h"
#include "report/store/TRpPageList.h"
#include "tests/support/UnwritableTempFolder.h"

#include <gtest/gtest.h>

using namespace report;
using gfx::DrawCall;
using Kind = gfx::DrawCall::Kind;

namespace {

constexpr long double px(long double n)
{
    return n * 254 / 96;
}

// What page n of the report's page store draws, played back onto a recording canvas.
std::unique_ptr<gfx::RecordingCanvas> playPage(const TRpReport& report, int n)
{
    const auto emf = report.RpPrinter()->PageImage(n);
    if (!emf)
        return nullptr;
    auto canvas = std::make_unique<gfx::RecordingCanvas>();
    gfx::EmfPlayer player(*canvas);
    if (!player.play(*emf, {0, 0, 794, 1123}))
        return nullptr;
    return canvas;
}

std::vector<std::string> pageTexts(const TRpReport& report, int n)
{
    const auto canvas = playPage(report, n);
    return canvas ? canvas->texts() : std::vector<std::string>{"(no page)"};
}

TRpLabel& addLabel(TRpReport& report, const std::string& name, long double left, long double top,
                   const std::string& caption)
{
    auto& label = report.add<TRpLabel>(name);
    label.size().SetUnits(TRpUnit::Native);
    label.size().setRect(left, top, px(200), px(20));
    label.setCaption(caption);
    return label;
}

template <class Band> TRpLabel& addLabel(Band& band, const std::string& caption)
{
    auto& label = band.template add<TRpLabel>(caption);
    label.setTransparent(true);
    label.size().SetUnits(TRpUnit::Native);
    label.size().setRect(0, 0, px(200), px(20));
    label.setCaption(caption);
    return label;
}

// A band across the margins, `height` native units high.
TRpBand& addBand(TRpReport& report, TRpBandType type, long double height,
                 const std::string& name = "DetailBand1")
{
    TRpBand& band = report.addBand(type, name);
    band.size().SetUnits(TRpUnit::Native);
    band.size().setWidth(1900);
    band.size().setHeight(height);
    return band;
}

TRpBand& addDetail(TRpReport& report, long double height)
{
    return addBand(report, rbDetail, height);
}

// The statement's shape: A4 with 10 mm margins, one empty detail band, printables on the page.
void statementLike(TRpReport& report)
{
    TRpBand& detail = report.addBand(rbDetail, "DetailBand1");
    detail.size().SetUnits(TRpUnit::MM);
    detail.size().setWidth(189.97L);
    detail.size().setHeight(2.91L);
    addLabel(report, "first", px(100), px(100), "first");
    auto& rule = report.add<TRpShape>("rule");
    rule.shape = rpsHorLine;
    rule.size().SetUnits(TRpUnit::Native);
    rule.size().setRect(px(100), px(90), px(300), px(20));
    addLabel(report, "second", px(100), px(300), "second");
}

} // namespace

TEST(Generation, ReportWithoutDataPrintsOnePage)
{
    TRpReport report;
    statementLike(report);
    report.GeneratePages();
    TRpPrinter* printer = report.RpPrinter();
    ASSERT_NE(printer, nullptr);
    EXPECT_EQ(printer->jobState(), jsFinished);
    EXPECT_EQ(printer->PageTotal(), 1);
    EXPECT_TRUE(printer->hasReport);

    const auto page = playPage(report, 1);
    ASSERT_NE(page, nullptr);
    const auto& calls = page->calls();
    // The detail band's white fill at the margins comes first, the printables after it.
    std::vector<DrawCall> drawn;
    for (const auto& c : calls)
        if (c.kind == Kind::FillRect || c.kind == Kind::ExtTextOut || c.kind == Kind::Line)
            drawn.push_back(c);
    ASSERT_GE(drawn.size(), 6u);
    EXPECT_EQ(drawn[0].kind, Kind::FillRect);
    EXPECT_EQ(drawn[0].rect.left, 38) << "DeviceX of the 10 mm left margin";
    EXPECT_EQ(drawn[0].rect.top, 38);
    EXPECT_EQ(drawn[0].rect.right, printer->DeviceX(100 + 1899.7L));
    EXPECT_EQ(gfx::ColorToRGB(drawn[0].brush.color), gfx::clWhite);
    EXPECT_EQ(drawn[2].text, "first");
    EXPECT_EQ(drawn[3].kind, Kind::Line) << "in child order";
    EXPECT_EQ(drawn[5].text, "second");
    EXPECT_EQ(page->texts(), (std::vector<std::string>{"first", "second"}));
}

TEST(Generation, WithoutPrintIfEmptyNothingIsPrinted)
{
    TRpReport report;
    statementLike(report);
    report.setPrintIfEmpty(false);
    report.GeneratePages();
    EXPECT_EQ(report.RpPrinter()->PageTotal(), 0);
    EXPECT_EQ(report.RpPrinter()->jobState(), jsFinished);
    EXPECT_FALSE(report.RpPrinter()->PageImage(1).has_value());
}

TEST(Generation, UnitsAreRestoredAfterTheRun)
{
    TRpReport report;
    statementLike(report);
    report.setUnits(TRpUnit::Inches);
    TRpUnit during = TRpUnit::MM;
    report.OnStartPage = [&](TRpReport& r) { during = r.page().units(); };
    report.GeneratePages();
    EXPECT_EQ(during, TRpUnit::Native);
    EXPECT_EQ(report.units(), TRpUnit::Inches);
    EXPECT_EQ(report.page().units(), TRpUnit::Inches);
    EXPECT_TRUE(report.idle());
}

TEST(Generation, MarginsWiderThanThePageAreDropped)
{
    TRpReport report;
    statementLike(report);
    report.page().SetUnits(TRpUnit::Native);
    report.page().setLeftMargin(1500);
    report.page().setRightMargin(700);
    report.page().setTopMargin(1000);
    report.GeneratePages();
    EXPECT_EQ(report.page().nativeValue(TRpPage::LeftMarginIndex), 0);
    EXPECT_EQ(report.page().nativeValue(TRpPage::RightMarginIndex), 0);
    EXPECT_EQ(report.page().nativeValue(TRpPage::TopMarginIndex), 1000) << "that pair fits";
}

TEST(Generation, VetoedBeforePrintLeavesTheJobUntouched)
{
    TRpReport report;
    statementLike(report);
    report.BeforePrint = [](TRpReport&, bool& allow) { allow = false; };
    report.GeneratePages();
    EXPECT_EQ(report.RpPrinter()->jobState(), jsReady);
    EXPECT_TRUE(report.idle());
}

namespace {

// The statement-like report, titled "statement", printing to a recording device.
struct RecordedStatement
{
    std::shared_ptr<testsupport::RecordingDevice::Log> log =
        std::make_shared<testsupport::RecordingDevice::Log>();
    TRpReport report{[log = log] {
        return std::make_unique<testsupport::RecordingDevice>(log,
                                                              testsupport::screenLikePrinter());
    }};

    RecordedStatement()
    {
        statementLike(report);
        report.setReportTitle("statement");
    }
};

} // namespace

TEST(Generation, AnErrorInsideARunEndsTheJobAndLeavesTheReportIdle)
{
    RecordedStatement recorded;
    TRpReport& report = recorded.report;
    const auto& log = recorded.log;
    report.setUnits(TRpUnit::Inches);
    report.OnStartPage = [](TRpReport&) { throw std::runtime_error("refill failed"); };
    EXPECT_THROW(report.GeneratePages(), std::runtime_error);
    EXPECT_TRUE(report.idle());
    EXPECT_EQ(report.units(), TRpUnit::Inches);
    EXPECT_EQ(report.RpPrinter()->jobState(), jsFinished);

    // Only a cancelled run is aborted; a failed one ends its document.
    EXPECT_THROW(report.PrintReport(), std::runtime_error);
    EXPECT_EQ(log->events, (std::vector<std::string>{"begin statement", "end"}));
    EXPECT_TRUE(report.idle());

    report.OnStartPage = nullptr;
    report.GeneratePages();
    EXPECT_EQ(report.RpPrinter()->PageTotal(), 1) << "the next run works";
}

TEST(Generation, ADeviceWhoseDocumentEndFailsLeavesTheReportIdle)
{
    RecordedStatement recorded;
    TRpReport& report = recorded.report;
    const auto& log = recorded.log;
    log->failDocumentEnd = true;
    EXPECT_THROW(report.PrintReport(), ERpError);
    EXPECT_TRUE(report.idle());
    log->failDocumentEnd = false;
    report.PrintReport();
    EXPECT_EQ(log->events,
              (std::vector<std::string>{"begin statement", "end", "begin statement", "end"}))
        << "the next print runs";
}

TEST(Generation, AnUnwritableTemporaryFolderFailsTheRunAndLeavesTheReportIdle)
{
    TRpReport report;
    statementLike(report);
    // Enough drawing that the page, like a statement page, outgrows the store's memory.
    report.OnStartPage = [](TRpReport& r) {
        gfx::Canvas& canvas = r.RpPrinter()->PageCanvas();
        for (int i = 0; i < 6000; ++i)
            canvas.Rectangle({i % 700, i % 1000, i % 700 + 20, i % 1000 + 20});
    };
    {
        const testsupport::UnwritableTempFolder unwritable;
        EXPECT_THROW(report.GeneratePages(), EStreamError);
        EXPECT_TRUE(report.idle());
        EXPECT_EQ(report.RpPrinter()->jobState(), jsFinished);
    }
    report.GeneratePages();
    EXPECT_EQ(report.RpPrinter()->PageTotal(), 1);
    EXPECT_FALSE(report.RpPrinter()->pageStore()->Stream().HeldInMemory());
}

TEST(Generation, EachRunMakesANewPrinterAndTheOldOneLivesOnWhileHeld)
{
    TRpReport report;
    statementLike(report);
    report.GeneratePages();
    const std::shared_ptr<TRpPrinter> shown = report.sharedPrinter();
    report.GeneratePages();
    EXPECT_NE(report.RpPrinter(), shown.get());
    EXPECT_EQ(shown->PageTotal(), 1);
    EXPECT_TRUE(shown->PageImage(1).has_value());
}

TEST(Generation, APrinterOutlivingItsReportForgetsIt)
{
    std::shared_ptr<TRpPrinter> shown;
    {
        TRpReport report;
        statementLike(report);
        report.AfterPreview = [](TRpReport&) { FAIL() << "the report is gone"; };
        report.GeneratePages();
        shown = report.sharedPrinter();
        EXPECT_EQ(shown->ownerReport, &report);
    }
    EXPECT_EQ(shown->ownerReport, nullptr);
    shown->setInPreview(false);
    EXPECT_TRUE(shown->PageImage(1).has_value());
}

TEST(Generation, ReportFrameIsDrawnAroundTheMargins)
{
    TRpReport report;
    statementLike(report);
    report.frame.drawLeft = true;
    report.GeneratePages();
    const auto page = playPage(report, 1);
    ASSERT_NE(page, nullptr);
    const auto fills = page->callsOf(Kind::FillRect);
    ASSERT_FALSE(fills.empty());
    EXPECT_EQ(fills.back().rect, (gfx::Rect{38, 38, 39, 1123 - 38})) << "printed last";
}

TEST(DataLoop, OneRecordAPageWithARefillAtEachPageStart)
{
    TRpReport report;
    addDetail(report, 10).forceNewPage = true;
    TRpLabel& line = addLabel(report, "line", px(100), px(100), "");
    const std::vector<std::string> records = {"lines 1-13", "lines 14-26", "lines 27-30"};
    size_t next = 0;
    report.OnNeedData = [&](TRpReport&) { return next++ < records.size(); };
    std::vector<int> starts;
    report.OnStartPage = [&](TRpReport& r) {
        starts.push_back(r.currentPage());
        line.setCaption(records[size_t(r.currentPage() - 1)]);
    };
    report.GeneratePages();
    EXPECT_EQ(report.RpPrinter()->PageTotal(), 3);
    EXPECT_EQ(starts, (std::vector<int>{1, 2, 3}));
    for (int page = 1; page <= 3; ++page)
        EXPECT_EQ(pageTexts(report, page), std::vector<std::string>{records[size_t(page - 1)]});
}

TEST(DataLoop, RecordsFillAPageUntilTheBandNoLongerFits)
{
    TRpReport report;
    TRpBand& detail = addDetail(report, 1000); // 10 mm margins leave 2770: two bands a page
    auto& value = detail.add<TRpExpr>("value");
    value.setTransparent(true);
    value.size().SetUnits(TRpUnit::Native);
    value.size().setRect(0, 0, px(200), px(20));
    int record = 0;
    report.OnNeedData = [&](TRpReport&) {
        if (record == 5)
            return false;
        ++record;
        value.setExpression("'record " + std::to_string(record) + "'");
        return true;
    };
    report.GeneratePages();
    ASSERT_EQ(report.RpPrinter()->PageTotal(), 3);
    EXPECT_EQ(pageTexts(report, 1), (std::vector<std::string>{"record 1", "record 2"}));
    EXPECT_EQ(pageTexts(report, 3), (std::vector<std::string>{"record 5"}));
}

TEST(DataLoop, CancellingBetweenRecordsAbortsTheJob)
{
    TRpReport report;
    addDetail(report, 10).forceNewPage = true;
    int records = 0;
    report.OnNeedData = [&](TRpReport& r) {
        if (++records == 3)
            r.Cancel();
        return records <= 5;
    };
    report.GeneratePages();
    EXPECT_EQ(records, 3) << "no record is asked for after the cancel";
    EXPECT_EQ(report.RpPrinter()->PageTotal(), 2);
    EXPECT_EQ(report.RpPrinter()->jobState(), jsFinished);
    EXPECT_TRUE(report.RpPrinter()->PageImage(2).has_value()) << "the open page is kept";
    EXPECT_TRUE(report.idle());
}

TEST(DataLoop, NoRecordsFollowsPrintIfEmpty)
{
    for (bool printIfEmpty : {true, false}) {
        TRpReport report;
        statementLike(report);
        report.setPrintIfEmpty(printIfEmpty);
        report.OnNeedData = [](TRpReport&) { return false; };
        report.GeneratePages();
        EXPECT_EQ(report.RpPrinter()->PageTotal(), printIfEmpty ? 1 : 0);
    }
}

TEST(DataLoop, PageNumbersAndCountsOfTheDetail)
{
    TRpReport report;
    addDetail(report, 10).forceNewPage = true;
    auto& page = report.add<TRpExpr>("page");
    page.size().SetUnits(TRpUnit::Native);
    page.size().setRect(px(100), px(100), px(300), px(20));
    page.setExpression("'page '+PAGENUMBER+' of records '+COUNT");
    int records = 3;
    report.OnNeedData = [&](TRpReport&) { return records-- > 0; };
    report.GeneratePages();
    ASSERT_EQ(report.RpPrinter()->PageTotal(), 3);
    EXPECT_EQ(pageTexts(report, 1), std::vector<std::string>{"page 1 of records 1"});
    EXPECT_EQ(pageTexts(report, 3), std::vector<std::string>{"page 3 of records 3"});
    EXPECT_EQ(page.caption(), "'page '+PAGENUMBER+' of records '+COUNT") << "after the run";
}

TEST(Bands, PageHeaderAndFooterFollowTheirOptions)
{
    struct Case
    {
        const char* name;
        bool firstPageHeader;
        bool lastPageFooter;
        std::vector<std::string> page1;
        std::vector<std::string> page2;
    };
    const Case cases[] = {
        {"both options", true, true, {"header", "body", "footer"}, {"header", "body", "footer"}},
        {"no header on page 1", false, true, {"body", "footer"}, {"header", "body", "footer"}},
        {"no footer on the last page",
         true,
         false,
         {"header", "body", "footer"},
         {"header", "body"}},
    };
    for (const auto& c : cases) {
        TRpReport report;
        report.options.firstPageHeader = c.firstPageHeader;
        report.options.lastPageFooter = c.lastPageFooter;
        for (auto [type, caption] :
             {std::pair{rbPageHeader, "header"}, {rbDetail, "body"}, {rbPageFooter, "footer"}}) {
            TRpBand& band = addBand(report, type, 100, caption);
            band.forceNewPage = true;
            addLabel(band, caption);
        }
        int records = 2;
        report.OnNeedData = [&](TRpReport&) { return records-- > 0; };
        report.GeneratePages();
        ASSERT_EQ(report.RpPrinter()->PageTotal(), 2) << c.name;
        EXPECT_EQ(pageTexts(report, 1), c.page1) << c.name;
        EXPECT_EQ(pageTexts(report, 2), c.page2) << c.name;
    }
}

TEST(Bands, FooterSitsAboveTheBottomMarginAndTitleOnPageOne)
{
    TRpReport report;
    for (auto [type, caption] :
         {std::pair{rbTitle, "title"}, {rbDetail, "body"}, {rbPageFooter, "footer"}}) {
        addLabel(addBand(report, type, 100, caption), caption);
    }
    report.GeneratePages();
    const auto page = playPage(report, 1);
    ASSERT_NE(page, nullptr);
    const auto texts = page->callsOf(Kind::ExtTextOut);
    ASSERT_EQ(texts.size(), 3u);
    const TRpPrinter& p = *report.RpPrinter();
    EXPECT_EQ(texts[0].text, "title");
    EXPECT_EQ(texts[0].y, p.DeviceY(100));
    EXPECT_EQ(texts[1].text, "body");
    EXPECT_EQ(texts[1].y, p.DeviceY(200));
    EXPECT_EQ(texts[2].text, "footer");
    EXPECT_EQ(texts[2].y, p.DeviceY(2970 - 100 - 100));
}

TEST(Printing, PrintReportSendsThePagesAndKeepsThePreviewedPrinter)
{
    auto log = std::make_shared<testsupport::RecordingDevice::Log>();
    TRpReport report([log] {
        return std::make_unique<testsupport::RecordingDevice>(log,
                                                              testsupport::screenLikePrinter());
    });
    statementLike(report);
    report.setReportTitle("statement");
    report.printerSettings.copies = 2;
    report.GeneratePages();
    TRpPrinter* previewed = report.RpPrinter();
    int afterPrint = 0;
    report.AfterPrint = [&](TRpReport&) { ++afterPrint; };
    report.PrintReport();
    EXPECT_EQ(report.RpPrinter(), previewed);
    EXPECT_EQ(log->events, (std::vector<std::string>{"begin statement", "end"}));
    ASSERT_EQ(log->pages.size(), 1u);
    ASSERT_EQ(log->modes.size(), 1u);
    EXPECT_EQ(log->modes[0].copies, 2);
    EXPECT_EQ(afterPrint, 1);
}

TEST(Printing, WithoutPrintersNothingIsPrinted)
{
    TRpReport report;
    statementLike(report);
    report.GeneratePages();
    TRpPrinter* previewed = report.RpPrinter();
    report.PrintReport();
    EXPECT_EQ(report.RpPrinter(), previewed);
    EXPECT_TRUE(report.idle());
}
