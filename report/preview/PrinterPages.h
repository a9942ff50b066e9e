#pragma once

#include "report/preview/PreviewPages.h"

namespace report {

class TRpPrinter;

// The pages of a report printer, read through it as it generates or after it has finished.
class PrinterPages : public PreviewPages
{
public:
    explicit PrinterPages(const TRpPrinter& printer) : m_printer(printer) {}

    int PageTotal() const override;
    std::optional<std::string> PageImage(int n) const override;
    int PaperWidthNative() const override;
    int PaperLengthNative() const override;
    int DeviceWidth(long double w) const override;
    int DeviceHeight(long double h) const override;

private:
    const TRpPrinter& m_printer;
};

} // namespace report
