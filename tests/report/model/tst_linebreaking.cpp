#include "report/model/TRpBand.h"
#include "report/model/TRpLabel.h"
#include "report/model/TRpReport.h"
#include "text/Cp949.h"

#include <gtest/gtest.h>

using namespace report;
using Lines = std::vector<std::string>;

namespace {

gfx::Font codingFont(int points = 10)
{
    gfx::Font font;
    font.name = text::cp949("굴림체");
    font.size = points;
    return font;
}

// A label on `report` of the given pixel width, word-wrapping, not auto-sized.
TRpLabel& wrappingLabel(TRpReport& report, int width)
{
    auto& label = report.add<TRpLabel>("label");
    label.setFont(codingFont());
    label.setAutoSize(false);
    label.setBounds(10, 10, width, 100);
    return label;
}

} // namespace

TEST(LineBreaking, ParagraphsSplitAtCarriageReturnsAndDropLineFeeds)
{
    struct Case
    {
        const char* name;
        bool autoSize;
        std::string text;
        Lines expected;
    };
    const Case cases[] = {
        {"CR LF between two letters", false, "A\r\nB", {"A", "B"}},
        {"CR LF between two letters, auto-sized", true, "A\r\nB", {"A", "B"}},
        {"a trailing CR gives an empty line", false, "A\r", {"A", ""}},
        {"a trailing CR gives an empty line, auto-sized", true, "A\r", {"A", ""}},
        {"line feeds alone are dropped", false, "A\nB", {"AB"}},
        {"an empty text is one empty line", false, "", {""}},
    };
    for (const auto& c : cases) {
        TRpReport report;
        TRpLabel& label = wrappingLabel(report, 300);
        label.setAutoSize(c.autoSize);
        label.setCaption(c.text);
        EXPECT_EQ(label.PrintLines(), c.expected) << c.name;
    }
}

TEST(LineBreaking, WordsFillLinesUpToTheLabelWidth)
{
    TRpReport report;
    TRpLabel& label = wrappingLabel(report, 300);
    // Exactly wide enough for the first two words with their spaces.
    label.setBounds(10, 10, label.MeasureLine("alpha beta-"), 100);
    label.setCaption("alpha beta-gamma delta");
    EXPECT_EQ(label.PrintLines(), (Lines{"alpha beta-", "gamma delta"}));
}

TEST(LineBreaking, AWordTooWideAtTheStartOfALineIsCutAndItsRestLost)
{
    TRpReport report;
    TRpLabel& label = wrappingLabel(report, 300);
    const int width = label.MeasureLine("abcd") + 1; // "abcd" stays below, "abcde" does not
    label.setBounds(10, 10, width, 100);
    label.setCaption("abcdefghij xy");
    ASSERT_LT(label.MeasureLine("abcd"), width);
    ASSERT_GE(label.MeasureLine("abcde"), width);
    EXPECT_EQ(label.PrintLines(), (Lines{"abcd", "xy"}));
}

TEST(LineBreaking, AWordTooWideAfterOthersStartsANewLineShortenedFromTheEnd)
{
    TRpReport report;
    TRpLabel& label = wrappingLabel(report, 300);
    const int width = label.MeasureLine("abcdef");
    label.setBounds(10, 10, width, 100);
    label.setCaption("ab abcdefghij cd");
    // The long word does not fit after "ab ", so "ab " is a line; alone it is still too wide,
    // so it is shortened from its end until it fits and becomes a line of its own.
    EXPECT_EQ(label.PrintLines(), (Lines{"ab ", "abcdef", "cd"}));
}

TEST(LineBreaking, WithoutWordWrapTheFirstOverflowEndsTheParagraph)
{
    TRpReport report;
    TRpLabel& label = wrappingLabel(report, 300);
    label.setWordWrap(false);
    label.setBounds(10, 10, label.MeasureLine("w1 w2 "), 100);
    label.setCaption("w1 w2 w3 w4");
    EXPECT_EQ(label.PrintLines(), (Lines{"w1 w2 "}));
}

