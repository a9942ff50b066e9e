#pragma once

#include "button/ButtonTypes.h"
#include "gfx/Bitmap.h"
#include "gfx/Types.h"

namespace button {

constexpr int maxNumGlyphs = 4; // up, disabled, down, exclusive

// The number of images a newly set glyph holds: width div height when the width is a whole
// multiple of the height (1 beyond four images); otherwise `previous` stands.
int numGlyphsOf(const gfx::Bitmap& glyph, int previous);

// Which image of a strip of `numGlyphs` shows `state`.
int glyphIndex(int numGlyphs, ButtonState state);

// Whether `state` shows the embossed form of the single image.
inline bool showsEmbossed(int numGlyphs, ButtonState state)
{
    return numGlyphs == 1 && state == ButtonState::disabled;
}

// Image `index` of the strip, each glyph width div `numGlyphs` wide.
gfx::Rect glyphImageRect(const gfx::Bitmap& glyph, int numGlyphs, int index);

// The disabled look of a picture: its dark ink, outside its transparent colour, etched into a
// button-face square (highlight one pixel right and down, shadow in place).
gfx::Bitmap embossed(const gfx::Bitmap& picture);

// Whether a pixel belongs to the picture's shape in its monochrome copy.
bool isInk(gfx::Color pixel, gfx::Color transparent);

} // namespace button
