#pragma once

#include "gfx/Canvas.h"
#include "gfx/EmfCanvas.h"
#include "report/model/Paper.h"
#include "report/model/TPrinterSettings.h"
#include "report/model/TRpPrinterDevice.h"
#include "report/model/TRpReportPrinterSettings.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace report {

class TRpPageList;
class TRpPrinterListener;
class TRpReport;

enum TRpOutputTarget { ToPageStore, ToPrinter };
enum TRpJobState { jsReady, jsBusy, jsFinished };

// The target of a report run: maps native units to device coordinates, hands out the canvas of
// the page being drawn, and keeps finished pages as pictures in its page store or sends them
// to a printer device as one job.
class TRpPrinter : public QObject
{
    Q_OBJECT

public:
    // The page store stays in memory up to this size, then moves to a temporary file.
    static constexpr int64_t pageStoreSpillThresholdBytes = 100000;

    // Without a device the printer has no printers but still draws page pictures.
    explicit TRpPrinter(std::unique_ptr<TRpPrinterDevice> device = nullptr);
    ~TRpPrinter() override;

    bool HasPrinters() const { return m_hasPrinters; }
    TRpOutputTarget outputTarget() const { return m_outputTarget; }
    void setOutputTarget(TRpOutputTarget target) { m_outputTarget = target; }
    TRpJobState jobState() const { return m_jobState; }

    // The job protocol.
    void BeginJob();
    void StartNewPage();
    void EndJob();
    void AbortJob();
    void RequestCancel();
    bool cancelRequested() const { return m_cancelRequested; }

    int pageIndex() const { return m_pageIndex; }
    int PageTotal() const { return m_pageTotal; }
    int PagesAvailable() const { return m_pagesAvailable; }

    // The canvas of the page being drawn; only while a page is open.
    gfx::Canvas& PageCanvas();
    bool hasPageCanvas() const { return m_canvas != nullptr; }

    // Device units per native unit, and the device's unprintable margins (native).
    long double XScale() const { return m_xScale; }
    long double YScale() const { return m_yScale; }
    long double LeftUnprintable() const { return m_leftUnprintable; }
    long double TopUnprintable() const { return m_topUnprintable; }
    int DeviceX(long double x) const;
    int DeviceY(long double y) const;
    int DeviceWidth(long double w) const;
    int DeviceHeight(long double h) const;

    // The paper for the current orientation, native.
    int PaperWidthNative() const;
    int PaperLengthNative() const;

    // Settings copied from the report before a run.
    void setPrinterIndex(int index);
    void setPaperSize(TRpPaperSize paper) { m_settings.setPaperSize(paper); }
    void setPaperWidth(int native) { m_settings.setPaperWidth(native); }
    void setPaperLength(int native) { m_settings.setPaperLength(native); }
    void setOrientation(TPrinterOrientation o) { m_settings.setOrientation(o); }
    void setCopies(int copies) { m_settings.setCopies(copies); }
    void setOutputBin(TRpBin bin) { m_settings.setOutputBin(bin); }
    void setPageRange(int first, int last);
    int rangeFirst() const { return m_rangeFirst; }
    int rangeLast() const { return m_rangeLast; }
    const TPrinterSettings& deviceSettings() const { return m_settings; }
    // Whether page `page` goes to the device.
    bool PageInRange(int page) const;

    std::string jobTitle;
    // Compress the pages of the next job's page store.
    bool compressed = false;
    TRpReport* ownerReport = nullptr;
    bool hasReport = false;
    int progressPercent = 0;

    // Notifications arrive posted, after the current step of the job.
    TRpPrinterListener* listener() const { return m_listener; }
    void setListener(TRpPrinterListener* listener);
    void postProgress(int percent);

    bool inPreview() const { return m_inPreview; }
    // Leaving the preview cancels a busy job and fires afterPreview.
    void setInPreview(bool inPreview);

    // Wired by the report.
    std::function<void()> afterPreview;
    std::function<void()> afterPrint;
    std::function<void()> printSetupRequest;

    // A new picture of stored page `n` (EMF bytes), or none unless the job has begun and
    // 1 <= n <= PageTotal.
    std::optional<std::string> PageImage(int n) const;
    // Writes the page store to a report file; only once the job has finished.
    void SaveReportFile(const QString& fileName);

    // The page store of the last job to the page store; none before.
    TRpPageList* pageStore() const { return m_pageStore.get(); }

private:
    void finishPage();
    void openPage();
    void storeOpenPicture();
    // Ends the job at once without storing or printing anything more; never throws.
    void abandonJob() noexcept;
    void useScreenScales();
    void postPageAvailable();

    std::unique_ptr<TRpPrinterDevice> m_device;
    TPrinterSettings m_settings;
    bool m_hasPrinters = false;
    TRpOutputTarget m_outputTarget = ToPageStore;
    TRpJobState m_jobState = jsReady;
    int m_pageIndex = 0;
    int m_pageTotal = 0;
    int m_pagesAvailable = 0;
    bool m_cancelRequested = false;
    long double m_xScale = 1;
    long double m_yScale = 1;
    long double m_leftUnprintable = 0;
    long double m_topUnprintable = 0;
    int m_rangeFirst = 0;
    int m_rangeLast = 0;
    TRpPrinterListener* m_listener = nullptr;
    friend class TRpPrinterListener;
    bool m_inPreview = false;

    std::unique_ptr<TRpPageList> m_pageStore;
    // The picture of the open page when it is not drawn on the device.
    std::unique_ptr<gfx::EmfCanvas> m_picture;
    gfx::Canvas* m_canvas = nullptr;
    bool m_documentBegun = false;
};

} // namespace report
