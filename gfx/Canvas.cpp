#include "gfx/Canvas.h"

namespace gfx {

void Canvas::LineTo(int x, int y)
{
    DrawLine(m_penPos, {x, y});
    m_penPos = {x, y};
}

void Canvas::TextRect(const Rect& r, int x, int y, std::string_view text)
{
    const unsigned options = ETO_CLIPPED | (brush.style == BrushStyle::Clear ? 0u : ETO_OPAQUE);
    const Color savedBk = bkColor;
    if (options & ETO_OPAQUE)
        bkColor = brush.color;
    ExtTextOut(x, y, options, &r, text);
    bkColor = savedBk;
}

void Canvas::SaveDC()
{
    m_saved.push_back({pen, brush, font, textAlign, bkMode, bkColor, m_penPos});
}

void Canvas::RestoreDC()
{
    if (m_saved.empty())
        return;
    const State& s = m_saved.back();
    pen = s.pen;
    brush = s.brush;
    font = s.font;
    textAlign = s.textAlign;
    bkMode = s.bkMode;
    bkColor = s.bkColor;
    m_penPos = s.penPos;
    m_saved.pop_back();
}

} // namespace gfx
