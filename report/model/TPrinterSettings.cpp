#include "report/model/TPrinterSettings.h"

#include "report/model/Rounding.h"
#include "report/model/Units.h"

#include <algorithm>

namespace report {

namespace {

int nativeOfDevicePixels(int pixels, int dpi)
{
    return dpi > 0 ? Round(pixels / (long double)dpi * nativePerInch) : 0;
}

// Keeps the driver's own flag in the paper-source field.
constexpr int sourceDriverFlag = 256;
constexpr int duplexHorizontal = 3;
constexpr int orientationPortrait = 1;
constexpr int orientationLandscape = 2;

} // namespace

void TPrinterSettings::attach(TRpPrinterDevice* device)
{
    m_device = device;
    if (m_device)
        readFromDevice();
}

void TPrinterSettings::readFromDevice()
{
    if (!m_device)
        return;
    m_info = m_device->info();
    if (m_info.driverName.size() > maxDriverNameBytes)
        m_info.driverName.resize(maxDriverNameBytes);
    m_copies = m_info.supportsCopies ? m_info.copies : 1;
    m_outputBin = m_info.supportsSource ? binFromSourceCode(m_info.defaultSource) : TRpBin::First;
    m_duplex = m_info.supportsDuplex && !m_info.simplex;
    m_leftOffset = nativeOfDevicePixels(m_info.physicalOffsetX, m_info.dpiX);
    m_topOffset = nativeOfDevicePixels(m_info.physicalOffsetY, m_info.dpiY);
    m_paperSize =
        m_info.supportsPaperSize ? paperFromCode(m_info.paperCode) : TRpPaperSize::Default;
    m_physicalWidth = nativeOfDevicePixels(m_info.physicalWidth, m_info.dpiX);
    m_physicalLength = nativeOfDevicePixels(m_info.physicalHeight, m_info.dpiY);
    m_supported.fill(false);
    for (int code : m_info.paperCodes) {
        const TRpPaperSize paper = paperFromCode(code);
        if (paperCode(paper) == code)
            m_supported[size_t(paper)] = true;
    }
    m_supported[size_t(TRpPaperSize::Custom)] = true;
}

PrinterDeviceMode TPrinterSettings::deviceMode() const
{
    PrinterDeviceMode mode;
    if (m_paperSize == TRpPaperSize::Custom && m_info.supportsPaperDimensions) {
        mode.paperWidthNative = m_physicalWidth;
        mode.paperLengthNative = m_physicalLength;
    }
    if (m_duplex)
        mode.duplex = duplexHorizontal;
    if (m_info.supportsPaperSize && m_paperSize != TRpPaperSize::Default)
        mode.paperCode = paperCode(m_paperSize);
    mode.copies = m_copies;
    mode.defaultSource = (m_info.defaultSource & sourceDriverFlag) | binSourceCode(m_outputBin);
    mode.orientation = m_orientation == poLandscape ? orientationLandscape : orientationPortrait;
    return mode;
}

void TPrinterSettings::setCopies(int copies)
{
    if (!attached() || m_info.supportsCopies)
        m_copies = copies;
}

void TPrinterSettings::setOutputBin(TRpBin bin)
{
    if (!attached() || m_info.supportsSource)
        m_outputBin = bin;
}

void TPrinterSettings::setOrientation(TPrinterOrientation orientation)
{
    if (!attached() || m_info.supportsOrientation)
        m_orientation = orientation;
}

bool TPrinterSettings::supportsPaper(TRpPaperSize paper) const
{
    if (!attached() || paper == TRpPaperSize::Default)
        return true;
    const auto index = size_t(paper);
    return index < m_supported.size() && m_supported[index];
}

void TPrinterSettings::setPaperSize(TRpPaperSize paper)
{
    if (supportsPaper(paper))
        m_paperSize = paper;
}

int TPrinterSettings::paperWidth() const
{
    const PaperDimensions d = paperDimensions(m_paperSize);
    return d.known ? Round(d.widthMM * nativePerMM) : m_physicalWidth;
}

int TPrinterSettings::paperLength() const
{
    const PaperDimensions d = paperDimensions(m_paperSize);
    return d.known ? Round(d.lengthMM * nativePerMM) : m_physicalLength;
}

void TPrinterSettings::setPaperWidth(int native)
{
    if (m_paperSize == TRpPaperSize::Custom)
        m_physicalWidth = native;
}

void TPrinterSettings::setPaperLength(int native)
{
    if (m_paperSize == TRpPaperSize::Custom)
        m_physicalLength = native;
}

} // namespace report
