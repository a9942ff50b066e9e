#pragma once

#include "gfx/Color.h"

#include <QImage>
#include <QRect>
#include <algorithm>

namespace buttontest {

inline gfx::Color at(const QImage& image, int x, int y)
{
    return gfx::fromQColor(image.pixelColor(x, y));
}

// Brightness 0..255 (Rec. 601 weights).
inline int luma(gfx::Color c)
{
    return (299 * gfx::GetRValue(c) + 587 * gfx::GetGValue(c) + 114 * gfx::GetBValue(c)) / 1000;
}

// What a caption left in `area` on a `face` background: its darkest pixel and whether any pixel
// is lighter than the face (which only the high-light copy of an etched caption makes).
struct CaptionInk
{
    int darkest = 255;
    bool lighterThanFace = false;
};

inline CaptionInk captionInk(const QImage& image, const QRect& area, gfx::Color face)
{
    CaptionInk ink;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const gfx::Color c = at(image, x, y);
            ink.darkest = std::min(ink.darkest, luma(c));
            ink.lighterThanFace |= gfx::GetRValue(c) > gfx::GetRValue(face) &&
                                   gfx::GetGValue(c) > gfx::GetGValue(face) &&
                                   gfx::GetBValue(c) > gfx::GetBValue(face);
        }
    return ink;
}

} // namespace buttontest
