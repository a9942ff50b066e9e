#include "button/ButtonPainter.h"

#include "button/GlyphStrip.h"

namespace button {

namespace {

void drawFrame(gfx::Canvas& canvas, const gfx::Rect& client, const FrameColors& colors)
{
    const int left = client.left;
    const int top = client.top;
    const int right = client.right - 1;
    const int bottom = client.bottom - 1;
    canvas.pen = gfx::Pen{colors.topLeft, 1, gfx::PenStyle::Solid};
    canvas.MoveTo(left, bottom);
    canvas.LineTo(left, top);
    canvas.LineTo(right, top);
    canvas.pen = gfx::Pen{colors.bottomRight, 1, gfx::PenStyle::Solid};
    canvas.LineTo(right, bottom);
    // One pixel past the corner, so that the bottom-left pixel takes this colour too.
    canvas.LineTo(left - 1, bottom);
}

void drawCaption(gfx::Canvas& canvas, const ButtonFace& face, const gfx::Rect& bounds)
{
    if (face.caption.empty())
        return;
    const unsigned flags = gfx::DT_CENTER | gfx::DT_VCENTER | gfx::DT_SINGLELINE;
    canvas.brush.style = gfx::BrushStyle::Clear;
    canvas.bkMode = gfx::BkMode::Transparent;
    canvas.font = face.font;
    if (face.state == ButtonState::disabled) {
        gfx::Rect r = bounds.translated(1, 1);
        canvas.font.color = gfx::clBtnHighlight;
        canvas.DrawText(face.caption, r, flags);
        r = bounds;
        canvas.font.color = gfx::clBtnShadow;
        canvas.DrawText(face.caption, r, flags);
    } else {
        gfx::Rect r = bounds;
        canvas.DrawText(face.caption, r, flags);
    }
}

} // namespace

std::optional<gfx::Color> fillColor(const ButtonFace& face)
{
    const ButtonColors& c = face.colors;
    switch (face.transparentMode) {
    case tmAlways:
        return std::nullopt;
    case tmNotFocused:
        if (!face.hovered)
            return std::nullopt;
        switch (face.state) {
        case ButtonState::up:
        case ButtonState::exclusive:
            return c.focused;
        case ButtonState::disabled:
            return c.color;
        case ButtonState::down:
            return c.down;
        }
        break;
    case tmNone:
        switch (face.state) {
        case ButtonState::up:
            return face.hovered ? c.focused : c.color;
        case ButtonState::disabled:
            return c.color;
        case ButtonState::down:
            return c.down;
        case ButtonState::exclusive:
            return face.hovered ? c.focused : c.down;
        }
        break;
    }
    return std::nullopt;
}

FrameColors frameColors(const ButtonFace& face)
{
    const ButtonColors& c = face.colors;
    switch (face.state) {
    case ButtonState::up:
        if (face.hovered)
            return {c.highLight, c.shadow};
        return {c.border, c.border};
    case ButtonState::disabled:
        return {c.border, c.border};
    case ButtonState::down:
    case ButtonState::exclusive:
        break;
    }
    return {c.shadow, c.highLight};
}

void drawTransparent(gfx::Canvas& canvas, const gfx::Bitmap& bitmap, const gfx::Rect& source,
                     gfx::Point at, gfx::Color transparent)
{
    // Runs of one colour along each row become one fill each, so that any canvas (a recording
    // one, a metafile) gets the picture without a mask.
    canvas.brush.style = gfx::BrushStyle::Solid;
    for (int y = source.top; y < source.bottom; ++y) {
        int x = source.left;
        while (x < source.right) {
            const gfx::Color c = bitmap.pixel(x, y);
            int end = x + 1;
            while (end < source.right && bitmap.pixel(end, y) == c)
                ++end;
            if (c != transparent) {
                canvas.brush.color = c;
                const int dx = at.x + x - source.left;
                const int dy = at.y + y - source.top;
                canvas.FillRect({dx, dy, dx + end - x, dy + 1});
            }
            x = end;
        }
    }
}

ButtonGeometry paintFlatButton(gfx::Canvas& canvas, const gfx::Rect& client, const ButtonFace& face)
{
    const bool sunk = face.state == ButtonState::down || face.state == ButtonState::exclusive;
    const gfx::Point offset = sunk ? gfx::Point{1, 1} : gfx::Point{0, 0};
    const int numGlyphs = std::max(1, face.numGlyphs);

    gfx::Size glyphSize;
    if (!face.glyph.isEmpty())
        glyphSize = {face.glyph.width() / numGlyphs, face.glyph.height()};
    gfx::Size textSize;
    canvas.font = face.font;
    if (!face.caption.empty()) {
        // Measured as it is drawn, so that an accelerator's "&" takes no room.
        gfx::Rect r{0, 0, client.width(), 0};
        canvas.DrawText(face.caption, r, gfx::DT_CALCRECT | gfx::DT_SINGLELINE);
        textSize = {r.width(), r.height()};
    }
    const ButtonGeometry geometry = calcButtonLayout(client, glyphSize, textSize, face.layout,
                                                     face.margin, face.spacing, offset);

    if (const auto fill = fillColor(face)) {
        canvas.brush = gfx::Brush{*fill, gfx::BrushStyle::Solid};
        canvas.FillRect(client);
    }
    drawFrame(canvas, client, frameColors(face));

    if (!face.glyph.isEmpty()) {
        if (showsEmbossed(numGlyphs, face.state)) {
            const gfx::Bitmap picture = embossed(face.glyph);
            drawTransparent(canvas, picture, gfx::Bounds(0, 0, picture.width(), picture.height()),
                            geometry.glyphPos, picture.bottomLeftPixel());
        } else {
            const gfx::Rect source =
                glyphImageRect(face.glyph, numGlyphs, glyphIndex(numGlyphs, face.state));
            drawTransparent(canvas, face.glyph, source, geometry.glyphPos,
                            face.glyph.bottomLeftPixel());
        }
    }

    drawCaption(canvas, face, geometry.textBounds);
    return geometry;
}

} // namespace button
