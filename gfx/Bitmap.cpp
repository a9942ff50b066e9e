#include "gfx/Bitmap.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <cstdlib>
#include <cstring>

namespace gfx {

namespace {

uint16_t readU16(const unsigned char* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}
uint32_t readU32(const unsigned char* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

} // namespace

Bitmap::Bitmap(int width, int height, int bitsPerPixel) : m_bits(bitsPerPixel)
{
    if (bitsPerPixel == 24) {
        m_image = QImage(width, height, QImage::Format_RGB32);
        m_image.fill(Qt::black);
    } else {
        m_image = QImage(width, height, QImage::Format_Indexed8);
        QList<QRgb> table(1 << bitsPerPixel, qRgb(0, 0, 0));
        m_image.setColorTable(table);
        m_image.fill(0);
    }
}

Bitmap Bitmap::fromBmp(std::string_view bytes)
{
    std::string file(bytes);
    const auto* p = reinterpret_cast<const unsigned char*>(file.data());
    // A bare DIB (resource form) gets a file header so that the reader accepts it.
    if (file.size() >= 40 && !(file[0] == 'B' && file[1] == 'M')) {
        const uint32_t headerSize = readU32(p);
        const uint16_t bits = readU16(p + 14);
        uint32_t colors = readU32(p + 32);
        if (colors == 0 && bits <= 8)
            colors = 1u << bits;
        const uint32_t offset = 14 + headerSize + colors * 4;
        std::string header(14, '\0');
        header[0] = 'B';
        header[1] = 'M';
        const uint32_t total = uint32_t(file.size() + 14);
        std::memcpy(&header[2], &total, 4);
        std::memcpy(&header[10], &offset, 4);
        file = header + file;
        p = reinterpret_cast<const unsigned char*>(file.data());
    }
    if (file.size() < 54 || file[0] != 'B' || file[1] != 'M')
        return {};
    const uint16_t bits = readU16(p + 28);
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24)
        return {};
    // Uncompressed rows must all be there; the reader would otherwise make up the missing ones.
    const uint32_t compression = readU32(p + 30);
    if (compression == 0) {
        const int64_t width = int32_t(readU32(p + 18));
        const int64_t height = std::abs(int64_t(int32_t(readU32(p + 22))));
        const int64_t stride = ((width * bits + 31) / 32) * 4;
        const int64_t offset = readU32(p + 10);
        if (width <= 0 || offset + stride * height > int64_t(file.size()))
            return {};
    }
    QByteArray data(file.data(), qsizetype(file.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    QImage image = reader.read();
    if (image.isNull())
        return {};
    Bitmap b;
    b.m_bits = bits;
    if (bits == 24)
        b.m_image = image.convertToFormat(QImage::Format_RGB32);
    else
        b.m_image = image.convertToFormat(QImage::Format_Indexed8);
    return b;
}

Bitmap Bitmap::fromFile(const std::string& path)
{
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = f.readAll();
    return fromBmp(std::string_view(all.constData(), size_t(all.size())));
}

Bitmap Bitmap::fromImage(const QImage& image, int bitsPerPixel)
{
    Bitmap b;
    b.m_bits = bitsPerPixel;
    if (bitsPerPixel == 24) {
        b.m_image = image.convertToFormat(QImage::Format_RGB32);
    } else {
        b.m_image = image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
        if (b.m_image.colorCount() > (1 << bitsPerPixel))
            b.m_image = image.convertToFormat(QImage::Format_Indexed8,
                                              Qt::ThresholdDither | Qt::AvoidDither);
    }
    return b;
}

std::string Bitmap::toBmp() const
{
    if (m_image.isNull())
        return {};
    const int w = m_image.width();
    const int h = m_image.height();
    const int paletteSize = m_bits <= 8 ? (1 << m_bits) : 0;
    const int stride = ((w * m_bits + 31) / 32) * 4;
    const uint32_t offset = 14 + 40 + uint32_t(paletteSize) * 4;
    const uint32_t total = offset + uint32_t(stride) * uint32_t(h);
    std::string out(total, '\0');
    auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&out[at], &v, 2); };
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&out[at], &v, 4); };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, total);
    put32(10, offset);
    put32(14, 40);
    put32(18, uint32_t(w));
    put32(22, uint32_t(h));
    put16(26, 1);
    put16(28, uint16_t(m_bits));
    put32(34, uint32_t(stride) * uint32_t(h));
    put32(38, 3780); // 96 dpi in pixels per metre
    put32(42, 3780);
    put32(46, uint32_t(paletteSize));
    const QList<QRgb> table = m_image.colorTable();
    for (int i = 0; i < paletteSize; ++i) {
        const QRgb c = i < table.size() ? table[i] : 0;
        const size_t at = 54 + size_t(i) * 4;
        out[at] = char(qBlue(c));
        out[at + 1] = char(qGreen(c));
        out[at + 2] = char(qRed(c));
    }
    for (int y = 0; y < h; ++y) {
        unsigned char* row =
            reinterpret_cast<unsigned char*>(&out[offset + size_t(h - 1 - y) * size_t(stride)]);
        for (int x = 0; x < w; ++x) {
            if (m_bits == 24) {
                const QRgb c = m_image.pixel(x, y);
                row[x * 3] = uchar(qBlue(c));
                row[x * 3 + 1] = uchar(qGreen(c));
                row[x * 3 + 2] = uchar(qRed(c));
            } else {
                const int index = m_image.pixelIndex(x, y) & ((1 << m_bits) - 1);
                const int bitPos = x * m_bits;
                row[bitPos / 8] |= uchar(index << (8 - m_bits - bitPos % 8));
            }
        }
    }
    return out;
}

Color Bitmap::pixel(int x, int y) const
{
    if (m_image.isNull() || !m_image.valid(x, y))
        return clBlack;
    const QRgb c = m_image.pixel(x, y);
    return RGB(qRed(c), qGreen(c), qBlue(c));
}

void Bitmap::setPixel(int x, int y, Color c)
{
    if (m_image.isNull() || !m_image.valid(x, y))
        return;
    const QRgb rgb = qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
    if (m_image.format() == QImage::Format_Indexed8) {
        const QList<QRgb> table = m_image.colorTable();
        int best = 0;
        int bestDistance = INT32_MAX;
        for (int i = 0; i < table.size(); ++i) {
            const int d = std::abs(qRed(table[i]) - qRed(rgb)) +
                          std::abs(qGreen(table[i]) - qGreen(rgb)) +
                          std::abs(qBlue(table[i]) - qBlue(rgb));
            if (d < bestDistance) {
                best = i;
                bestDistance = d;
            }
        }
        m_image.setPixel(x, y, uint(best));
    } else {
        m_image.setPixel(x, y, rgb);
    }
}

QImage Bitmap::toImage() const
{
    return m_image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace gfx
