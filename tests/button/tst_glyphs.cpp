#include "button/GlyphStrip.h"
#include "button/Glyphs.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace button;

namespace {

struct Case
{
    const char* name;
    gfx::Bitmap (*make)();
    int size;
    int bitsPerPixel;
};

const Case cases[] = {
    {"magnifier over a sheet", &Glyphs::search, 32, 4},
    {"printer", &Glyphs::print, 32, 4},
    {"door with an arrow", &Glyphs::exit, 36, 8},
};

} // namespace

TEST(Glyphs, HaveTheirSizeDepthAndMagentaKey)
{
    for (const Case& c : cases) {
        const gfx::Bitmap b = c.make();
        EXPECT_EQ(b.width(), c.size) << c.name;
        EXPECT_EQ(b.height(), c.size) << c.name;
        EXPECT_EQ(b.bitsPerPixel(), c.bitsPerPixel) << c.name;
        EXPECT_EQ(b.bottomLeftPixel(), gfx::RGB(255, 0, 255)) << c.name;

        QSet<gfx::Color> colours;
        for (int y = 0; y < b.height(); ++y)
            for (int x = 0; x < b.width(); ++x)
                colours.insert(b.pixel(x, y));
        EXPECT_LE(colours.size(), 1 << c.bitsPerPixel) << c.name;
        EXPECT_GE(colours.size(), 5) << c.name << " should not be a silhouette";

        // Written as a BMP file of its depth and read back, every pixel stays.
        const gfx::Bitmap again = gfx::Bitmap::fromBmp(b.toBmp());
        ASSERT_EQ(again.bitsPerPixel(), c.bitsPerPixel) << c.name;
        for (int y = 0; y < b.height(); ++y)
            for (int x = 0; x < b.width(); ++x)
                ASSERT_EQ(again.pixel(x, y), b.pixel(x, y)) << c.name << " at " << x << "," << y;
    }
}

TEST(Glyphs, FillMostOfTheirSquareAndKeepAnOutlineWhenEmbossed)
{
    for (const Case& c : cases) {
        const gfx::Bitmap b = c.make();
        const gfx::Color key = b.bottomLeftPixel();
        int opaque = 0;
        int ink = 0;
        for (int y = 0; y < b.height(); ++y)
            for (int x = 0; x < b.width(); ++x) {
                opaque += b.pixel(x, y) != key;
                ink += isInk(b.pixel(x, y), key);
            }
        const int area = c.size * c.size;
        EXPECT_GT(opaque, area / 3) << c.name;
        EXPECT_LT(opaque, area) << c.name;
        // An outline, not a filled blot and not nothing.
        EXPECT_GT(ink, area / 10) << c.name;
        EXPECT_LT(ink, opaque * 3 / 4) << c.name;
    }
}
