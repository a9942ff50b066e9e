#include "gfx/Color.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <gtest/gtest.h>

using namespace gfx;

TEST(Color, RgbValuesKeepTheSystemsByteOrder)
{
    EXPECT_EQ(RGB(0x12, 0x34, 0x56), 0x563412u);
    EXPECT_EQ(GetRValue(0x563412), 0x12);
    EXPECT_EQ(GetGValue(0x563412), 0x34);
    EXPECT_EQ(GetBValue(0x563412), 0x56);
    // Stored colour values as the form data writes them: blue in the high byte.
    EXPECT_EQ(RGB(0xEB, 0xEA, 0xE1), 14805739u);
    EXPECT_EQ(RGB(0xD9, 0xD6, 0xC5), 12965593u);
    EXPECT_EQ(toQColor(clTeal), QColor(0, 128, 128));
    EXPECT_EQ(fromQColor(QColor(160, 160, 192)), 0xC0A0A0u);
}

TEST(Color, SystemColoursResolveThroughTheStandardPalette)
{
    const QPalette palette = QApplication::style()->standardPalette();
    struct Case
    {
        const char* name;
        Color color;
        QColor expected;
    };
    const Case cases[] = {
        {"clBtnFace", clBtnFace, palette.color(QPalette::Active, QPalette::Button)},
        {"clWindow", clWindow, palette.color(QPalette::Active, QPalette::Base)},
        {"clWindowText", clWindowText, palette.color(QPalette::Active, QPalette::Text)},
        {"clHighlight", clHighlight, palette.color(QPalette::Active, QPalette::Highlight)},
        {"clHighlightText", clHighlightText,
         palette.color(QPalette::Active, QPalette::HighlightedText)},
        {"clGrayText", clGrayText, palette.color(QPalette::Disabled, QPalette::Text)},
        {"clInfoBk", clInfoBk, palette.color(QPalette::Active, QPalette::ToolTipBase)},
        {"clBtnHighlight", clBtnHighlight, palette.color(QPalette::Active, QPalette::Light)},
        {"clBtnShadow", clBtnShadow, palette.color(QPalette::Active, QPalette::Dark)},
    };
    for (const Case& k : cases) {
        EXPECT_TRUE(isSystemColor(k.color)) << k.name;
        EXPECT_EQ(toQColor(k.color), k.expected) << k.name;
        EXPECT_EQ(ColorToRGB(k.color), fromQColor(k.expected)) << k.name;
    }
    // The Fusion palette's own values, which the tests' pixels rely on.
    EXPECT_EQ(ColorToRGB(clWindow), clWhite);
    EXPECT_EQ(ColorToRGB(clWindowText), clBlack);
    EXPECT_NE(ColorToRGB(clBtnFace), ColorToRGB(clBtnShadow));
    EXPECT_NE(ColorToRGB(clBtnFace), ColorToRGB(clBtnHighlight));
}

TEST(Color, MarkersAreNotSystemColoursAndResolveToBlack)
{
    EXPECT_FALSE(isSystemColor(clNone));
    EXPECT_FALSE(isSystemColor(clDefault));
    EXPECT_FALSE(isSystemColor(clWhite));
    EXPECT_EQ(ColorToRGB(clNone), clBlack);
    EXPECT_EQ(ColorToRGB(clDefault), clBlack);
}
