#pragma once

#include "gfx/Color.h"
#include "gfx/Font.h"
#include "grid/GridTypes.h"
#include "grid/TImPersistent.h"

#include <cstdint>
#include <string>

namespace grid {

// Text and font attributes of a cell description, inheriting unassigned values from a parent.
class TImCellAttr : public TImPersistent<TImCellAttr>
{
public:
    enum Mark {
        mkCopied = 0, // also set by assigning ParentFont
        mkAlignment = 1,
        mkLayout = 2,
        mkFont = 3, // the own font differs from the parent's
        mkFontColor = 4,
        mkFontName = 5,
        mkFontSize = 6,
        mkFontStyle = 7,
        mkShadowPos = 8,
        mkShadowSize = 9,
        mkShadowColor = 10,
        mkWordWrap = 11,
        mkMargin = 12,
        mkStretch = 13,
        mkAspectRatio = 14,
    };

    TAlignment Alignment() const
    {
        return inherited(mkAlignment, m_alignment, &TImCellAttr::Alignment);
    }
    void setAlignment(TAlignment v)
    {
        assign(mkAlignment, m_alignment, v, &TImCellAttr::Alignment);
    }
    TTextLayout Layout() const { return inherited(mkLayout, m_layout, &TImCellAttr::Layout); }
    void setLayout(TTextLayout v) { assign(mkLayout, m_layout, v, &TImCellAttr::Layout); }
    int Margin() const { return inherited(mkMargin, m_margin, &TImCellAttr::Margin); }
    void setMargin(int v) { assign(mkMargin, m_margin, v, &TImCellAttr::Margin); }
    bool WordWrap() const { return inherited(mkWordWrap, m_wordWrap, &TImCellAttr::WordWrap); }
    void setWordWrap(bool v) { assign(mkWordWrap, m_wordWrap, v, &TImCellAttr::WordWrap); }
    TImShadowPos ShadowPos() const
    {
        return inherited(mkShadowPos, m_shadowPos, &TImCellAttr::ShadowPos);
    }
    void setShadowPos(TImShadowPos v)
    {
        assign(mkShadowPos, m_shadowPos, v, &TImCellAttr::ShadowPos);
    }
    uint16_t ShadowSize() const
    {
        return inherited(mkShadowSize, m_shadowSize, &TImCellAttr::ShadowSize);
    }
    void setShadowSize(uint16_t v)
    {
        assign(mkShadowSize, m_shadowSize, v, &TImCellAttr::ShadowSize);
    }
    gfx::Color ShadowColor() const
    {
        return inherited(mkShadowColor, m_shadowColor, &TImCellAttr::ShadowColor);
    }
    void setShadowColor(gfx::Color v)
    {
        assign(mkShadowColor, m_shadowColor, v, &TImCellAttr::ShadowColor);
    }
    bool Stretch() const { return inherited(mkStretch, m_stretch, &TImCellAttr::Stretch); }
    void setStretch(bool v) { assign(mkStretch, m_stretch, v, &TImCellAttr::Stretch); }
    double AspectRatio() const
    {
        return inherited(mkAspectRatio, m_aspectRatio, &TImCellAttr::AspectRatio);
    }
    void setAspectRatio(double v)
    {
        assign(mkAspectRatio, m_aspectRatio, v, &TImCellAttr::AspectRatio);
    }

    // The effective font: the own font brought up to date from the parent's effective font,
    // property by property unless that property was assigned here. The grid's own font plays
    // no part.
    gfx::Font Font() const;
    gfx::Color FontColor() const { return Font().color; }
    std::string FontName() const { return Font().name; }
    int FontSize() const { return Font().size; }
    TFontStyles FontStyle() const;
    // Assigning any font property turns ParentFont off.
    void setFontColor(gfx::Color v);
    void setFontName(const std::string& v);
    void setFontSize(int v);
    void setFontStyle(TFontStyles v);
    void setFont(const gfx::Font& font);

    bool ParentFont() const { return m_parentFont; }
    // True takes every font property from the parent again.
    void setParentFont(bool v);

private:
    void fontAssigned(int mark);

    gfx::Font m_font; // a new platform font: default face and size, clWindowText
    TAlignment m_alignment = taLeftJustify;
    TTextLayout m_layout = tlCenter;
    int m_margin = 2;
    bool m_wordWrap = false;
    TImShadowPos m_shadowPos = imspNone;
    uint16_t m_shadowSize = 1;
    gfx::Color m_shadowColor = gfx::RGB(0x80, 0x80, 0x80);
    bool m_stretch = true;
    double m_aspectRatio = 1.0;
    bool m_parentFont = true;
};

} // namespace grid
