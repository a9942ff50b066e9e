#pragma once

#include "report/model/TRpPrinterDevice.h"

#include "report/print/ForwardingCanvas.h"

#include <QList>
#include <QPrinterInfo>
#include <memory>
#include <vector>

class QPainter;
class QPicture;
class QPrinter;

namespace gfx {
class QtCanvas;
}

namespace report {

// A printer of the platform's print system (CUPS through Qt) as the report printer drives
// it. It keeps a printer object of its own, so a job's settings never leak into other
// printing; the list of installed printers is taken once, when the device is made.
//
// Resolution, offsets and paper are the driver's: the origin of the canvas is the corner of
// the printable area, its unit one device pixel. Qt lists no paper sources for these
// printers, so the source is reported as unsupported and kept only on the printer object.
//
// A document's pages are recorded as pictures at the printer's resolution and go to the
// print system together when the document ends: the print system offers no way to take back
// a job once it has been handed over, and this way an aborted document never reaches it.
class QtPrinterDevice : public TRpPrinterDevice
{
public:
    // Starts on the printer `index` of the installed ones (-1: the system's default).
    explicit QtPrinterDevice(int index = -1);
    ~QtPrinterDevice() override;
    QtPrinterDevice(const QtPrinterDevice&) = delete;
    QtPrinterDevice& operator=(const QtPrinterDevice&) = delete;

    int printerCount() const override { return int(m_printers.size()); }
    int printerIndex() const override { return m_index; }
    // -1 selects the system's default printer; an index outside the list is ignored.
    void setPrinterIndex(int index) override;
    void resetDriverSettings() override;

    PrinterDeviceInfo info() const override;
    void applyDeviceMode(const PrinterDeviceMode& mode) override;

    gfx::Canvas& beginDocument(const std::string& title) override;
    void newPage() override;
    void endDocument() override;
    void abortDocument() override;

    QPrinter& printer() { return *m_printer; }
    const QPrinterInfo& printerInfo() const;

private:
    void selectPrinter(int index);
    void useMinimumMargins();
    void startPage();
    void finishPage();

    QList<QPrinterInfo> m_printers;
    int m_index = -1;
    std::unique_ptr<QPrinter> m_printer;

    bool m_inDocument = false;
    std::vector<std::unique_ptr<QPicture>> m_pages;
    std::unique_ptr<QPainter> m_pagePainter;
    std::unique_ptr<gfx::QtCanvas> m_pageCanvas;
    std::unique_ptr<ForwardingCanvas> m_canvas; // the document's canvas, on the open page
};

// The device of a new report printer: the installed printer that the platform's printer
// object has selected (see PlatformPrinter).
std::unique_ptr<TRpPrinterDevice> newPrinterDevice();

} // namespace report
