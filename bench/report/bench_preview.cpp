// The preview control under its two loads: one repaint of an A4 statement page at 100 % and at
// 200 % (and the whole page image painted into a bitmap), beside painting a cached QImage of
// the same page at the same size in the same run; and opening a saved 100-page report file and
// showing its page 50.
// Run on the offscreen platform: QT_QPA_PLATFORM=offscreen bench_preview
#include "report/preview/ReportFilePages.h"
#include "report/preview/TRpPreview.h"
#include "report/preview/TRpPreviewImage.h"
#include "tests/report/preview/SamplePage.h"
#include "tests/report/print/MarkedReport.h"

#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;
using namespace report;

namespace {

// Big enough to show a whole A4 page at 100 %, as a maximized preview window does.
const QSize controlSize(1000, 1200);
constexpr int savedPages = 100;
constexpr int shownPage = 50;

// A generated statement page, kept for the whole run (and left to the end of the process, so
// that its printer never outlives the application object).
TRpReport& statement()
{
    static MarkedReport* marked = [] {
        auto* r = new MarkedReport(1);
        addSamplePage(r->report);
        r->report.GeneratePages();
        return r;
    }();
    return marked->report;
}

// What a preview that keeps a finished bitmap of its page would do on every repaint.
class CachedPage : public QWidget
{
public:
    explicit CachedPage(QImage image) : m_image(std::move(image)) { resize(m_image.size()); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.drawImage(0, 0, m_image);
    }

private:
    QImage m_image;
};

// A shown preview of the statement at `zoom`; it lets the page's printer go when it goes.
std::unique_ptr<TRpPreview> shownPreview(int zoom)
{
    auto preview = std::make_unique<TRpPreview>();
    preview->resize(controlSize);
    preview->show();
    preview->setRpPrinter(statement().RpPrinter());
    preview->setZoom(zoom);
    QCoreApplication::processEvents();
    return preview;
}

void BM_PreviewRepaint(benchmark::State& state)
{
    const auto preview = shownPreview(int(state.range(0)));
    for (auto _ : state)
        preview->viewport()->repaint();
    state.counters["image_px"] = double(preview->image()->width()) * preview->image()->height();
}

// The whole page image painted into a bitmap of its size, scrolled-away parts included: the
// cost of the page's pictures alone, without the window system.
void BM_PreviewPageIntoImage(benchmark::State& state)
{
    const auto preview = shownPreview(int(state.range(0)));
    QImage target(preview->image()->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        target.fill(Qt::white);
        preview->image()->render(&target);
    }
}

void BM_CachedQImageRepaint(benchmark::State& state)
{
    // The same page rendered once, at the same size the preview shows it.
    QImage page;
    {
        const auto preview = shownPreview(int(state.range(0)));
        page = QImage(preview->image()->size(), QImage::Format_RGB32);
        page.fill(Qt::white);
        preview->image()->render(&page);
    }

    QWidget window;
    window.resize(controlSize);
    auto* cached = new CachedPage(page);
    cached->setParent(&window);
    window.show();
    QCoreApplication::processEvents();
    for (auto _ : state)
        window.repaint();
}

// A saved file of 100 statement pages, written once.
const QString& savedFile()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        MarkedReport marked(savedPages);
        addSamplePage(marked.report);
        marked.report.GeneratePages();
        const QString file = dir.filePath(u"statements.rpf"_s);
        marked.report.RpPrinter()->SaveReportFile(file);
        return file;
    }();
    return path;
}

void BM_OpenSavedFileShowPage50(benchmark::State& state)
{
    const QString& file = savedFile();
    TRpPreview preview;
    preview.resize(controlSize);
    preview.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        preview.setPages(std::make_unique<ReportFilePages>(file));
        preview.ZoomToWidth();
        preview.setPageNumber(shownPage);
        preview.viewport()->repaint();
        if (preview.pageNumber() != shownPage || !preview.image()->HasImage())
            state.SkipWithError("page 50 was not shown");
    }
    state.counters["file_bytes"] = double(QFileInfo(file).size());
}

// A saved file of 1,000 compressed statement pages, written once.
const QString& compressedFile()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        MarkedReport marked(1000);
        addSamplePage(marked.report);
        marked.report.options.compression = true;
        marked.report.GeneratePages();
        const QString file = dir.filePath(u"compressed.rpf"_s);
        marked.report.RpPrinter()->SaveReportFile(file);
        return file;
    }();
    return path;
}

// Opening the file until page 1 shows; with `everyPage`, also every later page read once, as
// opening did before the later pages were checked in the background (the peer).
void openCompressedShowPage1(benchmark::State& state, bool everyPage)
{
    const QString& file = compressedFile();
    TRpPreview preview;
    preview.resize(controlSize);
    preview.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        auto pages = std::make_unique<ReportFilePages>(file);
        if (everyPage)
            for (int n = 2; n <= pages->PageTotal(); ++n)
                pages->PageImage(n);
        preview.setPages(std::move(pages));
        preview.ZoomToWidth();
        preview.viewport()->repaint();
        if (!preview.image()->HasImage())
            state.SkipWithError("page 1 was not shown");
    }
    state.counters["file_bytes"] = double(QFileInfo(file).size());
}

void BM_OpenCompressedFileShowPage1(benchmark::State& state)
{
    openCompressedShowPage1(state, false);
}

void BM_OpenCompressedFileReadingEveryPage(benchmark::State& state)
{
    openCompressedShowPage1(state, true);
}

} // namespace

BENCHMARK(BM_OpenCompressedFileShowPage1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenCompressedFileReadingEveryPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewRepaint)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewPageIntoImage)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CachedQImageRepaint)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenSavedFileShowPage50)->Unit(benchmark::kMillisecond);
