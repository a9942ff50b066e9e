#include "RecordingDevice.h"
#include "report/model/Rounding.h"
#include "report/model/TRpExpr.h"
#include "report/model/TRpImage.h"
#include "report/model/TRpLabel.h"
#include "report/model/TRpPrinter.h"
#include "report/model/TRpReport.h"
#include "report/model/TRpShape.h"
#include "text/Cp949.h"

#include <gtest/gtest.h>

using namespace report;
using gfx::DrawCall;
using Kind = gfx::DrawCall::Kind;

namespace {

constexpr long double px(long double n)
{
    return n * 254 / 96;
}

gfx::Font codingFont(int points = 10)
{
    gfx::Font font;
    font.name = text::cp949("굴림체");
    font.size = points;
    return font;
}

// One open page on a printer at the screen's resolution; printables print onto it directly.
class OnePage
{
public:
    explicit OnePage(report::PrinterDeviceInfo device = testsupport::screenLikePrinter())
        : m_log(std::make_shared<testsupport::RecordingDevice::Log>()),
          report([log = m_log, device] {
              return std::make_unique<testsupport::RecordingDevice>(log, device);
          })
    {
        report.NewReportPrinter();
        printer().setOutputTarget(ToPrinter);
        printer().BeginJob();
        printer().StartNewPage();
    }

    TRpPrinter& printer() { return *report.RpPrinter(); }

    void print(TRpPrintable& printable, long double offsetX = 0, long double offsetY = 0)
    {
        printable.PrepareForRun();
        printable.PrintAt(offsetX, offsetY);
        printable.EndRun();
    }

    std::vector<DrawCall> calls()
    {
        printer().EndJob();
        return m_log->pages.at(0);
    }

    static std::vector<DrawCall> of(const std::vector<DrawCall>& calls, Kind kind)
    {
        std::vector<DrawCall> found;
        for (const auto& c : calls)
            if (c.kind == kind)
                found.push_back(c);
        return found;
    }

private:
    std::shared_ptr<testsupport::RecordingDevice::Log> m_log;

public:
    TRpReport report;
};

TRpLabel& fixedLabel(TRpReport& report, long double left, long double top, long double width,
                     long double height)
{
    auto& label = report.add<TRpLabel>("label");
    label.setFont(codingFont());
    label.setAutoSize(false);
    label.size().SetUnits(TRpUnit::Native);
    label.size().setRect(left, top, width, height);
    return label;
}

// The line height of a font in native units at the screen resolution.
long double lineHeight(TRpReport& report, const gfx::Font& font)
{
    report.MeasureContext().font = font;
    return report.MeasureContext().TextHeight("W") * 254 / 96.0L;
}

} // namespace

TEST(LabelPrinting, AlignmentPlacesTheTextReference)
{
    struct Case
    {
        const char* name;
        TAlignment alignment;
        unsigned textAlign;
        int x;
    };
    const Case cases[] = {
        {"left", taLeftJustify, gfx::TA_LEFT | gfx::TA_TOP, 100},
        {"right", taRightJustify, gfx::TA_RIGHT | gfx::TA_TOP, 300},
        {"centre", taCenter, gfx::TA_CENTER | gfx::TA_TOP, 200},
    };
    for (const auto& c : cases) {
        OnePage page;
        TRpLabel& label = fixedLabel(page.report, px(100), px(50), px(200), px(40));
        label.setAlignment(c.alignment);
        label.setCaption("text");
        page.print(label);
        const auto calls = page.calls();
        const auto fills = OnePage::of(calls, Kind::FillRect);
        ASSERT_EQ(fills.size(), 1u) << c.name << ": an opaque label fills its rectangle";
        EXPECT_EQ(fills[0].rect, (gfx::Rect{100, 50, 300, 90})) << c.name;
        EXPECT_EQ(fills[0].brush.color, gfx::clWhite) << c.name;
        const auto texts = OnePage::of(calls, Kind::ExtTextOut);
        ASSERT_EQ(texts.size(), 1u) << c.name;
        EXPECT_EQ(texts[0].text, "text") << c.name;
        EXPECT_EQ(texts[0].x, c.x) << c.name;
        EXPECT_EQ(texts[0].y, 50) << c.name;
        EXPECT_EQ(texts[0].textAlign, c.textAlign) << c.name;
        EXPECT_EQ(texts[0].bkMode, gfx::BkMode::Transparent) << c.name;
    }
}

