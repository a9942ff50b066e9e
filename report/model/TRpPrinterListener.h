#pragma once

namespace report {

class TRpPrinter;

// The control that follows a report printer's job (a preview or a progress window). The
// printer posts its notifications, so they arrive after the current step of the job.
class TRpPrinterListener
{
public:
    // Window message numbers of the notifications, as a listener on the platform receives them.
    static constexpr int progressMessage = 1024;
    static constexpr int pageAvailableMessage = 1025;

    virtual ~TRpPrinterListener() = default;
    virtual void printerProgress(TRpPrinter& printer, int percent) = 0;
    virtual void printerPageAvailable(TRpPrinter& printer, int pagesAvailable) = 0;
    // The printer goes away; the listener must forget it.
    virtual void printerDetached(TRpPrinter& printer) = 0;
};

} // namespace report
