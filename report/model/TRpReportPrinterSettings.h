#pragma once

#include "report/model/Paper.h"

#include <string>

namespace report {

// Paper sources of the printer.
enum class TRpBin {
    First,
    Upper,
    Lower,
    Middle,
    Manual,
    Envelope,
    EnvManual,
    Auto,
    Tractor,
    SmallFormat,
    LargeFormat,
    LargeCapacity,
    Cassette,
    Last,
};

// The driver's paper-source code of a bin.
int binSourceCode(TRpBin bin);
// The first bin whose code is `code`; First when none has it.
TRpBin binFromSourceCode(int code);

// The print settings stored with a report.
struct TRpReportPrinterSettings
{
    int copies = 1;
    bool duplex = false;
    int firstPage = 0; // 0: unbounded
    int lastPage = 0;
    TRpBin outputBin = TRpBin::Auto;
    TRpPaperSize paperSize = TRpPaperSize::Letter; // kept with the settings, not used to print
    std::string title;
    int deviceIndex = -1; // index into the installed printers; -1 is the default printer
};

} // namespace report
