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
    // Texts are laid out at the measuring resolution; elsewhere (a printer) their characters
    // keep those places, scaled, so a text drawn straight on paper fills the room the layout
    // gave it and digits keep to their boxes.
    if (dpi != ScreenDpi)
        m_layoutMetrics.emplace(toQFont(font, ScreenDpi));
    else
        m_layoutMetrics.reset();
    m_advanceCache.clear();
    // Each rounded to the nearest whole pixel, as the platform we replace reports its integer
    // metrics: the substitute faces then keep the line heights the layouts were sized for
    // (13 px at 10 pt, where rounding up would give 14 and push second lines out of cells).
    m_ascent = int(std::lround(m_metrics->ascent()));
    m_descent = int(std::lround(m_metrics->descent()));
    static const QString alphabet = u"abcdefghijklmnopqrstuvwxyz"_s;
    m_aveCharWidth = int(std::lround(m_metrics->horizontalAdvance(alphabet) / 26.0));
}

int TextMetrics::width(const QString& s) const
{
    int w = 0;
    for (int a : advances(s))
        w += a;
    return w;
}

std::vector<int> TextMetrics::advances(const QString& s) const
{
    if (!m_metrics)
        return std::vector<int>(size_t(s.size()), 0);
    if (!m_layoutMetrics)
        return wholePixelAdvances(s, *m_metrics);
    // The layout's whole-pixel places, scaled to this resolution as they accumulate.
    const std::vector<int> layout = wholePixelAdvances(s, *m_layoutMetrics);
    std::vector<int> out(layout.size(), 0);
    int64_t sum = 0;
    int placed = 0;
    for (size_t i = 0; i < layout.size(); ++i) {
        sum += layout[i];
        const int at = int((sum * m_dpi + ScreenDpi / 2) / ScreenDpi);
        out[i] = at - placed;
        placed = at;
    }
    return out;
}

std::vector<int> TextMetrics::wholePixelAdvances(const QString& s,
                                                 const QFontMetricsF& metrics) const
{
    std::vector<int> out(size_t(s.size()), 0);
    // Every glyph advances by whole pixels, as on the platform we replace: a row of digits
    // then keeps the pitch of the boxes drawn for it instead of drifting by fractions.
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c.isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) {
            out[size_t(i)] = int(std::lround(metrics.horizontalAdvance(s.mid(i, 2))));
            ++i;
            continue;
        }
        auto [it, added] = m_advanceCache.try_emplace(c.unicode(), 0);
        if (added)
            it->second = int(std::lround(metrics.horizontalAdvance(c)));
        out[size_t(i)] = it->second;
    }
    return out;
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
