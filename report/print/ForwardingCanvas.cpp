#include "report/print/ForwardingCanvas.h"

namespace report {

gfx::Canvas* ForwardingCanvas::synced()
{
    if (!m_target)
        return nullptr;
    m_target->pen = pen;
    m_target->brush = brush;
    m_target->font = font;
    m_target->textAlign = textAlign;
    m_target->bkMode = bkMode;
    m_target->bkColor = bkColor;
    m_target->MoveTo(m_penPos.x, m_penPos.y);
    return m_target;
}

void ForwardingCanvas::FillRect(const gfx::Rect& r)
{
    if (gfx::Canvas* t = synced())
        t->FillRect(r);
}

void ForwardingCanvas::Rectangle(const gfx::Rect& r)
{
    if (gfx::Canvas* t = synced())
        t->Rectangle(r);
}

void ForwardingCanvas::Ellipse(const gfx::Rect& r)
{
    if (gfx::Canvas* t = synced())
        t->Ellipse(r);
}

void ForwardingCanvas::Polygon(const std::vector<gfx::Point>& points)
{
    if (gfx::Canvas* t = synced())
        t->Polygon(points);
}

void ForwardingCanvas::Polyline(const std::vector<gfx::Point>& points)
{
    if (gfx::Canvas* t = synced())
        t->Polyline(points);
}

void ForwardingCanvas::ExtTextOut(int x, int y, unsigned options, const gfx::Rect* r,
                                  std::string_view text)
{
    if (gfx::Canvas* t = synced())
        t->ExtTextOut(x, y, options, r, text);
}

void ForwardingCanvas::ExtTextOutDx(int x, int y, unsigned options, const gfx::Rect* r,
                                    std::string_view text, const std::vector<int>& dx)
{
    if (gfx::Canvas* t = synced())
        t->ExtTextOutDx(x, y, options, r, text, dx);
}

int ForwardingCanvas::DrawText(std::string_view text, gfx::Rect& r, unsigned flags)
{
    gfx::Canvas* t = synced();
    return t ? t->DrawText(text, r, flags) : 0;
}

gfx::Size ForwardingCanvas::TextExtent(std::string_view text)
{
    gfx::Canvas* t = synced();
    return t ? t->TextExtent(text) : gfx::Size{};
}

void ForwardingCanvas::StretchDraw(const gfx::Rect& r, const gfx::Bitmap& bitmap)
{
    if (gfx::Canvas* t = synced())
        t->StretchDraw(r, bitmap);
}

void ForwardingCanvas::IntersectClipRect(const gfx::Rect& r)
{
    if (m_target)
        m_target->IntersectClipRect(r);
}

void ForwardingCanvas::SelectClipRgn(std::nullptr_t)
{
    if (m_target)
        m_target->SelectClipRgn(nullptr);
}

void ForwardingCanvas::SaveDC()
{
    Canvas::SaveDC();
    if (gfx::Canvas* t = synced())
        t->SaveDC();
}

void ForwardingCanvas::RestoreDC()
{
    Canvas::RestoreDC();
    if (m_target)
        m_target->RestoreDC();
}

void ForwardingCanvas::DrawLine(gfx::Point from, gfx::Point to)
{
    if (gfx::Canvas* t = synced()) {
        t->MoveTo(from.x, from.y);
        t->LineTo(to.x, to.y);
    }
}

} // namespace report
