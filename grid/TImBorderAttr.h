#pragma once

#include "gfx/Color.h"
#include "grid/GridTypes.h"
#include "grid/TImPersistent.h"

namespace grid {

// Fill, frame and line attributes of a cell description, inheriting unassigned values.
class TImBorderAttr : public TImPersistent<TImBorderAttr>
{
public:
    enum Mark {
        mkFrameInner = 0,
        mkFrameOuter = 1,
        mkColor = 2,
        mkLineColor = 3,
        mkStyleInner = 4,
        mkStyleOuter = 5,
        mkStyleWidth = 6,
    };

    TImFrameSides FrameOuter() const
    {
        return inherited(mkFrameOuter, m_frameOuter, &TImBorderAttr::FrameOuter);
    }
    void setFrameOuter(TImFrameSides v)
    {
        assign(mkFrameOuter, m_frameOuter, v, &TImBorderAttr::FrameOuter);
    }
    TImFrameSides FrameInner() const
    {
        return inherited(mkFrameInner, m_frameInner, &TImBorderAttr::FrameInner);
    }
    void setFrameInner(TImFrameSides v)
    {
        assign(mkFrameInner, m_frameInner, v, &TImBorderAttr::FrameInner);
    }
    // The fill of the cell and the base of three-dimensional frames.
    gfx::Color Color() const { return inherited(mkColor, m_color, &TImBorderAttr::Color); }
    void setColor(gfx::Color v) { assignColor(mkColor, m_color, v, &TImBorderAttr::Color); }
    // The grid lines after the cell and box frames.
    gfx::Color LineColor() const
    {
        return inherited(mkLineColor, m_lineColor, &TImBorderAttr::LineColor);
    }
    void setLineColor(gfx::Color v)
    {
        assignColor(mkLineColor, m_lineColor, v, &TImBorderAttr::LineColor);
    }
    TImBorderStyle StyleOuter() const
    {
        return inherited(mkStyleOuter, m_styleOuter, &TImBorderAttr::StyleOuter);
    }
    void setStyleOuter(TImBorderStyle v)
    {
        assign(mkStyleOuter, m_styleOuter, v, &TImBorderAttr::StyleOuter);
    }
    TImBorderStyle StyleInner() const
    {
        return inherited(mkStyleInner, m_styleInner, &TImBorderAttr::StyleInner);
    }
    void setStyleInner(TImBorderStyle v)
    {
        assign(mkStyleInner, m_styleInner, v, &TImBorderAttr::StyleInner);
    }
    int StyleWidth() const
    {
        return inherited(mkStyleWidth, m_styleWidth, &TImBorderAttr::StyleWidth);
    }
    void setStyleWidth(int v) { assign(mkStyleWidth, m_styleWidth, v, &TImBorderAttr::StyleWidth); }

private:
    // clNone is stored but unmarks the colour, so the parent's shows again.
    void assignColor(int mark, gfx::Color& own, gfx::Color v,
                     gfx::Color (TImBorderAttr::*get)() const)
    {
        if (v != gfx::clNone) {
            assign(mark, own, v, get);
            return;
        }
        if (own == v && !isAssigned(mark))
            return;
        own = v;
        setMark(mark, false);
        changed();
    }

    TImFrameSides m_frameOuter = imfsAll;
    TImFrameSides m_frameInner = imfsAll;
    gfx::Color m_color = gfx::clBlack;
    gfx::Color m_lineColor = gfx::clBlack;
    TImBorderStyle m_styleOuter = imbsNone;
    TImBorderStyle m_styleInner = imbsNone;
    int m_styleWidth = 0;
};

} // namespace grid
