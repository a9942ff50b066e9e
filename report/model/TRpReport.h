#pragma once

#include "gfx/Canvas.h"
#include "gfx/Font.h"
#include "report/eval/ReportValues.h"
#include "report/eval/TRpEvEnvironment.h"
#include "report/model/TRpBand.h"
#include "report/model/TRpController.h"
#include "report/model/TRpFrame.h"
#include "report/model/TRpPage.h"
#include "report/model/TRpPrinter.h"
#include "report/model/TRpReportPrinterSettings.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace report {

class TRpPrintable;
class TRpPrinterDevice;
class TRpPrinterListener;

struct TRpReportOptions
{
    bool firstPageHeader = true; // page header on page 1
    bool lastPageFooter = true;  // page footer on the last page
    bool compression = false;    // compressed page store
};

// A report: its page, bands and printables, and the generation of its pages onto a report
// printer. Printables placed on the report print at their own page position when each page
// closes, after everything the bands printed on it, in child order.
class TRpReport : public ReportValues
{
public:
    using DeviceFactory = std::function<std::unique_ptr<TRpPrinterDevice>()>;

    // The factory makes the platform printer of each report printer; without one the report
    // draws pages but has no printer to print on.
    explicit TRpReport(DeviceFactory deviceFactory = {});
    ~TRpReport() override;
    TRpReport(const TRpReport&) = delete;
    TRpReport& operator=(const TRpReport&) = delete;

    TRpPage& page() { return *m_page; }
    const TRpPage& page() const { return *m_page; }
    TRpUnit units() const { return m_units; }
    // Applies to the page, every band and every printable placed on the report.
    void setUnits(TRpUnit units);
    int zoom() const { return m_zoom; }
    // 1..300; other values are ignored.
    void setZoom(int zoom);
    const gfx::Font& font() const { return m_font; }
    void setFont(const gfx::Font& font);

    TRpReportOptions options;
    bool printIfEmpty() const { return m_controller.printIfEmpty; }
    void setPrintIfEmpty(bool printIfEmpty) { m_controller.printIfEmpty = printIfEmpty; }
    bool showProgress = true;
    bool snapToGrid = true;
    TRpReportPrinterSettings printerSettings;
    // The job title, and the value of REPORTTITLE while a run is in progress.
    const std::string& title() const { return m_reportTitle; }
    void setReportTitle(std::string title) { m_reportTitle = std::move(title); }
    // Named constants for expressions: PAGENUMBER, COLUMNNUMBER and REPORTTITLE, read from
    // the run in progress.
    TRpEvEnvironment& functions() { return m_functions; }
    TRpFrame frame;
    gfx::Color color = gfx::clWhite;

    // Children, owned by the report, in child order (also the drawing order).
    template <class T> T& add(std::string_view name)
    {
        auto printable = std::make_unique<T>();
        T& added = *printable;
        adopt(std::move(printable), std::string(name));
        return added;
    }
    TRpBand& addBand(TRpBandType type, std::string name);
    const std::vector<std::unique_ptr<TRpComponent>>& children() const { return m_children; }
    // A band or printable by name, on the report or on one of its bands.
    TRpComponent* findComponent(std::string_view name) const;
    template <class T> T* find(std::string_view name) const
    {
        return dynamic_cast<T*>(findComponent(name));
    }
    // The first band of a kind placed on the report.
    TRpBand* findBand(TRpBandType type) const;

    // Pixel size of the whole sheet at the screen resolution and the zoom.
    int pixelWidth() const { return m_pixelWidth; }
    int pixelHeight() const { return m_pixelHeight; }
    // Resizing the sheet; a Custom page takes the new size.
    void setPixelSize(int width, int height);

    // Measures text for line breaking: a screen-compatible context at 96 pixels per inch.
    gfx::Canvas& MeasureContext() const;

    // Loading a stored layout: pixel bounds are settled against the sizes afterwards.
    void beginLoading();
    void Loaded();

