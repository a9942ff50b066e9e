#pragma once

#include <QList>
#include <QPrinterInfo>
#include <QString>

namespace report {

// The printers installed on the platform, in the order the print system lists them; a
// printer index counts in this list.
QList<QPrinterInfo> installedPrinters();
// The index of the printer named `name` in `printers`, or -1.
int printerIndexOf(const QList<QPrinterInfo>& printers, const QString& name);
// The index that -1 stands for: the system's default printer, else the first one; -1 when
// there is none.
int defaultPrinterIndex(const QList<QPrinterInfo>& printers);

} // namespace report
