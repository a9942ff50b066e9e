#pragma once

#include "button/ButtonTypes.h"
#include "gfx/Types.h"

namespace button {

// Where picture and caption go, computed at every painting.
struct ButtonGeometry
{
    gfx::Point glyphPos;  // top-left corner of the picture
    gfx::Rect textBounds; // rectangle of the caption
    friend bool operator==(const ButtonGeometry&, const ButtonGeometry&) = default;
};

// `glyph` and `text` are 0 × 0 when there is no picture or no caption. A margin of -1 centres
// picture and caption together; a spacing of -1 spreads them evenly. `offset` is (1, 1) while
// the button is sunk.
ButtonGeometry calcButtonLayout(const gfx::Rect& client, gfx::Size glyph, gfx::Size text,
                                TButtonLayout layout, int margin, int spacing, gfx::Point offset);

} // namespace button
