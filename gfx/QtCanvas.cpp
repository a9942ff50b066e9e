#include "gfx/QtCanvas.h"

#include "gfx/LineRaster.h"
#include "gfx/TextLayout.h"
#include "text/Cp949.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

using namespace Qt::StringLiterals;

namespace gfx {

namespace {

QRect toQRect(const Rect& r)
{
    return QRect(r.left, r.top, r.width(), r.height());
}

// Centre of the pixel at p, where geometric pens draw through.
QPointF centre(Point p)
{
    return QPointF(p.x + 0.5, p.y + 0.5);
}

// Bounds are kept within this so that widening them, or taking their width, cannot overflow.
constexpr double maxBound = 1 << 29;

int boundToInt(double v)
{
    return int(std::clamp(v, -maxBound, maxBound));
}

// The part of the segment a-b inside `area` as the fractions [t0, t1] of its length, clipped
// one edge at a time; none when it misses the area.
std::optional<std::pair<double, double>> clipSegment(QPointF a, QPointF b, const QRectF& area)
{
    double t0 = 0, t1 = 1;
    const double d[2] = {b.x() - a.x(), b.y() - a.y()};
    const double lows[2] = {area.left() - a.x(), area.top() - a.y()};
    const double highs[2] = {area.right() - a.x(), area.bottom() - a.y()};
    for (int axis = 0; axis < 2; ++axis) {
        if (d[axis] == 0) {
            if (lows[axis] > 0 || highs[axis] < 0)
                return std::nullopt;
            continue;
        }
        double enter = lows[axis] / d[axis], leave = highs[axis] / d[axis];
        if (enter > leave)
            std::swap(enter, leave);
        t0 = std::max(t0, enter);
        t1 = std::min(t1, leave);
        if (t0 > t1)
            return std::nullopt;
    }
    return std::pair(t0, t1);
}

} // namespace

QtCanvas::QtCanvas(QPaintDevice* device)
    : m_ownPainter(std::make_unique<QPainter>(device)), m_painter(m_ownPainter.get()),
      m_dpi(device->logicalDpiY())
{
    init();
}

QtCanvas::QtCanvas(QPainter* painter, int dpi) : m_painter(painter), m_dpi(dpi)
{
    init();
}

void QtCanvas::init()
{
    m_painter->save();
    if (m_painter->hasClipping())
        m_deviceClip = m_painter->clipRegion();
    m_clippedAway = m_deviceClip && m_deviceClip->isEmpty();
    m_painter->setRenderHint(QPainter::Antialiasing, false);
    m_painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    m_painter->setRenderHint(QPainter::TextAntialiasing, true);
}

QtCanvas::~QtCanvas()
{
    m_painter->restore();
}

bool QtCanvas::cosmeticPen() const
{
    return pen.width <= 1;
}

Rect QtCanvas::paintBounds() const
{
    const QPaintDevice* device = m_painter->device();
    if (!device)
        return {};
    // The device's whole area in logical coordinates, cut down to the clip region. A picture
    // being recorded has no area yet: it grows with what is drawn, and is bounded by the device
    // it is played on.
    QRectF area(0, 0, device->width(), device->height());
    const QTransform& transform = m_painter->combinedTransform();
    if (device->devType() == QInternal::Picture) {
        area = QRectF(QPointF(-maxBound, -maxBound), QPointF(maxBound, maxBound));
    } else if (!transform.isIdentity()) {
        bool invertible = false;
        const QTransform inverse = transform.inverted(&invertible);
        if (!invertible)
            return {};
        area = inverse.mapRect(area);
    }
    if (const std::optional<QRegion> clip = clipRegion())
        area &= QRectF(clip->boundingRect());
    if (area.isEmpty())
        return {};
    return {boundToInt(std::floor(area.left())), boundToInt(std::floor(area.top())),
            boundToInt(std::ceil(area.right())), boundToInt(std::ceil(area.bottom()))};
}

void QtCanvas::fillArea(const Rect& r, Color c)
{
    const Rect shown = r.intersected(paintBounds());
    if (!shown.isEmpty())
        m_painter->fillRect(toQRect(shown), toQColor(c));
}

void QtCanvas::strokeCosmetic(const std::vector<Point>& points)
{
    if (pen.style == PenStyle::Clear || points.size() < 2)
        return;
    if (!m_painter->transform().isIdentity()) {
        strokeScaledCosmetic(points);
        return;
    }
    const QColor penColor = toQColor(pen.color);
    const QColor gapColor = toQColor(bkColor);
    const bool opaqueGaps = bkMode == BkMode::Opaque;
    LineRaster raster(cosmeticPattern(pen.style));
    const Rect bounds = paintBounds();
    auto sink = [&](const PixelRun& run) {
        if (!run.dash && !opaqueGaps)
            return;
        const QRect r = run.horizontal ? QRect(run.x, run.y, run.length, 1)
                                       : QRect(run.x, run.y, 1, run.length);
        m_painter->fillRect(r, run.dash ? penColor : gapColor);
    };
    for (size_t i = 1; i < points.size(); ++i)
        raster.line(points[i - 1], points[i], bounds, sink);
}

void QtCanvas::strokeScaledCosmetic(const std::vector<Point>& points)
{
    // Under a scale a cosmetic pen stays one device pixel wide, so Qt's own cosmetic stroker
    // draws it; the patterns keep their lengths in device pixels.
    QPen qpen(toQColor(pen.color), 0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    qpen.setCosmetic(true);
    const std::vector<int>& pattern = cosmeticPattern(pen.style);
    if (!pattern.empty())
        qpen.setDashPattern(QList<qreal>(pattern.begin(), pattern.end()));
    QPainterPath path(QPointF(points[0].x, points[0].y));
    for (size_t i = 1; i < points.size(); ++i)
        path.lineTo(QPointF(points[i].x, points[i].y));
    m_painter->save();
    m_painter->setBackgroundMode(bkMode == BkMode::Opaque ? Qt::OpaqueMode : Qt::TransparentMode);
    m_painter->setBackground(toQColor(bkColor));
    m_painter->strokePath(path, qpen);
    m_painter->restore();
}

void QtCanvas::strokeWide(const std::vector<Point>& points, bool closed)
{
    if (pen.style == PenStyle::Clear || points.size() < 2)
        return;
    // Wider pens are geometric, with round ends and joins. A styled one keeps its pattern,
    // lengthened with its width (Qt counts dash lengths in pen widths): a dotted line played
    // at a finer resolution, where its pen widens with the scale, still shows the same dots.
    QPen qpen(toQColor(pen.color), pen.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    const std::vector<int>& pattern = cosmeticPattern(pen.style);
    if (!pattern.empty()) {
        qpen.setCapStyle(Qt::FlatCap);
        qpen.setDashPattern(QList<qreal>(pattern.begin(), pattern.end()));
    }
    // Beyond the device by more than the pen's reach, a figure is cut where it leaves the
    // area: the stroker would otherwise lay its dashes along the whole length.
    const Rect visible = paintBounds();
    if (visible.isEmpty())
        return;
    const double reach = pen.width + 2;
    const QRectF area(QPointF(visible.left - reach, visible.top - reach),
                      QPointF(visible.right + reach, visible.bottom + reach));
    const bool inside = std::all_of(points.begin(), points.end(),
                                    [&](Point p) { return area.contains(centre(p)); });
    if (inside) {
        QPainterPath path(centre(points[0]));
        for (size_t i = 1; i < points.size(); ++i)
            path.lineTo(centre(points[i]));
        if (closed)
            path.closeSubpath();
        m_painter->strokePath(path, qpen);
        return;
    }
    strokeCut(points, closed, area, qpen);
}

void QtCanvas::strokeCut(const std::vector<Point>& points, bool closed, const QRectF& area,
                         QPen qpen)
{
    // Each piece inside the area is stroked on its own, its dashes shifted by the length
    // before it (a dash offset counts pen widths), so every shown dash stays where it was.
    std::vector<Point> figure = points;
    if (closed)
        figure.push_back(points.front());
    double travelled = 0;
    QPainterPath piece;
    double pieceStart = 0;
    auto flush = [&] {
        if (piece.elementCount() < 2)
            return;
        // A dash offset turns a solid pen into a dashed one of no dashes.
        if (qpen.style() != Qt::SolidLine)
            qpen.setDashOffset(pieceStart / pen.width);
        m_painter->strokePath(piece, qpen);
        piece = QPainterPath();
    };
    for (size_t i = 1; i < figure.size(); ++i) {
        const QPointF a = centre(figure[i - 1]), b = centre(figure[i]);
        const double length = std::hypot(b.x() - a.x(), b.y() - a.y());
        const auto cut = clipSegment(a, b, area);
        if (!cut) {
            flush();
            travelled += length;
            continue;
        }
        const auto [t0, t1] = *cut;
        if (t0 > 0 || piece.elementCount() == 0) {
            flush();
            piece = QPainterPath(a + (b - a) * t0);
            pieceStart = travelled + length * t0;
        }
        piece.lineTo(a + (b - a) * t1);
        if (t1 < 1)
            flush();
        travelled += length;
    }
    flush();
}

void QtCanvas::DrawLine(Point from, Point to)
{
    if (m_clippedAway)
        return;
    if (cosmeticPen())
        strokeCosmetic({from, to});
    else
        strokeWide({from, to}, false);
}

void QtCanvas::FillRect(const Rect& r)
{
    if (m_clippedAway)
        return;
    if (brush.style == BrushStyle::Solid)
        fillArea(r, brush.color);
}

void QtCanvas::Rectangle(const Rect& r)
{
    if (m_clippedAway)
        return;
    if (r.isEmpty())
        return;
    if (pen.style == PenStyle::Clear) {
        // Without a pen the interior alone is drawn, one pixel short on the right and bottom.
        if (brush.style == BrushStyle::Solid)
            fillArea({r.left, r.top, r.right - 1, r.bottom - 1}, brush.color);
        return;
    }
    if (brush.style == BrushStyle::Solid)
        fillArea(r, brush.color);
    if (pen.style == PenStyle::InsideFrame && pen.width > 1) {
        const int w = std::min({pen.width, r.width(), r.height()});
        fillArea({r.left, r.top, r.right, r.top + w}, pen.color);
        fillArea({r.left, r.bottom - w, r.right, r.bottom}, pen.color);
        fillArea({r.left, r.top, r.left + w, r.bottom}, pen.color);
        fillArea({r.right - w, r.top, r.right, r.bottom}, pen.color);
        return;
    }
    const std::vector<Point> outline = {{r.left, r.top},
                                        {r.right - 1, r.top},
                                        {r.right - 1, r.bottom - 1},
                                        {r.left, r.bottom - 1},
                                        {r.left, r.top}};
    if (cosmeticPen()) {
        if (r.width() == 1 || r.height() == 1)
            fillArea(r, pen.color);
        else
            strokeCosmetic(outline);
    } else {
        strokeWide(outline, true);
    }
}

void QtCanvas::Ellipse(const Rect& r)
{
    if (m_clippedAway)
        return;
    if (r.isEmpty())
        return;
    const bool hasPen = pen.style != PenStyle::Clear;
    const QRectF box(r.left + 0.5, r.top + 0.5, r.width() - 1, r.height() - 1);
    QPainterPath path;
    path.addEllipse(box);
    if (brush.style == BrushStyle::Solid)
        m_painter->fillPath(path, toQColor(brush.color));
    if (!hasPen)
        return;
    QPen qpen(toQColor(pen.color));
    if (cosmeticPen()) {
        qpen.setWidth(0);
        qpen.setCosmetic(true);
        // The cosmetic outline runs through pixel positions, inside the box.
        m_painter->strokePath(path, qpen);
    } else {
        qpen.setWidth(pen.width);
        m_painter->strokePath(path, qpen);
    }
}

void QtCanvas::Polygon(const std::vector<Point>& points)
{
    if (m_clippedAway)
        return;
    if (points.size() < 2)
        return;
    if (brush.style == BrushStyle::Solid && points.size() >= 3) {
        QPolygonF poly;
        for (const Point& p : points)
            poly << QPointF(p.x, p.y);
        QPainterPath path;
        path.setFillRule(Qt::OddEvenFill);
        path.addPolygon(poly);
        path.closeSubpath();
        m_painter->fillPath(path, toQColor(brush.color));
    }
    std::vector<Point> closed = points;
    closed.push_back(points.front());
    if (cosmeticPen())
        strokeCosmetic(closed);
    else
        strokeWide(points, true);
}

void QtCanvas::Polyline(const std::vector<Point>& points)
{
    if (m_clippedAway)
        return;
    if (cosmeticPen())
        strokeCosmetic(points);
    else
        strokeWide(points, false);
}

void QtCanvas::textLine(int left, int top, const QString& s, const Rect* clip,
                        const std::vector<int>* dx)
{
    if (s.isEmpty())
        return;
    const std::vector<int> advances = dx ? *dx : m_metrics.advances(s);
    int width = 0;
    for (int a : advances)
        width += a;
    if (bkMode == BkMode::Opaque) {
        Rect cell{left, top, left + width, top + m_metrics.height()};
        if (clip)
            cell = cell.intersected(*clip);
        fillArea(cell, bkColor);
    }
    m_painter->setPen(toQColor(font.color));
    const QFont& face = m_metrics.qfont();
    std::optional<QFont> zeroFace = s.contains(u'0') ? plainZeroFont(face) : std::nullopt;
    qreal zeroAdvance = 0;
    if (zeroFace) {
        // Narrowed to the fixed-pitch face's own zero, so zeros side by side never touch.
        const qreal own = QFontMetricsF(*zeroFace).horizontalAdvance(u'0');
        const qreal fixedPitch = QFontMetricsF(face).horizontalAdvance(u'0');
        if (own > fixedPitch && own > 0)
            zeroFace->setStretch(std::max(1, int(100 * fixedPitch / own)));
        zeroAdvance = QFontMetricsF(*zeroFace).horizontalAdvance(u'0');
    }
    const qreal baseline = top + m_metrics.ascent();
    // A glyph may reach outside its cell by about the font's height (slant, overhang); beyond
    // that a glyph cannot show and is not drawn.
    const int reach = m_metrics.height();
    const Rect visible = paintBounds();
    const Rect bounds = visible.inflated(reach, reach);
    if (visible.isEmpty() || top + m_metrics.height() < bounds.top || top > bounds.bottom)
        return;
    // Glyph by glyph at whole-pixel advances, where the extents put them.
    qreal x = left;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const qsizetype n =
            (s.at(i).isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) ? 2 : 1;
        int advance = 0;
        for (qsizetype k = i; k < i + n; ++k)
            advance += advances[size_t(k)];
        if (x + advance < bounds.left || x > bounds.right) {
            x += advance;
            i += n - 1;
            continue;
        }
        const QString glyph = s.mid(i, n);
        // A space is a gap, not a glyph: a PDF with drawn space glyphs extracts its text
        // without the spaces.
        if (zeroFace && glyph == u"0"_s) {
            m_painter->setFont(*zeroFace);
            m_painter->drawText(QPointF(x + (advance - zeroAdvance) / 2, baseline), glyph);
        } else if (glyph != u" "_s) {
            m_painter->setFont(face);
            m_painter->drawText(QPointF(x, baseline), glyph);
        }
        x += advance;
        i += n - 1;
    }
}

void QtCanvas::ExtTextOut(int x, int y, unsigned options, const Rect* r, std::string_view text)
{
    extTextOut(x, y, options, r, text, nullptr);
}

void QtCanvas::ExtTextOutDx(int x, int y, unsigned options, const Rect* r, std::string_view text,
                            const std::vector<int>& dx)
{
    extTextOut(x, y, options, r, text, &dx);
}

void QtCanvas::extTextOut(int x, int y, unsigned options, const Rect* r, std::string_view text,
                          const std::vector<int>* dx)
{
    m_metrics.select(font, m_dpi);
    if (m_clippedAway)
        return;
    if (r && (options & ETO_OPAQUE))
        fillArea(*r, bkColor);
    const QString s = text::fromCp949(text);
    // Advances that do not match the text (one per UTF-16 unit) are not the writer's.
    if (dx && dx->size() != size_t(s.size()))
        dx = nullptr;
    int width = 0;
    if (dx) {
        for (int a : *dx)
            width += a;
    } else {
        width = m_metrics.width(s);
    }
    const Rect cell = m_metrics.cell(x, y, textAlign, width);

    const bool clipped = r && (options & ETO_CLIPPED);
    if (clipped && !pushClip(*r))
        return;
    textLine(cell.left, cell.top, s, clipped ? r : nullptr, dx);
    if (clipped)
        m_painter->restore();
}

int QtCanvas::DrawText(std::string_view text, Rect& r, unsigned flags)
{
    m_metrics.select(font, m_dpi);
    const TextLayout layout = TextLayout::make(text, r, flags, m_metrics);
    if (flags & DT_CALCRECT) {
        r = layout.bounds;
        return layout.result;
    }
    const bool clipped = !(flags & DT_NOCLIP);
    if (m_clippedAway || (clipped && !pushClip(r)))
        return layout.result;
    for (const TextLayout::Line& line : layout.lines) {
        for (const TextLayout::Piece& piece : line.pieces)
            textLine(piece.x, line.y, piece.text, clipped ? &r : nullptr);
        if (line.prefixFrom >= 0)
            fillArea({line.prefixFrom, line.y + m_metrics.ascent() + 1, line.prefixTo,
                      line.y + m_metrics.ascent() + 2},
                     font.color);
    }
    if (clipped)
        m_painter->restore();
    return layout.result;
}

Size QtCanvas::TextExtent(std::string_view text)
{
    m_metrics.select(font, m_dpi);
    return m_metrics.extent(text);
}

void QtCanvas::StretchDraw(const Rect& r, const Bitmap& bitmap)
{
    if (m_clippedAway)
        return;
    if (bitmap.isEmpty() || r.isEmpty())
        return;
    const Rect shown = r.intersected(paintBounds());
    if (shown.isEmpty())
        return;
    const QImage image = bitmap.toImage();
    if (shown == r) {
        m_painter->drawImage(toQRect(r), image);
        return;
    }
    // Only the part of the bitmap that lands on the device is stretched, at the scale and
    // place the whole would have.
    const double scaleX = image.width() / (double(r.right) - r.left);
    const double scaleY = image.height() / (double(r.bottom) - r.top);
    const double x0 = std::max(0.0, std::floor((shown.left - r.left) * scaleX));
    const double x1 = std::min(double(image.width()), std::ceil((shown.right - r.left) * scaleX));
    const double y0 = std::max(0.0, std::floor((shown.top - r.top) * scaleY));
    const double y1 = std::min(double(image.height()), std::ceil((shown.bottom - r.top) * scaleY));
    if (x1 <= x0 || y1 <= y0)
        return;
    m_painter->drawImage(
        QRectF(r.left + x0 / scaleX, r.top + y0 / scaleY, (x1 - x0) / scaleX, (y1 - y0) / scaleY),
        image, QRectF(x0, y0, x1 - x0, y1 - y0));
}

std::optional<QRegion> QtCanvas::clipRegion() const
{
    std::optional<QRegion> region = m_deviceClip;
    if (m_clip)
        region = region ? region->intersected(*m_clip) : *m_clip;
    return region;
}

bool QtCanvas::pushClip(const Rect& r)
{
    const std::optional<QRegion> current = clipRegion();
    const QRegion region = current ? current->intersected(toQRect(r)) : QRegion(toQRect(r));
    if (r.isEmpty() || region.isEmpty())
        return false;
    m_painter->save();
    m_painter->setClipRegion(region);
    return true;
}

void QtCanvas::applyClip()
{
    const std::optional<QRegion> region = clipRegion();
    // Qt takes an empty clip region for no clipping at all; GDI lets nothing through it.
    m_clippedAway = region && region->isEmpty();
    if (region && !m_clippedAway)
        m_painter->setClipRegion(*region);
    else
        m_painter->setClipping(false);
}

void QtCanvas::IntersectClipRect(const Rect& r)
{
    const QRegion rect(toQRect(r.isEmpty() ? Rect{} : r));
    m_clip = m_clip ? m_clip->intersected(rect) : rect;
    applyClip();
}

void QtCanvas::SelectClipRgn(std::nullptr_t)
{
    m_clip.reset();
    applyClip();
}

void QtCanvas::SaveDC()
{
    Canvas::SaveDC();
    m_savedClips.push_back(m_clip);
}

void QtCanvas::RestoreDC()
{
    if (m_savedClips.empty())
        return;
    Canvas::RestoreDC();
    m_clip = m_savedClips.back();
    m_savedClips.pop_back();
    applyClip();
}

} // namespace gfx
