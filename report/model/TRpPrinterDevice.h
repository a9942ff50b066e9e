#pragma once

#include "gfx/Canvas.h"

#include <string>
#include <vector>

namespace report {

// What a printer driver reports about the selected printer: its resolution, the page it
// prints on and which device-mode fields it honours.
struct PrinterDeviceInfo
{
    std::string deviceName;
    std::string driverName;
    std::string portName;
    int dpiX = 600;
    int dpiY = 600;
    // Unprintable left and top margins and the physical paper, in device pixels.
    int physicalOffsetX = 0;
    int physicalOffsetY = 0;
    int physicalWidth = 0;
    int physicalHeight = 0;
    // Device-mode fields and whether the driver supports each.
    int paperCode = 0;
    bool supportsPaperSize = false;
    bool supportsPaperDimensions = false;
    int copies = 1;
    bool supportsCopies = false;
    int defaultSource = 0;
    bool supportsSource = false;
    bool simplex = true;
    bool supportsDuplex = false;
    bool supportsOrientation = false;
    std::vector<int> paperCodes; // the driver's list of papers
};

// The device-mode fields the report printer sets before a print job.
struct PrinterDeviceMode
{
    int paperCode = 0;        // 0: leave the driver's paper
    int paperWidthNative = 0; // user-defined paper, tenths of a millimetre; 0: not set
    int paperLengthNative = 0;
    int copies = 1;
    int defaultSource = 0;
    int duplex = 0;      // 0: leave; 3: horizontal
    int orientation = 1; // 1 portrait, 2 landscape
};

// A platform printer as the report printer drives it. The report engine draws on the canvas
// it hands out; everything behind it (spooler, driver, dialogs) belongs to the platform.
class TRpPrinterDevice
{
public:
    virtual ~TRpPrinterDevice() = default;

    // The installed printers and the selected one (-1: the system's default printer).
    virtual int printerCount() const = 0;
    virtual int printerIndex() const = 0;
    virtual void setPrinterIndex(int index) = 0;
    // Forgets driver settings made for the selected printer.
    virtual void resetDriverSettings() = 0;

    virtual PrinterDeviceInfo info() const = 0;
    virtual void applyDeviceMode(const PrinterDeviceMode& mode) = 0;

    // A document: its first page is begun with it; newPage ends one page and begins the
    // next; the canvas stays valid until the document ends.
    virtual gfx::Canvas& beginDocument(const std::string& title) = 0;
    virtual void newPage() = 0;
    virtual void endDocument() = 0;
    virtual void abortDocument() = 0;
};

} // namespace report
