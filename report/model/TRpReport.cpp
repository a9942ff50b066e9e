#include "report/model/TRpReport.h"

#include "gfx/MeasureCanvas.h"
#include "report/model/LocaleDefaults.h"
#include "report/model/Rounding.h"
#include "report/model/TRpCustomLabel.h"
#include "report/model/TRpPrintable.h"
#include "report/model/TRpPrinterDevice.h"

#include <algorithm>
#include <exception>

namespace report {

namespace {

constexpr int minZoom = 1;
constexpr int maxZoom = 300;

gfx::Font defaultReportFont()
{
    gfx::Font font;
    font.name = "Arial";
    font.size = 10;
    return font;
}

} // namespace

TRpReport::TRpReport(DeviceFactory deviceFactory)
    : m_deviceFactory(std::move(deviceFactory)), m_units(defaultUnits()),
      m_font(defaultReportFont())
{
    m_page = std::make_unique<TRpPage>(this);
    m_page->SetUnits(m_units);
    // The paper currently set on the platform's printer, A4 without one.
    TRpPaperSize paper = TRpPaperSize::A4;
    if (m_deviceFactory) {
        const TRpPrinter probe(m_deviceFactory());
        if (probe.HasPrinters())
            paper = probe.deviceSettings().paperSize();
    }
    m_page->setPaperSize(paper);
    pageSizeChanged();
    m_functions.addReportConstants(this);
}

TRpReport::~TRpReport()
{
    for (const auto& issued : m_issued) {
        if (const auto printer = issued.lock()) {
            printer->ownerReport = nullptr;
            printer->afterPreview = nullptr;
            printer->afterPrint = nullptr;
            printer->printSetupRequest = nullptr;
        }
    }
}

void TRpReport::setUnits(TRpUnit units)
{
    m_units = units;
    m_page->SetUnits(units);
    for (const auto& child : m_children) {
        if (auto* band = dynamic_cast<TRpBand*>(child.get()))
            band->size().SetUnits(units);
        else if (auto* printable = dynamic_cast<TRpPrintable*>(child.get()))
            printable->size().SetUnits(units);
    }
}

void TRpReport::setZoom(int zoom)
{
    if (zoom < minZoom || zoom > maxZoom || zoom == m_zoom)
        return;
    m_zoom = zoom;
    m_page->setZoom(zoom);
    for (const auto& child : m_children) {
        if (auto* band = dynamic_cast<TRpBand*>(child.get())) {
            for (TRpBand* b = band; b; b = b->childBand()) {
                b->size().setZoom(zoom);
                for (const auto& printable : b->printables())
                    printable->setZoom(zoom);
            }
        } else if (auto* printable = dynamic_cast<TRpPrintable*>(child.get())) {
            printable->setZoom(zoom);
        }
    }
}

void TRpReport::setFont(const gfx::Font& font)
{
    m_font = font;
    forEachPrintable([](TRpPrintable& printable) {
        if (auto* label = dynamic_cast<TRpCustomLabel*>(&printable))
            label->parentFontChanged();
    });
}

void TRpReport::adopt(std::unique_ptr<TRpPrintable> printable, std::string name)
{
    printable->setName(std::move(name));
    TRpPrintable& added = *printable;
    m_children.push_back(std::move(printable));
    added.setParentReport(this);
}

TRpBand& TRpReport::addBand(TRpBandType type, std::string name)
{
    auto band = std::make_unique<TRpBand>(type);
    band->setName(std::move(name));
    TRpBand& added = *band;
    m_children.push_back(std::move(band));
    added.setParentReport(this);
    if (type == rbDetail && !m_controller.detail)
        m_controller.detail = &added;
    else if (type == rbTitle && !m_controller.header)
        m_controller.header = &added;
    else if (type == rbSummary && !m_controller.footer)
        m_controller.footer = &added;
    return added;
}

TRpComponent* TRpReport::findComponent(std::string_view name) const
{
    for (const auto& child : m_children) {
        if (child->name() == name)
            return child.get();
        if (auto* band = dynamic_cast<TRpBand*>(child.get())) {
            for (TRpBand* b = band; b; b = b->childBand()) {
                if (b->name() == name)
                    return b;
                for (const auto& printable : b->printables())
                    if (printable->name() == name)
                        return printable.get();
            }
        }
    }
    return nullptr;
}

TRpBand* TRpReport::findBand(TRpBandType type) const
{
    const auto bands = bandsOf(type);
    return bands.empty() ? nullptr : bands.front();
}

std::vector<TRpBand*> TRpReport::bandsOf(TRpBandType type) const
{
    std::vector<TRpBand*> bands;
    for (const auto& child : m_children)
        if (auto* band = dynamic_cast<TRpBand*>(child.get()); band && band->bandType() == type)
            bands.push_back(band);
    return bands;
}

void TRpReport::forEachPrintable(const std::function<void(TRpPrintable&)>& f) const
{
    for (const auto& child : m_children) {
        if (auto* band = dynamic_cast<TRpBand*>(child.get())) {
            for (TRpBand* b = band; b; b = b->childBand())
                for (const auto& printable : b->printables())
                    f(*printable);
        } else if (auto* printable = dynamic_cast<TRpPrintable*>(child.get())) {
            f(*printable);
        }
    }
}

void TRpReport::pageSizeChanged()
{
    if (!m_page)
        return;
    m_pixelWidth = Round(m_page->pixels(TRpPage::WidthIndex));
    m_pixelHeight = Round(m_page->pixels(TRpPage::LengthIndex));
}

void TRpReport::setPixelSize(int width, int height)
{
    m_pixelWidth = width;
    m_pixelHeight = height;
    if (m_page->paperSize() == TRpPaperSize::Custom) {
        m_page->setNativeValue(TRpPage::WidthIndex, m_page->nativeOfPixels(width));
        m_page->setNativeValue(TRpPage::LengthIndex, m_page->nativeOfPixels(height));
    }
}

gfx::Canvas& TRpReport::MeasureContext() const
{
    if (!m_measureContext)
        m_measureContext = std::make_unique<gfx::MeasureCanvas>(gfx::ScreenDpi);
    return *m_measureContext;
}

void TRpReport::beginLoading()
{
    forEachPrintable([](TRpPrintable& printable) { printable.beginLoading(); });
}

void TRpReport::Loaded()
{
    pageSizeChanged();
    forEachPrintable([](TRpPrintable& printable) { printable.Loaded(); });
}

bool TRpReport::NewReportPrinter()
{
    if (!m_idle)
        return false;
    auto printer = std::make_shared<TRpPrinter>(m_deviceFactory ? m_deviceFactory() : nullptr);
    if (m_printer)
        printer->setListener(m_printer->listener());
    printer->afterPreview = [this] {
        if (AfterPreview)
            AfterPreview(*this);
    };
    printer->afterPrint = [this] {
        if (AfterPrint)
            AfterPrint(*this);
    };
    std::erase_if(m_issued, [](const auto& issued) { return issued.expired(); });
    m_issued.push_back(printer);
    m_printer = std::move(printer);
    return true;
}

void TRpReport::GeneratePages()
{
    if (!NewReportPrinter())
        return;
    m_printer->setOutputTarget(ToPageStore);
    m_printer->ownerReport = this;
    m_printer->jobTitle = m_reportTitle;
    m_printer->printSetupRequest = OnPrintDialog;
    RenderReport(false);
    m_printer->hasReport = true;
}

void TRpReport::PrintReport(TRpPrinterListener* progress)
{
    if (!m_idle)
        return;
    std::shared_ptr<TRpPrinter> remembered = m_printer;
    NewReportPrinter();
    struct Restore
    {
        TRpReport& report;
        std::shared_ptr<TRpPrinter>& remembered;
        ~Restore() { report.m_printer = std::move(remembered); }
    } restore{*this, remembered};
    if (!m_printer->HasPrinters())
        return;
    m_printer->setOutputTarget(ToPrinter);
    m_printer->setListener(progress);
    RenderReport(false);
}

void TRpReport::noteCutText(const std::string& field)
{
    if (std::find(m_cutTexts.begin(), m_cutTexts.end(), field) == m_cutTexts.end())
        m_cutTexts.push_back(field);
}

void TRpReport::Cancel()
{
    if (m_idle)
        return;
    m_cancelRequested = true;
    if (m_printer)
        m_printer->RequestCancel();
}

void TRpReport::ApplyPrinterValues()
{
    TRpPrinter& printer = *m_printer;
    printer.setPrinterIndex(printerSettings.deviceIndex);
    printer.setPaperSize(m_page->paperSize());
    if (m_page->paperSize() == TRpPaperSize::Custom) {
        printer.setPaperWidth(Round(pageNative(TRpPage::WidthIndex)));
        printer.setPaperLength(Round(pageNative(TRpPage::LengthIndex)));
    }
    printer.setOrientation(m_page->orientation());
    printer.setCopies(printerSettings.copies);
    printer.setOutputBin(printerSettings.outputBin);
    printer.setPageRange(printerSettings.firstPage, printerSettings.lastPage);
}

long double TRpReport::bandChainHeight(const TRpBand* band) const
{
    long double height = 0;
    for (const TRpBand* b = band; b; b = b->childBand())
        height += b->size().nativeValue(TRpBandSize::HeightIndex);
    return height;
}

void TRpReport::RenderReport(bool composite)
{
    if (!m_idle || !m_printer)
        return;
    if (pageNative(TRpPage::WidthIndex) - pageNative(TRpPage::LeftMarginIndex) -
            pageNative(TRpPage::RightMarginIndex) <
        0) {
        m_page->setNativeValue(TRpPage::LeftMarginIndex, 0);
        m_page->setNativeValue(TRpPage::RightMarginIndex, 0);
    }
    if (pageNative(TRpPage::LengthIndex) - pageNative(TRpPage::TopMarginIndex) -
            pageNative(TRpPage::BottomMarginIndex) <
        0) {
        m_page->setNativeValue(TRpPage::TopMarginIndex, 0);
        m_page->setNativeValue(TRpPage::BottomMarginIndex, 0);
    }
    m_idle = false;
    m_cancelRequested = false;
    m_finishingLastPage = false;
    m_cutTexts.clear();

    bool allow = true;
    if (BeforePrint)
        BeforePrint(*this, allow);
    if (!allow) {
        m_idle = true;
        return;
    }

    m_unitsBeforeRun = m_units;
    bool prepared = false;
    // The first failure of the run is the one passed on, after the job has ended and the
    // report is idle again, whatever else fails on the way there.
    std::exception_ptr failure;
    try {
        setUnits(TRpUnit::Native);
        if (!composite) {
            ApplyPrinterValues();
            m_printer->jobTitle = m_reportTitle;
            m_printer->compressed = options.compression;
            m_printer->BeginJob();
            m_printY = -1;
            m_currentPage = 0;
            m_columnNo = m_page->columns();
        }
        m_footerReserve = 0;
        for (TRpBand* footer : bandsOf(rbPageFooter))
            if (footer->enabled)
                m_footerReserve += bandChainHeight(footer);
        m_printX = Round(pageNative(TRpPage::LeftMarginIndex));
        m_functions.prepare();
        m_controller.clearNotifyClients();
        prepared = true;
        forEachPrintable([](TRpPrintable& printable) { printable.PrepareForRun(); });

        TRpController::Run run;
        run.printBand = [this](TRpBand* band) { PrintBand(band); };
        if (OnNeedData)
            run.needData = [this] { return OnNeedData(*this); };
        run.cancelled = [this] {
            return m_cancelRequested || (m_printer && m_printer->cancelRequested());
        };
        m_controller.Execute(run);

        if (!composite) {
            m_printX = Round(pageNative(TRpPage::LeftMarginIndex));
            m_finishingLastPage = true;
            if (!m_cancelRequested)
                ClosePage();
        }
    } catch (...) {
        failure = std::current_exception();
    }
    setUnits(m_unitsBeforeRun);
    if (prepared) {
        try {
            forEachPrintable([](TRpPrintable& printable) { printable.EndRun(); });
            m_controller.clearNotifyClients();
            m_functions.unprepare();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    try {
        finishJob(composite);
    } catch (...) {
        if (!failure)
            failure = std::current_exception();
    }
    m_idle = true;
    if (failure)
        std::rethrow_exception(failure);
}

void TRpReport::finishJob(bool composite)
{
    // A run that failed is ended like one that completed: only a cancelled run is aborted.
    if (m_cancelRequested || (m_printer && m_printer->cancelRequested()))
        m_printer->AbortJob();
    else if (!composite)
        m_paintPass ? m_printer->EndJob() : m_printer->AbortJob();
}

int TRpReport::SpaceLeft() const
{
    if (m_idle || m_printY == -1 || !m_printer)
        return 0;
    // The paper's length for the page's orientation.
    return Round(m_printer->PaperLengthNative() - pageNative(TRpPage::BottomMarginIndex) -
                 m_footerReserve - m_printY);
}

void TRpReport::NextColumn()
{
    if (m_columnNo == m_page->columns()) {
        m_columnNo = 1;
        m_printX = Round(pageNative(TRpPage::LeftMarginIndex));
        OpenPage();
    } else {
        long double columnWidth = 0;
        if (m_controller.detail) {
            columnWidth = m_controller.detail->size().nativeValue(TRpBandSize::WidthIndex);
        } else {
            const int columns = m_page->columns();
            const int space = Round(pageNative(TRpPage::ColumnSpaceIndex));
            const int usable =
                Round(pageNative(TRpPage::WidthIndex) - (pageNative(TRpPage::LeftMarginIndex) +
                                                         pageNative(TRpPage::RightMarginIndex)));
            // Columns start on whole native units.
            const int width = (usable - (columns - 1) * space) / columns;
            columnWidth = width;
        }
        m_printX += Round(pageNative(TRpPage::ColumnSpaceIndex)) + columnWidth;
        m_printY = m_columnStartY;
        ++m_columnNo;
    }
    if (!(m_columnNo == 1 && m_currentPage == 1))
        for (TRpBand* header : bandsOf(rbColumnHeader))
            PrintBand(header);
}

void TRpReport::OpenPage()
{
    ClosePage();
    ++m_currentPage;
    if (m_paintPass || m_currentPage == 1)
        m_printer->StartNewPage();
    m_printY = Round(pageNative(TRpPage::TopMarginIndex));
    if (OnStartPage)
        OnStartPage(*this);
    if (m_currentPage > 1 || options.firstPageHeader)
        for (TRpBand* header : bandsOf(rbPageHeader))
            PrintBand(header);
    m_columnStartY = m_printY;
    if (m_currentPage == 1 && m_controller.header)
        m_columnStartY += Round(m_controller.header->size().nativeValue(TRpBandSize::HeightIndex));
}

void TRpReport::ClosePage()
{
    if (m_currentPage <= 0)
        return;
    m_printY = Round(pageNative(TRpPage::LengthIndex) - pageNative(TRpPage::BottomMarginIndex) -
                     m_footerReserve);
    m_printX = Round(pageNative(TRpPage::LeftMarginIndex));
    if (!(m_finishingLastPage && !options.lastPageFooter))
        for (TRpBand* footer : bandsOf(rbPageFooter))
            PrintBand(footer);
    PrintReportPrintables();
    if (OnEndPage)
        OnEndPage(*this);
}

void TRpReport::PrintReportPrintables()
{
    for (const auto& child : m_children)
        if (auto* printable = dynamic_cast<TRpPrintable*>(child.get()))
            printable->PrintAt(0, 0);
    if (m_paintPass && m_printer->hasPageCanvas()) {
        const TRpPrinter& p = *m_printer;
        const gfx::Rect r{
            p.DeviceX(pageNative(TRpPage::LeftMarginIndex)),
            p.DeviceY(pageNative(TRpPage::TopMarginIndex)),
            p.DeviceX(pageNative(TRpPage::WidthIndex) - pageNative(TRpPage::RightMarginIndex)),
            p.DeviceY(pageNative(TRpPage::LengthIndex) - pageNative(TRpPage::BottomMarginIndex))};
        frame.Draw(m_printer->PageCanvas(), r, p.XScale(), p.YScale());
    }
}

void TRpReport::PrintBand(TRpBand* band)
{
    if (!band)
        return;
    const long double height = band->size().nativeValue(TRpBandSize::HeightIndex);
    if (band->alignToBottom) {
        if (band->bandType() == rbSummary && !options.lastPageFooter)
            m_footerReserve = 0;
        m_printY = std::max<long double>(m_printY, Round(m_printer->PaperLengthNative() -
                                                         pageNative(TRpPage::BottomMarginIndex) -
                                                         height - m_footerReserve));
    }
    bool enabled = band->enabled;
    if (band->BeforePrint)
        band->BeforePrint(*band, enabled);
    if (enabled) {
        const TRpBandType type = band->bandType();
        const bool mayForce =
            type != rbTitle && type != rbPageHeader && type != rbPageFooter && type != rbOverlay;
        // Forcing only makes sense once something was printed in the column.
        const bool used = m_currentPage > 0 && m_printY > m_columnStartY;
        if (mayForce && used && band->forceNewPage) {
            m_columnNo = m_page->columns();
            NextColumn();
        } else if (mayForce && used && band->forceNewColumn) {
            NextColumn();
        }
        const long double printableArea = pageNative(TRpPage::LengthIndex) -
                                          pageNative(TRpPage::TopMarginIndex) -
                                          pageNative(TRpPage::BottomMarginIndex);
        const long double chain = bandChainHeight(band);
        if (type != rbPageFooter && chain > SpaceLeft() && chain <= printableArea)
            NextColumn();
        if (m_currentPage == 0)
            NextColumn();
        if (band == m_controller.detail)
            m_controller.notifyDataAdvance();
        const long double width = band->size().nativeValue(TRpBandSize::WidthIndex);
        const TRpPrinter& p = *m_printer;
        const gfx::Rect r{p.DeviceX(m_printX), p.DeviceY(m_printY), p.DeviceX(m_printX + width),
                          p.DeviceY(m_printY + height)};
        if (band->pixelHeight() != 0) {
            gfx::Canvas& canvas = m_printer->PageCanvas();
            if (m_paintPass) {
                canvas.brush = {band->color, gfx::BrushStyle::Solid};
                canvas.FillRect(r);
            }
            for (const auto& printable : band->printables())
                if (printable->enabled)
                    printable->PrintAt(m_printX, m_printY);
            if (m_paintPass)
                band->frame.Draw(canvas, r, p.XScale(), p.YScale());
            m_printY += Round(height);
        }
    }
    if (band->AfterPrint)
        band->AfterPrint(*band);
    if (band->childBand())
        PrintBand(band->childBand());
}

} // namespace report
