#pragma once

#include "gfx/Bitmap.h"

namespace button {

// The pictures of the viewer's command buttons, drawn here. Each has a magenta background
// key in its bottom-left pixel.
struct Glyphs
{
    // A magnifier over a sheet: 32 × 32, 16 colours.
    static gfx::Bitmap search();
    // A printer with a printed page coming out: 32 × 32, 16 colours.
    static gfx::Bitmap print();
    // A door standing open with an arrow leading out: 36 × 36, 256 colours.
    static gfx::Bitmap exit();
};

} // namespace button
