#include "button/Glyphs.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <functional>

namespace button {

namespace {

constexpr QRgb key = 0xFFFF00FF; // magenta: the transparent colour

// The sixteen colours a 4-bit picture draws with.
constexpr QRgb black = 0xFF000000;
constexpr QRgb maroon = 0xFF800000;
constexpr QRgb navy = 0xFF000080;
constexpr QRgb green = 0xFF008000;
constexpr QRgb teal = 0xFF008080;
constexpr QRgb gray = 0xFF808080;
constexpr QRgb silver = 0xFFC0C0C0;
constexpr QRgb lime = 0xFF00FF00;
constexpr QRgb aqua = 0xFF00FFFF;
constexpr QRgb white = 0xFFFFFFFF;

// A picture drawn pixel by pixel: `shade` gives the colour of the pixel whose centre is
// (x + 0.5, y + 0.5), or 0 to keep what is there.
using Shader = std::function<QRgb(double x, double y)>;

void shadeOver(QImage& image, const Shader& shade)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (const QRgb c = shade(x + 0.5, y + 0.5))
                image.setPixel(x, y, c);
}

QImage blank(int size)
{
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(key);
    return image;
}

// An indexed bitmap of the picture. Colours lose low bits, as few as needed, until the
// palette fits; the key is never changed.
gfx::Bitmap indexed(const QImage& rgb, int bitsPerPixel)
{
    const int maxColours = 1 << bitsPerPixel;
    for (int shift = 0;; ++shift) {
        auto reduce = [shift](QRgb c) -> QRgb {
            c |= 0xFF000000;
            if (c == key || shift == 0)
                return c;
            const uint mask = (0xFFu << shift) & 0xFFu;
            const uint half = (1u << shift) >> 1;
            auto channel = [&](int v) { return int(std::min(255u, (uint(v) & mask) + half)); };
            return qRgb(channel(qRed(c)), channel(qGreen(c)), channel(qBlue(c)));
        };
        QList<QRgb> table;
        QImage out(rgb.size(), QImage::Format_Indexed8);
        for (int y = 0; y < rgb.height() && table.size() <= maxColours; ++y)
            for (int x = 0; x < rgb.width() && table.size() <= maxColours; ++x) {
                const QRgb c = reduce(rgb.pixel(x, y));
                qsizetype i = table.indexOf(c);
                if (i < 0) {
                    i = table.size();
                    table.append(c);
                    out.setColorCount(int(table.size()));
                    out.setColor(int(i), c);
                }
                out.setPixel(x, y, uint(i));
            }
        if (table.size() <= maxColours)
            return gfx::Bitmap::fromImage(out, bitsPerPixel);
    }
}

double distance(double x, double y, double cx, double cy)
{
    return std::hypot(x - cx, y - cy);
}

// Distance from (x, y) to the segment from (ax, ay) to (bx, by).
double segmentDistance(double x, double y, double ax, double ay, double bx, double by)
{
    const double dx = bx - ax;
    const double dy = by - ay;
    const double t = std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return distance(x, y, ax + t * dx, ay + t * dy);
}

bool within(double v, double from, double to)
{
    return v >= from && v < to;
}

} // namespace

gfx::Bitmap Glyphs::search()
{
    QImage image = blank(32);

    // The sheet, its top-right corner folded over.
    const int left = 3, top = 1, right = 21, bottom = 28, fold = 6;
    shadeOver(image, [&](double x, double y) -> QRgb {
        if (!within(x, left, right + 1) || !within(y, top, bottom + 1))
            return 0;
        const double corner = (x - (right + 1 - fold)) - (y - top); // > 0: cut off
        if (corner > 0.5)
            return 0;
        if (corner > -0.5)
            return black; // the fold's diagonal
        if (x < left + 1 || x >= right || y < top + 1 || y >= bottom)
            return black;
        // The folded-over flap.
        if (x >= right + 1 - fold && y < top + fold && x < right + 1 - fold + 1)
            return black;
        if (y < top + fold && x >= right + 1 - fold)
            return y >= top + fold - 1 ? black : silver;
        // Lines of text.
        const int row = int(y);
        if (row >= 5 && row <= 24 && (row - 5) % 3 == 0 && x >= left + 3 &&
            x < (row < top + fold ? right + 1 - fold - 1 : right - 3))
            return gray;
        return white;
    });

    // The magnifier: a glass with a dark rim and a handle pointing down and right.
    const double cx = 20.0, cy = 17.5;
    shadeOver(image, [&](double x, double y) -> QRgb {
        const double d = distance(x, y, cx, cy);
        const double handle = segmentDistance(x, y, 25.2, 22.7, 29.3, 26.8);
        if (d < 5.6) {
            // A glint on the upper left of the glass.
            const double gx = x - cx;
            const double gy = y - cy;
            if (within(d, 3.2, 4.6) && gx < -0.5 && gy < -0.5 && gx + gy < -3.5)
                return white;
            return aqua;
        }
        if (d < 6.6)
            return teal;
        if (d < 7.7)
            return black;
        if (handle < 1.5)
            return (x - y) > 2.6 ? black : maroon;
        if (handle < 2.3)
            return black;
        return 0;
    });
    return indexed(image, 4);
}

