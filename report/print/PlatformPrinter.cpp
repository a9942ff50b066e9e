#include "report/print/PlatformPrinter.h"

#include "report/print/InstalledPrinters.h"

#include <QCoreApplication>

namespace report {

namespace {

PlatformPrinter* theInstance = nullptr;

void dropInstance()
{
    delete theInstance;
    theInstance = nullptr;
}

} // namespace

PlatformPrinter& PlatformPrinter::instance()
{
    if (!theInstance) {
        theInstance = new PlatformPrinter;
        // Printer objects must go while the application and its print plugin are still there.
        qAddPostRoutine(dropInstance);
    }
    return *theInstance;
}

PlatformPrinter::PlatformPrinter()
{
    setPrinterIndex(-1);
}

int PlatformPrinter::printerIndex() const
{
    return printerIndexOf(installedPrinters(), m_printer->printerName());
}

void PlatformPrinter::setPrinterIndex(int index)
{
    const QList<QPrinterInfo> printers = installedPrinters();
    if (index == -1)
        index = defaultPrinterIndex(printers);
    if (index >= 0 && index < printers.size()) {
        // Selecting the printer already selected keeps its settings.
        if (!m_printer || m_printer->printerName() != printers[index].printerName())
            select(printers[index].printerName());
    } else if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    }
}

void PlatformPrinter::resetDriverSettings()
{
    select(m_printer->printerName());
}

void PlatformPrinter::select(const QString& printerName)
{
    m_printer = std::make_unique<QPrinter>(QPrinterInfo::printerInfo(printerName),
                                           QPrinter::HighResolution);
}

} // namespace report
