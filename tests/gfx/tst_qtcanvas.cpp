#include "gfx/MeasureCanvas.h"
#include "gfx/QtCanvas.h"
#include "tests/gfx/PixelProbe.h"
#include "text/Cp949.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace gfx;
using namespace gfxtest;

namespace {

// A colour no drawing in these tests produces, so that every changed pixel shows.
constexpr Color paper = RGB(0x20, 0x40, 0x60);

QImage surface(int width = 80, int height = 40)
{
    QImage image = makeImage(width, height);
    image.fill(toQColor(paper));
    return image;
}

Font arial(int size = 10)
{
    Font f;
    f.name = "Arial";
    f.size = size;
    f.color = clBlack;
    return f;
}

} // namespace

TEST(QtCanvas, RectangleOutlineAndFillRectLeaveOutRightAndBottomEdge)
{
    QImage image = surface(20, 20);
    {
        QtCanvas c(&image);
        c.pen = {clBlack, 1, PenStyle::Solid};
        c.brush = {clWhite, BrushStyle::Solid};
        c.Rectangle({0, 0, 10, 10});
        c.brush.color = clRed;
        c.FillRect({12, 12, 15, 14});
    }
    saveIfAsked(image, "rectangle");
    EXPECT_EQ(row(image, 0, 0, 11, clBlack, paper), "##########..");
    EXPECT_EQ(row(image, 5, 0, 11, clBlack, paper), "#????????#..");
    EXPECT_EQ(row(image, 5, 1, 8, clWhite, paper), "########");
    EXPECT_EQ(column(image, 0, 0, 11, clBlack, paper), "##########..");
    EXPECT_EQ(row(image, 9, 0, 11, clBlack, paper), "##########..");
    EXPECT_EQ(inkBounds(image, paper), QRect(0, 0, 15, 14));
    EXPECT_EQ(row(image, 12, 11, 15, clRed, paper), ".###.");
    EXPECT_EQ(column(image, 12, 11, 14, clRed, paper), ".##.");
}

TEST(QtCanvas, RectangleWithoutPenFillsOnePixelShort)
{
    QImage image = surface(20, 20);
    {
        QtCanvas c(&image);
        c.pen.style = PenStyle::Clear;
        c.brush = {clWhite, BrushStyle::Solid};
        c.Rectangle({2, 2, 12, 12});
    }
    EXPECT_EQ(inkBounds(image, paper), QRect(2, 2, 9, 9));
}

TEST(QtCanvas, ClearBrushLeavesTheInsideAlone)
{
    QImage image = surface(20, 20);
    {
        QtCanvas c(&image);
        c.brush.style = BrushStyle::Clear;
        c.Rectangle({0, 0, 10, 10});
        c.FillRect({12, 12, 18, 18});
    }
    EXPECT_EQ(row(image, 5, 0, 10, clBlack, paper), "#........#.");
    EXPECT_EQ(pixelAt(image, 14, 14), paper);
}

TEST(QtCanvas, LinesLeaveOutTheirEndPoint)
{
    struct Case
    {
        const char* name;
        Point from;
        Point to;
        QRect expected;
    };
    const Case cases[] = {
        {"left to right", {2, 5}, {12, 5}, QRect(2, 5, 10, 1)},
        {"right to left", {12, 5}, {2, 5}, QRect(3, 5, 10, 1)},
        {"downward", {4, 1}, {4, 9}, QRect(4, 1, 1, 8)},
        {"upward", {4, 9}, {4, 1}, QRect(4, 2, 1, 8)},
        {"diagonal", {0, 0}, {6, 6}, QRect(0, 0, 6, 6)},
        {"steep, ending beside its end point", {0, 0}, {3, 9}, QRect(0, 0, 4, 9)},
        {"shallow and backwards", {12, 4}, {0, 0}, QRect(1, 0, 12, 5)},
        {"single point", {3, 3}, {3, 3}, QRect()},
    };
    for (const Case& k : cases) {
        QImage image = surface(20, 20);
        {
            QtCanvas c(&image);
            c.MoveTo(k.from.x, k.from.y);
            c.LineTo(k.to.x, k.to.y);
            EXPECT_EQ(c.penPos(), k.to) << k.name;
        }
        EXPECT_EQ(inkBounds(image, paper), k.expected) << k.name;
        if (std::string(k.name) == "diagonal") {
            for (int i = 0; i < 6; ++i)
                EXPECT_EQ(pixelAt(image, i, i), clBlack) << k.name << " " << i;
        }
    }
}

