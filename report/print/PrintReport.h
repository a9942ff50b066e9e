#pragma once

namespace report {

class TRpReport;

// Prints `report` straight to its printer with the progress window (shown when the report
// asks for it). Without any installed printer nothing happens.
void PrintReport(TRpReport& report);

} // namespace report
