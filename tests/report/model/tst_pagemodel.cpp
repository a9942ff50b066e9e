#include "gfx/RecordingCanvas.h"
#include "report/model/LocaleDefaults.h"
#include "report/model/Rounding.h"
#include "report/model/TRpBand.h"
#include "report/model/TRpFrame.h"
#include "report/model/TRpLabel.h"
#include "report/model/TRpPage.h"
#include "report/model/TRpReport.h"
#include "report/model/TRpShape.h"

#include <QLocale>
#include <gtest/gtest.h>

using namespace report;

namespace {

// Native units of n pixels at 96 pixels per inch: the layout's positions are such multiples.
constexpr long double px(long double n)
{
    return n * 254 / 96;
}

class UsLocale
{
public:
    UsLocale() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    ~UsLocale() { QLocale::setDefault(QLocale(QLocale::Korean, QLocale::SouthKorea)); }
};

} // namespace

TEST(Round, HalvesGoToTheEvenNeighbour)
{
    struct Case
    {
        const char* name;
        long double value;
        int expected;
    };
    const Case cases[] = {
        {"half below one", 0.5L, 0},
        {"one and a half", 1.5L, 2},
        {"two and a half", 2.5L, 2},
        {"negative half", -0.5L, 0},
        {"negative one and a half", -1.5L, -2},
        {"just below a half", 2.4999L, 2},
        {"just above a half", 2.5001L, 3},
        {"a whole number", 682.0L, 682},
        {"beyond the int range", 1e30L, INT_MAX},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Round(c.value), c.expected) << c.name;
}

TEST(MulDiv, RoundsHalvesAwayFromZero)
{
    EXPECT_EQ(MulDiv(3, 1, 2), 2);
    EXPECT_EQ(MulDiv(-3, 1, 2), -2);
    EXPECT_EQ(MulDiv(100, 150, 100), 150);
    EXPECT_EQ(MulDiv(5, 7, 0), -1);
}

TEST(Units, ConversionsBetweenNativeAndEachKind)
{
    struct Case
    {
        const char* name;
        TRpUnit unit;
        long double native;
        long double value;
        UnitScale scale;
        bool vertical;
    };
    const Case cases[] = {
        {"millimetres", TRpUnit::MM, 100, 10, {}, false},
        {"inches", TRpUnit::Inches, 254, 1, {}, false},
        {"pixels at 96 dpi", TRpUnit::Pixels, 254, 96, {}, false},
        {"pixels at zoom 200", TRpUnit::Pixels, 254, 192, {96, 200, 10}, false},
        {"pixels at 72 dpi", TRpUnit::Pixels, 254, 72, {72, 100, 10}, true},
        {"character widths of 10 pt",
         TRpUnit::Characters,
         80 / 10.0L / 2.54L * 10 * 3,
         3,
         {},
         false},
        {"character heights of 10 pt",
         TRpUnit::Characters,
         145.3L / 10 / 2.54L * 10 * 2,
         2,
         {},
         true},
        {"native", TRpUnit::Native, 123.25L, 123.25L, {}, false},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(double(nativeToUnit(c.native, c.unit, c.vertical, c.scale)), double(c.value),
                    1e-9)
            << c.name;
        EXPECT_NEAR(double(unitToNative(c.value, c.unit, c.vertical, c.scale)), double(c.native),
                    1e-9)
            << c.name;
    }
}

TEST(Paper, TableAndCodes)
{
    EXPECT_EQ(paperCode(TRpPaperSize::A4), 9);
    EXPECT_EQ(paperCode(TRpPaperSize::Letter), 1);
    EXPECT_EQ(paperCode(TRpPaperSize::Custom), 256);
    EXPECT_EQ(paperFromCode(256), TRpPaperSize::Custom);
    EXPECT_EQ(paperFromCode(9), TRpPaperSize::A4);
    EXPECT_EQ(paperFromCode(4711), TRpPaperSize::Default);
    EXPECT_FALSE(paperDimensions(TRpPaperSize::Default).known);
    EXPECT_FALSE(paperDimensions(TRpPaperSize::Custom).known);
    const PaperDimensions env9 = paperDimensions(TRpPaperSize::Env9);
    EXPECT_DOUBLE_EQ(double(env9.widthMM), 98.43);
    EXPECT_DOUBLE_EQ(double(env9.lengthMM), 225.4);
}

