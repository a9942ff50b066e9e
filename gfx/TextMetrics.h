#pragma once

#include "gfx/Canvas.h"
#include "gfx/Font.h"
#include "gfx/Types.h"

#include <QFont>
#include <QFontMetricsF>
#include <QString>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace gfx {

// Font metrics of a logical font at a resolution, in whole pixels as GDI reports them. The
// drawing canvases and the recording canvas measure through this one class, so extents agree.
class TextMetrics
{
public:
    // Selects `font` at `dpi`; the QFont is rebuilt only when either changes.
    void select(const Font& font, int dpi);

    const QFont& qfont() const { return m_qfont; }
    int ascent() const { return m_ascent; }
    int descent() const { return m_descent; }
    int height() const { return m_ascent + m_descent; }
    // The width of the average lower-case letter, the unit of tab stops.
    int aveCharWidth() const { return m_aveCharWidth; }

    // The text's width: the sum of its characters' whole-pixel advances.
    int width(const QString& s) const;
    // The whole-pixel advance of every UTF-16 unit of `s` (a surrogate pair's advance on its
    // first unit, 0 on its second), so glyphs land where the extents say they do.
    std::vector<int> advances(const QString& s) const;
    // The character cell of a text `width` pixels wide whose reference point (x, y) is placed
    // by `textAlign` (TA_LEFT/TA_RIGHT/TA_CENTER with TA_TOP/TA_BASELINE/TA_BOTTOM).
    Rect cell(int x, int y, unsigned textAlign, int width) const;
    Size extent(std::string_view cp949) const;

private:
    std::vector<int> wholePixelAdvances(const QString& s, const QFontMetricsF& metrics) const;

    std::optional<Font> m_font;
    int m_dpi = 0;
    QFont m_qfont;
    std::optional<QFontMetricsF> m_metrics;
    std::optional<QFontMetricsF> m_layoutMetrics; // at the measuring resolution, when not at it
    mutable std::unordered_map<char16_t, int> m_advanceCache; // whole-pixel advances by character
    int m_ascent = 0;
    int m_descent = 0;
    int m_aveCharWidth = 0;
};

} // namespace gfx
