#pragma once

#include "gfx/Canvas.h"
#include "grid/TImBorderAttr.h"
#include "grid/TImCellAttr.h"

#include <string_view>

namespace grid {

// Light and dark shades of a colour, for three-dimensional frames and the focus frame:
// each channel halfway to white, or halfway to black.
gfx::Color lightShade(gfx::Color c);
gfx::Color darkShade(gfx::Color c);

// The cell's text inside `r`, less the margin, placed by the alignment and layout, with a
// transparent background (and the shadow first, when one is set). Uses the canvas's font;
// a width scale other than 1 (AspectRatio) is left out.
void drawCellText(gfx::Canvas& canvas, gfx::Rect r, std::string_view text, const TImCellAttr& attr);

// The outer frame on `r` and the inner frame `StyleWidth` inside it.
void drawCellFrames(gfx::Canvas& canvas, gfx::Rect r, const TImBorderAttr& border);

// The focus frame over a cell: left two pixels and top one pixel in the light shade, right two
// pixels and bottom one pixel in the dark shade.
void drawFocusFrame(gfx::Canvas& canvas, const gfx::Rect& r, gfx::Color light, gfx::Color dark);

} // namespace grid
