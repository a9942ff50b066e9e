// Every primitive is cut to the surface before it is rasterised: what shows must be exactly
// what the whole primitive shows there, however far outside it reaches.
#include "gfx/LineRaster.h"
#include "gfx/MeasureCanvas.h"
#include "gfx/QtCanvas.h"
#include "text/Cp949.h"

#include <QPainter>
#include <QPicture>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <tuple>

using namespace gfx;

namespace {

constexpr Color paper = RGB(0x20, 0x40, 0x60);
constexpr int far = 100'000'000;

using Pixels = std::set<std::tuple<int, int, bool>>;

Pixels raster(Point from, Point to, const std::vector<int>& pattern, const Rect& bounds,
              int segments = 1)
{
    Pixels pixels;
    LineRaster r(pattern);
    // Earlier segments of the figure carry their phase over.
    for (int i = 1; i < segments; ++i)
        r.line({0, 0}, {7 * i, 3}, bounds, [](const PixelRun&) {});
    r.line(from, to, bounds, [&](const PixelRun& run) {
        for (int k = 0; k < run.length; ++k)
            pixels.insert(
                {run.horizontal ? run.x + k : run.x, run.horizontal ? run.y : run.y + k, run.dash});
    });
    return pixels;
}

} // namespace

TEST(LineRaster, ALineCutToBoundsKeepsEveryPixelInsideThem)
{
    std::mt19937 random(29);
    std::uniform_int_distribution<int> coordinate(-400, 400);
    const Rect everything{-1000, -1000, 1000, 1000};
    const Rect window{-37, -25, 61, 44};
    const PenStyle styles[] = {PenStyle::Solid, PenStyle::Dash, PenStyle::Dot, PenStyle::DashDot,
                               PenStyle::DashDotDot};
    for (int i = 0; i < 400; ++i) {
        const Point from{coordinate(random), coordinate(random)};
        const Point to{coordinate(random), coordinate(random)};
        const std::vector<int>& pattern = cosmeticPattern(styles[i % 5]);
        const int segments = 1 + i % 3;
        Pixels inside;
        for (const auto& p : raster(from, to, pattern, everything, segments))
            if (window.contains({std::get<0>(p), std::get<1>(p)}))
                inside.insert(p);
        EXPECT_EQ(raster(from, to, pattern, window, segments), inside)
            << "from " << from.x << "," << from.y << " to " << to.x << "," << to.y;
    }
}

TEST(LineRaster, ALineFromTheEdgeOfTheIntRangeDrawsOnlyWhatIsInside)
{
    const Rect window{0, 0, 50, 30};
    const Pixels pixels =
        raster({INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}, cosmeticPattern(PenStyle::Dot), window);
    // The diagonal through the origin: one pixel a step, as far as the window's height.
    ASSERT_EQ(pixels.size(), 30u);
    for (const auto& [x, y, dash] : pixels)
        EXPECT_EQ(x, y);
}

namespace {

// A primitive in the coordinates of the small surface.
using Draw = std::function<void(Canvas&, int dx, int dy)>;

struct Case
{
    const char* name;
    Draw draw;
};

Bitmap noise(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    std::mt19937 random(7);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(int(random() % 256), int(random() % 256), 0));
    return Bitmap::fromImage(image, 24);
}

QImage drawn(const Draw& draw, int width, int height, int dx, int dy)
{
    QImage image = makeImage(width, height);
    image.fill(toQColor(paper));
    QtCanvas canvas(&image);
    canvas.bkColor = clYellow;
    draw(canvas, dx, dy);
    return image;
}

void pen(Canvas& c, int width, PenStyle style)
{
    c.pen = {clBlack, width, style};
}