TEST(LineBreaking, CutsFallBetweenCharacters)
{
    TRpReport report;
    TRpLabel& label = wrappingLabel(report, 300);
    const std::string word = text::cp949("가나다라마바사");
    // Room for three characters and a bit: half of the fourth would print as a replacement.
    const int width = label.MeasureLine(word.substr(0, 6)) + 3;
    for (bool wrap : {true, false}) {
        SCOPED_TRACE(wrap ? "word wrap" : "no word wrap");
        label.setBounds(10, 10, width, 100);
        label.setWordWrap(wrap);
        label.setCaption(word);
        ASSERT_FALSE(label.PrintLines().empty());
        EXPECT_EQ(label.PrintLines().front(), word.substr(0, 6));
        // After other words, the too-wide word is shortened from its end, character by character.
        label.setCaption("A " + word);
        for (const std::string& line : label.PrintLines())
            EXPECT_FALSE(text::fromCp949(line).contains(QChar::ReplacementCharacter))
                << text::fromCp949(line).toStdString();
    }
}

namespace {

std::string withoutSpaces(std::string s)
{
    std::erase(s, ' ');
    return s;
}

} // namespace

// A text that must print whole shrinks by whole points over all the lines its printable holds;
// only at the smallest legible size is anything cut, and then the label says so.
TEST(LineBreaking, AWholeTextShrinksOverItsLinesBeforeAnythingIsCut)
{
    struct Case
    {
        const char* what;
        int width, height; // pixels at 96 per inch
        const char* text;
        bool smaller;
        bool cut;
    };
    const Case cases[] = {
        {"fits as it is", 133, 14, "(주)한빛유통", false, false},
        {"15 syllables without a space in one line", 133, 14, "한국농수산식품유통공사서울본부",
         true, false},
        {"20 syllables without a space over two small lines", 133, 14,
         "한국농수산식품유통공사서울지역본부물류센터", true, false},
        {"a long word goes on over the second line", 118, 27, "대한민국시도지사협의회사무국", false,
         false},
        {"two representatives", 104, 14, "황보서연, 남궁민수", true, false},
        {"three-line address in a two-line cell", 281, 27,
         "경기도 성남시 분당구 판교역로 235 에이치스퀘어 엔동 7층 701호 "
         "(삼평동, 한국판교테크노밸리 글로벌연구개발센터)",
         true, false},
        {"ASCII name past full width", 133, 14, "GLOBAL TRADING PARTNERS KOREA LTD.", true, false},
        {"far too long even at the smallest size", 60, 14,
         "한국농수산식품유통공사서울지역본부물류센터", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TRpReport report;
        TRpLabel& label = wrappingLabel(report, c.width);
        label.setBounds(10, 10, c.width, c.height);
        label.setShrinkToFit(true);
        const std::string value = text::cp949(c.text);
        label.setCaption(value);
        EXPECT_EQ(label.linesFont().size < 10, c.smaller);
        EXPECT_EQ(label.textCut(), c.cut);
        EXPECT_GE(label.linesFont().size, TRpCustomLabel::minTextPoints);
        gfx::Canvas& measure = report.MeasureContext();
        measure.font = label.linesFont();
        const int lineHeight = measure.TextHeight("W");
        EXPECT_LE(int(label.PrintLines().size()) * lineHeight, c.height);
        std::string joined;
        for (const std::string& line : label.PrintLines()) {
            EXPECT_LE(label.MeasureLine(line), c.width) << text::fromCp949(line).toStdString();
            EXPECT_FALSE(text::fromCp949(line).contains(QChar::ReplacementCharacter));
            joined += line;
        }
        if (c.cut)
            EXPECT_EQ(withoutSpaces(value).compare(0, withoutSpaces(joined).size(),
                                                   withoutSpaces(joined)),
                      0);
        else
            EXPECT_EQ(withoutSpaces(joined), withoutSpaces(value));
    }
}

TEST(LineBreaking, NarrowTallLabelStacksSpacedWords)
{
    TRpReport report;
    TRpLabel& label = wrappingLabel(report, 17); // 4.50 mm
    label.setCaption(text::cp949("공  급  자"));
    // Each character with its space is wider than the label: the character alone fits.
    const Lines expected = {text::cp949("공"), " ", text::cp949("급"), " ", text::cp949("자")};
    EXPECT_EQ(label.PrintLines(), expected);
}

TEST(AutoSize, WidthFollowsTheWidestLine)
{
    TRpReport report;
    auto& label = report.add<TRpLabel>("label");
    label.setFont(codingFont());
    label.setBounds(100, 10, 30, 5);
    label.setCaption("short\rmuch longer line");
    EXPECT_EQ(label.width(), label.MeasureLine("much longer line"));
    EXPECT_EQ(label.left(), 100) << "left-justified labels keep their left edge";
    EXPECT_EQ(label.height(), label.minimumHeight()) << "raised to one line's height";
}

TEST(AutoSize, EmptyCaptionIsOnePixelWide)
{
    TRpReport report;
    auto& label = report.add<TRpLabel>("label");
    label.setCaption("");
    EXPECT_EQ(label.PrintLines(), Lines{""});
    EXPECT_EQ(label.width(), 1);
}

TEST(AutoSize, FrameWidthIsAddedForEachSideDrawn)
{
    TRpReport report;
    auto& label = report.add<TRpLabel>("label");
    label.frame.drawLeft = label.frame.drawRight = true;
    label.frame.width = 2;
    label.setCaption("framed");
    EXPECT_EQ(label.width(), label.MeasureLine("framed") + 4);
}

TEST(AutoSize, AlignedLabelsKeepTheirRightEdgeOrCentre)
{
    struct Case
    {
        const char* name;
        TAlignment alignment;
    };
    const Case cases[] = {{"right-justified", taRightJustify}, {"centred", taCenter}};
    for (const auto& c : cases) {
        TRpReport report;
        auto& label = report.add<TRpLabel>("label");
        label.setFont(codingFont(14));
        label.setAlignment(c.alignment);
        label.setCaption("a fairly long caption");
        const double rightEdge = label.left() + label.width();
        const double centre = label.left() + label.width() / 2.0;
        for (const char* text : {"short", "x", "a much, much longer caption than before"}) {
            label.setCaption(text);
            if (c.alignment == taRightJustify)
                EXPECT_EQ(label.left() + label.width(), rightEdge) << c.name << ": " << text;
            else
                EXPECT_NEAR(label.left() + label.width() / 2.0, centre, 0.5)
                    << c.name << ": " << text;
        }
    }
}

TEST(AutoSize, ZoomScalesTheMeasuredWidth)
{
    TRpReport report;
    auto& label = report.add<TRpLabel>("label");
    label.setFont(codingFont());
    label.setCaption("zoomed text");
    const int atHundred = label.width();
    report.setZoom(200);
    label.setCaption("zoomed text");
    EXPECT_NEAR(label.width(), 2 * atHundred, 2);
}

TEST(LineBreaking, NothingHappensWithoutAParent)
{
    TRpLabel label;
    label.setCaption("orphan");
    EXPECT_TRUE(label.PrintLines().empty());
    EXPECT_EQ(label.width(), TRpPrintable::initialPixelSize);
}

TEST(LineBreaking, LabelsOnABandMeasureWithTheirReport)
{
    TRpReport report;
    TRpBand& band = report.addBand(rbDetail, "DetailBand1");
    auto& label = band.add<TRpLabel>("onBand");
    label.setCaption("on a band");
    EXPECT_EQ(label.PrintLines(), Lines{"on a band"});
    EXPECT_EQ(label.width(), label.MeasureLine("on a band"));
}

// A figure is never cut: one line, whole, at the largest smaller size that fits the printable,
// and at the floor size when even that is too wide. An ordinary text of the same width is cut.
TEST(LineBreaking, AFigureStaysWholeAndShrinksToFit)
{
    const std::string figure = "-1,234,567,890";
    TRpReport report;
    TRpLabel& label = wrappingLabel(report, 0);
    const int full = label.MeasureLine(figure);
    struct Case
    {
        const char* what;
        int width;
        bool atFloor;
    };
    const Case cases[] = {
        {"fits at its own size", full, false},
        {"a pixel too narrow", full - 1, false},
        {"too narrow for any legible size", 10, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        label.setBounds(10, 10, c.width, 100);
        label.setFigure(false);
        label.setCaption(figure);
        EXPECT_EQ(label.PrintLines().size() > 1 || label.PrintLines()[0] != figure, c.width < full);
        label.setFigure(true);
        EXPECT_EQ(label.PrintLines(), Lines{figure});
        const gfx::Font f = label.lineFont(figure);
        if (c.atFloor) {
            EXPECT_EQ(f.size, TRpCustomLabel::minFigurePoints);
            EXPECT_GT(label.MeasureLine(figure, f), c.width);
        } else {
            EXPECT_LE(label.MeasureLine(figure, f), c.width);
            EXPECT_EQ(f.size, c.width < full ? 9 : 10);
        }
    }
}
