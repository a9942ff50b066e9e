#pragma once

class QWidget;

namespace report {

class TRpReport;

// The highest page number the dialog offers when the report's pages are not known yet.
constexpr int printDialogMaxPage = 9999;

// The print dialog of a report, on the platform's printer object (PlatformPrinter), which
// keeps the printer, orientation and copies chosen. When the user confirms, the report's
// printer settings take the copies, the printer and the page range (0 to 0 for all pages)
// and its page the orientation. Returns the report's tag: 1 when the dialog was cancelled
// (nothing changes), 0 otherwise.
int ShowPrintDialog(TRpReport& report, QWidget* parent = nullptr);

} // namespace report
