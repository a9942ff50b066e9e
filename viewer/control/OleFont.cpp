#include "viewer/control/OleFont.h"

#include "text/Cp949.h"

#include <cmath>

namespace viewer::control {

namespace {

constexpr int64_t sizeUnitsPerPoint = 10000;
constexpr int pointsPerInch = 72;
constexpr int64_t maxFontPoints = 1638; // the largest size the platform's font dialog offers

} // namespace

OleFont toOleFont(const gfx::Font& font)
{
    OleFont ole;
    ole.Name = text::fromCp949(font.name).toStdU16String();
    ole.Size = font.height != 0 ? int64_t(font.pixelHeight(gfx::ScreenDpi)) * pointsPerInch *
                                      sizeUnitsPerPoint / gfx::ScreenDpi
                                : int64_t(font.size) * sizeUnitsPerPoint;
    ole.Bold = font.bold;
    ole.Italic = font.italic;
    ole.Underline = font.underline;
    ole.Strikethrough = font.strikeOut;
    ole.Charset = int16_t(font.charset);
    return ole;
}

bool toFormFont(const OleFont& ole, gfx::Font& font)
{
    if (ole.Name.empty() || ole.Size <= 0 || ole.Size > maxFontPoints * sizeUnitsPerPoint)
        return false;
    const long pixels = std::lround(double(ole.Size) * gfx::ScreenDpi /
                                    (pointsPerInch * double(sizeUnitsPerPoint)));
    if (pixels < 1)
        return false;
    font.name = text::toCp949(QString::fromStdU16String(ole.Name));
    font.height = -int(pixels);
    font.bold = ole.Bold;
    font.italic = ole.Italic;
    font.underline = ole.Underline;
    font.strikeOut = ole.Strikethrough;
    font.charset = ole.Charset;
    return true;
}

} // namespace viewer::control