TEST(QtCanvas, CosmeticPenStylesDrawTheirPatterns)
{
    struct Case
    {
        const char* name;
        PenStyle style;
        std::string pattern; // the first 48 pixels of a line from x = 0
    };
    const Case cases[] = {
        {"solid", PenStyle::Solid, std::string(48, '#')},
        {"dash 18 on 6 off", PenStyle::Dash,
         std::string(18, '#') + std::string(6, '.') + std::string(18, '#') + std::string(6, '.')},
        {"dot 3 on 3 off", PenStyle::Dot, "###...###...###...###...###...###...###...###..."},
        {"dash dot 9 6 3 6", PenStyle::DashDot, "#########......###......#########......###......"},
        {"dash dot dot 9 3 3 3 3 3", PenStyle::DashDotDot,
         "#########...###...###...#########...###...###..."},
        {"clear", PenStyle::Clear, std::string(48, '.')},
    };
    for (const Case& k : cases) {
        QImage image = surface(60, 4);
        {
            QtCanvas c(&image);
            c.bkMode = BkMode::Transparent;
            c.pen = {clBlack, 1, k.style};
            c.MoveTo(0, 1);
            c.LineTo(60, 1);
        }
        if (k.style == PenStyle::DashDotDot)
            saveIfAsked(image, "dashdotdot");
        EXPECT_EQ(row(image, 1, 0, 47, clBlack, paper), k.pattern) << k.name;
    }
}

TEST(QtCanvas, GapsOfStyledLinesShowTheBackgroundColourWhenOpaque)
{
    QImage image = surface(30, 4);
    {
        QtCanvas c(&image);
        c.pen = {clBlack, 1, PenStyle::Dot};
        c.bkMode = BkMode::Opaque;
        c.bkColor = clYellow;
        c.MoveTo(0, 1);
        c.LineTo(12, 1);
    }
    EXPECT_EQ(row(image, 1, 0, 12, clBlack, clYellow), "###...###...?");
}

TEST(QtCanvas, PatternRunsOnAlongAPolylineAndVerticalLines)
{
    QImage image = surface(30, 30);
    {
        QtCanvas c(&image);
        c.bkMode = BkMode::Transparent;
        c.pen.style = PenStyle::Dot;
        c.Polyline({{0, 0}, {4, 0}, {4, 12}});
    }
    EXPECT_EQ(row(image, 0, 0, 4, clBlack, paper), "###..");
    // The vertical segment starts at position 4 of the pattern: two off, then three on.
    EXPECT_EQ(column(image, 4, 0, 12, clBlack, paper), "..###...###..");
}

TEST(QtCanvas, WidePenIsCentredOnTheLine)
{
    QImage image = surface(30, 20);
    {
        QtCanvas c(&image);
        c.pen = {clBlack, 3, PenStyle::Solid};
        c.MoveTo(5, 10);
        c.LineTo(20, 10);
    }
    saveIfAsked(image, "widepen");
    EXPECT_EQ(column(image, 12, 7, 13, clBlack, paper), "..###..");
    const QRect ink = inkBounds(image, paper);
    EXPECT_EQ(ink.top(), 9);
    EXPECT_EQ(ink.bottom(), 11);
    // Round ends reach one pixel beyond both points.
    EXPECT_EQ(ink.left(), 4);
    EXPECT_EQ(ink.right(), 21);
}

TEST(QtCanvas, InsideFramePenStaysInsideTheRectangle)
{
    QImage image = surface(30, 30);
    {
        QtCanvas c(&image);
        c.pen = {clBlack, 3, PenStyle::InsideFrame};
        c.brush = {clWhite, BrushStyle::Solid};
        c.Rectangle({5, 5, 20, 20});
    }
    EXPECT_EQ(inkBounds(image, paper), QRect(5, 5, 15, 15));
    EXPECT_EQ(row(image, 12, 5, 19, clBlack, clWhite), "###.........###");
}

