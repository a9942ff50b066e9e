#include "gfx/Bitmap.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace gfx;

namespace {

// The pixels that tests/data/gfx/make_bitmaps.py writes (5 x 3 each).
constexpr int width = 5;
constexpr int height = 3;

Color expected(int bits, int x, int y)
{
    if (bits == 24)
        return RGB(x * 50, y * 100, 200 - x * 10);
    if (bits == 1) {
        static const int mono[3][5] = {{1, 0, 1, 0, 1}, {0, 1, 0, 1, 0}, {1, 1, 0, 0, 1}};
        return mono[y][x] ? clWhite : clBlack;
    }
    if (bits == 4) {
        const int i = (x + 5 * y) % 16;
        return RGB(i * 16, 255 - i * 16, (i * 40) % 256);
    }
    const int i = x * 16 + y * 3 + 1;
    return RGB(i, 255 - i, (i * 7) % 256);
}

std::string fixture(const std::string& name)
{
    return testsupport::dataPath("gfx/" + name);
}

std::string readAll(const std::string& path)
{
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = f.readAll();
    return std::string(all.constData(), size_t(all.size()));
}

void expectPixels(const Bitmap& b, int bits, const std::string& name)
{
    ASSERT_EQ(b.width(), width) << name;
    ASSERT_EQ(b.height(), height) << name;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            EXPECT_EQ(b.pixel(x, y), expected(bits, x, y)) << name << " at " << x << "," << y;
}

} // namespace

TEST(Bitmap, ReadsEachSupportedDepthFromAFile)
{
    for (const int bits : {1, 4, 8, 24}) {
        const std::string name = "bits_" + std::to_string(bits) + ".bmp";
        const Bitmap b = Bitmap::fromFile(fixture(name));
        ASSERT_FALSE(b.isEmpty()) << name;
        EXPECT_EQ(b.bitsPerPixel(), bits) << name;
        expectPixels(b, bits, name);
        EXPECT_EQ(b.bottomLeftPixel(), expected(bits, 0, height - 1)) << name;
    }
}

TEST(Bitmap, ReadsTopDownRowsAndTheBareResourceForm)
{
    expectPixels(Bitmap::fromFile(fixture("top_down_24.bmp")), 24, "top down");
    // A resource holds the bitmap without its 14-byte file header.
    const std::string file = readAll(fixture("bits_8.bmp"));
    const Bitmap bare = Bitmap::fromBmp(std::string_view(file).substr(14));
    EXPECT_EQ(bare.bitsPerPixel(), 8);
    expectPixels(bare, 8, "resource form");
}

TEST(Bitmap, RejectsWhatIsNotASupportedBitmap)
{
    const std::string good = readAll(fixture("bits_24.bmp"));
    std::string sixteenBits = good;
    sixteenBits[28] = 16;
    struct Case
    {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"no bytes", ""},
        {"not a bitmap", std::string(200, 'x')},
        {"header only", good.substr(0, 54)},
        {"cut off in the pixels", good.substr(0, 60)},
        {"sixteen bits per pixel", sixteenBits},
    };
    for (const Case& k : cases)
        EXPECT_TRUE(Bitmap::fromBmp(k.bytes).isEmpty()) << k.name;
    EXPECT_TRUE(Bitmap::fromFile(fixture("missing.bmp")).isEmpty());
}

TEST(Bitmap, WritesBmpBytesThatReadBackTheSame)
{
    for (const int bits : {1, 4, 8, 24}) {
        const Bitmap b = Bitmap::fromFile(fixture("bits_" + std::to_string(bits) + ".bmp"));
        const std::string bytes = b.toBmp();
        EXPECT_EQ(bytes.substr(0, 2), "BM");
        const Bitmap again = Bitmap::fromBmp(bytes);
        EXPECT_EQ(again.bitsPerPixel(), bits);
        EXPECT_TRUE(again == b) << bits << " bits";
    }
}

TEST(Bitmap, TwentyFourBitWritingIsByteForByteTheFileFormat)
{
    const std::string file = readAll(fixture("bits_24.bmp"));
    const std::string written = Bitmap::fromBmp(file).toBmp();
    // Same header fields and pixel rows as the independently written fixture.
    EXPECT_EQ(written, file);
}

TEST(Bitmap, CopiesAreIndependentAndPixelsCanBeSet)
{
    Bitmap original = Bitmap::fromFile(fixture("bits_24.bmp"));
    Bitmap copy = original;
    EXPECT_TRUE(copy == original);
    copy.setPixel(1, 1, clRed);
    EXPECT_EQ(copy.pixel(1, 1), clRed);
    EXPECT_EQ(original.pixel(1, 1), expected(24, 1, 1));
    EXPECT_FALSE(copy == original);

    // An indexed bitmap takes the nearest colour of its palette.
    Bitmap indexed = Bitmap::fromFile(fixture("bits_1.bmp"));
    indexed.setPixel(1, 0, RGB(250, 240, 230));
    EXPECT_EQ(indexed.pixel(1, 0), clWhite);

    // Outside the bitmap nothing is written and black is read.
    copy.setPixel(width, 0, clRed);
    EXPECT_EQ(copy.pixel(width, 0), clBlack);
    EXPECT_EQ(copy.pixel(-1, -1), clBlack);
}

TEST(Bitmap, NewBitmapsAndImages)
{
    const Bitmap blank(4, 2);
    EXPECT_EQ(blank.width(), 4);
    EXPECT_EQ(blank.height(), 2);
    EXPECT_EQ(blank.pixel(3, 1), clBlack);
    EXPECT_TRUE(Bitmap().isEmpty());

    QImage image(3, 3, QImage::Format_RGB32);
    image.fill(QColor(10, 20, 30));
    image.setPixelColor(0, 2, QColor(255, 0, 255));
    const Bitmap fromImage = Bitmap::fromImage(image);
    EXPECT_EQ(fromImage.bottomLeftPixel(), clFuchsia);
    EXPECT_EQ(fromImage.pixel(1, 1), RGB(10, 20, 30));
    EXPECT_EQ(fromImage.toImage().pixelColor(0, 2), QColor(255, 0, 255));
}
