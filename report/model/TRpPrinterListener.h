#pragma once

#include <set>

namespace report {

class TRpPrinter;

// The control that follows a report printer's job (a preview or a progress window). The
// printer posts its notifications, so they arrive after the current step of the job.
class TRpPrinterListener
{
public:
    // A listener that goes first is forgotten by every printer that still names it, so a
    // notification posted before cannot reach it.
    virtual ~TRpPrinterListener();
    virtual void printerProgress(TRpPrinter& printer, int percent) = 0;
    virtual void printerPageAvailable(TRpPrinter& printer, int pagesAvailable) = 0;
    // The printer goes away; the listener must forget it.
    virtual void printerDetached(TRpPrinter& printer) = 0;

private:
    friend class TRpPrinter;
    std::set<TRpPrinter*> m_followed; // printers whose listener this is
};

} // namespace report