TEST(QtCanvas, EllipseFitsInsideItsBounds)
{
    QImage image = surface(40, 30);
    {
        QtCanvas c(&image);
        c.brush = {clWhite, BrushStyle::Solid};
        c.Ellipse({5, 5, 35, 25});
    }
    saveIfAsked(image, "ellipse");
    EXPECT_EQ(inkBounds(image, paper), QRect(5, 5, 30, 20));
    EXPECT_EQ(pixelAt(image, 20, 15), clWhite);
    EXPECT_EQ(pixelAt(image, 20, 5), clBlack);
    EXPECT_EQ(pixelAt(image, 5, 15), clBlack);
    EXPECT_EQ(pixelAt(image, 6, 6), paper);
}

TEST(QtCanvas, PolygonOutlinesThroughItsPointsAndFillsInside)
{
    QImage image = surface(30, 30);
    {
        QtCanvas c(&image);
        c.brush = {clRed, BrushStyle::Solid};
        c.Polygon({{2, 2}, {20, 2}, {20, 20}});
    }
    saveIfAsked(image, "polygon");
    EXPECT_EQ(inkBounds(image, paper), QRect(2, 2, 19, 19));
    EXPECT_EQ(pixelAt(image, 20, 20), clBlack);
    EXPECT_EQ(pixelAt(image, 17, 8), clRed);
    EXPECT_EQ(pixelAt(image, 8, 17), paper);
}

TEST(QtCanvas, TextIsPlacedByItsReferencePointAndAlignment)
{
    struct Case
    {
        const char* name;
        unsigned align;
    };
    const Case cases[] = {
        {"left top", TA_LEFT | TA_TOP},
        {"right top", TA_RIGHT | TA_TOP},
        {"centre top", TA_CENTER | TA_TOP},
        {"left baseline", TA_LEFT | TA_BASELINE},
        {"left bottom", TA_LEFT | TA_BOTTOM},
        {"right bottom", TA_RIGHT | TA_BOTTOM},
        {"centre baseline", TA_CENTER | TA_BASELINE},
    };
    const std::string text = "HIH";
    constexpr int x = 60;
    constexpr int y = 30;
    for (const Case& k : cases) {
        QImage image = surface(120, 60);
        Size extent;
        int ascent = 0;
        {
            QtCanvas c(&image);
            c.font = arial(14);
            c.bkMode = BkMode::Opaque;
            c.bkColor = clWhite;
            c.textAlign = k.align;
            extent = c.TextExtent(text);
            TextMetrics m;
            m.select(c.font, c.dpi());
            ascent = m.ascent();
            c.TextOut(x, y, text);
        }
        saveIfAsked(image, std::string("text ") + k.name);
        // The opaque background is the text's cell, so its bounds show the placement exactly.
        const QRect cell = inkBounds(image, paper);
        int left = x;
        if ((k.align & TA_CENTER) == TA_CENTER)
            left = x - extent.cx / 2;
        else if (k.align & TA_RIGHT)
            left = x - extent.cx;
        int top = y;
        if ((k.align & TA_BASELINE) == TA_BASELINE)
            top = y - ascent;
        else if (k.align & TA_BOTTOM)
            top = y - extent.cy;
        EXPECT_EQ(cell, QRect(left, top, extent.cx, extent.cy)) << k.name;
        // The glyphs stand inside the cell and fill most of its width.
        const QRect ink = inkBounds(image.copy(cell), clWhite).translated(cell.topLeft());
        EXPECT_TRUE(cell.contains(ink)) << k.name;
        EXPECT_GE(ink.width(), extent.cx - 4) << k.name;
        // Capitals sit on the baseline.
        EXPECT_EQ(ink.bottom(), top + ascent - 1) << k.name;
    }
}

TEST(QtCanvas, TransparentTextLeavesTheBackground)
{
    QImage image = surface(80, 40);
    {
        QtCanvas c(&image);
        c.font = arial(14);
        c.bkMode = BkMode::Transparent;
        c.TextOut(2, 2, "HIH");
    }
    const QRect ink = inkBounds(image, paper);
    ASSERT_FALSE(ink.isNull());
    for (int x = ink.left(); x <= ink.right(); ++x)
        for (int y = ink.top(); y <= ink.bottom(); ++y)
            EXPECT_NE(pixelAt(image, x, y), clWhite);
}

