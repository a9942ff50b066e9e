#include "button/GlyphStrip.h"

namespace button {

int numGlyphsOf(const gfx::Bitmap& glyph, int previous)
{
    if (glyph.isEmpty() || glyph.height() == 0 || glyph.width() % glyph.height() != 0)
        return previous;
    const int n = glyph.width() / glyph.height();
    return n > maxNumGlyphs ? 1 : n;
}

int glyphIndex(int numGlyphs, ButtonState state)
{
    switch (state) {
    case ButtonState::up:
        return 0;
    case ButtonState::disabled:
        return numGlyphs >= 2 ? 1 : 0;
    case ButtonState::down:
        return numGlyphs >= 3 ? 2 : 0;
    case ButtonState::exclusive:
        return numGlyphs >= 4 ? 3 : (numGlyphs == 3 ? 2 : 0);
    }
    return 0;
}

gfx::Rect glyphImageRect(const gfx::Bitmap& glyph, int numGlyphs, int index)
{
    const int w = glyph.width() / numGlyphs;
    return gfx::Bounds(index * w, 0, w, glyph.height());
}

bool isInk(gfx::Color pixel, gfx::Color transparent)
{
    // The monochrome copy keeps what reads as a line: every pixel darker than middle grey.
    // Light fills and the transparent background drop out, so the outline stays recognisable
    // whatever colour the background key has.
    if (pixel == transparent)
        return false;
    const int luma =
        299 * gfx::GetRValue(pixel) + 587 * gfx::GetGValue(pixel) + 114 * gfx::GetBValue(pixel);
    return luma < 128 * 1000;
}

gfx::Bitmap embossed(const gfx::Bitmap& picture)
{
    const int w = picture.width();
    const int h = picture.height();
    const gfx::Color face = gfx::ColorToRGB(gfx::clBtnFace);
    const gfx::Color highlight = gfx::ColorToRGB(gfx::clBtnHighlight);
    const gfx::Color shadow = gfx::ColorToRGB(gfx::clBtnShadow);
    const gfx::Color transparent = picture.bottomLeftPixel();

    gfx::Bitmap out(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            out.setPixel(x, y, face);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (isInk(picture.pixel(x, y), transparent))
                out.setPixel(x + 1, y + 1, highlight); // setPixel ignores the edge overflow
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (isInk(picture.pixel(x, y), transparent))
                out.setPixel(x, y, shadow);
    return out;
}

} // namespace button
