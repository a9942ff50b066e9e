#include "gfx/TextMetrics.h"

#include "text/Cp949.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace gfx {

void TextMetrics::select(const Font& font, int dpi)
{
    if (m_font && *m_font == font && m_dpi == dpi)
        return;
    m_font = font;
    m_dpi = dpi;
    m_qfont = toQFont(font, dpi);
    m_metrics.emplace(m_qfont);
    // Rounded up, so that antialiased glyph edges stay inside the character cell; the small
    // allowance keeps whole values whole despite the font engine's fixed-point arithmetic.
    constexpr double allowance = 1.0 / 64;
    m_ascent = int(std::ceil(m_metrics->ascent() - allowance));
    m_descent = int(std::ceil(m_metrics->descent() - allowance));
    static const QString alphabet = u"abcdefghijklmnopqrstuvwxyz"_s;
    m_aveCharWidth = int(std::lround(m_metrics->horizontalAdvance(alphabet) / 26.0));
}

int TextMetrics::width(const QString& s) const
{
    if (!m_metrics || s.isEmpty())
        return 0;
    return int(std::lround(m_metrics->horizontalAdvance(s)));
}

Rect TextMetrics::cell(int x, int y, unsigned textAlign, int width) const
{
    int left = x;
    if ((textAlign & TA_CENTER) == TA_CENTER)
        left = x - width / 2;
    else if (textAlign & TA_RIGHT)
        left = x - width;
    int top = y;
    if ((textAlign & TA_BASELINE) == TA_BASELINE)
        top = y - ascent();
    else if (textAlign & TA_BOTTOM)
        top = y - height();
    return Bounds(left, top, width, height());
}

Size TextMetrics::extent(std::string_view cp949) const
{
    return {width(text::fromCp949(cp949)), height()};
}

} // namespace gfx