gfx::Bitmap Glyphs::print()
{
    QImage image = blank(32);
    auto rect = [&](int l, int t, int r, int b, QRgb c) { // inclusive corners
        for (int y = t; y <= b; ++y)
            for (int x = l; x <= r; ++x)
                image.setPixel(x, y, c);
    };
    auto frame = [&](int l, int t, int r, int b, QRgb fill) {
        rect(l, t, r, b, black);
        rect(l + 1, t + 1, r - 1, b - 1, fill);
    };

    // The blank sheet waiting at the back.
    frame(8, 1, 23, 13, white);
    for (int y : {4, 6, 8})
        rect(11, y, 20, y, silver);

    // The body: a light top edge, a shaded base, the paper slot and a lit lamp.
    frame(1, 11, 30, 25, silver);
    rect(2, 12, 29, 12, white);
    rect(2, 12, 2, 24, white);
    rect(2, 22, 29, 24, gray);
    rect(29, 13, 29, 21, gray);
    rect(5, 17, 26, 18, black);
    rect(24, 14, 26, 15, green);
    rect(25, 14, 26, 14, lime);

    // The printed page coming out of the slot.
    frame(7, 18, 24, 30, white);
    rect(7, 18, 24, 18, black);
    for (int y : {21, 23, 25, 27})
        rect(10, y, y == 27 ? 16 : 21, y, navy);
    // Rounded corners of the body.
    for (const auto& [x, y] : {std::pair{1, 11}, {30, 11}, {1, 25}, {30, 25}})
        image.setPixel(x, y, key);
    return indexed(image, 4);
}

gfx::Bitmap Glyphs::exit()
{
    constexpr int size = 36;
    constexpr int scale = 4; // drawn large and smoothed down, for soft edges
    QImage big(size * scale, size * scale, QImage::Format_ARGB32_Premultiplied);
    big.fill(Qt::transparent);
    {
        QPainter p(&big);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(scale, scale);
        const QColor outline(0x4A, 0x2C, 0x12);

        // The door frame and the dark way out behind it. Every fill stays lighter than middle
        // grey, so that the disabled picture keeps only the outlines and the dark opening.
        p.setPen(QPen(outline, 1.0));
        p.setBrush(QColor(0xB4, 0x80, 0x4A));
        p.drawRect(QRectF(4.5, 2.5, 19, 31));
        QLinearGradient dark(0, 5, 0, 33);
        dark.setColorAt(0, QColor(0x2A, 0x22, 0x30));
        dark.setColorAt(1, QColor(0x46, 0x3E, 0x52));
        p.setBrush(dark);
        p.drawRect(QRectF(7.5, 5.5, 13, 28));

        // The door leaf, swung open towards us on its left hinges.
        QPainterPath leaf;
        leaf.moveTo(7.5, 5.5);
        leaf.lineTo(15.5, 8.0);
        leaf.lineTo(15.5, 35.0);
        leaf.lineTo(7.5, 33.5);
        leaf.closeSubpath();
        QLinearGradient wood(7, 0, 16, 0);
        wood.setColorAt(0, QColor(0xC9, 0x8B, 0x4A));
        wood.setColorAt(1, QColor(0xE4, 0xAE, 0x6C));
        p.setBrush(wood);
        p.drawPath(leaf);
        // Its panels and knob.
        p.setPen(QPen(QColor(0x8E, 0x5A, 0x28), 0.8));
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(9.5, 11.0), QPointF(13.5, 12.2));
        p.drawLine(QPointF(9.5, 29.0), QPointF(13.5, 29.6));
        p.setPen(QPen(QColor(0x7A, 0x5A, 0x10), 0.6));
        p.setBrush(QColor(0xF6, 0xD0, 0x3A));
        p.drawEllipse(QPointF(13.6, 21.0), 1.2, 1.2);

        // The arrow leading out to the right.
        QPainterPath arrow;
        arrow.moveTo(13.0, 15.5);
        arrow.lineTo(24.0, 15.5);
        arrow.lineTo(24.0, 10.0);
        arrow.lineTo(34.0, 19.0);
        arrow.lineTo(24.0, 28.0);
        arrow.lineTo(24.0, 22.5);
        arrow.lineTo(13.0, 22.5);
        arrow.closeSubpath();
        QLinearGradient arrowShade(0, 10, 0, 28);
        arrowShade.setColorAt(0, QColor(0x7C, 0xDC, 0x66));
        arrowShade.setColorAt(1, QColor(0x3A, 0xB4, 0x46));
        p.setPen(QPen(QColor(0x0E, 0x4A, 0x16), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(arrowShade);
        p.drawPath(arrow);
    }
    const QImage small = big.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

    // Soft edges are settled against a light face grey; what stays nearly clear becomes the key.
    const QColor face(0xEC, 0xEC, 0xEC);
    QImage image = blank(size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const QColor c = QColor::fromRgba(small.pixel(x, y));
            const double a = c.alphaF();
            if (a < 0.3)
                continue;
            auto mix = [&](int fg, int bg) { return int(std::lround(fg * a + bg * (1 - a))); };
            image.setPixel(x, y,
                           qRgb(mix(c.red(), face.red()), mix(c.green(), face.green()),
                                mix(c.blue(), face.blue())));
        }
    return indexed(image, 8);
}

} // namespace button