    // Events.
    std::function<void(TRpReport&, bool& allow)> BeforePrint;
    std::function<void(TRpReport&)> AfterPrint;
    std::function<void(TRpReport&)> AfterPreview;
    // A page has been opened (its printables not drawn yet): the place to refill them.
    std::function<void(TRpReport&)> OnStartPage;
    std::function<void(TRpReport&)> OnEndPage;
    // Supplies one more record; returns false when there is none. Unassigned: no data.
    std::function<bool(TRpReport&)> OnNeedData;
    std::function<void()> OnPrintDialog;

    // Generation.
    TRpPrinter* RpPrinter() const { return m_printer.get(); }
    // The printer keeps its pages while anyone holds it (a preview may outlive the report).
    std::shared_ptr<TRpPrinter> sharedPrinter() const { return m_printer; }
    bool NewReportPrinter();
    void GeneratePages();
    // Renders straight to the printer; does nothing without installed printers.
    void PrintReport(TRpPrinterListener* progress = nullptr);
    void RenderReport(bool composite);
    void Cancel();

    // Run state, in native units.
    bool idle() const { return m_idle; }
    long double printX() const { return m_printX; }
    long double printY() const { return m_printY; }
    int currentPage() const { return m_currentPage; }
    int columnNo() const { return m_columnNo; }
    long double columnStartY() const { return m_columnStartY; }
    long double footerReserve() const { return m_footerReserve; }
    bool paintPass() const { return m_paintPass; }
    // Texts of the last run that did not fit whole even at their smallest size, each once, by
    // what a message calls them.
    const std::vector<std::string>& cutTexts() const { return m_cutTexts; }
    void noteCutText(const std::string& field);

    // Steps of the run.
    void OpenPage();
    void ClosePage();
    void NextColumn();
    void PrintBand(TRpBand* band);
    void PrintReportPrintables();
    int SpaceLeft() const;
    // Printables told of every printing of the detail band during this run.
    void addNotifyClient(TRpPrintable* client) { m_controller.addNotifyClient(client); }

    // The constants' values: the run's, 0 and empty between runs.
    int32_t pageNumber() const override { return m_idle ? 0 : m_currentPage; }
    int32_t columnNumber() const override { return m_idle ? 0 : m_columnNo; }
    std::string reportTitle() const override { return m_idle ? std::string() : m_reportTitle; }

    // The page's size changed.
    void pageSizeChanged();

private:
    void adopt(std::unique_ptr<TRpPrintable> printable, std::string name);
    void ApplyPrinterValues();
    void forEachPrintable(const std::function<void(TRpPrintable&)>& f) const;
    std::vector<TRpBand*> bandsOf(TRpBandType type) const;
    long double bandChainHeight(const TRpBand* band) const;
    long double pageNative(TRpPage::Index index) const { return m_page->nativeValue(index); }
    void finishJob(bool composite);

    DeviceFactory m_deviceFactory;
    std::unique_ptr<TRpPage> m_page;
    TRpUnit m_units;
    int m_zoom = 100;
    gfx::Font m_font;
    std::vector<std::unique_ptr<TRpComponent>> m_children;
    TRpController m_controller;
    TRpEvEnvironment m_functions;
    std::string m_reportTitle;
    int m_pixelWidth = 0;
    int m_pixelHeight = 0;
    mutable std::unique_ptr<gfx::Canvas> m_measureContext;
    std::shared_ptr<TRpPrinter> m_printer;
    // Every printer this report made, so those that outlive it forget it.
    std::vector<std::weak_ptr<TRpPrinter>> m_issued;

    bool m_idle = true;
    std::vector<std::string> m_cutTexts;
    long double m_printX = 0;
    long double m_printY = -1;
    int m_currentPage = 0;
    int m_columnNo = 0;
    long double m_columnStartY = 0;
    long double m_footerReserve = 0;
    bool m_finishingLastPage = false;
    bool m_cancelRequested = false;
    bool m_paintPass = true;
    TRpUnit m_unitsBeforeRun = TRpUnit::MM;
};

} // namespace report
