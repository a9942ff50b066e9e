#include "report/model/TRpPrinter.h"

#include "report/model/ERpError.h"
#include "report/model/Rounding.h"
#include "report/model/TRpPrinterListener.h"
#include "report/model/Units.h"
#include "report/store/TRpPageList.h"
#include "report/store/TRpStream.h"

#include <QCoreApplication>
#include <QPointer>
#include <utility>

namespace report {

TRpPrinter::TRpPrinter(std::unique_ptr<TRpPrinterDevice> device) : m_device(std::move(device))
{
    m_hasPrinters = m_device && m_device->printerCount() > 0;
    if (m_hasPrinters)
        m_settings.attach(m_device.get());
}

TRpPrinter::~TRpPrinter()
{
    // A busy job is dropped here rather than aborted: its pages go with the store anyway, and
    // storing the open page could fail and throw out of a destructor.
    if (m_jobState == jsBusy) {
        m_cancelRequested = true;
        abandonJob();
    }
    if (m_listener)
        m_listener->printerDetached(*this);
    setListener(nullptr);
}

void TRpPrinter::setListener(TRpPrinterListener* listener)
{
    if (m_listener)
        m_listener->m_followed.erase(this);
    m_listener = listener;
    if (m_listener)
        m_listener->m_followed.insert(this);
}

TRpPrinterListener::~TRpPrinterListener()
{
    for (TRpPrinter* printer : m_followed)
        printer->m_listener = nullptr;
}

void TRpPrinter::BeginJob()
{
    // Checked before anything changes, so a busy job keeps its open page.
    if (m_jobState != jsReady)
        throw ERpError("RpPrinter not ready");
    m_picture.reset();
    m_canvas = nullptr;
    m_pagesAvailable = 0;
    m_cancelRequested = false;
    if (m_outputTarget == ToPrinter) {
        if (!m_hasPrinters)
            throw ERpError("RpPrinter not ready");
        m_device->applyDeviceMode(m_settings.deviceMode());
        m_leftUnprintable = m_settings.leftOffset();
        m_topUnprintable = m_settings.topOffset();
    } else {
        m_leftUnprintable = 0;
        m_topUnprintable = 0;
    }
    m_pageIndex = 0;
    m_pageTotal = 0;
    m_jobState = jsBusy;
    m_documentBegun = false;
    if (m_outputTarget == ToPageStore) {
        m_pageStore = std::make_unique<TRpPageList>();
        m_pageStore->SetStream(std::make_unique<TRpStream>(pageStoreSpillThresholdBytes));
        m_pageStore->SetCompressed(compressed);
        useScreenScales();
    } else {
        m_xScale = m_settings.dpiX() / nativePerInch;
        m_yScale = m_settings.dpiY() / nativePerInch;
    }
}

void TRpPrinter::useScreenScales()
{
    m_xScale = gfx::ScreenDpi / nativePerInch;
    m_yScale = gfx::ScreenDpi / nativePerInch;
}

void TRpPrinter::StartNewPage()
{
    if (m_jobState != jsBusy)
        throw ERpError("Illegal call to NewPage");
    if (m_pageIndex > 0)
        finishPage();
    ++m_pageTotal;
    ++m_pageIndex;
    openPage();
}

bool TRpPrinter::PageInRange(int page) const
{
    return (m_rangeFirst <= 0 || page >= m_rangeFirst) && (m_rangeLast <= 0 || m_rangeLast >= page);
}

void TRpPrinter::finishPage()
{
    if (m_outputTarget == ToPageStore) {
        storeOpenPicture();
    } else if (PageInRange(m_pageTotal)) {
        // The range's last page stays open until the document ends.
        if (m_pageTotal != m_rangeLast)
            m_device->newPage();
    } else {
        m_picture.reset();
        m_canvas = nullptr;
    }
    ++m_pagesAvailable;
    postPageAvailable();
}

void TRpPrinter::openPage()
{
    if (m_outputTarget == ToPrinter && PageInRange(m_pageTotal)) {
        if (!m_documentBegun) {
            m_canvas = &m_device->beginDocument(jobTitle);
            m_documentBegun = true;
        }
        m_picture.reset();
        m_xScale = m_settings.dpiX() / nativePerInch;
        m_yScale = m_settings.dpiY() / nativePerInch;
        return;
    }
    useScreenScales();
    const int width = DeviceWidth(PaperWidthNative());
    const int height = DeviceHeight(PaperLengthNative());
    // Pages outside the printed range are drawn into a picture too, and dropped.
    m_picture = std::make_unique<gfx::EmfCanvas>(width, height, gfx::ScreenDpi);
    m_canvas = m_picture.get();
}

void TRpPrinter::storeOpenPicture()
{
    if (!m_picture)
        return;
    // Taken out first: a page that fails to be stored is dropped, never stored a second time.
    const std::unique_ptr<gfx::EmfCanvas> picture = std::move(m_picture);
    m_canvas = nullptr;
    m_pageStore->AppendPage(picture->finishedBlocks());
}

void TRpPrinter::abandonJob() noexcept
{
    if (m_documentBegun) {
        m_documentBegun = false;
        try {
            m_device->abortDocument();
        } catch (...) {
            // The document is given up either way; the failure that led here is the one told.
        }
    }
    m_picture.reset();
    m_canvas = nullptr;
    m_jobState = jsFinished;
}

void TRpPrinter::EndJob()
{
    if (m_jobState != jsBusy)
        return;
    // A job whose end fails is over all the same: the printer never stays busy.
    try {
        if (m_outputTarget == ToPrinter) {
            // Ending is tried once; a document whose end failed is not aborted as well.
            if (std::exchange(m_documentBegun, false))
                m_device->endDocument();
        } else if (m_pageTotal > 0) {
            storeOpenPicture();
        }
    } catch (...) {
        abandonJob();
        throw;
    }
    abandonJob();
    QCoreApplication::processEvents();
    ++m_pagesAvailable;
    postPageAvailable();
    if (m_outputTarget == ToPageStore) {
        m_pageStore->WriteHeader();
    } else if (afterPrint) {
        afterPrint();
    }
}

void TRpPrinter::AbortJob()
{
    try {
        if (m_outputTarget == ToPrinter) {
            if (std::exchange(m_documentBegun, false))
                m_device->abortDocument();
        } else if (m_picture && m_pageStore) {
            storeOpenPicture();
        }
    } catch (...) {
        abandonJob();
        throw;
    }
    abandonJob();
}

void TRpPrinter::RequestCancel()
{
    m_cancelRequested = true;
}

gfx::Canvas& TRpPrinter::PageCanvas()
{
    if (!m_canvas)
        throw ERpError("RpPrinter not ready");
    return *m_canvas;
}

int TRpPrinter::DeviceX(long double x) const
{
    return Round((x - m_leftUnprintable) * m_xScale);
}

int TRpPrinter::DeviceY(long double y) const
{
    return Round((y - m_topUnprintable) * m_yScale);
}

int TRpPrinter::DeviceWidth(long double w) const
{
    return Round(w * m_xScale);
}

int TRpPrinter::DeviceHeight(long double h) const
{
    return Round(h * m_yScale);
}

int TRpPrinter::PaperWidthNative() const
{
    return m_settings.orientation() == poLandscape ? m_settings.paperLength()
                                                   : m_settings.paperWidth();
}

int TRpPrinter::PaperLengthNative() const
{
    return m_settings.orientation() == poLandscape ? m_settings.paperWidth()
                                                   : m_settings.paperLength();
}

void TRpPrinter::setPrinterIndex(int index)
{
    if (!m_hasPrinters)
        return;
    m_device->setPrinterIndex(index);
    m_device->resetDriverSettings();
    m_settings.readFromDevice();
}

void TRpPrinter::setPageRange(int first, int last)
{
    m_rangeFirst = first;
    m_rangeLast = last;
}

void TRpPrinter::postProgress(int percent)
{
    progressPercent = percent;
    QMetaObject::invokeMethod(
        this,
        [this, percent] {
            if (m_listener)
                m_listener->printerProgress(*this, percent);
        },
        Qt::QueuedConnection);
}

void TRpPrinter::postPageAvailable()
{
    const int pages = m_pagesAvailable;
    QMetaObject::invokeMethod(
        this,
        [this, pages] {
            if (m_listener)
                m_listener->printerPageAvailable(*this, pages);
        },
        Qt::QueuedConnection);
}

void TRpPrinter::setInPreview(bool inPreview)
{
    m_inPreview = inPreview;
    if (inPreview)
        return;
    if (m_jobState == jsBusy)
        RequestCancel();
    if (afterPreview)
        afterPreview();
}

std::optional<std::string> TRpPrinter::PageImage(int n) const
{
    if ((m_jobState != jsBusy && m_jobState != jsFinished) || n < 1 || n > m_pageTotal ||
        !m_pageStore)
        return std::nullopt;
    return m_pageStore->LoadPage(n);
}

void TRpPrinter::SaveReportFile(const QString& fileName)
{
    if (m_jobState != jsFinished || !m_pageStore)
        return;
    m_pageStore->WriteToFile(fileName);
}

} // namespace report
