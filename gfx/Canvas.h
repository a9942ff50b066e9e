#pragma once

#include "gfx/Bitmap.h"
#include "gfx/Color.h"
#include "gfx/Font.h"
#include "gfx/Types.h"

#include <string>
#include <string_view>
#include <vector>

namespace gfx {

enum class PenStyle { Solid, Dash, Dot, DashDot, DashDotDot, Clear, InsideFrame };
enum class BrushStyle { Solid, Clear };
enum class BkMode { Transparent, Opaque };

struct Pen
{
    Color color = clBlack;
    int width = 1;
    PenStyle style = PenStyle::Solid;
    friend bool operator==(const Pen&, const Pen&) = default;
};

struct Brush
{
    Color color = clWhite;
    BrushStyle style = BrushStyle::Solid;
    friend bool operator==(const Brush&, const Brush&) = default;
};

// SetTextAlign flags: horizontal reference of TextOut's point, and vertical.
enum TextAlign : unsigned {
    TA_LEFT = 0,
    TA_RIGHT = 2,
    TA_CENTER = 6,
    TA_TOP = 0,
    TA_BOTTOM = 8,
    TA_BASELINE = 24,
};

// DrawText flags.
enum DrawTextFlags : unsigned {
    DT_LEFT = 0x0,
    DT_CENTER = 0x1,
    DT_RIGHT = 0x2,
    DT_VCENTER = 0x4,
    DT_BOTTOM = 0x8,
    DT_WORDBREAK = 0x10,
    DT_SINGLELINE = 0x20,
    DT_EXPANDTABS = 0x40,
    DT_NOCLIP = 0x100,
    DT_CALCRECT = 0x400,
    DT_NOPREFIX = 0x800,
};

// ExtTextOut options.
enum TextOutOptions : unsigned {
    ETO_OPAQUE = 0x2,
    ETO_CLIPPED = 0x4,
};

// The drawing surface of everything that paints, with GDI's semantics: a line excludes its end
// point, FillRect and the outline of Rectangle exclude the right and bottom edge, text is
// placed by its reference point and the text alignment. Texts are cp949 bytes.
// Coordinates are the surface's logical pixels; `dpi()` tells how many of them make an inch.
class Canvas
{
public:
    virtual ~Canvas() = default;

    virtual int dpi() const = 0;

    // State: current objects and modes. Setting them draws nothing.
    Pen pen;
    Brush brush;
    Font font;
    unsigned textAlign = TA_LEFT | TA_TOP;
    BkMode bkMode = BkMode::Opaque;
    Color bkColor = clWhite;

    virtual void FillRect(const Rect& r) = 0;
    virtual void Rectangle(const Rect& r) = 0;
    virtual void Ellipse(const Rect& r) = 0;
    virtual void Polygon(const std::vector<Point>& points) = 0;
    virtual void Polyline(const std::vector<Point>& points) = 0;
    void MoveTo(int x, int y) { m_penPos = {x, y}; }
    void LineTo(int x, int y);
    Point penPos() const { return m_penPos; }

    // ExtTextOut: the text at (x, y) by `textAlign`; ETO_CLIPPED clips to `r`,
    // ETO_OPAQUE fills `r` with bkColor first.
    virtual void ExtTextOut(int x, int y, unsigned options, const Rect* r,
                            std::string_view text) = 0;
    // The same with each character's advance given in pixels (one per UTF-16 unit, as a
    // metafile records them) in place of the font's own; canvases that lay text out
    // themselves may ignore them.
    virtual void ExtTextOutDx(int x, int y, unsigned options, const Rect* r, std::string_view text,
                              const std::vector<int>& dx)
    {
        (void)dx;
        ExtTextOut(x, y, options, r, text);
    }
    void TextOut(int x, int y, std::string_view text) { ExtTextOut(x, y, 0, nullptr, text); }
    // The framework's TextRect: fills `r` with the brush (unless clear), then the text clipped to
    // r.
    void TextRect(const Rect& r, int x, int y, std::string_view text);
    // DrawText: lays the text out in `r` by `flags`; with DT_CALCRECT only measures and
    // updates r. Returns the height of the text.
    virtual int DrawText(std::string_view text, Rect& r, unsigned flags) = 0;
    virtual Size TextExtent(std::string_view text) = 0;
    int TextWidth(std::string_view text) { return TextExtent(text).cx; }
    int TextHeight(std::string_view text) { return TextExtent(text).cy; }

    virtual void StretchDraw(const Rect& r, const Bitmap& bitmap) = 0;
    void Draw(int x, int y, const Bitmap& bitmap)
    {
        StretchDraw(Bounds(x, y, bitmap.width(), bitmap.height()), bitmap);
    }

    // Clipping: narrow the clip region to a rectangle, or remove it.
    virtual void IntersectClipRect(const Rect& r) = 0;
    virtual void SelectClipRgn(std::nullptr_t) = 0;

    // Save and restore the whole state: objects, modes, pen position and clip region.
    virtual void SaveDC();
    virtual void RestoreDC();

protected:
    virtual void DrawLine(Point from, Point to) = 0; // `to` excluded
    Point m_penPos;

private:
    struct State
    {
        Pen pen;
        Brush brush;
        Font font;
        unsigned textAlign;
        BkMode bkMode;
        Color bkColor;
        Point penPos;
    };
    std::vector<State> m_saved;
};

} // namespace gfx
