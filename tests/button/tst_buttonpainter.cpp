#include "PixelCheck.h"
#include "button/ButtonPainter.h"
#include "button/GlyphStrip.h"
#include "gfx/QtCanvas.h"
#include "gfx/RecordingCanvas.h"
#include "text/Cp949.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace button;
using S = ButtonState;
using buttontest::at;

namespace {

constexpr gfx::Color fill = gfx::RGB(10, 200, 10);
constexpr gfx::Color magenta = gfx::RGB(255, 0, 255);

// Paints `face` into an image of the client's size.
QImage render(const ButtonFace& face, int w, int h, ButtonGeometry* geometry = nullptr)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::gray);
    QPainter painter(&image);
    gfx::QtCanvas canvas(&painter, gfx::ScreenDpi);
    const ButtonGeometry g = paintFlatButton(canvas, {0, 0, w, h}, face);
    if (geometry)
        *geometry = g;
    return image;
}

// A picture from rows of letters: M magenta (the key, in the bottom-left corner), X black,
// o white, y yellow.
gfx::Bitmap picture(const std::vector<std::string>& rows)
{
    gfx::Bitmap b(int(rows[0].size()), int(rows.size()));
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) {
            const char c = rows[size_t(y)][size_t(x)];
            b.setPixel(x, y,
                       c == 'X'   ? gfx::clBlack
                       : c == 'o' ? gfx::clWhite
                       : c == 'y' ? gfx::clYellow
                                  : magenta);
        }
    return b;
}

// The pixels of a rectangle as letters, by a legend of colours.
std::vector<std::string> letters(const QImage& image, gfx::Point origin, int w, int h,
                                 const std::vector<std::pair<gfx::Color, char>>& legend)
{
    std::vector<std::string> rows;
    for (int y = 0; y < h; ++y) {
        std::string row;
        for (int x = 0; x < w; ++x) {
            const gfx::Color c = at(image, origin.x + x, origin.y + y);
            char letter = '?';
            for (const auto& [colour, l] : legend)
                if (colour == c)
                    letter = l;
            row += letter;
        }
        rows.push_back(row);
    }
    return rows;
}

// The bounds of every pixel in `area` that is not `background`.
QRect inkBounds(const QImage& image, const QRect& area, gfx::Color background)
{
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (at(image, x, y) != background)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

ButtonFace plainFace()
{
    ButtonFace f;
    f.colors.color = fill;
    f.colors.focused = gfx::RGB(0xE1, 0xEA, 0xEB);
    f.colors.down = gfx::RGB(0xD9, 0xD6, 0xC5);
    f.colors.border = gfx::clGreen;
    f.colors.highLight = gfx::clRed;
    f.colors.shadow = gfx::clBlue;
    return f;
}

const std::vector<std::string> sample = {
    "MMMMMM", "MXXoMM", "MXoyMM", "MMMXMM", "MMMMMM",
};

} // namespace

TEST(ButtonPainter, FillsTheBackgroundByModeStateAndHover)
{
    const gfx::Color none = gfx::clNone;
    struct Case
    {
        TTransparentMode mode;
        S state;
        bool hovered;
        gfx::Color expected; // clNone: no fill
    };
    const ButtonFace base = plainFace();
    const gfx::Color color = base.colors.color;
    const gfx::Color focused = base.colors.focused;
    const gfx::Color down = base.colors.down;
    const Case cases[] = {
        {tmNone, S::up, false, color},
        {tmNone, S::up, true, focused},
        {tmNone, S::disabled, false, color},
        {tmNone, S::disabled, true, color},
        {tmNone, S::down, false, down},
        {tmNone, S::down, true, down},
        {tmNone, S::exclusive, false, down},
        {tmNone, S::exclusive, true, focused},
        {tmNotFocused, S::up, false, none},
        {tmNotFocused, S::up, true, focused},
        {tmNotFocused, S::disabled, true, color},
        {tmNotFocused, S::down, true, down},
        {tmNotFocused, S::down, false, none},
        {tmNotFocused, S::exclusive, true, focused},
        {tmAlways, S::up, true, none},
        {tmAlways, S::down, false, none},
    };
    for (const Case& c : cases) {
        ButtonFace f = base;
        f.transparentMode = c.mode;
        f.state = c.state;
        f.hovered = c.hovered;
        EXPECT_EQ(fillColor(f).value_or(none), c.expected)
            << "mode " << c.mode << " state " << int(c.state) << " hovered " << c.hovered;
    }
}

