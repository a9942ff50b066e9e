#pragma once

#include "gfx/Color.h"

#include <QImage>
#include <string>
#include <string_view>

namespace gfx {

// A device-independent bitmap as read from a BMP file or resource (1, 4, 8 or 24 bits per
// pixel). Copies are cheap (the pixels are shared until written).
class Bitmap
{
public:
    Bitmap() = default;
    Bitmap(int width, int height, int bitsPerPixel = 24);

    // Reads a BMP file's bytes (with or without the 14-byte file header). Returns an empty
    // bitmap when the bytes are not a BMP of a supported depth.
    static Bitmap fromBmp(std::string_view bytes);
    static Bitmap fromFile(const std::string& path);
    static Bitmap fromImage(const QImage& image, int bitsPerPixel = 24);
    // The BMP file bytes (with file header) at this bitmap's depth.
    std::string toBmp() const;

    bool isEmpty() const { return m_image.isNull(); }
    int width() const { return m_image.width(); }
    int height() const { return m_image.height(); }
    int bitsPerPixel() const { return m_bits; }

    Color pixel(int x, int y) const;
    void setPixel(int x, int y, Color c);
    // The pixel that glyph strips take as their transparent colour.
    Color bottomLeftPixel() const { return pixel(0, height() - 1); }

    // The pixels as ARGB32 for drawing.
    QImage toImage() const;
    const QImage& image() const { return m_image; }

    friend bool operator==(const Bitmap& a, const Bitmap& b)
    {
        return a.m_bits == b.m_bits && a.m_image == b.m_image;
    }

private:
    QImage m_image; // Format_RGB32 for 24 bits, Format_Indexed8 with a colour table otherwise
    int m_bits = 24;
};

} // namespace gfx