TEST(QtCanvas, ExtTextOutClipsAndFillsItsRectangle)
{
    QImage image = surface(100, 40);
    {
        QtCanvas c(&image);
        c.font = arial(14);
        c.bkMode = BkMode::Transparent;
        c.bkColor = clYellow;
        const Rect r{10, 5, 30, 30};
        c.ExtTextOut(12, 8, ETO_CLIPPED | ETO_OPAQUE, &r, "HHHHHHHH");
        const Rect unclipped{50, 5, 60, 30};
        c.ExtTextOut(52, 8, 0, &unclipped, "HH");
    }
    saveIfAsked(image, "exttextout");
    EXPECT_EQ(inkBounds(image.copy(0, 0, 45, 40), paper), QRect(10, 5, 20, 25));
    EXPECT_EQ(pixelAt(image, 10, 29), clYellow);
    // Without options the rectangle neither fills nor clips.
    EXPECT_EQ(pixelAt(image, 59, 28), paper);
    EXPECT_GT(inkBounds(image.copy(45, 0, 55, 40), paper).right() + 45, 60);
}

TEST(QtCanvas, TextExtentMatchesTheMeasuringCanvasAndKoreanText)
{
    QImage image = surface();
    QtCanvas c(&image);
    MeasureCanvas measure;
    const Font faces[] = {arial(8), arial(10), [] {
                              Font f;
                              f.name = text::cp949("굴림체");
                              f.size = 9;
                              return f;
                          }()};
    const std::string samples[] = {"", "W", "1,234,567", text::cp949("거래명세서 합계")};
    for (const Font& f : faces) {
        c.font = f;
        measure.font = f;
        for (const std::string& s : samples)
            EXPECT_EQ(c.TextExtent(s), measure.TextExtent(s)) << s;
    }
    // The fixed-pitch face makes a Hangul syllable as wide as two Latin letters.
    c.font.name = text::cp949("굴림체");
    EXPECT_EQ(c.TextWidth(text::cp949("가")), c.TextWidth("AB"));
    EXPECT_EQ(c.TextWidth(""), 0);
    EXPECT_GT(c.TextHeight(""), 0);
}

TEST(QtCanvas, DrawTextAlignsSingleLinesInTheRectangle)
{
    struct Case
    {
        const char* name;
        unsigned flags;
    };
    const Case cases[] = {
        {"left top", DT_LEFT | DT_SINGLELINE},
        {"centre middle", DT_CENTER | DT_VCENTER | DT_SINGLELINE},
        {"right bottom", DT_RIGHT | DT_BOTTOM | DT_SINGLELINE},
        {"middle ignored without single line", DT_CENTER | DT_VCENTER},
    };
    const Rect box{10, 10, 110, 50};
    for (const Case& k : cases) {
        QImage image = surface(120, 60);
        Size extent;
        int result = 0;
        {
            QtCanvas c(&image);
            c.font = arial(10);
            c.bkMode = BkMode::Opaque;
            c.bkColor = clWhite;
            extent = c.TextExtent("Total 1,200");
            Rect r = box;
            result = c.DrawText("Total 1,200", r, k.flags);
            EXPECT_EQ(r, box) << k.name;
        }
        saveIfAsked(image, std::string("drawtext ") + k.name);
        int left = box.left;
        if (k.flags & DT_CENTER)
            left = box.left + (box.width() - extent.cx) / 2;
        else if (k.flags & DT_RIGHT)
            left = box.right - extent.cx;
        int top = box.top;
        const bool single = k.flags & DT_SINGLELINE;
        if (single && (k.flags & DT_VCENTER))
            top = box.top + (box.height() - extent.cy) / 2;
        else if (single && (k.flags & DT_BOTTOM))
            top = box.bottom - extent.cy;
        EXPECT_EQ(inkBounds(image, paper), QRect(left, top, extent.cx, extent.cy)) << k.name;
        EXPECT_EQ(result, top + extent.cy - box.top) << k.name;
    }
}

TEST(QtCanvas, DrawTextClipsToTheRectangleUnlessNoClip)
{
    for (const bool noClip : {false, true}) {
        QImage image = surface(120, 40);
        {
            QtCanvas c(&image);
            c.font = arial(10);
            Rect r{10, 5, 30, 30};
            c.DrawText("HHHHHHHHHH", r, DT_SINGLELINE | (noClip ? unsigned(DT_NOCLIP) : 0u));
        }
        const QRect ink = inkBounds(image, paper);
        if (noClip)
            EXPECT_GT(ink.right(), 30);
        else
            EXPECT_EQ(ink.right(), 29);
    }
}