TEST(ButtonPainter, FramesRaisedFlatOrSunkWithTheCornersOfTheDarkEdge)
{
    // Columns left to right, rows top to bottom, of a 10 x 8 button: R red (high light),
    // B blue (shadow), G green (border), . the fill.
    struct Case
    {
        const char* name;
        S state;
        bool hovered;
        std::string topRow, bottomRow, leftColumn, rightColumn;
    };
    const Case cases[] = {
        {"hovered: raised", S::up, true, "RRRRRRRRRB", "BBBBBBBBBB", "RRRRRRRB", "BBBBBBBB"},
        {"pressed: sunk", S::down, true, "BBBBBBBBBR", "RRRRRRRRRR", "BBBBBBBR", "RRRRRRRR"},
        {"held in a group: sunk", S::exclusive, false, "BBBBBBBBBR", "RRRRRRRRRR", "BBBBBBBR",
         "RRRRRRRR"},
        {"not hovered: the border colour", S::up, false, "GGGGGGGGGG", "GGGGGGGGGG", "GGGGGGGG",
         "GGGGGGGG"},
        {"disabled: the border colour", S::disabled, true, "GGGGGGGGGG", "GGGGGGGGGG", "GGGGGGGG",
         "GGGGGGGG"},
    };
    const std::vector<std::pair<gfx::Color, char>> legend = {
        {gfx::clRed, 'R'}, {gfx::clBlue, 'B'}, {gfx::clGreen, 'G'}};
    for (const Case& c : cases) {
        ButtonFace f = plainFace();
        f.state = c.state;
        f.hovered = c.hovered;
        const QImage image = render(f, 10, 8);
        EXPECT_EQ(letters(image, {0, 0}, 10, 1, legend)[0], c.topRow) << c.name;
        EXPECT_EQ(letters(image, {0, 7}, 10, 1, legend)[0], c.bottomRow) << c.name;
        std::string left, right;
        for (const auto& row : letters(image, {0, 0}, 1, 8, legend))
            left += row;
        for (const auto& row : letters(image, {9, 0}, 1, 8, legend))
            right += row;
        EXPECT_EQ(left, c.leftColumn) << c.name;
        EXPECT_EQ(right, c.rightColumn) << c.name;
        EXPECT_EQ(at(image, 4, 4), *fillColor(f)) << c.name;
    }
}

TEST(ButtonPainter, DrawsThePictureWithoutItsBottomLeftColour)
{
    ButtonFace f = plainFace();
    f.glyph = picture(sample);
    ButtonGeometry g;
    const QImage image = render(f, 20, 20, &g);
    EXPECT_EQ(g.glyphPos, (gfx::Point{7, 8}));
    const std::vector<std::string> expected = {
        "......", ".XXo..", ".Xoy..", "...X..", "......",
    };
    EXPECT_EQ(
        letters(image, g.glyphPos, 6, 5,
                {{fill, '.'}, {gfx::clBlack, 'X'}, {gfx::clWhite, 'o'}, {gfx::clYellow, 'y'}}),
        expected);
}

TEST(ButtonPainter, PressedPictureSinksOnePixel)
{
    ButtonFace f = plainFace();
    f.glyph = picture(sample);
    f.state = S::down;
    ButtonGeometry g;
    const QImage image = render(f, 20, 20, &g);
    EXPECT_EQ(g.glyphPos, (gfx::Point{8, 9}));
    EXPECT_EQ(at(image, 9, 10), gfx::clBlack);
}

