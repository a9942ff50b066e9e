#include "text/Cp949.h"

#include <gtest/gtest.h>

using namespace text;

TEST(Cp949, WholeHangulBlockOfKsX1001RoundTrips)
{
    // KS X 1001 puts the 2,350 precomposed syllables in rows B0..C8, cells A1..FE.
    int count = 0;
    for (int lead = 0xB0; lead <= 0xC8; ++lead) {
        for (int trail = 0xA1; trail <= 0xFE; ++trail) {
            const std::string bytes{char(lead), char(trail)};
            const QString s = fromCp949(bytes);
            ASSERT_EQ(s.size(), 1) << std::hex << lead << trail;
            ASSERT_GE(s.at(0).unicode(), 0xAC00);
            ASSERT_LE(s.at(0).unicode(), 0xD7A3);
            ASSERT_EQ(toCp949(s), bytes) << std::hex << lead << trail;
            ++count;
        }
    }
    EXPECT_EQ(count, 2350);
}

TEST(Cp949, KnownTextsHaveTheirBytes)
{
    EXPECT_EQ(toCp949(QString(QChar(0xFFE6))), "\xA3\xDC"); // full-width won sign
    EXPECT_EQ(cp949("          이  하  여  백").size(), 24u);
    EXPECT_EQ(cp949("업체를 선택해 주세요!!!"),
              std::string("\xBE\xF7\xC3\xBC\xB8\xA6 \xBC\xB1\xC5\xC3\xC7\xD8 "
                          "\xC1\xD6\xBC\xBC\xBF\xE4!!!"));
    EXPECT_EQ(fromCp949("ABC 123"), QStringLiteral("ABC 123"));
}

TEST(Cp949, CharactersOutsideTheCodePageBecomeOneQuestionMark)
{
    struct Case
    {
        const char* name;
        QString input;
        std::string expected;
    };
    const Case cases[] = {
        {"emoji outside the BMP", QString::fromUtf8("a\xF0\x9F\x98\x80z"), "a?z"},
        {"Thai letter", QString::fromUtf8("\xE0\xB8\x81"), "?"},
        {"syllable outside KS X 1001 is still in cp949", QString::fromUtf8("\xEB\x98\xA0"),
         "\x8C\x63"},
        {"lone surrogate", QString(QChar(0xD800)) + QStringLiteral("x"), "?x"},
        // The codec's error state once stuck after the first miss and took what followed.
        {"Hangul after characters it lacks",
         QString::fromUtf8("\xE0\xB8\x81\xF0\x9F\x98\x80\xEA\xB0\x80"), "??\xB0\xA1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(toCp949(c.input), c.expected) << c.name;
}

TEST(Cp949, EachTextIsDecodedOnItsOwn)
{
    const std::string ga = cp949("가나");
    // A text cut after the lead byte of its last character leaves nothing for the next one.
    EXPECT_EQ(fromCp949(ga.substr(0, 3)), QString::fromUtf8("가\uFFFD"));
    EXPECT_EQ(fromCp949(ga), QString::fromUtf8("가나"));
    struct Case
    {
        const char* name;
        std::string input;
        QString expected;
    };
    const Case cases[] = {
        {"lone lead byte", "\xB0", QString::fromUtf8("\uFFFD")},
        // Letters are trail bytes of the unified code; a digit never is.
        {"lead byte before a digit keeps the digit",
         "\xB0"
         "1",
         QString::fromUtf8("\uFFFD1")},
        {"lead byte and letter of the unified code",
         "\xB0"
         "A",
         QString::fromUtf8("캚")},
        {"unified-code syllable", "\x8C\x63", QString::fromUtf8("\xEB\x98\xA0")},
        {"mixed", cp949("(주)한빛 A-1"), QString::fromUtf8("(주)한빛 A-1")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fromCp949(c.input), c.expected) << c.name;
        EXPECT_EQ(fromCp949(ga), QString::fromUtf8("가나")) << "after " << c.name;
    }
}

TEST(Cp949, TrimRemovesBytesOf32OrLessAtBothEnds)
{
    struct Case
    {
        std::string input;
        std::string expected;
    };
    const Case cases[] = {
        {"  MAKEKEY   ", "MAKEKEY"},
        {std::string("\t\r\n\x01 OPN \0", 9), "OPN"},
        {"    ", ""},
        {"", ""},
        {" a b ", "a b"},
        {"\xB0\xA1 ", "\xB0\xA1"}, // high bytes are not blanks
    };
    for (const auto& c : cases)
        EXPECT_EQ(trim(c.input), c.expected) << c.input;
}
