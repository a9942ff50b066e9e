#include "report/model/LocaleDefaults.h"

#include <QLocale>

namespace report {

bool usesUsMeasurement()
{
    return QLocale().measurementSystem() == QLocale::ImperialUSSystem;
}

TRpUnit defaultUnits()
{
    return usesUsMeasurement() ? TRpUnit::Inches : TRpUnit::MM;
}

long double defaultMarginNative()
{
    // Half an inch, or 10 mm.
    return usesUsMeasurement() ? 127 : 100;
}

TRpPaperSize defaultPaperSize()
{
    return usesUsMeasurement() ? TRpPaperSize::Letter : TRpPaperSize::A4;
}

} // namespace report
