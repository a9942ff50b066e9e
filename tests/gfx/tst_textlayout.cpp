#include "gfx/Canvas.h"
#include "gfx/TextLayout.h"

#include <gtest/gtest.h>

using namespace gfx;

namespace {

TextMetrics arial()
{
    Font f;
    f.name = "Arial";
    f.size = 10;
    TextMetrics m;
    m.select(f, ScreenDpi);
    return m;
}

} // namespace

TEST(TextLayout, LineEndsAndEmptyText)
{
    const TextMetrics m = arial();
    const int lh = m.height();
    struct Case
    {
        const char* name;
        std::string text;
        unsigned flags;
        size_t lines;
        int result;
    };
    const Case cases[] = {
        {"CR LF, LF and CR each end a line", "a\r\nb\nc\rd", DT_LEFT, 4, 4 * lh},
        {"a final line end gives an empty last line", "a\n", DT_LEFT, 2, 2 * lh},
        {"single line keeps line ends in the line", "a\r\nb", DT_SINGLELINE, 1, lh},
        {"empty text takes one line height", "", DT_LEFT, 0, lh},
    };
    for (const Case& k : cases) {
        const TextLayout t = TextLayout::make(k.text, {0, 0, 200, 100}, k.flags, m);
        EXPECT_EQ(t.lines.size(), k.lines) << k.name;
        EXPECT_EQ(t.result, k.result) << k.name;
    }
    const TextLayout empty = TextLayout::make("", {5, 5, 200, 100}, DT_CALCRECT, m);
    EXPECT_EQ(empty.bounds, (Rect{5, 5, 5, 5}));
    const TextLayout emptySingle =
        TextLayout::make("", {5, 5, 200, 100}, DT_CALCRECT | DT_SINGLELINE, m);
    EXPECT_EQ(emptySingle.bounds, (Rect{5, 5, 5, 5 + lh}));
}

TEST(TextLayout, EachBrokenLineIsAlignedOnItsOwn)
{
    const TextMetrics m = arial();
    const Rect r{10, 20, 10 + m.width(QStringLiteral("wide words")), 200};
    const TextLayout t = TextLayout::make("wide words  x", r, DT_WORDBREAK | DT_RIGHT, m);
    ASSERT_EQ(t.lines.size(), 2u);
    EXPECT_EQ(t.lines[0].pieces[0].text, QStringLiteral("wide words"));
    EXPECT_EQ(t.lines[1].pieces[0].text, QStringLiteral("x")) << "spaces at a break are dropped";
    EXPECT_EQ(t.lines[0].pieces[0].x, r.left);
    EXPECT_EQ(t.lines[1].pieces[0].x, r.right - m.width(QStringLiteral("x")));
    EXPECT_EQ(t.lines[1].y, r.top + m.height());

    const TextLayout centred = TextLayout::make("wide words  x", r, DT_WORDBREAK | DT_CENTER, m);
    EXPECT_EQ(centred.lines[1].pieces[0].x,
              r.left + (r.width() - m.width(QStringLiteral("x"))) / 2);
}

TEST(TextLayout, PrefixMarksTheUnderlinedLetter)
{
    const TextMetrics m = arial();
    const TextLayout t = TextLayout::make("E&xit", {0, 0, 100, 20}, DT_SINGLELINE, m);
    ASSERT_EQ(t.lines.size(), 1u);
    EXPECT_EQ(t.lines[0].pieces[0].text, QStringLiteral("Exit"));
    EXPECT_EQ(t.lines[0].prefixFrom, m.width(QStringLiteral("E")));
    EXPECT_EQ(t.lines[0].prefixTo, m.width(QStringLiteral("Ex")));
    const TextLayout doubled = TextLayout::make("A && B&", {0, 0, 100, 20}, DT_SINGLELINE, m);
    EXPECT_EQ(doubled.lines[0].pieces[0].text, QStringLiteral("A & B"));
    EXPECT_EQ(doubled.lines[0].prefixFrom, -1);
}
