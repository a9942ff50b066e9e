#include "grid/TImCellAttr.h"

namespace grid {

namespace {

TFontStyles stylesOf(const gfx::Font& f)
{
    return (f.bold ? fsBold : 0u) | (f.italic ? fsItalic : 0u) | (f.underline ? fsUnderline : 0u) |
           (f.strikeOut ? fsStrikeOut : 0u);
}

void applyStyles(gfx::Font& f, TFontStyles s)
{
    f.bold = s & fsBold;
    f.italic = s & fsItalic;
    f.underline = s & fsUnderline;
    f.strikeOut = s & fsStrikeOut;
}

} // namespace

gfx::Font TImCellAttr::Font() const
{
    if (!parent())
        return m_font;
    const gfx::Font from = parent()->Font();
    gfx::Font f = m_font;
    f.charset = from.charset;
    f.pitch = from.pitch;
    if (!isAssigned(mkFontColor))
        f.color = from.color;
    if (!isAssigned(mkFontName))
        f.name = from.name;
    if (!isAssigned(mkFontSize)) {
        f.size = from.size;
        f.height = from.height;
    }
    if (!isAssigned(mkFontStyle))
        applyStyles(f, stylesOf(from));
    return f;
}

TFontStyles TImCellAttr::FontStyle() const
{
    return stylesOf(Font());
}

void TImCellAttr::fontAssigned(int mark)
{
    setMark(mark, true);
    setMark(mkFont, true);
    m_parentFont = false;
    changed();
}

void TImCellAttr::setFontColor(gfx::Color v)
{
    if (FontColor() == v)
        return;
    m_font.color = v;
    fontAssigned(mkFontColor);
}

void TImCellAttr::setFontName(const std::string& v)
{
    if (FontName() == v)
        return;
    m_font.name = v;
    fontAssigned(mkFontName);
}

void TImCellAttr::setFontSize(int v)
{
    if (FontSize() == v && Font().height == 0)
        return;
    m_font.size = v;
    m_font.height = 0;
    fontAssigned(mkFontSize);
}

void TImCellAttr::setFontStyle(TFontStyles v)
{
    if (FontStyle() == v)
        return;
    applyStyles(m_font, v);
    fontAssigned(mkFontStyle);
}

void TImCellAttr::setFont(const gfx::Font& font)
{
    setFontColor(font.color);
    setFontName(font.name);
    if (font.height != 0 && Font().height != font.height) {
        m_font.height = font.height;
        fontAssigned(mkFontSize);
    } else if (font.height == 0) {
        setFontSize(font.size);
    }
    setFontStyle(stylesOf(font));
    m_font.charset = font.charset;
    m_font.pitch = font.pitch;
}

void TImCellAttr::setParentFont(bool v)
{
    if (m_parentFont == v)
        return;
    m_parentFont = v;
    setMark(mkCopied, true);
    if (v)
        for (int mark = mkFont; mark <= mkFontStyle; ++mark)
            setMark(mark, false);
    changed();
}

} // namespace grid
