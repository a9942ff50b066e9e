#include "report/print/PrintReport.h"

#include "report/model/TRpReport.h"
#include "report/print/InstalledPrinters.h"
#include "report/print/TRpProgressForm.h"

namespace report {

void PrintReport(TRpReport& report)
{
    // Checked first, so that no progress window flashes up for a job that cannot start.
    if (!report.idle() || installedPrinters().isEmpty())
        return;
    TRpProgressForm progress;
    if (report.showProgress)
        progress.show();
    report.PrintReport(&progress);
}

} // namespace report
