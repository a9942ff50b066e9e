#pragma once

#include "gfx/Canvas.h"
#include "gfx/TextMetrics.h"

#include <optional>
#include <string>
#include <vector>

namespace gfx {

// One call made on a RecordingCanvas, with its arguments and the canvas state at the time.
struct DrawCall
{
    enum class Kind {
        FillRect,
        Rectangle,
        Ellipse,
        Polygon,
        Polyline,
        Line, // MoveTo/LineTo: `from` and `to`, the end point excluded
        ExtTextOut,
        DrawText,
        StretchDraw,
        IntersectClipRect,
        SelectClipRgn,
        SaveDC,
        RestoreDC,
    };

    Kind kind = Kind::FillRect;
    Rect rect; // the call's rectangle (ExtTextOut: its optional rectangle; DrawText: the
               // rectangle passed in)
    bool hasRect = false;
    std::vector<Point> points;
    Point from;
    Point to;
    int x = 0; // ExtTextOut's reference point
    int y = 0;
    unsigned options = 0; // ETO_* or DT_* flags
    std::string text;     // cp949
    Size bitmapSize;

    // State at the time of the call.
    Pen pen;
    Brush brush;
    Font font;
    unsigned textAlign = 0;
    BkMode bkMode = BkMode::Opaque;
    Color bkColor = clWhite;
    std::optional<Rect> clip; // none: not clipped
};

// A Canvas that draws nothing and records every call, for tests of what a painter draws.
// Text is measured as a QtCanvas of the same resolution measures it.
class RecordingCanvas : public Canvas
{
public:
    explicit RecordingCanvas(int dpi = ScreenDpi) : m_dpi(dpi) {}

    int dpi() const override { return m_dpi; }

    void FillRect(const Rect& r) override;
    void Rectangle(const Rect& r) override;
    void Ellipse(const Rect& r) override;
    void Polygon(const std::vector<Point>& points) override;
    void Polyline(const std::vector<Point>& points) override;
    void ExtTextOut(int x, int y, unsigned options, const Rect* r, std::string_view text) override;
    int DrawText(std::string_view text, Rect& r, unsigned flags) override;
    Size TextExtent(std::string_view text) override;
    void StretchDraw(const Rect& r, const Bitmap& bitmap) override;
    void IntersectClipRect(const Rect& r) override;
    void SelectClipRgn(std::nullptr_t) override;
    void SaveDC() override;
    void RestoreDC() override;

    const std::vector<DrawCall>& calls() const { return m_calls; }
    std::vector<DrawCall> callsOf(DrawCall::Kind kind) const;
    // The texts put on the surface by ExtTextOut and DrawText (not DT_CALCRECT), in order.
    std::vector<std::string> texts() const;
    std::optional<Rect> clip() const { return m_clip; }
    void clear() { m_calls.clear(); }

protected:
    void DrawLine(Point from, Point to) override;

private:
    DrawCall& record(DrawCall::Kind kind);

    int m_dpi;
    std::vector<DrawCall> m_calls;
    std::optional<Rect> m_clip;
    std::vector<std::optional<Rect>> m_savedClips;
    TextMetrics m_metrics;
};

} // namespace gfx