TEST(LabelPrinting, ALineThatDoesNotFitTheHeightIsNotPrinted)
{
    struct Case
    {
        const char* name;
        long double heightBelowLine; // native
        size_t lines;
    };
    const Case cases[] = {
        {"height + 1 below the line height", 1.5L, 0},
        {"height + 1 reaches the line height", 1.0L, 1},
    };
    for (const auto& c : cases) {
        OnePage page;
        const long double lh = lineHeight(page.report, codingFont());
        TRpLabel& label = fixedLabel(page.report, px(10), px(10), px(200), lh - c.heightBelowLine);
        label.setCaption("one\rtwo");
        label.size().setHeight(lh - c.heightBelowLine); // the caption raised it to one line
        page.print(label);
        const auto calls = page.calls();
        EXPECT_EQ(OnePage::of(calls, Kind::ExtTextOut).size(), c.lines) << c.name;
        EXPECT_EQ(OnePage::of(calls, Kind::FillRect).size(), 1u) << c.name << ": still filled";
    }
}

TEST(LabelPrinting, LinesFollowEachOtherByTheLineHeight)
{
    OnePage page;
    const long double lh = lineHeight(page.report, codingFont());
    TRpLabel& label = fixedLabel(page.report, px(10), px(10), px(200), 3 * lh);
    label.setTransparent(true);
    label.setCaption("one\r\rthree\rfour");
    page.print(label);
    const auto calls = page.calls();
    EXPECT_TRUE(OnePage::of(calls, Kind::FillRect).empty()) << "transparent";
    const auto texts = OnePage::of(calls, Kind::ExtTextOut);
    ASSERT_EQ(texts.size(), 2u) << "the empty line draws nothing, the fourth does not fit";
    EXPECT_EQ(texts[0].text, "one");
    EXPECT_EQ(texts[1].text, "three");
    EXPECT_EQ(texts[1].y, Round(px(10) * 96 / 254 + 2 * lh * 96 / 254));
}

TEST(LabelPrinting, FrameShiftsTheTextAndIsDrawnAfterIt)
{
    OnePage page;
    TRpLabel& label = fixedLabel(page.report, px(100), px(50), px(200), px(40));
    label.frame.drawTop = label.frame.drawLeft = true;
    label.setCaption("framed");
    page.print(label);
    const auto calls = page.calls();
    const int inset = Round(254 / 72.0L); // one point in native units
    const auto texts = OnePage::of(calls, Kind::ExtTextOut);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].x, Round((px(100) + inset) * 96 / 254));
    EXPECT_EQ(texts[0].y, Round((px(50) + inset) * 96 / 254));
    const auto fills = OnePage::of(calls, Kind::FillRect);
    ASSERT_EQ(fills.size(), 3u) << "background, top and left";
    EXPECT_EQ(fills[1].brush.color, gfx::clBlack);
    EXPECT_EQ(fills[1].rect.top, texts[0].y) << "the frame is drawn around the shifted rectangle";
}

TEST(LabelPrinting, OnPrintReplacesTheTextOfOnePrinting)
{
    OnePage page;
    TRpLabel& label = fixedLabel(page.report, 0, 0, px(100), px(20));
    label.setCaption("stored");
    label.OnPrint = [](TRpCustomLabel&, std::string& text) { text = "printed"; };
    page.print(label);
    const auto texts = OnePage::of(page.calls(), Kind::ExtTextOut);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "printed");
    EXPECT_EQ(label.printText(), "stored");
    EXPECT_EQ(label.PrintLines(), std::vector<std::string>{"stored"});
}

TEST(LabelPrinting, DisabledLabelsPrintNothing)
{
    OnePage page;
    TRpLabel& label = fixedLabel(page.report, 0, 0, px(100), px(20));
    label.setCaption("hidden");
    label.enabled = false;
    page.print(label);
    EXPECT_TRUE(page.calls().empty());
}

TEST(ExpressionPrinting, ResultsAsPrintedTexts)
{
    struct Case
    {
        const char* name;
        std::string expression;
        std::string mask;
        std::string expected;
    };
    const Case cases[] = {
        {"a quoted Korean literal", text::cp949("'건수'"), "", text::cp949("건수")},
        {"adjacent quotes inside a literal", "'it''s'", "", "it''s"},
        {"the empty literal prints nothing", "''", "", ""},
        {"an unknown name", "foo", "", "Unknown function : FOO"},
        {"an integer through a mask", "1234567", "#,##0", "1,234,567"},
        {"a real in the general format", "1/4", "", "0.25"},
        {"a boolean", "1=1", "", "True"},
        {"the page number while printing", "PAGENUMBER", "", "0"},
    };
    for (const auto& c : cases) {
        OnePage page;
        auto& expr = page.report.add<TRpExpr>("expr");
        expr.setFont(codingFont());
        expr.setAutoSize(false);
        expr.size().SetUnits(TRpUnit::Native);
        expr.size().setRect(px(10), px(10), px(300), px(20));
        expr.setExpression(c.expression);
        expr.setMask(c.mask);
        page.print(expr);
        const auto texts = OnePage::of(page.calls(), Kind::ExtTextOut);
        if (c.expected.empty()) {
            EXPECT_TRUE(texts.empty()) << c.name;
        } else {
            ASSERT_EQ(texts.size(), 1u) << c.name;
            EXPECT_EQ(texts[0].text, c.expected) << c.name;
        }
    }
}

