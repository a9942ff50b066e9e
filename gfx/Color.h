#pragma once

#include <QColor>
#include <cstdint>

namespace gfx {

// A colour as the system writes it: 0x00BBGGRR for an RGB value, 0xFF0000nn for system
// colour nn (resolved through the application palette), clNone and clDefault as markers.
using Color = uint32_t;

constexpr Color RGB(int r, int g, int b)
{
    return Color(r & 0xFF) | (Color(g & 0xFF) << 8) | (Color(b & 0xFF) << 16);
}
constexpr int GetRValue(Color c)
{
    return int(c & 0xFF);
}
constexpr int GetGValue(Color c)
{
    return int((c >> 8) & 0xFF);
}
constexpr int GetBValue(Color c)
{
    return int((c >> 16) & 0xFF);
}

constexpr Color clSystemColor = 0xFF000000;
constexpr Color clScrollBar = clSystemColor | 0;
constexpr Color clBackground = clSystemColor | 1;
constexpr Color clActiveCaption = clSystemColor | 2;
constexpr Color clWindow = clSystemColor | 5;
constexpr Color clWindowFrame = clSystemColor | 6;
constexpr Color clWindowText = clSystemColor | 8;
constexpr Color clHighlight = clSystemColor | 13;
constexpr Color clHighlightText = clSystemColor | 14;
constexpr Color clBtnFace = clSystemColor | 15;
constexpr Color clBtnShadow = clSystemColor | 16;
constexpr Color clGrayText = clSystemColor | 17;
constexpr Color clBtnText = clSystemColor | 18;
constexpr Color clBtnHighlight = clSystemColor | 20;
constexpr Color cl3DDkShadow = clSystemColor | 21;
constexpr Color cl3DLight = clSystemColor | 22;
constexpr Color clInfoText = clSystemColor | 23;
constexpr Color clInfoBk = clSystemColor | 24;

constexpr Color clNone = 0x1FFFFFFF;
constexpr Color clDefault = 0x20000000;

constexpr Color clBlack = RGB(0, 0, 0);
constexpr Color clMaroon = RGB(0x80, 0, 0);
constexpr Color clGreen = RGB(0, 0x80, 0);
constexpr Color clOlive = RGB(0x80, 0x80, 0);
constexpr Color clNavy = RGB(0, 0, 0x80);
constexpr Color clPurple = RGB(0x80, 0, 0x80);
constexpr Color clTeal = RGB(0, 0x80, 0x80);
constexpr Color clGray = RGB(0x80, 0x80, 0x80);
constexpr Color clSilver = RGB(0xC0, 0xC0, 0xC0);
constexpr Color clRed = RGB(0xFF, 0, 0);
constexpr Color clLime = RGB(0, 0xFF, 0);
constexpr Color clYellow = RGB(0xFF, 0xFF, 0);
constexpr Color clBlue = RGB(0, 0, 0xFF);
constexpr Color clFuchsia = RGB(0xFF, 0, 0xFF);
constexpr Color clAqua = RGB(0, 0xFF, 0xFF);
constexpr Color clWhite = RGB(0xFF, 0xFF, 0xFF);

inline bool isSystemColor(Color c)
{
    return (c & 0xFF000000) == clSystemColor;
}

// The RGB value of a colour; system colours through the application palette
// (clNone and clDefault resolve to black).
Color ColorToRGB(Color c);
QColor toQColor(Color c);
Color fromQColor(const QColor& c);

} // namespace gfx
