#pragma once

#include "report/model/TRpPrinterListener.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace report {

// The window shown while a report prints: how far the job has come, and a button that asks
// the report printer to cancel.
class TRpProgressForm : public QDialog, public TRpPrinterListener
{
    Q_OBJECT

public:
    // The window's fixed client size, pixels.
    static constexpr int clientWidth = 149;
    static constexpr int clientHeight = 97;
    // Only every fifth percent is shown, so a long job does not repaint for every record.
    static constexpr int percentStep = 5;

    explicit TRpProgressForm(QWidget* parent = nullptr);
    ~TRpProgressForm() override;

    // The printer whose job this window follows; notifications from a printer set it too.
    void setPrinter(TRpPrinter* printer) { m_printer = printer; }
    TRpPrinter* printer() const { return m_printer; }

    QProgressBar* Gauge = nullptr;
    QLabel* Info = nullptr;
    QPushButton* CancelButton = nullptr;

    void printerProgress(TRpPrinter& printer, int percent) override;
    void printerPageAvailable(TRpPrinter& printer, int pagesAvailable) override;
    void printerDetached(TRpPrinter& printer) override;

private:
    void CancelButtonClick();

    TRpPrinter* m_printer = nullptr;
};

} // namespace report
