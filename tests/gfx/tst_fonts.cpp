#include "gfx/Font.h"
#include "gfx/TextMetrics.h"
#include "text/Cp949.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <gtest/gtest.h>

using namespace gfx;
using namespace Qt::StringLiterals;

namespace {

Font face(const char* utf8Name, int size = 10)
{
    Font f;
    f.name = text::cp949(utf8Name);
    f.size = size;
    return f;
}

} // namespace

TEST(Fonts, SystemFacesResolveToInstalledFaces)
{
    struct Case
    {
        const char* name;
        QString family;
        bool fixedPitch;
    };
    const Case cases[] = {
        {"굴림체", u"NanumGothicCoding"_s, true},
        {"굴림", u"NanumGothic"_s, false},
        {"Arial", u"Liberation Sans"_s, false},
        {"MS Sans Serif", u"Liberation Sans"_s, false},
    };
    for (const Case& k : cases) {
        const QFontInfo info(toQFont(face(k.name), ScreenDpi));
        EXPECT_EQ(info.family(), k.family) << k.name;
        EXPECT_TRUE(info.exactMatch() || info.family() == k.family) << k.name;
        // The substitution is installed for the application, so plain QFonts find it too.
        EXPECT_EQ(QFontInfo(QFont(QString::fromUtf8(k.name))).family(), k.family) << k.name;
    }
}

TEST(Fonts, TheFixedPitchKoreanFaceGivesEveryLetterOneWidth)
{
    // The face is dual width (Latin one cell, Hangul two), which Qt does not report as fixed
    // pitch; the advances show it.
    const QFontMetricsF m(toQFont(face("굴림체", 9), ScreenDpi));
    EXPECT_DOUBLE_EQ(m.horizontalAdvance(u"iiii"_s), m.horizontalAdvance(u"WWWW"_s));
    // A Hangul syllable takes two cells, as its two cp949 bytes do.
    EXPECT_DOUBLE_EQ(m.horizontalAdvance(u"가"_s), m.horizontalAdvance(u"ab"_s));
    const QFontMetricsF arial(toQFont(face("Arial"), ScreenDpi));
    EXPECT_LT(arial.horizontalAdvance(u"iiii"_s), arial.horizontalAdvance(u"WWWW"_s));
}

TEST(Fonts, SizesBecomePixelsOfTheSurface)
{
    struct Case
    {
        const char* name;
        int size;
        int height;
        int dpi;
        int pixels;
    };
    const Case cases[] = {
        {"9 points on the screen", 9, 0, 96, 12},
        {"8 points on the screen", 8, 0, 96, 11},
        {"10 points on a 600 dpi printer", 10, 0, 600, 83},
        {"negative height is the character height", 9, -16, 96, 16},
        {"negative height ignores the resolution", 9, -16, 600, 16},
    };
    for (const Case& k : cases) {
        Font f = face("Arial", k.size);
        f.height = k.height;
        EXPECT_EQ(f.pixelHeight(k.dpi), k.pixels) << k.name;
        EXPECT_EQ(toQFont(f, k.dpi).pixelSize(), k.pixels) << k.name;
    }
    // A positive height is the whole cell, ascent and descent together.
    Font cell = face("Arial");
    cell.height = 30;
    TextMetrics m;
    m.select(cell, ScreenDpi);
    EXPECT_NEAR(m.height(), 30, 1);
}

TEST(Fonts, StylesAreCarriedOver)
{
    Font f = face("Arial");
    f.bold = true;
    f.italic = true;
    f.underline = true;
    f.strikeOut = true;
    const QFont q = toQFont(f, ScreenDpi);
    EXPECT_TRUE(q.bold());
    EXPECT_TRUE(q.italic());
    EXPECT_TRUE(q.underline());
    EXPECT_TRUE(q.strikeOut());
    EXPECT_FALSE(toQFont(face("Arial"), ScreenDpi).bold());
}

// The substitute faces keep the line heights the layouts were made for, and glyphs advance by
// whole pixels: a row of 22-point digits keeps the 15-pixel pitch of the boxes drawn for it.
TEST(Fonts, LineMetricsAndAdvancesAreWholePixelsRoundedToTheNearest)
{
    struct Case
    {
        const char* what;
        const char* face;
        int size;
        int ascent, descent;
        const char* text;
        int width;
    };
    const Case cases[] = {
        {"a two-line cell's font", "굴림체", 10, 10, 3, "등록 번호", 59},
        {"the digit rows' font", "굴림체", 22, 23, 6, "1234567890", 150},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TextMetrics m;
        m.select(face(c.face, c.size), ScreenDpi);
        EXPECT_EQ(m.ascent(), c.ascent);
        EXPECT_EQ(m.descent(), c.descent);
        const QString s = QString::fromUtf8(c.text);
        EXPECT_EQ(m.width(s), c.width);
        const std::vector<int> advances = m.advances(s);
        ASSERT_EQ(advances.size(), size_t(s.size()));
        int sum = 0;
        for (int a : advances)
            sum += a;
        EXPECT_EQ(sum, c.width);
    }
}

TEST(Fonts, TheFixedPitchFaceDrawsItsZeroFromAFaceWithAPlainOne)
{
    const QFont fixed = toQFont(face("굴림체", 22), ScreenDpi);
    const std::optional<QFont> zero = plainZeroFont(fixed);
    ASSERT_TRUE(zero);
    EXPECT_EQ(QFontInfo(*zero).family(), u"NanumGothic"_s);
    EXPECT_EQ(zero->pixelSize(), fixed.pixelSize());
    EXPECT_FALSE(plainZeroFont(toQFont(face("굴림", 22), ScreenDpi)));
}
