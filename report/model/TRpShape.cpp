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
    const TRpPrintableSize& s = size();
    const long double left = offsetX + s.nativeValue(TRpPrintableSize::LeftIndex);
    const long double top = offsetY + s.nativeValue(TRpPrintableSize::TopIndex);
    const long double width = s.nativeValue(TRpPrintableSize::WidthIndex);
    const long double height = s.nativeValue(TRpPrintableSize::HeightIndex);
    const gfx::Rect r = deviceRect(left, top, width, height);
    const int xm = m_printer->DeviceX(left + width / 2);
    const int ym = m_printer->DeviceY(top + height / 2);
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