TEST(ExpressionPrinting, CaptionShowsTheExpressionOutsideARun)
{
    TRpReport report;
    auto& expr = report.add<TRpExpr>("expr");
    EXPECT_EQ(expr.caption(), "(none)");
    expr.setExpression("'abc'");
    EXPECT_EQ(expr.caption(), "'abc'");
    EXPECT_THROW(expr.ExprEvaluator().value(), EvaluatorError);
}

TEST(ShapePrinting, EachShapeDrawsThroughTheMiddleOrAlongItsEdges)
{
    struct Case
    {
        const char* name;
        TRpShapeType shape;
        Kind kind;
        std::vector<std::pair<gfx::Point, gfx::Point>> lines;
    };
    // Rectangle 10, 20, 50 × 30 pixels: L 10, T 20, R 60, B 50, middle 35 / 35.
    const Case cases[] = {
        {"rectangle", rpsRectangle, Kind::Rectangle, {}},
        {"circle", rpsCircle, Kind::Ellipse, {}},
        {"vertical line", rpsVertLine, Kind::Line, {{{35, 20}, {35, 50}}}},
        {"horizontal line", rpsHorLine, Kind::Line, {{{10, 35}, {60, 35}}}},
        {"top and bottom",
         rpsTopAndBottom,
         Kind::Line,
         {{{10, 20}, {60, 20}}, {{10, 50}, {60, 50}}}},
        {"right and left",
         rpsRightAndLeft,
         Kind::Line,
         {{{10, 20}, {10, 50}}, {{60, 20}, {60, 50}}}},
    };
    for (const auto& c : cases) {
        OnePage page;
        auto& shape = page.report.add<TRpShape>("shape");
        shape.shape = c.shape;
        shape.pen.width = 2;
        shape.brush = {gfx::clYellow, gfx::BrushStyle::Solid};
        shape.size().SetUnits(TRpUnit::Native);
        shape.size().setRect(px(10), px(20), px(50), px(30));
        page.print(shape);
        const auto drawn = OnePage::of(page.calls(), c.kind);
        if (c.lines.empty()) {
            ASSERT_EQ(drawn.size(), 1u) << c.name;
            EXPECT_EQ(drawn[0].rect, (gfx::Rect{10, 20, 60, 50})) << c.name;
            EXPECT_EQ(drawn[0].brush.color, gfx::clYellow) << c.name;
            EXPECT_EQ(drawn[0].pen.width, 2) << c.name << ": the pen is not scaled";
            continue;
        }
        ASSERT_EQ(drawn.size(), c.lines.size()) << c.name;
        for (size_t i = 0; i < drawn.size(); ++i) {
            EXPECT_EQ(drawn[i].from, c.lines[i].first) << c.name;
            EXPECT_EQ(drawn[i].to, c.lines[i].second) << c.name;
        }
    }
}

TEST(ShapePrinting, HorizontalLineLiesAtTheMiddleOfItsRectangle)
{
    OnePage page;
    auto& shape = page.report.add<TRpShape>("rule");
    shape.shape = rpsHorLine;
    shape.size().SetUnits(TRpUnit::Native);
    shape.size().setRect(100, 1481.67L, 500, 5.29L);
    page.print(shape);
    const auto lines = OnePage::of(page.calls(), Kind::Line);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].from.y, page.printer().DeviceY(1484.315L));
    EXPECT_EQ(lines[0].from.y, 561);
}

// A wide styled pen would draw solid; the line keeps its style as dashes scaled by the width.
TEST(ShapePrinting, WideStyledLineKeepsItsStyle)
{
    OnePage page;
    auto& shape = page.report.add<TRpShape>("cut");
    shape.shape = rpsHorLine;
    shape.pen = {gfx::clBlack, 2, gfx::PenStyle::DashDotDot};
    shape.size().SetUnits(TRpUnit::Native);
    shape.size().setRect(px(0), px(20), px(100), px(2));
    page.print(shape);
    const auto lines = OnePage::of(page.calls(), Kind::Line);
    // Dash 18, gap 6, dot 6, gap 6, dot 6, gap 6, then the next dash: 0-18, 24-30, 36-42, 48-66...
    const std::pair<int, int> expected[] = {{0, 18},  {24, 30}, {36, 42}, {48, 66},
                                            {72, 78}, {84, 90}, {96, 100}};
    ASSERT_EQ(lines.size(), std::size(expected));
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].from.x, expected[i].first) << i;
        EXPECT_EQ(lines[i].to.x, expected[i].second) << i;
        EXPECT_EQ(lines[i].from.y, lines[i].to.y);
        EXPECT_EQ(lines[i].pen.style, gfx::PenStyle::Solid);
        EXPECT_EQ(lines[i].pen.width, 2);
    }
}

