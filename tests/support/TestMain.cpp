// Every test program runs inside a QApplication on the offscreen platform with the Fusion
// style and its standard palette, so that system colours and pixels are stable.
#include "gfx/Font.h"

#include <QApplication>
#include <QLocale>
#include <QStyle>
#include <QStyleFactory>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(u"Fusion"_s));
    QApplication::setPalette(QApplication::style()->standardPalette());
    QLocale::setDefault(QLocale(QLocale::Korean, QLocale::SouthKorea));
    gfx::InstallFontSubstitutions();
    return RUN_ALL_TESTS();
}
