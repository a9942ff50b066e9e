#include "report/print/InstalledPrinters.h"

namespace report {

QList<QPrinterInfo> installedPrinters()
{
    return QPrinterInfo::availablePrinters();
}

int printerIndexOf(const QList<QPrinterInfo>& printers, const QString& name)
{
    for (int i = 0; i < printers.size(); ++i) {
        if (printers[i].printerName() == name)
            return i;
    }
    return -1;
}

int defaultPrinterIndex(const QList<QPrinterInfo>& printers)
{
    for (int i = 0; i < printers.size(); ++i) {
        if (printers[i].isDefault())
            return i;
    }
    return printers.isEmpty() ? -1 : 0;
}

} // namespace report
