#pragma once

#include "report/model/Paper.h"
#include "report/model/TRpPrinterDevice.h"
#include "report/model/TRpReportPrinterSettings.h"

#include <array>
#include <string>

namespace report {

// The settings of a report printer's device: read from the driver, changed within what the
// driver supports, and turned into its device mode for a print job. Settings that no device
// is attached to accept every value, so pages drawn without any printer take the report's
// own paper and orientation.
class TPrinterSettings
{
public:
    // Device names longer than this are cut.
    static constexpr size_t maxDriverNameBytes = 63;

    // Attaches to `device` and reads its settings; none detaches.
    void attach(TRpPrinterDevice* device);
    bool attached() const { return m_device != nullptr; }
    // Reads the attached device's settings again (after a change of printer).
    void readFromDevice();
    // The device mode for a print job, from the device's current one.
    PrinterDeviceMode deviceMode() const;

    const std::string& deviceName() const { return m_info.deviceName; }
    const std::string& driverName() const { return m_info.driverName; }
    const std::string& portName() const { return m_info.portName; }
    int dpiX() const { return m_info.dpiX; }
    int dpiY() const { return m_info.dpiY; }
    // The unprintable left and top margins, native.
    int leftOffset() const { return m_leftOffset; }
    int topOffset() const { return m_topOffset; }

    int copies() const { return m_copies; }
    void setCopies(int copies);
    bool duplex() const { return m_duplex; }
    TRpBin outputBin() const { return m_outputBin; }
    void setOutputBin(TRpBin bin);
    TPrinterOrientation orientation() const { return m_orientation; }
    void setOrientation(TPrinterOrientation orientation);
    TRpPaperSize paperSize() const { return m_paperSize; }
    // Only to a paper the driver supports; Default always.
    void setPaperSize(TRpPaperSize paper);
    bool supportsPaper(TRpPaperSize paper) const;

    // Portrait paper dimensions, native: the paper table's for a known paper, the physical (or
    // set) ones for Default and Custom.
    int paperWidth() const;
    int paperLength() const;
    // Only while the paper is Custom.
    void setPaperWidth(int native);
    void setPaperLength(int native);

private:
    static constexpr size_t paperCount = size_t(TRpPaperSize::Custom) + 1;

    TRpPrinterDevice* m_device = nullptr;
    PrinterDeviceInfo m_info;
    int m_leftOffset = 0;
    int m_topOffset = 0;
    int m_copies = 1;
    bool m_duplex = false;
    TRpBin m_outputBin = TRpBin::First;
    TPrinterOrientation m_orientation = poPortrait;
    TRpPaperSize m_paperSize = TRpPaperSize::A4;
    int m_physicalWidth = 2100;
    int m_physicalLength = 2970;
    std::array<bool, paperCount> m_supported{};
};

} // namespace report
