#pragma once

#include "button/ButtonLayout.h"
#include "button/ButtonTypes.h"
#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"

#include <optional>
#include <string>

namespace button {

struct ButtonColors
{
    gfx::Color color = gfx::clBtnFace;
    gfx::Color focused = gfx::RGB(0xE1, 0xEA, 0xEB);
    gfx::Color down = gfx::RGB(0xD9, 0xD6, 0xC5);
    gfx::Color border = gfx::RGB(0xA0, 0x96, 0x83);
    gfx::Color highLight = gfx::clWhite;
    gfx::Color shadow = gfx::clBlack;
};

// Everything one painting of a button needs; the state is already normalised.
struct ButtonFace
{
    ButtonColors colors;
    TTransparentMode transparentMode = tmNone;
    TButtonLayout layout = blGlyphTop;
    int margin = -1;
    int spacing = 4;
    gfx::Bitmap glyph;
    int numGlyphs = 1;
    std::string caption; // cp949
    gfx::Font font;
    ButtonState state = ButtonState::up;
    bool hovered = false;
};

// The background fill, or none.
std::optional<gfx::Color> fillColor(const ButtonFace& face);

struct FrameColors
{
    gfx::Color topLeft;
    gfx::Color bottomRight;
};
FrameColors frameColors(const ButtonFace& face);

// Paints the whole button into `client` and returns where picture and caption went.
ButtonGeometry paintFlatButton(gfx::Canvas& canvas, const gfx::Rect& client,
                               const ButtonFace& face);

// Draws the part `source` of `bitmap` with its top-left corner at `at`, leaving out every pixel
// of the colour `transparent`.
void drawTransparent(gfx::Canvas& canvas, const gfx::Bitmap& bitmap, const gfx::Rect& source,
                     gfx::Point at, gfx::Color transparent);

} // namespace button