const std::vector<Case>& cases()
{
    static const std::vector<Case> all = {
        {"a shallow solid line from far left to far right",
         [](Canvas& c, int dx, int dy) {
             pen(c, 1, PenStyle::Solid);
             c.MoveTo(-far + dx, 5 + dy);
             c.LineTo(far + dx, 31 + dy);
         }},
        {"a steep dashed line from far above",
         [](Canvas& c, int dx, int dy) {
             pen(c, 1, PenStyle::Dash);
             c.MoveTo(-1234567 + dx, -far + dy);
             c.LineTo(40 + dx, 30 + dy);
         }},
        {"a dotted polyline that runs out and back in",
         [](Canvas& c, int dx, int dy) {
             pen(c, 1, PenStyle::Dot);
             c.Polyline(
                 {{3 + dx, 3 + dy}, {far + dx, 9 + dy}, {2 + dx, 33 + dy}, {55 + dx, 20 + dy}});
         }},
        {"a wide solid line from far off",
         [](Canvas& c, int dx, int dy) {
             pen(c, 5, PenStyle::Solid);
             c.MoveTo(-far + dx, -far / 3 + dy);
             c.LineTo(30 + dx, 20 + dy);
         }},
        {"a wide dashed polyline through far points",
         [](Canvas& c, int dx, int dy) {
             pen(c, 3, PenStyle::DashDot);
             c.Polyline({{-far + dx, 4 + dy}, {20 + dx, 10 + dy}, {far + dx, far + dy}});
         }},
        {"a rectangle far larger than the surface with a wide dashed pen",
         [](Canvas& c, int dx, int dy) {
             pen(c, 4, PenStyle::Dash);
             c.brush = {clRed, BrushStyle::Solid};
             c.Rectangle({-far + dx, 7 + dy, 50 + dx, far + dy});
         }},
        {"a filled rectangle without a pen far beyond the surface",
         [](Canvas& c, int dx, int dy) {
             pen(c, 1, PenStyle::Clear);
             c.brush = {clGreen, BrushStyle::Solid};
             c.Rectangle({-far + dx, -far + dy, 20 + dx, 15 + dy});
         }},
        {"an ellipse larger than the surface",
         [](Canvas& c, int dx, int dy) {
             pen(c, 1, PenStyle::Solid);
             c.brush = {clBlue, BrushStyle::Solid};
             c.Ellipse({-100 + dx, -80 + dy, 50 + dx, 35 + dy});
         }},
        {"a filled polygon with a far vertex",
         [](Canvas& c, int dx, int dy) {
             pen(c, 1, PenStyle::Solid);
             c.brush = {clRed, BrushStyle::Solid};
             c.Polygon({{5 + dx, 5 + dy}, {far + dx, 20 + dy}, {10 + dx, 35 + dy}});
         }},
        {"a text run that starts far to the left",
         [](Canvas& c, int dx, int dy) {
             c.font.name = "Arial";
             c.font.size = 9;
             std::string text;
             for (int i = 0; i < 2000; ++i)
                 text += char('a' + i % 26);
             c.TextOut(-12000 + dx, 10 + dy, text);
         }},
        {"a bitmap stretched far beyond the surface",
         [](Canvas& c, int dx, int dy) {
             c.StretchDraw({-333 + dx, -211 + dy, 401 + dx, 299 + dy}, noise(120, 90));
         }},
    };
    return all;
}

} // namespace

TEST(QtCanvas, WhatShowsOnASmallSurfaceIsWhatTheWholePrimitiveShowsThere)
{
    // The small surface is the middle of a large one: the cuts fall elsewhere on each.
    const int width = 60, height = 40, left = 220, top = 170;
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        const QImage small = drawn(c.draw, width, height, 0, 0);
        const QImage large = drawn(c.draw, width + 2 * left, height + 2 * top, left, top);
        const QImage middle = large.copy(left, top, width, height);
        int differing = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                differing += small.pixel(x, y) != middle.pixel(x, y);
        EXPECT_EQ(differing, 0);
        EXPECT_NE(small, drawn([](Canvas&, int, int) {}, width, height, 0, 0))
            << "the case shows nothing on the surface";
    }
}

TEST(QtCanvas, APictureBeingRecordedHasNoBoundsOfItsOwn)
{
    // A picture grows with what is drawn on it; the surface it is played on bounds it later.
    QPicture picture;
    {
        QPainter painter(&picture);
        QtCanvas canvas(&painter, ScreenDpi);
        canvas.pen = {clBlack, 1, PenStyle::Solid};
        canvas.brush = {clRed, BrushStyle::Solid};
        canvas.FillRect({10, 10, 20, 20});
        canvas.MoveTo(0, 30);
        canvas.LineTo(500, 30);
    }
    QImage image = makeImage(60, 40);
    image.fill(toQColor(paper));
    {
        QPainter painter(&image);
        painter.drawPicture(0, 0, picture);
    }
    EXPECT_EQ(image.pixelColor(15, 15), toQColor(clRed));
    EXPECT_EQ(image.pixelColor(59, 30), toQColor(clBlack));
}
