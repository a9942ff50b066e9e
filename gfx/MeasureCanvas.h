#pragma once

#include "gfx/QtCanvas.h"

#include <QImage>

namespace gfx {

namespace detail {
// Holds the surface so that it exists before the canvas that paints on it.
struct MeasureSurface
{
    explicit MeasureSurface(int dpi);
    QImage image;
};
} // namespace detail

// The screen-compatible measuring context: a QtCanvas on a small image at 96 pixels per inch.
// Its text extents are those that a QtCanvas at the same resolution draws.
class MeasureCanvas : private detail::MeasureSurface, public QtCanvas
{
public:
    explicit MeasureCanvas(int dpi = ScreenDpi);
};

// A QImage of the given size at `dpi` pixels per inch, filled white: the surface of pictures
// drawn through a QtCanvas.
QImage makeImage(int width, int height, int dpi = ScreenDpi);

} // namespace gfx
