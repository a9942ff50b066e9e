#include "report/model/TRpShape.h"

#include "gfx/LineRaster.h"
#include "report/model/TRpPrinter.h"
#include "report/model/Units.h"

#include <algorithm>
#include <cmath>

namespace report {

TRpShape::TRpShape() : TRpPrintable(initialPixelSize, initialPixelSize) {}

void TRpShape::PrintAt(long double offsetX, long double offsetY)
{
    if (!paintPass() || !IsPrintEnabled() || !m_printer)
        return;
    gfx::Canvas& canvas = m_printer->PageCanvas();
    canvas.brush = brush;
    canvas.pen = pen;
    // Drawn as wide as on the screen-resolution page, as the page pictures play: on a
    // printer's finer pixels a one-pixel pen would be a hairline and a dotted one a row of
    // specks.
    const long double devicePerScreenPixel = m_printer->XScale() * nativePerInch / gfx::ScreenDpi;
    if (pen.width > 0 && devicePerScreenPixel > 1)
        canvas.pen.width = std::max(1, int(std::lround(pen.width * devicePerScreenPixel)));
    const NativeRect n = placedAt(offsetX, offsetY);
    const gfx::Rect r = deviceRect(n);
    const int xm = m_printer->DeviceX(n.left + n.width / 2);
    const int ym = m_printer->DeviceY(n.top + n.height / 2);
    auto line = [this, &canvas](int x1, int y1, int x2, int y2) {
        drawLine(canvas, x1, y1, x2, y2);
    };
    switch (shape) {
    case rpsRectangle:
        canvas.Rectangle(r);
        break;
    case rpsCircle:
        canvas.Ellipse(r);
        break;
    case rpsVertLine:
        line(xm, r.top, xm, r.bottom);
        break;
    case rpsHorLine:
        line(r.left, ym, r.right, ym);
        break;
    case rpsTopAndBottom:
        line(r.left, r.top, r.right, r.top);
        line(r.left, r.bottom, r.right, r.bottom);
        break;
    case rpsRightAndLeft:
        line(r.left, r.top, r.left, r.bottom);
        line(r.right, r.top, r.right, r.bottom);
        break;
    }
}

} // namespace report

namespace report {

void TRpShape::drawLine(gfx::Canvas& canvas, int x1, int y1, int x2, int y2) const
{
    const std::vector<int>& pattern = gfx::cosmeticPattern(pen.style);
    const bool straight = x1 == x2 || y1 == y2;
    // A wide pen drawn as such would be solid whatever its style; a styled wide line (the cut
    // line across a statement) keeps its style as dashes the pen's width times as long.
    const int width = canvas.pen.width; // the pen as drawn on this device
    if (width <= 1 || pattern.empty() || !straight) {
        canvas.MoveTo(x1, y1);
        canvas.LineTo(x2, y2);
        return;
    }
    const gfx::Pen styled = canvas.pen;
    canvas.pen.style = gfx::PenStyle::Solid;
    const int length = std::max(std::abs(x2 - x1), std::abs(y2 - y1));
    const int dx = x2 > x1 ? 1 : (x2 < x1 ? -1 : 0);
    const int dy = y2 > y1 ? 1 : (y2 < y1 ? -1 : 0);
    int at = 0;
    for (size_t i = 0; at < length; i = (i + 1) % pattern.size()) {
        const int run = std::min(pattern[i] * width, length - at);
        if (i % 2 == 0) {
            canvas.MoveTo(x1 + dx * at, y1 + dy * at);
            canvas.LineTo(x1 + dx * (at + run), y1 + dy * (at + run));
        }
        at += run;
    }
    canvas.pen = styled;
}

} // namespace report
