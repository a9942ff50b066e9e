#pragma once

#include "gfx/Font.h"

#include <cstdint>
#include <string>

namespace viewer::control {

// The font a host passes through the Font property: what an OLE font object carries.
struct OleFont
{
    std::u16string Name = u"MS Sans Serif";
    int64_t Size = 82500; // points in ten-thousandths, as the currency type holds them
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Strikethrough = false;
    int16_t Charset = 1; // DEFAULT_CHARSET

    friend bool operator==(const OleFont&, const OleFont&) = default;
};

// The adapter between the host's font and the form's logical font. Sizes convert through the
// form's design resolution: a font is held as a whole number of pixels, as the form holds it.
OleFont toOleFont(const gfx::Font& font);
// False for a font that cannot be a form's font (no name, under one pixel, over 1638 points).
bool toFormFont(const OleFont& ole, gfx::Font& font);

} // namespace viewer::control
