#pragma once

#include "gfx/Bitmap.h"
#include "report/model/TRpPrintable.h"

namespace report {

// A picture, stretched into its rectangle or at its natural size (optionally centred).
class TRpImage : public TRpPrintable
{
public:
    static constexpr int initialPixelSize = 105;

    TRpImage();

    const gfx::Bitmap& picture() const { return m_picture; }
    // Copies the picture; with autoSize the printable takes the picture's pixel size.
    void setPicture(const gfx::Bitmap& picture);
    bool stretch = false;
    bool center = false;
    bool autoSize() const { return m_autoSize; }
    void setAutoSize(bool autoSize);

    void PrintAt(long double offsetX, long double offsetY) override;

private:
    void sizeToPicture();

    gfx::Bitmap m_picture;
    bool m_autoSize = false;
};

} // namespace report
