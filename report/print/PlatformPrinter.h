#pragma once

#include <QPrinter>
#include <memory>

namespace report {

// The process's own printer object: the printer chosen last, with the settings the print
// dialog left on it. New report printers start on the printer it has selected; the print
// dialog works on it, and its changes stay after the dialog closes.
class PlatformPrinter
{
public:
    // Made on first use; it goes with the application object.
    static PlatformPrinter& instance();

    QPrinter& printer() { return *m_printer; }
    // The selected printer's index among the installed ones; -1 when there is none.
    int printerIndex() const;
    // -1 selects the system's default printer; an index outside the list is ignored.
    void setPrinterIndex(int index);
    // The selected printer again, with its driver's default settings.
    void resetDriverSettings();

private:
    PlatformPrinter();
    void select(const QString& printerName);

    std::unique_ptr<QPrinter> m_printer;
};

} // namespace report
