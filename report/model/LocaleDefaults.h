#pragma once

#include "report/model/Paper.h"
#include "report/model/Units.h"

namespace report {

// Defaults that follow the user's measurement system: inches, half-inch margins and Letter
// paper in the US system, millimetres, 10 mm margins and A4 otherwise.
bool usesUsMeasurement();
TRpUnit defaultUnits();
long double defaultMarginNative();
TRpPaperSize defaultPaperSize();

} // namespace report
