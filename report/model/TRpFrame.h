#pragma once

#include "gfx/Canvas.h"

namespace report {

// Lines around a rectangle, each side a filled strip in the frame colour.
struct TRpFrame
{
    gfx::Color color = gfx::clBlack;
    bool drawTop = false;
    bool drawBottom = false;
    bool drawLeft = false;
    bool drawRight = false;
    gfx::PenStyle style = gfx::PenStyle::Solid;
    int width = 1; // points; -1 is the thinnest line of the device

    bool drawsAnything() const { return drawTop || drawBottom || drawLeft || drawRight; }

    // The line width in native units.
    long double nativeWidth() const;
    // Draws the requested sides inside `r`; the scales are device units per native unit.
    // The brush is left clear.
    void Draw(gfx::Canvas& canvas, const gfx::Rect& r, long double xScale,
              long double yScale) const;

    friend bool operator==(const TRpFrame&, const TRpFrame&) = default;
};

} // namespace report
