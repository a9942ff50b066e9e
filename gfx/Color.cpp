#include "gfx/Color.h"

#include <QGuiApplication>
#include <QPalette>

namespace gfx {

namespace {

QColor systemColor(int index)
{
    const QPalette palette = QGuiApplication::palette();
    switch (index) {
    case 0:  // scroll bar
    case 15: // button face
        return palette.color(QPalette::Active, QPalette::Button);
    case 1: // desktop
    case 2: // active caption
    case 13:
        return palette.color(QPalette::Active, QPalette::Highlight);
    case 5:
        return palette.color(QPalette::Active, QPalette::Base);
    case 6:
    case 21:
        return palette.color(QPalette::Active, QPalette::Shadow);
    case 8:
        return palette.color(QPalette::Active, QPalette::Text);
    case 14:
        return palette.color(QPalette::Active, QPalette::HighlightedText);
    case 16:
        return palette.color(QPalette::Active, QPalette::Dark);
    case 17:
        return palette.color(QPalette::Disabled, QPalette::Text);
    case 18:
        return palette.color(QPalette::Active, QPalette::ButtonText);
    case 20:
        return palette.color(QPalette::Active, QPalette::Light);
    case 22:
        return palette.color(QPalette::Active, QPalette::Midlight);
    case 23:
        return palette.color(QPalette::Active, QPalette::ToolTipText);
    case 24:
        return palette.color(QPalette::Active, QPalette::ToolTipBase);
    default:
        return palette.color(QPalette::Active, QPalette::Window);
    }
}

} // namespace

QColor toQColor(Color c)
{
    if (c == clNone || c == clDefault)
        return QColor(0, 0, 0);
    if (isSystemColor(c))
        return systemColor(int(c & 0xFF));
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

Color fromQColor(const QColor& c)
{
    return RGB(c.red(), c.green(), c.blue());
}

Color ColorToRGB(Color c)
{
    return fromQColor(toQColor(c));
}

} // namespace gfx
