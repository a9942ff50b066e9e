#include "report/print/QtPrinterDevice.h"

#include "gfx/QtCanvas.h"
#include "report/model/ERpError.h"
#include "report/model/Paper.h"
#include "report/print/DeviceModeCodes.h"
#include "report/print/InstalledPrinters.h"
#include "report/print/PlatformPrinter.h"
#include "text/Cp949.h"

#include <QPainter>
#include <QPicture>
#include <QPrinter>

namespace report {

namespace {

constexpr qreal millimetresPerNative = 0.1;

} // namespace

QtPrinterDevice::QtPrinterDevice(int index) : m_printers(installedPrinters())
{
    selectPrinter(index);
}

QtPrinterDevice::~QtPrinterDevice()
{
    abortDocument();
}

const QPrinterInfo& QtPrinterDevice::printerInfo() const
{
    static const QPrinterInfo none;
    return m_index >= 0 ? m_printers[m_index] : none;
}

void QtPrinterDevice::selectPrinter(int index)
{
    if (index == -1)
        index = defaultPrinterIndex(m_printers);
    if (index < 0 || index >= m_printers.size()) {
        if (!m_printer)
            m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        return;
    }
    m_index = index;
    m_printer = std::make_unique<QPrinter>(m_printers[index], QPrinter::HighResolution);
    useMinimumMargins();
}

void QtPrinterDevice::setPrinterIndex(int index)
{
    if (m_inDocument)
        return; // a document is being printed on the selected printer
    if (index == -1 || (index >= 0 && index < m_printers.size()))
        selectPrinter(index);
}

void QtPrinterDevice::resetDriverSettings()
{
    if (!m_inDocument)
        selectPrinter(m_index);
}

void QtPrinterDevice::useMinimumMargins()
{
    // The canvas starts at the printable area, as a driver's device context does.
    m_printer->setFullPage(false);
    QPageLayout layout = m_printer->pageLayout();
    m_printer->setPageMargins(layout.minimumMargins(), layout.units());
}

PrinterDeviceInfo QtPrinterDevice::info() const
{
    PrinterDeviceInfo info;
    const QPrinterInfo& printer = printerInfo();
    info.deviceName = text::toCp949(printer.printerName());
    info.driverName = text::toCp949(printer.makeAndModel());
    info.portName = text::toCp949(printer.location());
    info.dpiX = m_printer->logicalDpiX();
    info.dpiY = m_printer->logicalDpiY();

    // The margins are kept at the driver's minimum, so the paint rectangle is the printable area.
    const QPageLayout layout = m_printer->pageLayout();
    const QRect paper = layout.fullRectPixels(info.dpiX);
    const QRect printable = layout.paintRectPixels(info.dpiX);
    info.physicalOffsetX = printable.left() - paper.left();
    info.physicalOffsetY = printable.top() - paper.top();
    info.physicalWidth = paper.width();
    info.physicalHeight = paper.height();

    info.paperCode = paperCodeOfPageSize(layout.pageSize());
    info.supportsPaperSize = !printer.isNull();
    info.supportsPaperDimensions = printer.supportsCustomPageSizes();
    for (const QPageSize& size : printer.supportedPageSizes()) {
        const int code = paperCodeOfPageSize(size);
        if (code > 0 && code != userDefinedPaperCode)
            info.paperCodes.push_back(code);
    }

    info.copies = m_printer->copyCount();
    info.supportsCopies = m_printer->supportsMultipleCopies();
    info.defaultSource = sourceCodeOfPaperSource(m_printer->paperSource());
    info.supportsSource = false;
    info.simplex = m_printer->duplex() == QPrinter::DuplexNone;
    for (QPrinter::DuplexMode mode : printer.supportedDuplexModes()) {
        if (mode != QPrinter::DuplexNone && mode != QPrinter::DuplexAuto)
            info.supportsDuplex = true;
    }
    info.supportsOrientation = !printer.isNull();
    return info;
}

void QtPrinterDevice::applyDeviceMode(const PrinterDeviceMode& mode)
{
    if (m_inDocument)
        return;
    if (mode.paperWidthNative > 0 && mode.paperLengthNative > 0 &&
        printerInfo().supportsCustomPageSizes()) {
        m_printer->setPageSize(QPageSize(QSizeF(mode.paperWidthNative * millimetresPerNative,
                                                mode.paperLengthNative * millimetresPerNative),
                                         QPageSize::Millimeter));
    } else if (const QPageSize size = pageSizeOfPaperCode(mode.paperCode); size.isValid()) {
        m_printer->setPageSize(size);
    }
    if (mode.duplex == duplexHorizontal)
        m_printer->setDuplex(QPrinter::DuplexShortSide);
    if (mode.copies > 0)
        m_printer->setCopyCount(mode.copies);
    // The driver's own flag in the source field has no meaning here.
    m_printer->setPaperSource(paperSourceOfSourceCode(mode.defaultSource & 0xFF));
    m_printer->setPageOrientation(mode.orientation == orientationLandscape ? QPageLayout::Landscape
                                                                           : QPageLayout::Portrait);
    useMinimumMargins();
}

gfx::Canvas& QtPrinterDevice::beginDocument(const std::string& title)
{
    if (m_inDocument)
        throw ERpError("RpPrinter not ready");
    m_printer->setDocName(text::fromCp949(title));
    m_canvas = std::make_unique<ForwardingCanvas>(m_printer->logicalDpiY());
    m_inDocument = true;
    startPage();
    return *m_canvas;
}

void QtPrinterDevice::startPage()
{
    m_pages.push_back(std::make_unique<QPicture>());
    m_pagePainter = std::make_unique<QPainter>(m_pages.back().get());
    m_pageCanvas = std::make_unique<gfx::QtCanvas>(m_pagePainter.get(), m_printer->logicalDpiY());
    m_canvas->setTarget(m_pageCanvas.get());
}

void QtPrinterDevice::finishPage()
{
    m_canvas->setTarget(nullptr);
    m_pageCanvas.reset();
    if (m_pagePainter)
        m_pagePainter->end();
    m_pagePainter.reset();
}

void QtPrinterDevice::newPage()
{
    if (!m_inDocument)
        return;
    finishPage();
    startPage();
}

void QtPrinterDevice::endDocument()
{
    if (!m_inDocument)
        return;
    finishPage();
    m_inDocument = false;
    const std::vector<std::unique_ptr<QPicture>> pages = std::move(m_pages);
    m_pages.clear();
    QPainter painter;
    if (!painter.begin(m_printer.get()))
        throw ERpError("Printer selected is not valid");
    for (size_t i = 0; i < pages.size(); ++i) {
        if (i > 0)
            m_printer->newPage();
        // A picture plays itself scaled from its own resolution to the device's; it was
        // recorded in device pixels already.
        painter.save();
        painter.scale(qreal(pages[i]->logicalDpiX()) / m_printer->logicalDpiX(),
                      qreal(pages[i]->logicalDpiY()) / m_printer->logicalDpiY());
        painter.drawPicture(0, 0, *pages[i]);
        painter.restore();
    }
    // The spool file or the PDF is only written out here: a failure is the job's failure.
    if (!painter.end())
        throw ERpError("The print job could not be written");
}

void QtPrinterDevice::abortDocument()
{
    if (!m_inDocument)
        return;
    finishPage();
    m_inDocument = false;
    m_pages.clear();
}

std::unique_ptr<TRpPrinterDevice> newPrinterDevice()
{
    return std::make_unique<QtPrinterDevice>(PlatformPrinter::instance().printerIndex());
}

} // namespace report
