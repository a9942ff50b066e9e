#include "tests/gfx/PixelProbe.h"

#include <QDir>

namespace gfxtest {

gfx::Color pixelAt(const QImage& image, int x, int y)
{
    return gfx::fromQColor(image.pixelColor(x, y));
}

QRect inkBounds(const QImage& image, gfx::Color background)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (pixelAt(image, x, y) != background)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

namespace {

char classify(gfx::Color c, gfx::Color ink, gfx::Color background)
{
    return c == ink ? '#' : c == background ? '.' : '?';
}

} // namespace

std::string row(const QImage& image, int y, int x0, int x1, gfx::Color ink, gfx::Color background)
{
    std::string out;
    for (int x = x0; x <= x1; ++x)
        out += classify(pixelAt(image, x, y), ink, background);
    return out;
}

std::string column(const QImage& image, int x, int y0, int y1, gfx::Color ink,
                   gfx::Color background)
{
    std::string out;
    for (int y = y0; y <= y1; ++y)
        out += classify(pixelAt(image, x, y), ink, background);
    return out;
}

void saveIfAsked(const QImage& image, const std::string& name)
{
    const QString dir = qEnvironmentVariable("MIROLA_SAVE_PNG");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    // Enlarged without smoothing, so that single pixels can be told apart by eye.
    constexpr int zoom = 8;
    image
        .scaled(image.width() * zoom, image.height() * zoom, Qt::IgnoreAspectRatio,
                Qt::FastTransformation)
        .save(dir + QLatin1Char('/') + QString::fromStdString(name) + QStringLiteral(".png"));
}

} // namespace gfxtest
