#include "button/ButtonLayout.h"

namespace button {

ButtonGeometry calcButtonLayout(const gfx::Rect& client, gfx::Size glyph, gfx::Size text,
                                TButtonLayout layout, int margin, int spacing, gfx::Point offset)
{
    const int w = client.width();
    const int h = client.height();
    const bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
    // Along the layout's axis: the extent of the client, the picture and the caption.
    const int extent = horizontal ? w : h;
    const int glyphExtent = horizontal ? glyph.cx : glyph.cy;
    const int textExtent = horizontal ? text.cx : text.cy;

    gfx::Point glyphPos;
    gfx::Point textPos;
    if (horizontal) {
        glyphPos.y = (h - glyph.cy + 1) / 2;
        textPos.y = (h - text.cy + 1) / 2;
    } else {
        glyphPos.x = (w - glyph.cx + 1) / 2;
        textPos.x = (w - text.cx + 1) / 2;
    }

    if (text.cx == 0 || glyph.cx == 0)
        spacing = 0;

    if (margin == -1) {
        if (spacing == -1) {
            margin = (extent - (glyphExtent + textExtent)) / 3;
            spacing = margin;
        } else {
            margin = (extent - (glyphExtent + spacing + textExtent) + 1) / 2;
        }
    } else if (spacing == -1) {
        spacing = ((extent - (margin + glyphExtent)) - textExtent) / 2;
    }

    switch (layout) {
    case blGlyphLeft:
        glyphPos.x = margin;
        textPos.x = glyphPos.x + glyph.cx + spacing;
        break;
    case blGlyphRight:
        glyphPos.x = w - margin - glyph.cx;
        textPos.x = glyphPos.x - spacing - text.cx;
        break;
    case blGlyphTop:
        glyphPos.y = margin;
        textPos.y = glyphPos.y + glyph.cy + spacing;
        break;
    case blGlyphBottom:
        glyphPos.y = h - margin - glyph.cy;
        textPos.y = glyphPos.y - spacing - text.cy;
        break;
    }

    const int dx = client.left + offset.x;
    const int dy = client.top + offset.y;
    ButtonGeometry g;
    g.glyphPos = {glyphPos.x + dx, glyphPos.y + dy};
    g.textBounds = gfx::Bounds(textPos.x + dx, textPos.y + dy, text.cx, text.cy);
    return g;
}

} // namespace button