TEST(ButtonPainter, DisabledPictureIsEtchedFromItsDarkPixels)
{
    // Dark pixels become shadow with high light one pixel right and down; light pixels and
    // the key drop out, so the fill shows through.
    const gfx::Color highlight = gfx::ColorToRGB(gfx::clBtnHighlight);
    const gfx::Color shadow = gfx::ColorToRGB(gfx::clBtnShadow);
    ASSERT_NE(highlight, shadow);
    ButtonFace f = plainFace();
    f.glyph = picture(sample);
    f.state = S::disabled;
    ButtonGeometry g;
    const QImage image = render(f, 20, 20, &g);
    const std::vector<std::string> expected = {
        "......", ".##...", ".#++..", "..+#..", "....+.",
    };
    EXPECT_EQ(letters(image, g.glyphPos, 6, 5, {{fill, '.'}, {highlight, '+'}, {shadow, '#'}}),
              expected);
}

TEST(ButtonPainter, StripWithADisabledImageUsesItInsteadOfEmbossing)
{
    // Two images: the second, all yellow on the key, is the disabled one.
    ButtonFace f = plainFace();
    f.glyph = picture({"MXXMMyyM", "MXXMMyyM", "MMMMMMMM"});
    f.numGlyphs = 2;
    f.state = S::disabled;
    ButtonGeometry g;
    const QImage image = render(f, 20, 20, &g);
    EXPECT_EQ(letters(image, g.glyphPos, 4, 3, {{fill, '.'}, {gfx::clYellow, 'y'}}),
              (std::vector<std::string>{".yy.", ".yy.", "...."}));
}

TEST(ButtonPainter, DisabledCaptionIsDrawnTwiceOffsetByOnePixel)
{
    const std::string caption = text::cp949("검색");
    // A light face, as a real one is, between the shadow and the high light.
    const gfx::Color face = gfx::RGB(0xE8, 0xE8, 0xE8);
    ButtonFace f = plainFace();
    f.caption = caption;
    f.colors.color = face;
    f.colors.border = face; // keep the frame out of the ink
    ButtonGeometry g;
    const QImage enabled = render(f, 70, 30, &g);
    f.state = S::disabled;
    const QImage disabled = render(f, 70, 30);

    const QRect area(1, 1, 68, 28);
    const QRect plain = inkBounds(enabled, area, face);
    const QRect etched = inkBounds(disabled, area, face);
    ASSERT_FALSE(plain.isEmpty());
    EXPECT_EQ(etched, plain.adjusted(0, 0, 1, 1));

    // Text is smoothed, so the colours show as the darkest and lightest pixels: the shadow copy
    // is no darker than the shadow colour, the high-light copy lighter than the face.
    const int shadow = buttontest::luma(gfx::ColorToRGB(gfx::clBtnShadow));
    const buttontest::CaptionInk plainInk = buttontest::captionInk(enabled, plain, face);
    const buttontest::CaptionInk etchedInk = buttontest::captionInk(disabled, etched, face);
    EXPECT_LT(plainInk.darkest, shadow - 20);
    EXPECT_FALSE(plainInk.lighterThanFace);
    EXPECT_GE(etchedInk.darkest, shadow - 2);
    EXPECT_LT(etchedInk.darkest, buttontest::luma(face) - 40);
    EXPECT_TRUE(etchedInk.lighterThanFace);

    gfx::RecordingCanvas canvas;
    paintFlatButton(canvas, {0, 0, 70, 30}, f);
    const auto texts = canvas.callsOf(gfx::DrawCall::Kind::DrawText);
    std::vector<gfx::DrawCall> drawn;
    for (const auto& call : texts)
        if (!(call.options & gfx::DT_CALCRECT))
            drawn.push_back(call);
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0].font.color, gfx::clBtnHighlight);
    EXPECT_EQ(drawn[0].rect, g.textBounds.translated(1, 1));
    EXPECT_EQ(drawn[1].font.color, gfx::clBtnShadow);
    EXPECT_EQ(drawn[1].rect, g.textBounds);
    EXPECT_EQ(drawn[1].brush.style, gfx::BrushStyle::Clear);
}

TEST(ButtonPainter, MeasuresTheCaptionWithoutItsAcceleratorMark)
{
    gfx::RecordingCanvas canvas;
    ButtonFace f = plainFace();
    f.caption = "&Go";
    const ButtonGeometry withMark = paintFlatButton(canvas, {0, 0, 70, 30}, f);
    f.caption = "Go";
    const ButtonGeometry without = paintFlatButton(canvas, {0, 0, 70, 30}, f);
    EXPECT_EQ(withMark.textBounds, without.textBounds);
}
