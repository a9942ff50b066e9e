#include "report/preview/TRpPreview.h"

#include "report/model/Rounding.h"
#include "report/model/TRpPrinter.h"
#include "report/preview/PrinterPages.h"
#include "report/preview/TRpPreviewImage.h"

#include "text/Cp949.h"

#include <QMessageBox>
#include <QScrollBar>
#include <algorithm>

namespace report {

namespace {

// The page's border and shadow add this many pixels to each dimension of the image.
constexpr int frameExtent = 4;
// Without pages the image stands for a Letter sheet, its millimetres taken as pixels at 100 %.
constexpr long double emptyWidth = 215.9L;
constexpr long double emptyLength = 279.4L;
// Share of the control the page takes when fitted: 90 % of the width, 95 % of the whole.
constexpr long double widthFitPercent = 90;
constexpr long double emptyWidthFitPercent = 95;
constexpr long double fitPercent = 95;
// Scroll steps of the arrow buttons, pixels.
constexpr int scrollStep = 13;

} // namespace

TRpPreview::TRpPreview(QWidget* parent) : QAbstractScrollArea(parent)
{
    // A scroll box has the face colour of buttons, around the white sheet.
    viewport()->setBackgroundRole(QPalette::Button);
    m_image = new TRpPreviewImage(viewport());
    m_image->move(0, 0);
    horizontalScrollBar()->setTracking(true);
    verticalScrollBar()->setTracking(true);
    horizontalScrollBar()->setSingleStep(scrollStep);
    verticalScrollBar()->setSingleStep(scrollStep);
    resize(initialSize, initialSize);
    updateScrollBars();
}

TRpPreview::~TRpPreview()
{
    setRpPrinter(nullptr);
}

void TRpPreview::setRpPrinter(TRpPrinter* printer)
{
    attach(printer, printer ? std::make_unique<PrinterPages>(*printer) : nullptr);
}

void TRpPreview::setPages(std::unique_ptr<PreviewPages> pages)
{
    attach(nullptr, std::move(pages));
}

void TRpPreview::attach(TRpPrinter* printer, std::unique_ptr<PreviewPages> pages)
{
    if (m_printer && m_printer->listener() == this) {
        m_printer->setInPreview(false);
        m_printer->setListener(nullptr);
    }
    m_printer = printer;
    m_pages = std::move(pages);
    m_image->setPages(m_pages.get());
    if (m_printer) {
        m_printer->setListener(this);
        m_printer->setInPreview(true);
    }
    // Page 1 is loaded again even when it was shown: the picture may be another printer's.
    // The page number follows it, also when the new pages are not there yet.
    const bool pageChanges = m_pageNumber != 1 || !m_image->HasImage();
    m_image->clearPicture();
    m_pageNumber = 1;
    if (pageChanges)
        scrollToOrigin();
    m_image->LoadPage(1);
}

void TRpPreview::setPageNumber(int page)
{
    if ((page == m_pageNumber && m_image->HasImage()) || page <= 0 || !m_pages ||
        page > m_pages->PageTotal())
        return;
    // A page that cannot be read raises its error here; the page shown stays.
    m_image->LoadPage(page);
    m_pageNumber = page;
    scrollToOrigin();
}

void TRpPreview::setZoom(int zoom)
{
    if (zoom < minZoom || zoom > maxZoom)
        return;
    m_zoomMode = zmFree;
    m_zoom = zoom;
    LayoutImage();
}

void TRpPreview::ZoomToWidth()
{
    if (m_pages)
        setZoom(Round(width() /
                      static_cast<long double>(m_pages->DeviceWidth(m_pages->PaperWidthNative())) *
                      widthFitPercent));
    else
        setZoom(Round(width() / emptyWidth * emptyWidthFitPercent));
    LayoutImage();
    m_zoomMode = zmWidth;
}

void TRpPreview::ZoomToFit()
{
    long double pageWidth = emptyWidth;
    long double pageLength = emptyLength;
    if (m_pages) {
        pageWidth = m_pages->DeviceWidth(m_pages->PaperWidthNative());
        pageLength = m_pages->DeviceHeight(m_pages->PaperLengthNative());
    }
    const int a = Round(width() / pageWidth * fitPercent);
    const int b = Round(height() / pageLength * fitPercent);
    setZoom(std::min(a, b));
    m_zoomMode = zmFit;
}

void TRpPreview::LayoutImage()
{
    int imageWidth = 0;
    int imageHeight = 0;
    if (m_pages) {
        // Wide: a paper's native length times a zoom of up to 2000 leaves the int range.
        imageWidth = m_pages->DeviceWidth(static_cast<long double>(m_pages->PaperWidthNative()) *
                                          m_zoom / 100);
        imageHeight = m_pages->DeviceHeight(static_cast<long double>(m_pages->PaperLengthNative()) *
                                            m_zoom / 100);
    } else {
        imageWidth = Round(emptyWidth / 100 * m_zoom);
        imageHeight = Round(emptyLength / 100 * m_zoom);
    }
    // A widget is at most QWIDGETSIZE_MAX a side; the frame is added inside that.
    imageWidth = std::clamp(imageWidth, 0, QWIDGETSIZE_MAX - frameExtent) + frameExtent;
    imageHeight = std::clamp(imageHeight, 0, QWIDGETSIZE_MAX - frameExtent) + frameExtent;
    // Centred in the whole control, scroll bars and frame included.
    m_imageLeft = imageWidth < width() ? (width() - imageWidth) / 2 : 0;
    m_imageTop = imageHeight < height() ? (height() - imageHeight) / 2 : 0;
    m_image->resize(imageWidth, imageHeight);
    m_image->setZoom(m_zoom);
    updateScrollBars();
    scrollToOrigin();
    placeImage();
}

void TRpPreview::updateScrollBars()
{
    const QSize area = viewport()->size();
    const int contentWidth = m_imageLeft + m_image->width();
    const int contentHeight = m_imageTop + m_image->height();
    horizontalScrollBar()->setRange(0, std::max(0, contentWidth - area.width()));
    verticalScrollBar()->setRange(0, std::max(0, contentHeight - area.height()));
    horizontalScrollBar()->setPageStep(area.width());
    verticalScrollBar()->setPageStep(area.height());
}

void TRpPreview::scrollToOrigin()
{
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

void TRpPreview::placeImage()
{
    m_image->move(m_imageLeft - horizontalScrollBar()->value(),
                  m_imageTop - verticalScrollBar()->value());
}

void TRpPreview::scrollContentsBy(int, int)
{
    placeImage();
}

void TRpPreview::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    // The viewport's resizing (a scroll bar coming or going) arrives here too; it changes only
    // the scroll ranges.
    if (size() == m_controlSize) {
        updateScrollBars();
        return;
    }
    m_controlSize = size();
    if (m_zoomMode == zmFit)
        ZoomToFit();
    else if (m_zoomMode == zmWidth)
        ZoomToWidth();
    LayoutImage();
}

bool TRpPreview::letGoOfOtherPrinter(TRpPrinter& printer)
{
    if (&printer == m_printer)
        return false;
    // A report that makes a new printer hands it this preview as listener, though the preview
    // still shows the old one; it keeps listening only to its own printer.
    if (printer.listener() == this)
        printer.setListener(nullptr);
    return true;
}

void TRpPreview::printerProgress(TRpPrinter& printer, int percent)
{
    if (letGoOfOtherPrinter(printer))
        return;
    if (OnProgressUpdate)
        OnProgressUpdate(*this, percent);
}

void TRpPreview::printerPageAvailable(TRpPrinter& printer, int pagesAvailable)
{
    if (letGoOfOtherPrinter(printer))
        return;
    if (pagesAvailable == m_pageNumber && !m_image->HasImage() &&
        printer.PagesAvailable() >= m_image->ShownPage()) {
        ZoomToWidth();
        // A notification has no caller to take an error: it is told here.
        try {
            m_image->LoadPage(m_image->ShownPage());
        } catch (const std::exception& e) {
            pageLoadFailed(e.what());
        }
    }
    if (OnPageAvailable)
        OnPageAvailable(*this, pagesAvailable);
}

void TRpPreview::pageLoadFailed(const std::string& message)
{
    if (OnPageLoadFailed) {
        OnPageLoadFailed(*this, message);
        return;
    }
    QMessageBox::critical(window(), window()->windowTitle(), text::fromCp949(message));
}

void TRpPreview::printerDetached(TRpPrinter& printer)
{
    if (&printer != m_printer)
        return;
    // The printer is going: forget it without touching it again.
    m_printer = nullptr;
    attach(nullptr, nullptr);
}

} // namespace report
