#include "report/model/TRpImage.h"

#include "report/model/Rounding.h"
#include "report/model/TRpPrinter.h"

namespace report {

TRpImage::TRpImage() : TRpPrintable(initialPixelSize, initialPixelSize) {}

void TRpImage::setPicture(const gfx::Bitmap& picture)
{
    m_picture = picture;
    sizeToPicture();
}

void TRpImage::setAutoSize(bool autoSize)
{
    m_autoSize = autoSize;
    sizeToPicture();
}

void TRpImage::sizeToPicture()
{
    if (m_autoSize && m_picture.width() > 0 && m_picture.height() > 0)
        changeBounds(left(), top(), m_picture.width(), m_picture.height());
}

void TRpImage::PrintAt(long double offsetX, long double offsetY)
{
    // Unlike the other printables, an image prints whether enabled or not.
    if (!m_printer)
        return;
    gfx::Canvas& canvas = m_printer->PageCanvas();
    const NativeRect n = placedAt(offsetX, offsetY);
    const gfx::Rect r = deviceRect(n);
    if (!m_picture.isEmpty()) {
        if (stretch) {
            canvas.StretchDraw(r, m_picture);
        } else {
            canvas.IntersectClipRect(r);
            // The picture's pixels are taken as screen pixels.
            const int w = Round(m_picture.width() / (long double)gfx::ScreenDpi * nativePerInch *
                                m_printer->XScale());
            const int h = Round(m_picture.height() / (long double)gfx::ScreenDpi * nativePerInch *
                                m_printer->YScale());
            int x = r.left;
            int y = r.top;
            if (center) {
                x += (m_printer->DeviceWidth(n.width) - w) / 2;
                y += (m_printer->DeviceHeight(n.height) - h) / 2;
            }
            canvas.StretchDraw(gfx::Bounds(x, y, w, h), m_picture);
            canvas.SelectClipRgn(nullptr);
        }
    }
    if (paintPass())
        frame.Draw(canvas, r, m_printer->XScale(), m_printer->YScale());
}

} // namespace report
