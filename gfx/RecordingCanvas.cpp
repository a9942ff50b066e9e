#include "gfx/RecordingCanvas.h"

#include "gfx/TextLayout.h"

namespace gfx {

DrawCall& RecordingCanvas::record(DrawCall::Kind kind)
{
    DrawCall& call = m_calls.emplace_back();
    call.kind = kind;
    call.pen = pen;
    call.brush = brush;
    call.font = font;
    call.textAlign = textAlign;
    call.bkMode = bkMode;
    call.bkColor = bkColor;
    call.clip = m_clip;
    return call;
}

void RecordingCanvas::FillRect(const Rect& r)
{
    DrawCall& call = record(DrawCall::Kind::FillRect);
    call.rect = r;
    call.hasRect = true;
}

void RecordingCanvas::Rectangle(const Rect& r)
{
    DrawCall& call = record(DrawCall::Kind::Rectangle);
    call.rect = r;
    call.hasRect = true;
}

void RecordingCanvas::Ellipse(const Rect& r)
{
    DrawCall& call = record(DrawCall::Kind::Ellipse);
    call.rect = r;
    call.hasRect = true;
}

void RecordingCanvas::Polygon(const std::vector<Point>& points)
{
    record(DrawCall::Kind::Polygon).points = points;
}

void RecordingCanvas::Polyline(const std::vector<Point>& points)
{
    record(DrawCall::Kind::Polyline).points = points;
}

void RecordingCanvas::DrawLine(Point from, Point to)
{
    DrawCall& call = record(DrawCall::Kind::Line);
    call.from = from;
    call.to = to;
}

void RecordingCanvas::ExtTextOut(int x, int y, unsigned options, const Rect* r,
                                 std::string_view text)
{
    DrawCall& call = record(DrawCall::Kind::ExtTextOut);
    call.x = x;
    call.y = y;
    call.options = options;
    if (r) {
        call.rect = *r;
        call.hasRect = true;
    }
    call.text = std::string(text);
}

int RecordingCanvas::DrawText(std::string_view text, Rect& r, unsigned flags)
{
    DrawCall& call = record(DrawCall::Kind::DrawText);
    call.rect = r;
    call.hasRect = true;
    call.options = flags;
    call.text = std::string(text);
    m_metrics.select(font, m_dpi);
    const TextLayout layout = TextLayout::make(text, r, flags, m_metrics);
    if (flags & DT_CALCRECT)
        r = layout.bounds;
    return layout.result;
}

Size RecordingCanvas::TextExtent(std::string_view text)
{
    m_metrics.select(font, m_dpi);
    return m_metrics.extent(text);
}

void RecordingCanvas::StretchDraw(const Rect& r, const Bitmap& bitmap)
{
    DrawCall& call = record(DrawCall::Kind::StretchDraw);
    call.rect = r;
    call.hasRect = true;
    call.bitmapSize = {bitmap.width(), bitmap.height()};
}

void RecordingCanvas::IntersectClipRect(const Rect& r)
{
    DrawCall& call = record(DrawCall::Kind::IntersectClipRect);
    call.rect = r;
    call.hasRect = true;
    m_clip = m_clip ? m_clip->intersected(r) : r;
}

void RecordingCanvas::SelectClipRgn(std::nullptr_t)
{
    record(DrawCall::Kind::SelectClipRgn);
    m_clip.reset();
}

void RecordingCanvas::SaveDC()
{
    record(DrawCall::Kind::SaveDC);
    Canvas::SaveDC();
    m_savedClips.push_back(m_clip);
}

void RecordingCanvas::RestoreDC()
{
    record(DrawCall::Kind::RestoreDC);
    if (m_savedClips.empty())
        return;
    Canvas::RestoreDC();
    m_clip = m_savedClips.back();
    m_savedClips.pop_back();
}

std::vector<DrawCall> RecordingCanvas::callsOf(DrawCall::Kind kind) const
{
    std::vector<DrawCall> out;
    for (const DrawCall& call : m_calls)
        if (call.kind == kind)
            out.push_back(call);
    return out;
}

std::vector<std::string> RecordingCanvas::texts() const
{
    std::vector<std::string> out;
    for (const DrawCall& call : m_calls) {
        if (call.kind == DrawCall::Kind::ExtTextOut ||
            (call.kind == DrawCall::Kind::DrawText && !(call.options & DT_CALCRECT)))
            out.push_back(call.text);
    }
    return out;
}

} // namespace gfx
