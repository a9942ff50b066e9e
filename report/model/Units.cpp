#include "report/model/Units.h"

namespace report {

namespace {

// Native units per character cell, from the widths and heights of an average character of the
// report's font at `points`.
long double charWidth(long double points)
{
    return 80 / points / 2.54L;
}
long double charHeight(long double points)
{
    return 145.3L / points / 2.54L;
}

long double charCell(bool vertical, const UnitScale& scale)
{
    return vertical ? charHeight(scale.fontPoints) : charWidth(scale.fontPoints);
}

} // namespace

long double nativeToUnit(long double x, TRpUnit unit, bool vertical, const UnitScale& scale)
{
    switch (unit) {
    case TRpUnit::MM:
        return x / nativePerMM;
    case TRpUnit::Inches:
        return x / nativePerInch;
    case TRpUnit::Pixels:
        return nativeToPixels(x, scale.resolution, scale.zoom);
    case TRpUnit::Characters:
        return x / charCell(vertical, scale) / 10;
    case TRpUnit::Native:
        break;
    }
    return x;
}

long double unitToNative(long double v, TRpUnit unit, bool vertical, const UnitScale& scale)
{
    switch (unit) {
    case TRpUnit::MM:
        return v * nativePerMM;
    case TRpUnit::Inches:
        return v * nativePerInch;
    case TRpUnit::Pixels:
        return pixelsToNative(v, scale.resolution, scale.zoom);
    case TRpUnit::Characters:
        return v * charCell(vertical, scale) * 10;
    case TRpUnit::Native:
        break;
    }
    return v;
}

} // namespace report
