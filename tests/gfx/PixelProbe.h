#pragma once

#include "gfx/Color.h"

#include <QImage>
#include <QRect>
#include <string>

namespace gfxtest {

// The pixel at (x, y) as a system colour value.
gfx::Color pixelAt(const QImage& image, int x, int y);

// The smallest rectangle holding every pixel that differs from `background` (null if none).
QRect inkBounds(const QImage& image, gfx::Color background);

// One character per pixel of row y from x0 to x1 inclusive: '#' for `ink`, '.' for
// `background`, '?' for anything else.
std::string row(const QImage& image, int y, int x0, int x1, gfx::Color ink, gfx::Color background);
std::string column(const QImage& image, int x, int y0, int y1, gfx::Color ink,
                   gfx::Color background);

// Saves the image, enlarged eight times, as <name>.png in MIROLA_SAVE_PNG when that is set, to look
// at the pixels.
void saveIfAsked(const QImage& image, const std::string& name);

} // namespace gfxtest
