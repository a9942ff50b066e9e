#include "report/preview/PrinterPages.h"

#include "report/model/TRpPrinter.h"

namespace report {

int PrinterPages::PageTotal() const
{
    return m_printer.PageTotal();
}

std::optional<std::string> PrinterPages::PageImage(int n) const
{
    return m_printer.PageImage(n);
}

int PrinterPages::PaperWidthNative() const
{
    return m_printer.PaperWidthNative();
}

int PrinterPages::PaperLengthNative() const
{
    return m_printer.PaperLengthNative();
}

int PrinterPages::DeviceWidth(long double w) const
{
    return m_printer.DeviceWidth(w);
}

int PrinterPages::DeviceHeight(long double h) const
{
    return m_printer.DeviceHeight(h);
}

} // namespace report
