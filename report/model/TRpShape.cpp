#include "report/model/TRpShape.h"

#include "report/model/TRpPrinter.h"

namespace report {

TRpShape::TRpShape() : TRpPrintable(initialPixelSize, initialPixelSize) {}

void TRpShape::PrintAt(long double offsetX, long double offsetY)
{
    if (!paintPass() || !IsPrintEnabled() || !m_printer)
        return;
    gfx::Canvas& canvas = m_printer->PageCanvas();
    canvas.brush = brush;
    canvas.pen = pen;
    const NativeRect n = placedAt(offsetX, offsetY);
    const gfx::Rect r = deviceRect(n);
    const int xm = m_printer->DeviceX(n.left + n.width / 2);
    const int ym = m_printer->DeviceY(n.top + n.height / 2);
    auto line = [&canvas](int x1, int y1, int x2, int y2) {
        canvas.MoveTo(x1, y1);
        canvas.LineTo(x2, y2);
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