TEST(Page, PaperSizesAndOrientation)
{
    TRpReport report;
    TRpPage& page = report.page();
    EXPECT_EQ(page.paperSize(), TRpPaperSize::A4);
    EXPECT_EQ(page.nativeValue(TRpPage::WidthIndex), 2100);
    EXPECT_EQ(page.nativeValue(TRpPage::LengthIndex), 2970);

    page.setOrientation(poLandscape);
    EXPECT_EQ(page.nativeValue(TRpPage::WidthIndex), 2970);
    EXPECT_EQ(page.nativeValue(TRpPage::LengthIndex), 2100);
    page.setOrientation(poPortrait);

    page.setPaperSize(TRpPaperSize::Letter);
    EXPECT_NEAR(double(page.nativeValue(TRpPage::WidthIndex)), 2159, 1e-9);
    EXPECT_NEAR(double(page.nativeValue(TRpPage::LengthIndex)), 2794, 1e-9);
    EXPECT_EQ(page.units(), TRpUnit::MM) << "the temporary switch is undone";

    page.setWidth(100);
    EXPECT_NEAR(double(page.nativeValue(TRpPage::WidthIndex)), 2159, 1e-9)
        << "Width only changes with Custom paper";
    page.setPaperSize(TRpPaperSize::Custom);
    page.setWidth(100);
    EXPECT_EQ(page.nativeValue(TRpPage::WidthIndex), 1000);
    EXPECT_EQ(report.pixelWidth(), Round(1000 * 96 / 254.0L));
}

TEST(Page, ValuesStreamInTheirOrder)
{
    TRpReport report;
    TRpPage& page = report.page();
    page.SetUnits(TRpUnit::Native);
    page.setBottomMargin(1);
    page.setTopMargin(3);
    page.setLeftMargin(5);
    page.setRightMargin(6);
    page.setColumnSpace(7);
    const std::vector<long double> expected = {1, 2970, 3, 2100, 5, 6, 7};
    EXPECT_EQ(page.Values(), expected);

    TRpReport other;
    other.page().ReadValues({10, 2970, 30, 2100, 50, 60, 70});
    EXPECT_EQ(other.page().nativeValue(TRpPage::RightMarginIndex), 60);
}

TEST(Page, MarginsInOneUnitReadInAnother)
{
    TRpReport report;
    TRpPage& page = report.page();
    page.SetUnits(TRpUnit::MM);
    page.setLeftMargin(10);
    EXPECT_EQ(page.nativeValue(TRpPage::LeftMarginIndex), 100);
    page.SetUnits(TRpUnit::Inches);
    EXPECT_NEAR(double(page.leftMargin()), 0.393700787, 1e-9);
}

TEST(Page, ColumnsBelowOneAreIgnored)
{
    TRpReport report;
    report.page().setColumns(3);
    report.page().setColumns(0);
    report.page().setColumns(-2);
    EXPECT_EQ(report.page().columns(), 3);
}

TEST(LocaleDefaults, MetricAndUsMeasurement)
{
    {
        TRpReport report;
        EXPECT_EQ(report.units(), TRpUnit::MM);
        EXPECT_EQ(report.page().nativeValue(TRpPage::TopMarginIndex), 100);
    }
    UsLocale us;
    EXPECT_TRUE(usesUsMeasurement());
    EXPECT_EQ(defaultPaperSize(), TRpPaperSize::Letter);
    TRpReport report;
    EXPECT_EQ(report.units(), TRpUnit::Inches);
    EXPECT_EQ(report.page().nativeValue(TRpPage::TopMarginIndex), 127);
    EXPECT_EQ(report.page().nativeValue(TRpPage::ColumnSpaceIndex), 0);
    // Without a printer to ask, a new report takes A4 whatever the locale.
    EXPECT_EQ(report.page().paperSize(), TRpPaperSize::A4);
}

