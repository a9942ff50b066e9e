#include "printing/PreviewButtonPictures.h"

#include <QPixmap>
#include <array>
#include <string_view>

namespace printing {

namespace {

// The sixteen standard colours, each named by the letter the pixel maps below draw it with.
struct PaletteColour
{
    char letter;
    QRgb rgb;
};
constexpr std::array<PaletteColour, 16> palette = {{
    {'k', 0xFF000000}, // black
    {'m', 0xFF800000}, // maroon
    {'G', 0xFF008000}, // green
    {'o', 0xFF808000}, // olive
    {'n', 0xFF000080}, // navy
    {'p', 0xFF800080}, // purple
    {'t', 0xFF008080}, // teal
    {'g', 0xFF808080}, // gray
    {'s', 0xFFC0C0C0}, // silver
    {'r', 0xFFFF0000}, // red
    {'l', 0xFF00FF00}, // lime
    {'y', 0xFFFFFF00}, // yellow
    {'b', 0xFF0000FF}, // blue
    {'.', 0xFFFF00FF}, // fuchsia: the transparent colour, never drawn with
    {'c', 0xFF00FFFF}, // aqua
    {'w', 0xFFFFFFFF}, // white
}};

using PixelMap = std::array<std::string_view, PreviewButtonPictures::size>;

int paletteIndex(char letter)
{
    for (size_t i = 0; i < palette.size(); ++i) {
        if (palette[i].letter == letter)
            return int(i);
    }
    return 0;
}

QImage blankIndexed()
{
    QImage image(PreviewButtonPictures::size, PreviewButtonPictures::size, QImage::Format_Indexed8);
    image.setColorCount(int(palette.size()));
    for (size_t i = 0; i < palette.size(); ++i)
        image.setColor(int(i), palette[i].rgb);
    return image;
}

gfx::Bitmap drawn(const PixelMap& rows)
{
    QImage image = blankIndexed();
    for (int y = 0; y < PreviewButtonPictures::size; ++y) {
        for (int x = 0; x < PreviewButtonPictures::size; ++x) {
            const std::string_view row = rows[size_t(y)];
            image.setPixel(x, y, uint(paletteIndex(size_t(x) < row.size() ? row[size_t(x)] : '.')));
        }
    }
    return gfx::Bitmap::fromImage(image, 4);
}

// The glass and rim of both magnifiers, and their handle pointing down to the right.
PixelMap magnifier(bool plus)
{
    PixelMap rows = {
        "................", "....kkkkkk......", "...kkcccckk.....", "..kkwccccckk....",
        ".kkwwcccccckk...", ".kcccccccccck...", ".kccrrrrrrcck...", ".kccrrrrrrcck...",
        ".kcccccccccck...", ".kkcccccccckk...", "..kkcccccckkk...", "...kkcccckkmmk..",
        "....kkkkkkkmmmk.", "...........kmmmk", "............kmk.", ".............k..",
    };
    if (plus) {
        // The upright stroke of the plus, as thick and long as the crossbar.
        rows[4] = ".kkwwcrrccckk...";
        rows[5] = ".kccccrrcccck...";
        rows[8] = ".kccccrrcccck...";
        rows[9] = ".kkcccrrccckk...";
    }
    return rows;
}

} // namespace

gfx::Bitmap PreviewButtonPictures::floppyDisk()
{
    return drawn({
        "................",
        ".kkkkkkkkkkkkk..",
        ".knwwwwwwwwwwnk.",
        ".knwggggggggwnk.",
        ".knwwwwwwwwwwnk.",
        ".knwggggggggwnk.",
        ".knwwwwwwwwwwnk.",
        ".knnnnnnnnnnnnk.",
        ".knnnnnnnnnnnnk.",
        ".knnssssssssnnk.",
        ".knnsskkssssnnk.",
        ".knnsskkssssnnk.",
        ".knnsskkssssnnk.",
        ".knnssssssssnnk.",
        ".kkkkkkkkkkkkkk.",
        "................",
    });
}

gfx::Bitmap PreviewButtonPictures::zoomIn()
{
    return drawn(magnifier(true));
}

gfx::Bitmap PreviewButtonPictures::zoomOut()
{
    return drawn(magnifier(false));
}

gfx::Bitmap PreviewButtonPictures::door()
{
    return drawn({
        "................",
        "...kkkkkkkkkk...",
        "...kssssssssk...",
        "...ksrrrrrrmk...",
        "...ksrmmmmrmk...",
        "...ksrmrrmrmk...",
        "...ksrmrrmrmk...",
        "...ksrmmmmrmk...",
        "...ksrrrrrrmk...",
        "...ksrrrryymk...",
        "...ksrrrrrrmk...",
        "...ksrmmmmrmk...",
        "...ksrmrrmrmk...",
        "...ksrmmmmrmk...",
        "..kkkkkkkkkkkk..",
        "................",
    });
}

gfx::Bitmap PreviewButtonPictures::disabled(const gfx::Bitmap& picture)
{
    // Dark ink turns gray, light parts silver and white, as on a disabled button of the system.
    constexpr int darkBelow = 96;
    constexpr int lightFrom = 224;
    const gfx::Color key = picture.bottomLeftPixel();
    gfx::Bitmap grey = picture;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const gfx::Color c = picture.pixel(x, y);
            if (c == key)
                continue;
            const int luma = qGray(gfx::GetRValue(c), gfx::GetGValue(c), gfx::GetBValue(c));
            grey.setPixel(x, y,
                          luma < darkBelow   ? gfx::clGray
                          : luma < lightFrom ? gfx::clSilver
                                             : gfx::clWhite);
        }
    }
    return grey;
}

QIcon PreviewButtonPictures::icon(const gfx::Bitmap& picture)
{
    auto pixmap = [](const gfx::Bitmap& b) {
        QImage image = b.toImage().convertToFormat(QImage::Format_ARGB32);
        const QRgb key = image.pixel(0, image.height() - 1);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixel(x, y) == key)
                    image.setPixel(x, y, qRgba(0, 0, 0, 0));
            }
        }
        return QPixmap::fromImage(image);
    };
    QIcon icon;
    icon.addPixmap(pixmap(picture), QIcon::Normal);
    icon.addPixmap(pixmap(disabled(picture)), QIcon::Disabled);
    return icon;
}

} // namespace printing