// On a printer's finer pixels pens keep the width they have on the screen-resolution page, so a
// dotted line prints the same dots as in its page picture.
TEST(ShapePrinting, OnAFinerPrinterPensKeepTheirScreenWidth)
{
    report::PrinterDeviceInfo device = testsupport::screenLikePrinter();
    device.dpiX = device.dpiY = 600;
    device.physicalWidth = 4961;
    device.physicalHeight = 7016;
    OnePage page(device);
    auto& shape = page.report.add<TRpShape>("divider");
    shape.shape = rpsHorLine;
    shape.pen = {gfx::clBlue, 1, gfx::PenStyle::Dot};
    shape.size().SetUnits(TRpUnit::Native);
    shape.size().setRect(px(0), px(20), px(24), px(2));
    page.print(shape);
    const auto lines = OnePage::of(page.calls(), Kind::Line);
    // Six device pixels a screen pixel: dots of 3 × 6 with gaps as long, over 150 pixels.
    const std::pair<int, int> expected[] = {{0, 18}, {36, 54}, {72, 90}, {108, 126}, {144, 150}};
    ASSERT_EQ(lines.size(), std::size(expected));
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].from.x, expected[i].first) << i;
        EXPECT_EQ(lines[i].to.x, expected[i].second) << i;
        EXPECT_EQ(lines[i].pen.width, 6);
    }
}

TEST(ShapePrinting, DisabledShapesPrintNothing)
{
    OnePage page;
    auto& shape = page.report.add<TRpShape>("shape");
    shape.enabled = false;
    page.print(shape);
    EXPECT_TRUE(page.calls().empty());
}

TEST(ImagePrinting, StretchedNaturalAndCentred)
{
    const gfx::Bitmap picture(40, 20);
    struct Case
    {
        const char* name;
        bool stretch;
        bool center;
        gfx::Rect drawn;
        bool clipped;
    };
    // The printable: 10, 20, 100 × 60 pixels.
    const Case cases[] = {
        {"stretched into the rectangle", true, false, {10, 20, 110, 80}, false},
        {"natural size at the top-left corner", false, false, {10, 20, 50, 40}, true},
        {"natural size centred", false, true, {40, 40, 80, 60}, true},
    };
    for (const auto& c : cases) {
        OnePage page;
        auto& image = page.report.add<TRpImage>("image");
        image.setPicture(picture);
        image.stretch = c.stretch;
        image.center = c.center;
        image.enabled = false; // images print whether enabled or not
        image.frame.drawBottom = true;
        image.size().SetUnits(TRpUnit::Native);
        image.size().setRect(px(10), px(20), px(100), px(60));
        page.print(image);
        const auto calls = page.calls();
        const auto draws = OnePage::of(calls, Kind::StretchDraw);
        ASSERT_EQ(draws.size(), 1u) << c.name;
        EXPECT_EQ(draws[0].rect, c.drawn) << c.name;
        if (c.clipped)
            EXPECT_EQ(draws[0].clip, (gfx::Rect{10, 20, 110, 80})) << c.name;
        else
            EXPECT_FALSE(draws[0].clip.has_value()) << c.name;
        const auto fills = OnePage::of(calls, Kind::FillRect);
        ASSERT_EQ(fills.size(), 1u) << c.name << ": the frame's bottom";
        EXPECT_EQ(fills[0].rect, (gfx::Rect{10, 79, 110, 80})) << c.name;
        EXPECT_EQ(OnePage::of(calls, Kind::SelectClipRgn).size(), c.clipped ? 1u : 0u) << c.name;
    }
}

TEST(ImagePrinting, EmptyPictureWithoutFrameDrawsNothing)
{
    OnePage page;
    auto& image = page.report.add<TRpImage>("image");
    page.print(image);
    EXPECT_TRUE(page.calls().empty());
}

TEST(ImagePrinting, AutoSizeTakesThePictureSize)
{
    TRpReport report;
    auto& image = report.add<TRpImage>("image");
    EXPECT_EQ(image.width(), TRpImage::initialPixelSize);
    image.setAutoSize(true);
    image.setPicture(gfx::Bitmap(33, 44));
    EXPECT_EQ(image.width(), 33);
    EXPECT_EQ(image.height(), 44);
    EXPECT_NEAR(double(image.size().nativeValue(TRpPrintableSize::WidthIndex)), double(px(33)),
                1e-9);
}
