// Every Google Benchmark program runs inside a QApplication on the offscreen platform with the
// Fusion style and its standard palette, as the tests do, so that figures compare across runs.
#include "gfx/Font.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>
#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(u"Fusion"_s));
    QApplication::setPalette(QApplication::style()->standardPalette());
    gfx::InstallFontSubstitutions();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
