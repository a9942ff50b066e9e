#pragma once

#include "report/model/TRpPrinterListener.h"

#include <QAbstractScrollArea>
#include <functional>
#include <memory>
#include <string>

namespace report {

class PreviewPages;
class TRpPreviewImage;

enum TRpZoomMode { zmFit, zmWidth, zmFree };

// Shows one stored page of a report printer at a zoom in a scrolling area: the page image sits
// centred while it is smaller than the control, and at the top-left corner of the scrolled
// content otherwise. It follows its printer's notifications (posted by the printer) and never
// owns the printer. Clicks on the page reach the preview's own mouse handlers, since the page
// image leaves them to its parent.
class TRpPreview : public QAbstractScrollArea, public TRpPrinterListener
{
    Q_OBJECT

public:
    static constexpr int minZoom = 2;
    static constexpr int maxZoom = 2000;
    static constexpr int initialSize = 250;

    explicit TRpPreview(QWidget* parent = nullptr);
    ~TRpPreview() override;

    TRpPrinter* RpPrinter() const { return m_printer; }
    // Attaches a printer (none detaches): page 1 is loaded again in any case. A page 1 that
    // cannot be read raises its error, with the pages attached and nothing shown.
    void setRpPrinter(TRpPrinter* printer);
    // Shows pages that come from no printer (a saved report file); the preview owns them.
    void setPages(std::unique_ptr<PreviewPages> pages);
    const PreviewPages* pages() const { return m_pages.get(); }

    int pageNumber() const { return m_pageNumber; }
    // Ignored at or below 0, beyond the last page, without pages, and for the page shown.
    void setPageNumber(int page);

    int zoom() const { return m_zoom; }
    // minZoom..maxZoom in percent; other values are ignored.
    void setZoom(int zoom);
    TRpZoomMode zoomMode() const { return m_zoomMode; }
    // The page takes about 90 % of the control's width, and keeps doing so as it resizes.
    void ZoomToWidth();
    // The whole page fits the control, and keeps fitting as it resizes.
    void ZoomToFit();

    TRpPreviewImage* image() const { return m_image; }
    // The page image's place in the scrolled content.
    QPoint imagePosition() const { return {m_imageLeft, m_imageTop}; }

    std::function<void(TRpPreview& sender, int pageCount)> OnPageAvailable;
    std::function<void(TRpPreview& sender, int percent)> OnProgressUpdate;
    // A page that a printer's notification made the preview load could not be read; without a
    // handler the preview shows the message in a box of its own.
    std::function<void(TRpPreview& sender, const std::string& message)> OnPageLoadFailed;

    void printerProgress(TRpPrinter& printer, int percent) override;
    void printerPageAvailable(TRpPrinter& printer, int pagesAvailable) override;
    void printerDetached(TRpPrinter& printer) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void attach(TRpPrinter* printer, std::unique_ptr<PreviewPages> pages);
    void pageLoadFailed(const std::string& message);
    // True (and the printer no longer has this preview as listener) for any printer but ours.
    bool letGoOfOtherPrinter(TRpPrinter& printer);
    void LayoutImage();
    void updateScrollBars();
    void placeImage();
    void scrollToOrigin();

    TRpPrinter* m_printer = nullptr;
    std::unique_ptr<PreviewPages> m_pages;
    TRpPreviewImage* m_image = nullptr;
    int m_pageNumber = 1;
    int m_zoom = 100;
    TRpZoomMode m_zoomMode = zmFree;
    int m_imageLeft = 0;
    int m_imageTop = 0;
    QSize m_controlSize; // as last laid out
};

} // namespace report
