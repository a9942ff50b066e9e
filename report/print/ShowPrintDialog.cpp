#include "report/print/ShowPrintDialog.h"

#include "report/model/TRpReport.h"
#include "report/print/PlatformPrinter.h"

#include <QPrintDialog>

namespace report {

namespace {

constexpr int cancelledTag = 1;
constexpr int confirmedTag = 0;

} // namespace

int ShowPrintDialog(TRpReport& report, QWidget* parent)
{
    PlatformPrinter& platform = PlatformPrinter::instance();
    platform.resetDriverSettings();
    platform.setPrinterIndex(report.printerSettings.deviceIndex);
    QPrinter& printer = platform.printer();

    // The dialog reads the printer's settings when it is made.
    printer.setPageOrientation(report.page().orientation() == poLandscape ? QPageLayout::Landscape
                                                                          : QPageLayout::Portrait);
    printer.setCopyCount(report.printerSettings.copies);

    QPrintDialog dialog(&printer, parent);
    const TRpPrinter* pages = report.RpPrinter();
    if (pages && pages->jobState() == jsFinished) {
        dialog.setMinMax(1, pages->PageTotal());
        dialog.setFromTo(1, pages->PageTotal());
    } else {
        dialog.setMinMax(0, printDialogMaxPage);
    }
    dialog.setOptions(QAbstractPrintDialog::PrintPageRange);

    if (dialog.exec() != QDialog::Accepted)
        return cancelledTag;

    report.printerSettings.copies = printer.copyCount();
    report.printerSettings.deviceIndex = platform.printerIndex();
    report.page().setOrientation(
        printer.pageLayout().orientation() == QPageLayout::Landscape ? poLandscape : poPortrait);
    if (dialog.printRange() == QAbstractPrintDialog::PageRange) {
        report.printerSettings.firstPage = dialog.fromPage();
        report.printerSettings.lastPage = dialog.toPage();
    } else {
        report.printerSettings.firstPage = 0;
        report.printerSettings.lastPage = 0;
    }
    return confirmedTag;
}

} // namespace report