TEST(QtCanvas, DrawTextBreaksWordsAndMeasuresWithCalcRect)
{
    QImage image = surface(120, 100);
    QtCanvas c(&image);
    c.font = arial(10);
    const int line = c.TextHeight("W");
    const int oneWord = c.TextWidth("alpha");
    Rect r{0, 0, c.TextWidth("alpha beta"), 0};
    const int height = c.DrawText("alpha beta gamma", r, DT_WORDBREAK | DT_CALCRECT);
    EXPECT_EQ(height, 2 * line);
    EXPECT_EQ(r.bottom, 2 * line);
    EXPECT_EQ(r.right, c.TextWidth("alpha beta"));
    EXPECT_EQ(inkBounds(image, paper), QRect()) << "measuring draws nothing";

    Rect narrow{0, 0, oneWord / 2, 0};
    EXPECT_EQ(c.DrawText("alpha beta", narrow, DT_WORDBREAK | DT_CALCRECT), 2 * line);
    EXPECT_EQ(narrow.right, c.TextWidth("alpha"))
        << "a word wider than the line grows the rectangle";

    Rect lines{0, 0, 100, 0};
    EXPECT_EQ(c.DrawText("one\r\ntwo\nthree", lines, DT_CALCRECT), 3 * line);
    Rect single{0, 0, 100, 0};
    EXPECT_EQ(c.DrawText("one\r\ntwo", single, DT_CALCRECT | DT_SINGLELINE), line);
}

