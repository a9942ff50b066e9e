#include "button/ButtonLayout.h"
#include "button/GlyphStrip.h"

#include <gtest/gtest.h>

using namespace button;
using gfx::Bounds;

TEST(ButtonLayout, PlacesPictureAndCaptionAsTheRulesSay)
{
    struct Case
    {
        const char* name;
        gfx::Rect client;
        gfx::Size glyph;
        gfx::Size text;
        TButtonLayout layout;
        int margin;
        int spacing;
        gfx::Point offset;
        gfx::Point glyphPos;
        gfx::Rect textBounds;
    };
    const Case cases[] = {
        // margin = (70 - (32 + 4 + 13) + 1) div 2 = 11; caption top = 11 + 32 + 4.
        {"the viewer's search button",
         {0, 0, 70, 70},
         {32, 32},
         {22, 13},
         blGlyphTop,
         -1,
         4,
         {0, 0},
         {19, 11},
         Bounds(24, 47, 22, 13)},
        {"the viewer's button while pressed",
         {0, 0, 70, 70},
         {32, 32},
         {22, 13},
         blGlyphTop,
         -1,
         4,
         {1, 1},
         {20, 12},
         Bounds(25, 48, 22, 13)},
        {"the viewer's exit button with its larger picture",
         {0, 0, 70, 70},
         {36, 36},
         {22, 13},
         blGlyphTop,
         -1,
         4,
         {0, 0},
         {17, 9},
         Bounds(24, 49, 22, 13)},
        {"a client rectangle away from the origin",
         {10, 20, 80, 90},
         {32, 32},
         {22, 13},
         blGlyphTop,
         -1,
         4,
         {0, 0},
         {29, 31},
         Bounds(34, 67, 22, 13)},
        {"no caption leaves no spacing",
         {0, 0, 70, 70},
         {32, 32},
         {0, 0},
         blGlyphTop,
         -1,
         4,
         {0, 0},
         {19, 19},
         Bounds(35, 51, 0, 0)},
        {"no picture leaves no spacing",
         {0, 0, 70, 70},
         {0, 0},
         {22, 13},
         blGlyphTop,
         -1,
         4,
         {0, 0},
         {35, 29},
         Bounds(24, 29, 22, 13)},
        {"picture left, spread evenly",
         {0, 0, 100, 30},
         {16, 16},
         {40, 13},
         blGlyphLeft,
         -1,
         -1,
         {0, 0},
         {14, 7},
         Bounds(44, 9, 40, 13)},
        {"picture right at a fixed margin, spread",
         {0, 0, 100, 30},
         {16, 16},
         {40, 13},
         blGlyphRight,
         5,
         -1,
         {0, 0},
         {79, 7},
         Bounds(20, 9, 40, 13)},
        {"picture left at a fixed margin and spacing",
         {0, 0, 100, 30},
         {16, 16},
         {40, 13},
         blGlyphLeft,
         3,
         2,
         {0, 0},
         {3, 7},
         Bounds(21, 9, 40, 13)},
        {"picture below the caption",
         {0, 0, 70, 70},
         {32, 32},
         {22, 13},
         blGlyphBottom,
         -1,
         4,
         {0, 0},
         {19, 27},
         Bounds(24, 10, 22, 13)},
        {"picture below, spread evenly",
         {0, 0, 70, 70},
         {32, 32},
         {22, 13},
         blGlyphBottom,
         -1,
         -1,
         {0, 0},
         {19, 30},
         Bounds(24, 9, 22, 13)},
        // (20 - 32 + 1) div 2 truncates toward zero: -5, not -6.
        {"a picture wider than the button",
         {0, 0, 20, 20},
         {32, 32},
         {0, 0},
         blGlyphTop,
         -1,
         4,
         {0, 0},
         {-5, -5},
         Bounds(10, 27, 0, 0)},
    };
    for (const Case& c : cases) {
        const ButtonGeometry g =
            calcButtonLayout(c.client, c.glyph, c.text, c.layout, c.margin, c.spacing, c.offset);
        EXPECT_EQ(g.glyphPos, c.glyphPos)
            << c.name << ": picture at " << g.glyphPos.x << "," << g.glyphPos.y;
        EXPECT_EQ(g.textBounds, c.textBounds)
            << c.name << ": caption at " << g.textBounds.left << "," << g.textBounds.top << " "
            << g.textBounds.width() << "x" << g.textBounds.height();
    }
}

TEST(ButtonLayout, ViewerButtonsPutTheCaptionThirtySixBelowTheMargin)
{
    for (int h : {11, 12, 13, 14, 15, 16}) {
        const ButtonGeometry g =
            calcButtonLayout({0, 0, 70, 70}, {32, 32}, {20, h}, blGlyphTop, -1, 4, {0, 0});
        const int margin = (70 - (32 + 4 + h) + 1) / 2;
        EXPECT_EQ(g.glyphPos, (gfx::Point{19, margin})) << "caption height " << h;
        EXPECT_EQ(g.textBounds.top, margin + 36) << "caption height " << h;
    }
}

TEST(GlyphStrip, CountsTheImagesOfANewGlyph)
{
    struct Case
    {
        const char* name;
        int width;
        int height;
        int previous;
        int expected;
    };
    const Case cases[] = {
        {"a square picture", 32, 32, 3, 1},
        {"two images side by side", 64, 32, 1, 2},
        {"four images", 128, 32, 1, 4},
        {"six images are taken as one", 96, 16, 3, 1},
        {"a width that is no multiple keeps the count", 33, 32, 3, 3},
        {"a strip narrower than high keeps the count", 16, 32, 2, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(numGlyphsOf(gfx::Bitmap(c.width, c.height), c.previous), c.expected) << c.name;
    EXPECT_EQ(numGlyphsOf(gfx::Bitmap(), 2), 2) << "an empty glyph keeps the count";
}

TEST(GlyphStrip, PicksTheImageForEachState)
{
    using S = ButtonState;
    // Rows: number of images; columns: up, disabled, down, exclusive.
    const int table[4][4] = {{0, 0, 0, 0}, {0, 1, 0, 0}, {0, 1, 2, 2}, {0, 1, 2, 3}};
    const S states[4] = {S::up, S::disabled, S::down, S::exclusive};
    for (int n = 1; n <= 4; ++n)
        for (int s = 0; s < 4; ++s)
            EXPECT_EQ(glyphIndex(n, states[s]), table[n - 1][s]) << n << " images, state " << s;
    EXPECT_TRUE(showsEmbossed(1, S::disabled));
    EXPECT_FALSE(showsEmbossed(2, S::disabled));
    EXPECT_FALSE(showsEmbossed(1, S::up));
    EXPECT_EQ(glyphImageRect(gfx::Bitmap(96, 32), 3, 2), Bounds(64, 0, 32, 32));
}
