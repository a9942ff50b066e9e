#pragma once

#include "gfx/Color.h"

#include <QFont>
#include <optional>
#include <string>

namespace gfx {

enum class Pitch { Default, Fixed, Variable };

// A logical font. `size` is in points; a non-zero `height` (pixels of the drawing surface,
// negative for the character height as GDI reads it) takes precedence.
struct Font
{
    std::string name = "MS Sans Serif"; // cp949 face name as the system writes it
    int size = 8;
    int height = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    Color color = clWindowText;
    int charset = 1; // DEFAULT_CHARSET; 129 is HANGEUL_CHARSET
    Pitch pitch = Pitch::Default;

    // Pixel height of the characters (without internal leading) at `dpi` pixels per inch.
    int pixelHeight(int dpi) const;
    friend bool operator==(const Font&, const Font&) = default;
};

// The QFont that draws `font` on a surface of `dpi` pixels per inch, with the face
// substitutions installed by InstallFontSubstitutions().
QFont toQFont(const Font& font, int dpi);

// The face that draws the digit zero of `face` when its own zero carries a dot or a slash
// (the fixed-pitch Korean face's does); none when its own zero is plain.
std::optional<QFont> plainZeroFont(const QFont& face);

// Maps the system's faces to installed ones: "굴림체" → NanumGothicCoding, "굴림" →
// NanumGothic, "Arial" and "MS Sans Serif" → Liberation Sans. Call once after QGuiApplication.
void InstallFontSubstitutions();

// The screen-compatible measuring resolution of the report engine and the viewer.
constexpr int ScreenDpi = 96;

} // namespace gfx
