#include "gfx/Font.h"

#include "text/Cp949.h"

#include <QFontMetricsF>
#include <cmath>

using namespace Qt::StringLiterals;

namespace gfx {

namespace {

struct Substitution
{
    QString from;
    QString to;
};

const std::vector<Substitution>& substitutions()
{
    static const std::vector<Substitution> table = {
        {u"굴림체"_s, u"NanumGothicCoding"_s}, {u"GulimChe"_s, u"NanumGothicCoding"_s},
        {u"굴림"_s, u"NanumGothic"_s},         {u"Gulim"_s, u"NanumGothic"_s},
        {u"Arial"_s, u"Liberation Sans"_s},    {u"MS Sans Serif"_s, u"Liberation Sans"_s},
    };
    return table;
}

QString installedFamily(const QString& face)
{
    for (const auto& s : substitutions())
        if (face.compare(s.from, Qt::CaseInsensitive) == 0)
            return s.to;
    return face;
}

} // namespace

int Font::pixelHeight(int dpi) const
{
    if (height != 0)
        return std::abs(height);
    return int(std::lround(double(size) * dpi / 72.0));
}

QFont toQFont(const Font& font, int dpi)
{
    QFont f(installedFamily(text::fromCp949(font.name)));
    int pixels = font.pixelHeight(dpi);
    if (font.height > 0) {
        // A positive height is the whole cell (ascent + descent); scale the em size to fit it.
        QFont probe = f;
        probe.setPixelSize(100);
        const double cell = QFontMetricsF(probe).height();
        if (cell > 0)
            pixels = int(std::lround(font.height * 100.0 / cell));
    }
    f.setPixelSize(std::max(1, pixels));
    f.setBold(font.bold);
    f.setItalic(font.italic);
    f.setUnderline(font.underline);
    f.setStrikeOut(font.strikeOut);
    if (font.pitch == Pitch::Fixed)
        f.setFixedPitch(true);
    // Metrics must not depend on the screen's hinting, so measuring and drawing agree.
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::StyleStrategy(QFont::PreferAntialias));
    return f;
}

std::optional<QFont> plainZeroFont(const QFont& face)
{
    // A dotted zero reads oddly among the figures of a tax document; the proportional twin of
    // the fixed-pitch face draws a plain one of the same height.
    if (face.family() != u"NanumGothicCoding"_s)
        return std::nullopt;
    QFont zero = face;
    zero.setFamily(u"NanumGothic"_s);
    return zero;
}

void InstallFontSubstitutions()
{
    for (const auto& s : substitutions())
        QFont::insertSubstitution(s.from, s.to);
}

} // namespace gfx
