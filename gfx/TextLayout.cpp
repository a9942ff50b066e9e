#include "gfx/TextLayout.h"

#include "gfx/Canvas.h"
#include "text/Cp949.h"

#include <algorithm>

namespace gfx {

namespace {

// Tab stops every eight average characters, as DrawText expands them.
constexpr int tabStopChars = 8;

struct Paragraph
{
    QString text;
    int prefixIndex = -1; // index in `text` of the character a single "&" marks
};

Paragraph stripPrefix(const QString& s)
{
    Paragraph p;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == u'&' && i + 1 < s.size()) {
            ++i;
            if (s[i] != u'&')
                p.prefixIndex = int(p.text.size());
        } else if (s[i] == u'&') {
            continue; // a trailing "&" marks nothing
        }
        p.text += s[i];
    }
    return p;
}

std::vector<QString> splitParagraphs(const QString& s)
{
    std::vector<QString> out;
    QString current;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == u'\r' || s[i] == u'\n') {
            out.push_back(current);
            current.clear();
            if (s[i] == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n')
                ++i;
        } else {
            current += s[i];
        }
    }
    out.push_back(current);
    return out;
}

class Measure
{
public:
    Measure(const TextMetrics& metrics, bool expandTabs)
        : m_metrics(metrics), m_tab(std::max(1, metrics.aveCharWidth() * tabStopChars)),
          m_expandTabs(expandTabs)
    {
    }

    std::vector<TextLayout::Piece> pieces(const QString& s) const
    {
        if (!m_expandTabs)
            return {{0, s}};
        std::vector<TextLayout::Piece> out;
        int x = 0;
        const QStringList parts = s.split(u'\t');
        for (qsizetype i = 0; i < parts.size(); ++i) {
            if (i > 0)
                x = (x / m_tab + 1) * m_tab;
            out.push_back({x, parts[i]});
            x += m_metrics.width(parts[i]);
        }
        return out;
    }

    int width(const QString& s) const
    {
        const auto p = pieces(s);
        return p.back().x + m_metrics.width(p.back().text);
    }

private:
    const TextMetrics& m_metrics;
    int m_tab;
    bool m_expandTabs;
};

// Greedy breaking at spaces; a word wider than the line keeps a line of its own.
std::vector<std::pair<qsizetype, qsizetype>> breakWords(const QString& s, int maxWidth,
                                                        const Measure& measure)
{
    std::vector<std::pair<qsizetype, qsizetype>> lines; // [start, end) in s
    qsizetype start = 0;
    while (true) {
        qsizetype end = start;
        qsizetype lastFit = -1;
        while (end < s.size()) {
            qsizetype wordEnd = end;
            while (wordEnd < s.size() && s[wordEnd] == u' ')
                ++wordEnd;
            while (wordEnd < s.size() && s[wordEnd] != u' ')
                ++wordEnd;
            if (lastFit >= 0 && measure.width(s.mid(start, wordEnd - start)) > maxWidth)
                break;
            lastFit = wordEnd;
            end = wordEnd;
        }
        lines.emplace_back(start, end);
        qsizetype next = end;
        while (next < s.size() && s[next] == u' ')
            ++next;
        if (next >= s.size())
            break;
        start = next;
    }
    return lines;
}

} // namespace

TextLayout TextLayout::make(std::string_view text, const Rect& r, unsigned flags,
                            const TextMetrics& metrics)
{
    TextLayout layout;
    const int lineHeight = metrics.height();
    const bool singleLine = flags & DT_SINGLELINE;
    if (text.empty()) {
        layout.bounds = {r.left, r.top, r.left, singleLine ? r.top + lineHeight : r.top};
        layout.result = lineHeight;
        return layout;
    }
    const Measure measure(metrics, flags & DT_EXPANDTABS);
    const QString all = text::fromCp949(text);
    std::vector<QString> paragraphs = singleLine ? std::vector<QString>{all} : splitParagraphs(all);

    for (const QString& raw : paragraphs) {
        const Paragraph p = (flags & DT_NOPREFIX) ? Paragraph{raw, -1} : stripPrefix(raw);
        std::vector<std::pair<qsizetype, qsizetype>> ranges;
        if ((flags & DT_WORDBREAK) && !singleLine)
            ranges = breakWords(p.text, r.width(), measure);
        else
            ranges = {{0, p.text.size()}};
        for (const auto& [from, to] : ranges) {
            Line line;
            const QString s = p.text.mid(from, to - from);
            line.pieces = measure.pieces(s);
            line.width = measure.width(s);
            if (p.prefixIndex >= from && p.prefixIndex < to) {
                const qsizetype at = p.prefixIndex - from;
                line.prefixFrom = measure.width(s.left(at));
                line.prefixTo = measure.width(s.left(at + 1));
            }
            layout.lines.push_back(std::move(line));
        }
    }

    const int textHeight = int(layout.lines.size()) * lineHeight;
    int top = r.top;
    // Vertical placement applies to a single line only.
    if (singleLine && (flags & DT_BOTTOM))
        top = r.bottom - lineHeight;
    else if (singleLine && (flags & DT_VCENTER))
        top = r.top + (r.height() - lineHeight) / 2;

    int maxWidth = 0;
    for (size_t i = 0; i < layout.lines.size(); ++i) {
        Line& line = layout.lines[i];
        line.y = top + int(i) * lineHeight;
        int left = r.left;
        if (flags & DT_RIGHT)
            left = r.right - line.width;
        else if (flags & DT_CENTER)
            left = r.left + (r.width() - line.width) / 2;
        for (Piece& piece : line.pieces)
            piece.x += left;
        if (line.prefixFrom >= 0) {
            line.prefixFrom += left;
            line.prefixTo += left;
        }
        maxWidth = std::max(maxWidth, line.width);
    }
    layout.bounds = {r.left, r.top, r.left + maxWidth, r.top + textHeight};
    layout.result =
        (singleLine && (flags & (DT_VCENTER | DT_BOTTOM))) ? top + lineHeight - r.top : textHeight;
    return layout;
}

} // namespace gfx
