#pragma once

#include "gfx/RecordingCanvas.h"
#include "report/model/ERpError.h"
#include "report/model/TRpPrinterDevice.h"

#include <memory>
#include <string>
#include <vector>

namespace testsupport {

// A printer that keeps what each printed page drew: the device side of the report printer in
// tests, as the platform's printer will be in the program.
class RecordingDevice : public report::TRpPrinterDevice
{
public:
    struct Log
    {
        std::vector<std::vector<gfx::DrawCall>> pages; // finished device pages
        std::vector<std::string> events; // "begin <title>", "new page", "end", "abort"
        std::vector<report::PrinterDeviceMode> modes;
        bool failDocumentEnd = false; // the device refuses to end the document, as a spooler may
    };

    RecordingDevice(std::shared_ptr<Log> log, report::PrinterDeviceInfo info, int printers = 1)
        : m_log(std::move(log)), m_info(std::move(info)), m_canvas(m_info.dpiX),
          m_printers(printers)
    {
    }

    int printerCount() const override { return m_printers; }
    int printerIndex() const override { return m_index; }
    void setPrinterIndex(int index) override { m_index = index; }
    void resetDriverSettings() override {}
    report::PrinterDeviceInfo info() const override { return m_info; }
    void applyDeviceMode(const report::PrinterDeviceMode& mode) override
    {
        m_log->modes.push_back(mode);
    }

    gfx::Canvas& beginDocument(const std::string& title) override
    {
        m_log->events.push_back("begin " + title);
        m_canvas.clear();
        return m_canvas;
    }
    void newPage() override
    {
        m_log->events.push_back("new page");
        finishPage();
    }
    void endDocument() override
    {
        m_log->events.push_back("end");
        finishPage();
        if (m_log->failDocumentEnd)
            throw report::ERpError("Printer selected is not valid");
    }
    void abortDocument() override
    {
        m_log->events.push_back("abort");
        m_canvas.clear();
    }

private:
    void finishPage()
    {
        m_log->pages.push_back(m_canvas.calls());
        m_canvas.clear();
    }

    std::shared_ptr<Log> m_log;
    report::PrinterDeviceInfo m_info;
    gfx::RecordingCanvas m_canvas;
    int m_printers;
    int m_index = -1;
};

// A printer at the screen's resolution with no unprintable margins, so that it draws what the
// page store would.
inline report::PrinterDeviceInfo screenLikePrinter()
{
    report::PrinterDeviceInfo info;
    info.dpiX = info.dpiY = 96;
    info.physicalWidth = 794;
    info.physicalHeight = 1123;
    info.paperCode = 9;
    info.supportsPaperSize = true;
    info.supportsOrientation = true;
    info.supportsCopies = true;
    info.paperCodes = {1, 9};
    return info;
}

} // namespace testsupport