TEST(QtCanvas, DrawTextExpandsTabsAndTakesAmpersandsAsPrefixes)
{
    QImage image = surface(200, 40);
    QtCanvas c(&image);
    c.font = arial(10);
    TextMetrics m;
    m.select(c.font, c.dpi());
    const int tab = 8 * m.aveCharWidth();

    Rect r{0, 0, 400, 0};
    c.DrawText("a\tb", r, DT_EXPANDTABS | DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(r.right, tab + c.TextWidth("b"));

    Rect prefixed{0, 0, 400, 0};
    c.DrawText("&Print && Save", prefixed, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(prefixed.right, c.TextWidth("Print & Save"));
    Rect plain{0, 0, 400, 0};
    c.DrawText("&Print && Save", plain, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(plain.right, c.TextWidth("&Print && Save"));
}

TEST(QtCanvas, StretchDrawScalesABitmapWithoutSmoothing)
{
    Bitmap b(2, 2);
    b.setPixel(0, 0, clRed);
    b.setPixel(1, 0, clLime);
    b.setPixel(0, 1, clBlue);
    b.setPixel(1, 1, clWhite);
    QImage image = surface(30, 30);
    {
        QtCanvas c(&image);
        c.StretchDraw({5, 5, 15, 15}, b);
        c.Draw(20, 20, b);
    }
    EXPECT_EQ(inkBounds(image.copy(0, 0, 18, 18), paper), QRect(5, 5, 10, 10));
    EXPECT_EQ(row(image, 5, 5, 14, clRed, clLime), "#####.....");
    EXPECT_EQ(pixelAt(image, 5, 14), clBlue);
    EXPECT_EQ(pixelAt(image, 14, 14), clWhite);
    EXPECT_EQ(pixelAt(image, 21, 21), clWhite);
    EXPECT_EQ(pixelAt(image, 22, 22), paper);
}

TEST(QtCanvas, ClipRectanglesIntersectAndRestoreWithTheState)
{
    QImage image = surface(40, 40);
    {
        QtCanvas c(&image);
        c.brush.color = clRed;
        c.IntersectClipRect({5, 5, 30, 30});
        c.SaveDC();
        c.IntersectClipRect({10, 0, 40, 20});
        c.brush.color = clWhite;
        c.FillRect({0, 0, 40, 40});
        c.RestoreDC();
        EXPECT_EQ(c.brush.color, clRed);
        c.FillRect({0, 25, 40, 40});
        c.SelectClipRgn(nullptr);
        c.FillRect({0, 38, 40, 40});
        c.IntersectClipRect({0, 0, 0, 0});
        c.FillRect({0, 0, 40, 40});
    }
    saveIfAsked(image, "clip");
    EXPECT_EQ(inkBounds(image.copy(0, 0, 40, 21), paper), QRect(10, 5, 20, 15));
    EXPECT_EQ(row(image, 26, 0, 31, clRed, paper), ".....#########################..");
    EXPECT_EQ(row(image, 39, 0, 39, clRed, paper), std::string(40, '#'));
    EXPECT_EQ(pixelAt(image, 0, 0), paper) << "an empty clip rectangle lets nothing through";
}

TEST(QtCanvas, OnAnActivePainterItKeepsThePainterClipAndRestoresItsState)
{
    QImage image = surface(40, 40);
    QPainter p(&image);
    p.setClipRect(QRect(0, 0, 20, 40));
    p.setPen(Qt::green);
    {
        QtCanvas c(&p, ScreenDpi);
        c.brush.color = clWhite;
        c.IntersectClipRect({10, 0, 40, 40});
        c.SelectClipRgn(nullptr);
        c.FillRect({0, 0, 40, 10});
    }
    EXPECT_EQ(p.pen().color(), QColor(Qt::green));
    EXPECT_EQ(p.clipRegion(), QRegion(0, 0, 20, 40));
    p.end();
    EXPECT_EQ(inkBounds(image, paper), QRect(0, 0, 20, 10));
}

TEST(QtCanvas, UnderAScaleThinPensStayOneDevicePixelWide)
{
    QImage image = surface(40, 40);
    QPainter p(&image);
    p.scale(2, 2);
    {
        QtCanvas c(&p, ScreenDpi);
        c.MoveTo(2, 5);
        c.LineTo(12, 5);
        c.brush.color = clRed;
        c.FillRect({2, 8, 4, 9});
    }
    p.end();
    saveIfAsked(image, "scaled");
    EXPECT_EQ(inkBounds(image.copy(0, 0, 40, 14), paper), QRect(4, 10, 20, 1));
    EXPECT_EQ(inkBounds(image.copy(0, 14, 40, 26), paper), QRect(4, 2, 4, 2));
}

TEST(QtCanvas, KoreanTextDrawsInsideItsMeasuredExtent)
{
    QImage image = surface(160, 30);
    Size extent;
    int cell = 0;
    std::string s = text::cp949("거래명세서 ￦1,000");
    {
        QtCanvas c(&image);
        c.font.name = text::cp949("굴림체");
        c.font.size = 9;
        c.font.color = clBlack;
        c.bkMode = BkMode::Transparent;
        extent = c.TextExtent(s);
        cell = c.TextWidth("A");
        c.TextOut(5, 5, s);
    }
    saveIfAsked(image, "korean");
    const QRect ink = inkBounds(image, paper);
    // The cell's ascent and descent are rounded to the nearest pixel, as the layouts expect,
    // so an antialiased edge may touch the pixel row beyond it.
    EXPECT_TRUE(QRect(5, 5, extent.cx, extent.cy).adjusted(0, -1, 0, 1).contains(ink))
        << ink.x() << "," << ink.y() << " " << ink.width() << "x" << ink.height() << " in "
        << extent.cx << "x" << extent.cy;
    // In the fixed-pitch face every cp949 byte takes one cell.
    EXPECT_EQ(extent.cx, int(s.size()) * cell);
    EXPECT_GE(ink.width(), extent.cx - 2 * cell);
}

// A styled pen wider than a pixel keeps its pattern, lengthened with its width: a dotted line
// played at three times the size shows the same dots, three times as large.
TEST(QtCanvas, AWideStyledPenKeepsItsPatternScaledWithItsWidth)
{
    QImage image = surface(120, 20);
    {
        QtCanvas c(&image);
        c.pen = {clBlack, 3, PenStyle::Dot};
        c.MoveTo(0, 10);
        c.LineTo(108, 10);
    }
    saveIfAsked(image, "wide-dotted");
    std::vector<int> dashes;
    bool on = false;
    for (int x = 0; x < 120; ++x) {
        const bool ink = image.pixelColor(x, 10) == QColor(Qt::black);
        if (ink && !on)
            dashes.push_back(0);
        if (ink)
            ++dashes.back();
        on = ink;
    }
    // Dots of 3 × 3 pixels with gaps as long, over 108 pixels.
    ASSERT_EQ(dashes.size(), 6u);
    for (int d : dashes)
        EXPECT_NEAR(d, 9, 1);
}
