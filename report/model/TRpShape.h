#pragma once

#include "gfx/Canvas.h"
#include "report/model/TRpPrintable.h"

namespace report {

enum TRpShapeType {
    rpsRectangle,
    rpsCircle,
    rpsVertLine,
    rpsHorLine,
    rpsTopAndBottom,
    rpsRightAndLeft,
};

// A line or a box. Lines run through the middle of the shape's rectangle.
class TRpShape : public TRpPrintable
{
public:
    static constexpr int initialPixelSize = 65;

    TRpShape();

    TRpShapeType shape = rpsRectangle;
    // Selected as they are; the pen width is in device units of the page canvas.
    gfx::Pen pen;
    gfx::Brush brush;

    void PrintAt(long double offsetX, long double offsetY) override;

private:
    void drawLine(gfx::Canvas& canvas, int x1, int y1, int x2, int y2) const;
};

} // namespace report
