#pragma once

#include "gfx/Font.h"

namespace report {

// Lengths are stored in native units of 0.1 mm.
constexpr long double nativePerInch = 254;
constexpr long double nativePerMM = 10;

// Unit kinds in their streamed order.
enum class TRpUnit { MM, Inches, Pixels, Characters, Native };

// What a conversion to pixels or characters depends on.
struct UnitScale
{
    int resolution = gfx::ScreenDpi; // pixels per inch
    int zoom = 100;                  // percent
    long double fontPoints = 10;     // absolute point size of the report's font
};

// A native length in `unit`, and back. `vertical` picks the character height instead of its
// width for Characters.
long double nativeToUnit(long double native, TRpUnit unit, bool vertical, const UnitScale& scale);
long double unitToNative(long double value, TRpUnit unit, bool vertical, const UnitScale& scale);

// Pixels of a native length at `resolution` and `zoom`, before rounding.
inline long double nativeToPixels(long double native, int resolution, int zoom)
{
    return native / (nativePerInch / resolution) * zoom / 100;
}

inline long double pixelsToNative(long double pixels, int resolution, int zoom)
{
    return pixels * (nativePerInch / resolution) / zoom * 100;
}

} // namespace report
