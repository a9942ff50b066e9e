#include "report/model/TRpFrame.h"

#include "report/model/Rounding.h"
#include "report/model/Units.h"

namespace report {

namespace {

constexpr long double pointsPerInch = 72;

int thickness(long double scale, int width)
{
    if (width == -1)
        return 1;
    int t = Round(scale / pointsPerInch * nativePerInch * width);
    if (t < 1 && width >= 1)
        t = 1;
    return t;
}

} // namespace

long double TRpFrame::nativeWidth() const
{
    return width / pointsPerInch * nativePerInch;
}

void TRpFrame::Draw(gfx::Canvas& canvas, const gfx::Rect& r, long double xScale,
                    long double yScale) const
{
    if (!drawsAnything())
        return;
    const int horizontal = thickness(xScale, width);
    const int vertical = thickness(yScale, width);
    canvas.brush = {color, gfx::BrushStyle::Solid};
    if (drawTop)
        canvas.FillRect({r.left, r.top, r.right, r.top + vertical});
    if (drawBottom)
        canvas.FillRect({r.left, r.bottom - vertical, r.right, r.bottom});
    if (drawLeft)
        canvas.FillRect({r.left, r.top, r.left + horizontal, r.bottom});
    if (drawRight)
        canvas.FillRect({r.right - horizontal, r.top, r.right, r.bottom});
    canvas.brush.style = gfx::BrushStyle::Clear;
}

} // namespace report
