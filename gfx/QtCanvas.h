#pragma once

#include "gfx/Canvas.h"
#include "gfx/TextMetrics.h"

#include <QPen>
#include <QRectF>
#include <QRegion>
#include <memory>
#include <optional>
#include <vector>

class QPainter;
class QPaintDevice;

namespace gfx {

// A Canvas on a QPainter that reproduces GDI's pixels: no antialiasing of lines and shapes,
// cosmetic pens rasterised with their end point left out and GDI's dash patterns, rectangles
// and fills without their right and bottom edge, text placed by its reference point.
class QtCanvas : public Canvas
{
public:
    // Paints on `device` with a painter of its own; the resolution is the device's.
    explicit QtCanvas(QPaintDevice* device);
    // Paints through an active painter; its state is restored when the canvas goes.
    QtCanvas(QPainter* painter, int dpi);
    ~QtCanvas() override;
    QtCanvas(const QtCanvas&) = delete;
    QtCanvas& operator=(const QtCanvas&) = delete;

    int dpi() const override { return m_dpi; }
    QPainter* painter() const { return m_painter; }

    void FillRect(const Rect& r) override;
    void Rectangle(const Rect& r) override;
    void Ellipse(const Rect& r) override;
    void Polygon(const std::vector<Point>& points) override;
    void Polyline(const std::vector<Point>& points) override;
    void ExtTextOut(int x, int y, unsigned options, const Rect* r, std::string_view text) override;
    void ExtTextOutDx(int x, int y, unsigned options, const Rect* r, std::string_view text,
                      const std::vector<int>& dx) override;
    int DrawText(std::string_view text, Rect& r, unsigned flags) override;
    Size TextExtent(std::string_view text) override;
    void StretchDraw(const Rect& r, const Bitmap& bitmap) override;
    void IntersectClipRect(const Rect& r) override;
    void SelectClipRgn(std::nullptr_t) override;
    void SaveDC() override;
    void RestoreDC() override;

protected:
    void DrawLine(Point from, Point to) override;

private:
    void init();
    bool cosmeticPen() const;
    void strokeCosmetic(const std::vector<Point>& points);
    void strokeScaledCosmetic(const std::vector<Point>& points);
    void strokeWide(const std::vector<Point>& points, bool closed);
    void strokeCut(const std::vector<Point>& points, bool closed, const QRectF& area, QPen qpen);
    // The logical pixels that can reach the device: its area through the painter's transform,
    // cut by the clip region. Every primitive is cut to them before it is rasterised, so that
    // what a page costs follows the surface, not the coordinates it was given.
    Rect paintBounds() const;
    void fillArea(const Rect& r, Color c);
    void extTextOut(int x, int y, unsigned options, const Rect* r, std::string_view text,
                    const std::vector<int>* dx);
    // One line of text from its cell's top-left, each character advancing by `dx` (one per
    // UTF-16 unit) or by its own whole-pixel advance.
    void textLine(int left, int top, const QString& s, const Rect* clip,
                  const std::vector<int>* dx = nullptr);
    std::optional<QRegion> clipRegion() const;
    // Narrows the clip to `r` inside a painter save(); false when nothing would show.
    bool pushClip(const Rect& r);
    void applyClip();

    std::unique_ptr<QPainter> m_ownPainter;
    QPainter* m_painter = nullptr;
    int m_dpi = ScreenDpi;
    std::optional<QRegion> m_deviceClip; // the painter's clip when the canvas was made
    std::optional<QRegion> m_clip;
    bool m_clippedAway = false; // the clip region is empty
    std::vector<std::optional<QRegion>> m_savedClips;
    TextMetrics m_metrics;
};

} // namespace gfx
