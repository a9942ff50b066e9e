#include "grid/CellDrawing.h"

namespace grid {

namespace {

// Fills `r` in `c`, leaving the canvas's brush as it was.
void fill(gfx::Canvas& canvas, const gfx::Rect& r, gfx::Color c)
{
    if (r.isEmpty())
        return;
    const gfx::Brush saved = canvas.brush;
    canvas.brush = gfx::Brush{c, gfx::BrushStyle::Solid};
    canvas.FillRect(r);
    canvas.brush = saved;
}

// One-pixel lines on the chosen sides of `r`: left and top in `topLeft`, right and bottom
// (on the last pixel column and row of r) in `bottomRight`.
void frame(gfx::Canvas& canvas, const gfx::Rect& r, TImFrameSides sides, gfx::Color topLeft,
           gfx::Color bottomRight)
{
    if (sides & imfsLeft)
        fill(canvas, {r.left, r.top, r.left + 1, r.bottom - 1}, topLeft);
    if (sides & imfsTop)
        fill(canvas, {r.left, r.top, r.right - 1, r.top + 1}, topLeft);
    if (sides & imfsRight)
        fill(canvas, {r.right - 1, r.top, r.right, r.bottom}, bottomRight);
    if (sides & imfsBottom)
        fill(canvas, {r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
}

void drawFrame(gfx::Canvas& canvas, const gfx::Rect& r, TImBorderStyle style, TImFrameSides sides,
               const TImBorderAttr& border)
{
    const gfx::Color base = border.Color();
    switch (style) {
    case imbsNone:
        return;
    case imbsBox:
        frame(canvas, r, sides, border.LineColor(), border.LineColor());
        return;
    case imbsRaised:
        frame(canvas, r, sides, lightShade(base), darkShade(base));
        return;
    case imbsLowered:
        frame(canvas, r, sides, darkShade(base), lightShade(base));
        return;
    case imbsBtnUp:
        frame(canvas, r, sides, gfx::clBtnHighlight, gfx::cl3DDkShadow);
        frame(canvas, r.inflated(-1, -1), sides, gfx::cl3DLight, gfx::clBtnShadow);
        return;
    case imbsBtnDown:
        frame(canvas, r, sides, gfx::cl3DDkShadow, gfx::clBtnHighlight);
        frame(canvas, r.inflated(-1, -1), sides, gfx::clBtnShadow, gfx::cl3DLight);
        return;
    }
}

gfx::Point shadowOffset(TImShadowPos pos, int size)
{
    switch (pos) {
    case imspNone:
        return {0, 0};
    case imspLeft:
        return {-size, 0};
    case imspTop:
        return {0, -size};
    case imspRight:
        return {size, 0};
    case imspBottom:
        return {0, size};
    case imspLeftTop:
        return {-size, -size};
    case imspLeftBottom:
        return {-size, size};
    case imspRightBottom:
        return {size, size};
    case imspRightTop:
        return {size, -size};
    }
    return {0, 0};
}

} // namespace

gfx::Color lightShade(gfx::Color c)
{
    const gfx::Color rgb = gfx::ColorToRGB(c);
    const auto up = [](int v) { return v + (255 - v) / 2; };
    return gfx::RGB(up(gfx::GetRValue(rgb)), up(gfx::GetGValue(rgb)), up(gfx::GetBValue(rgb)));
}

gfx::Color darkShade(gfx::Color c)
{
    const gfx::Color rgb = gfx::ColorToRGB(c);
    const auto down = [](int v) { return v - v / 2; };
    return gfx::RGB(down(gfx::GetRValue(rgb)), down(gfx::GetGValue(rgb)),
                    down(gfx::GetBValue(rgb)));
}

void drawCellText(gfx::Canvas& canvas, gfx::Rect r, std::string_view text, const TImCellAttr& attr)
{
    if (text.empty())
        return;
    const int margin = attr.Margin();
    r = r.inflated(-margin, -margin);
    // Tabs expanded, "&" shown as itself; no single-line flag: the layout below places it.
    unsigned flags = gfx::DT_EXPANDTABS | gfx::DT_NOPREFIX;
    switch (attr.Alignment()) {
    case taLeftJustify:
        flags |= gfx::DT_LEFT;
        break;
    case taRightJustify:
        flags |= gfx::DT_RIGHT;
        break;
    case taCenter:
        flags |= gfx::DT_CENTER;
        break;
    }
    if (attr.WordWrap())
        flags |= gfx::DT_WORDBREAK;
    const TTextLayout layout = attr.Layout();
    if (layout != tlTop) {
        gfx::Rect measured = r;
        const int height = canvas.DrawText(text, measured, flags | gfx::DT_CALCRECT);
        const int spare = r.height() - height;
        // A taller text stays at the top and is clipped at r.
        if (spare > 0)
            r.top += layout == tlBottom ? spare : spare / 2;
    }
    canvas.bkMode = gfx::BkMode::Transparent;
    const gfx::Point shadow = shadowOffset(attr.ShadowPos(), attr.ShadowSize());
    if (shadow != gfx::Point{0, 0}) {
        const gfx::Color fontColor = canvas.font.color;
        canvas.font.color = attr.ShadowColor();
        gfx::Rect shifted = r.translated(shadow.x, shadow.y);
        canvas.DrawText(text, shifted, flags);
        canvas.font.color = fontColor;
    }
    canvas.DrawText(text, r, flags);
}

void drawCellFrames(gfx::Canvas& canvas, gfx::Rect r, const TImBorderAttr& border)
{
    drawFrame(canvas, r, border.StyleOuter(), border.FrameOuter(), border);
    const TImBorderStyle inner = border.StyleInner();
    if (inner == imbsNone)
        return;
    const int inset = border.StyleWidth();
    drawFrame(canvas, r.inflated(-inset, -inset), inner, border.FrameInner(), border);
}

void drawFocusFrame(gfx::Canvas& canvas, const gfx::Rect& r, gfx::Color light, gfx::Color dark)
{
    if (r.width() < 2 || r.height() < 2)
        return;
    fill(canvas, {r.left, r.top, r.left + 2, r.bottom - 1}, light);
    fill(canvas, {r.left, r.top, r.right - 1, r.top + 1}, light);
    fill(canvas, {r.right - 2, r.top, r.right, r.bottom}, dark);
    fill(canvas, {r.left, r.bottom - 1, r.right, r.bottom}, dark);
}

} // namespace grid
