#include "gfx/MeasureCanvas.h"

#include <cmath>

namespace gfx {

namespace {

constexpr double inchesPerMetre = 1.0 / 0.0254;

} // namespace

QImage makeImage(int width, int height, int dpi)
{
    QImage image(width, height, QImage::Format_RGB32);
    const int dotsPerMetre = int(std::lround(dpi * inchesPerMetre));
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    image.fill(Qt::white);
    return image;
}

detail::MeasureSurface::MeasureSurface(int dpi) : image(makeImage(1, 1, dpi)) {}

MeasureCanvas::MeasureCanvas(int dpi) : MeasureSurface(dpi), QtCanvas(&image) {}

} // namespace gfx