TEST(Report, ZoomScalesThePixelSizesAndIgnoresValuesOutOfRange)
{
    TRpReport report;
    auto& shape = report.add<TRpShape>("box");
    shape.size().SetUnits(TRpUnit::Native);
    shape.size().setRect(px(10), px(20), px(30), px(40));
    EXPECT_EQ(report.pixelWidth(), 794);
    EXPECT_EQ(report.pixelHeight(), 1123);

    report.setZoom(200);
    EXPECT_EQ(report.pixelWidth(), 1587);
    EXPECT_EQ(shape.bounds(), gfx::Bounds(20, 40, 60, 80));
    report.setZoom(0);
    report.setZoom(301);
    EXPECT_EQ(report.zoom(), 200);
    report.setZoom(300);
    EXPECT_EQ(report.zoom(), 300);
}

TEST(Report, UnitsApplyToPageBandsAndPrintablesOnTheReport)
{
    TRpReport report;
    TRpBand& band = report.addBand(rbDetail, "DetailBand1");
    auto& onReport = report.add<TRpLabel>("a");
    auto& onBand = band.add<TRpLabel>("b");
    report.setUnits(TRpUnit::Inches);
    EXPECT_EQ(report.page().units(), TRpUnit::Inches);
    EXPECT_EQ(band.size().units(), TRpUnit::Inches);
    EXPECT_EQ(onReport.size().units(), TRpUnit::Inches);
    EXPECT_EQ(onBand.size().units(), TRpUnit::MM) << "printables on a band keep the band's kind";
}

TEST(Printable, PixelBoundsFollowTheSize)
{
    TRpReport report;
    auto& shape = report.add<TRpShape>("line");
    shape.size().SetUnits(TRpUnit::Native);
    shape.size().setLeft(148.1666666L);
    shape.size().setWidth(1804.4583333L);
    EXPECT_EQ(shape.left(), 56);
    EXPECT_EQ(shape.width(), 682);
}

TEST(Printable, SizeFollowsPixelChangesOnlyWhereTheyChanged)
{
    TRpReport report;
    auto& shape = report.add<TRpShape>("box");
    shape.size().SetUnits(TRpUnit::Native);
    shape.size().setRect(100.3L, 200.7L, 300, 400);
    const int top = shape.top();
    shape.setBounds(shape.left(), top, 50, shape.height());
    EXPECT_EQ(shape.size().nativeValue(TRpPrintableSize::TopIndex), 200.7L) << "unchanged";
    EXPECT_EQ(shape.size().nativeValue(TRpPrintableSize::LeftIndex), 100.3L) << "unchanged";
    EXPECT_NEAR(double(shape.size().nativeValue(TRpPrintableSize::WidthIndex)), double(px(50)),
                1e-9);
}

TEST(Printable, BandAlignment)
{
    TRpReport report;
    TRpBand& band = report.addBand(rbDetail, "DetailBand1");
    band.size().SetUnits(TRpUnit::Native);
    band.size().setWidth(px(400));
    band.size().setHeight(px(50));

    struct Case
    {
        const char* name;
        bool onBand;
        TAlignment alignment;
        int expectedLeft;
    };
    const Case cases[] = {
        {"centred on the report keeps its place", false, taCenter, 100},
        {"right-justified on the report keeps its place", false, taRightJustify, 100},
        {"left-justified on the report moves to 0", false, taLeftJustify, 0},
        {"left-justified on a band moves to 0", true, taLeftJustify, 0},
        {"right-justified on a band moves to the right edge", true, taRightJustify, 400 - 61},
        {"centred on a band moves to the middle", true, taCenter, (400 - 61) / 2},
    };
    for (const auto& c : cases) {
        TRpShape& shape = c.onBand ? band.add<TRpShape>(c.name) : report.add<TRpShape>(c.name);
        shape.size().SetUnits(TRpUnit::Native);
        shape.size().setRect(px(100), px(10), px(61), px(20));
        shape.setAlignment(c.alignment);
        shape.setAlignToBand(true);
        EXPECT_EQ(shape.left(), c.expectedLeft) << c.name;
        EXPECT_NEAR(double(shape.size().nativeValue(TRpPrintableSize::LeftIndex)),
                    double(px(c.expectedLeft)), 1e-9)
            << c.name;
    }
}

TEST(Printable, LoadedBoundsFillWhatTheSizeLeftAtZero)
{
    TRpReport report;
    auto& shape = report.add<TRpShape>("loaded");
    shape.beginLoading();
    shape.setBounds(56, 10, 682, 20);
    shape.size().ReadValues({px(20), px(56), px(10), 0});
    report.Loaded();
    EXPECT_FALSE(shape.loading());
    EXPECT_EQ(shape.width(), 682);
    EXPECT_NEAR(double(shape.size().nativeValue(TRpPrintableSize::WidthIndex)), double(px(682)),
                1e-9);
    EXPECT_EQ(shape.left(), 56);
}

TEST(Printable, StreamedFontSizeAppliesWhenLoadingCompletes)
{
    TRpReport report;
    auto& label = report.add<TRpLabel>("loaded");
    label.beginLoading();
    label.fontSize = 14;
    report.Loaded();
    EXPECT_EQ(label.font().size, 14);
    EXPECT_FALSE(label.parentFont());
}

TEST(Frame, SidesAreStripsOfTheScaledLineWidth)
{
    struct Case
    {
        const char* name;
        int width;
        long double scale;
        int expectedThickness;
    };
    const Case cases[] = {
        {"one point on the screen", 1, 96 / 254.0L, 1},
        {"one point at 600 dpi", 1, 600 / 254.0L, 8},
        {"three points on the screen", 3, 96 / 254.0L, 4},
        {"thinnest line", -1, 600 / 254.0L, 1},
    };
    for (const auto& c : cases) {
        TRpFrame frame;
        frame.drawTop = frame.drawBottom = frame.drawLeft = frame.drawRight = true;
        frame.width = c.width;
        frame.color = gfx::clRed;
        gfx::RecordingCanvas canvas;
        const gfx::Rect r{10, 20, 110, 220};
        frame.Draw(canvas, r, c.scale, c.scale);
        const auto fills = canvas.callsOf(gfx::DrawCall::Kind::FillRect);
        ASSERT_EQ(fills.size(), 4u) << c.name;
        const int t = c.expectedThickness;
        EXPECT_EQ(fills[0].rect, (gfx::Rect{10, 20, 110, 20 + t})) << c.name << " top";
        EXPECT_EQ(fills[1].rect, (gfx::Rect{10, 220 - t, 110, 220})) << c.name << " bottom";
        EXPECT_EQ(fills[2].rect, (gfx::Rect{10, 20, 10 + t, 220})) << c.name << " left";
        EXPECT_EQ(fills[3].rect, (gfx::Rect{110 - t, 20, 110, 220})) << c.name << " right";
        EXPECT_EQ(fills[0].brush.color, gfx::clRed);
        EXPECT_EQ(canvas.brush.style, gfx::BrushStyle::Clear) << "the brush is left clear";
    }
}

TEST(Frame, NoSideDrawsNothing)
{
    TRpFrame frame;
    gfx::RecordingCanvas canvas;
    frame.Draw(canvas, {0, 0, 10, 10}, 1, 1);
    EXPECT_TRUE(canvas.calls().empty());
}
