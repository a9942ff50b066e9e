#include "report/model/Rounding.h"
#include "report/model/TRpPrintable.h"
#include "report/preview/PrinterPages.h"
#include "report/preview/TRpPreview.h"
#include "report/preview/TRpPreviewImage.h"
#include "tests/report/preview/PreviewProbe.h"
#include "tests/report/preview/SamplePage.h"
#include "tests/report/print/MarkedReport.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <climits>
#include <gtest/gtest.h>

using namespace report;
using namespace Qt::StringLiterals;

namespace {

// An A4 portrait page at 96 pixels per inch and zoom 100, with the border and shadow.
constexpr int a4Width = 794;
constexpr int a4Height = 1123;
constexpr int frameExtent = 4;

// Counts the pictures the preview asks for.
class CountingPages : public PreviewPages
{
public:
    explicit CountingPages(const TRpPrinter& printer) : m_pages(printer) {}
    int PageTotal() const override { return m_pages.PageTotal(); }
    std::optional<std::string> PageImage(int n) const override
    {
        ++loads;
        return m_pages.PageImage(n);
    }
    int PaperWidthNative() const override { return m_pages.PaperWidthNative(); }
    int PaperLengthNative() const override { return m_pages.PaperLengthNative(); }
    int DeviceWidth(long double w) const override { return m_pages.DeviceWidth(w); }
    int DeviceHeight(long double h) const override { return m_pages.DeviceHeight(h); }

    mutable int loads = 0;

private:
    PrinterPages m_pages;
};

// A paper as wide and long as an int holds, as a file might claim it.
class VastPages : public PreviewPages
{
public:
    int PageTotal() const override { return 1; }
    std::optional<std::string> PageImage(int) const override { return std::nullopt; }
    int PaperWidthNative() const override { return INT_MAX / 2; }
    int PaperLengthNative() const override { return INT_MAX / 2; }
    int DeviceWidth(long double w) const override { return Round(w * 96 / 254); }
    int DeviceHeight(long double h) const override { return Round(h * 96 / 254); }
};

class Preview : public ::testing::Test
{
protected:
    Preview() : marked(4)
    {
        marked.report.GeneratePages();
        printer = marked.report.sharedPrinter();
        preview.resize(800, 600);
        // Resize events reach only a shown control.
        preview.show();
    }

    MarkedReport marked;
    std::shared_ptr<TRpPrinter> printer;
    TRpPreview preview;
};

} // namespace

TEST_F(Preview, StartsEmpty)
{
    TRpPreview fresh;
    EXPECT_EQ(fresh.size(), QSize(250, 250));
    EXPECT_EQ(fresh.RpPrinter(), nullptr);
    EXPECT_EQ(fresh.pageNumber(), 1);
    EXPECT_EQ(fresh.zoom(), 100);
    EXPECT_EQ(fresh.zoomMode(), zmFree);
    EXPECT_EQ(fresh.image()->size(), QSize(100, 50));
    EXPECT_FALSE(fresh.image()->HasImage());
    EXPECT_TRUE(fresh.horizontalScrollBar()->hasTracking());
    EXPECT_TRUE(fresh.verticalScrollBar()->hasTracking());
}

TEST_F(Preview, AnImageWithoutAPicturePaintsNothing)
{
    preview.setZoom(50);
    const QImage painted = paintedImage(*preview.image());
    for (int y = 0; y < painted.height(); ++y)
        for (int x = 0; x < painted.width(); ++x)
            ASSERT_EQ(painted.pixel(x, y), qRgb(255, 0, 0)) << x << "," << y;
}

TEST_F(Preview, AttachingAPrinterShowsItsFirstPage)
{
    preview.setRpPrinter(printer.get());
    EXPECT_EQ(printer->listener(), &preview);
    EXPECT_TRUE(printer->inPreview());
    EXPECT_TRUE(preview.image()->HasImage());
    EXPECT_EQ(preview.image()->ShownPage(), 1);
    EXPECT_EQ(preview.zoom(), 100) << "attaching leaves the zoom";
    preview.setZoom(100);
    EXPECT_EQ(shownMark(*preview.image()), 1);
}

TEST_F(Preview, PageNumbers)
{
    auto counting = std::make_unique<CountingPages>(*printer);
    CountingPages& pages = *counting;
    preview.setPages(std::move(counting));
    preview.setZoom(100);
    struct Row
    {
        const char* name;
        int page;
        int shown;
        int loads;
    };
    const Row rows[] = {
        {"a page within the report", 3, 3, 1},
        {"the page already shown is not loaded again", 3, 3, 0},
        {"0 is ignored", 0, 3, 0},
        {"a negative page is ignored", -1, 3, 0},
        {"a page beyond the last is ignored", 5, 3, 0},
        {"the last page", 4, 4, 1},
        {"back to the first", 1, 1, 1},
    };
    for (const Row& row : rows) {
        pages.loads = 0;
        preview.verticalScrollBar()->setValue(40);
        preview.setPageNumber(row.page);
        EXPECT_EQ(preview.pageNumber(), row.shown) << row.name;
        EXPECT_EQ(pages.loads, row.loads) << row.name;
        EXPECT_EQ(shownMark(*preview.image()), row.shown) << row.name;
        EXPECT_EQ(preview.verticalScrollBar()->value(), row.loads ? 0 : 40)
            << row.name << ": a new page starts at the top";
    }
}

TEST_F(Preview, WithoutPagesThePageNumberStays)
{
    preview.setPageNumber(2);
    EXPECT_EQ(preview.pageNumber(), 1);
}

TEST_F(Preview, ZoomLimits)
{
    preview.setRpPrinter(printer.get());
    struct Row
    {
        const char* name;
        int zoom;
        int expected;
    };
    const Row rows[] = {
        {"the smallest zoom", 2, 2},
        {"below the smallest is ignored", 1, 2},
        {"the largest zoom", 2000, 2000},
        {"beyond the largest is ignored", 2001, 2000},
    };
    for (const Row& row : rows) {
        preview.setZoom(row.zoom);
        EXPECT_EQ(preview.zoom(), row.expected) << row.name;
        EXPECT_EQ(preview.image()->zoom(), row.expected) << row.name;
    }
}

TEST_F(Preview, ImageSizeAndPlace)
{
    preview.setRpPrinter(printer.get());
    struct Row
    {
        const char* name;
        int zoom;
        QSize control;
        QSize image;
        QPoint place;
    };
    const Row rows[] = {
        {"A4 at 100 %, centred across", 100, {1000, 600}, {798, 1127}, {101, 0}},
        {"A4 at 200 %, wider than the control", 200, {1000, 600}, {1591, 2249}, {0, 0}},
        {"A4 at 50 %, centred both ways", 50, {1000, 1000}, {401, 565}, {299, 217}},
    };
    for (const Row& row : rows) {
        preview.resize(row.control);
        preview.setZoom(row.zoom);
        EXPECT_EQ(preview.image()->size(), row.image) << row.name;
        EXPECT_EQ(preview.imagePosition(), row.place) << row.name;
    }
}

TEST_F(Preview, AVastPaperAtTheLargestZoomStaysWithinAWidgetsSize)
{
    // Its width times the zoom is computed wide; the image is as large as a widget can be.
    preview.setPages(std::make_unique<VastPages>());
    preview.setZoom(TRpPreview::maxZoom);
    EXPECT_EQ(preview.image()->size(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    preview.setZoom(TRpPreview::minZoom);
    EXPECT_EQ(preview.image()->width(), Round((INT_MAX / 2) * 2.0L / 100 * 96 / 254) + frameExtent);
}

TEST_F(Preview, ScrollingMovesThePage)
{
    preview.setRpPrinter(printer.get());
    preview.setZoom(200);
    QScrollBar* vertical = preview.verticalScrollBar();
    QScrollBar* horizontal = preview.horizontalScrollBar();
    EXPECT_EQ(vertical->maximum(), 2249 - preview.viewport()->height());
    EXPECT_EQ(horizontal->maximum(), 1591 - preview.viewport()->width());
    vertical->setValue(300);
    horizontal->setValue(120);
    EXPECT_EQ(preview.image()->pos(), QPoint(-120, -300));
    preview.setZoom(150);
    EXPECT_EQ(vertical->value(), 0) << "a new zoom starts at the top";
    EXPECT_EQ(preview.image()->pos(), QPoint(0, 0));
}

TEST_F(Preview, ZoomToWidthAndFitFollowTheControlsSize)
{
    preview.setRpPrinter(printer.get());
    preview.resize(800, 600);
    preview.ZoomToWidth();
    EXPECT_EQ(preview.zoom(), 91) << "round(800 / 794 × 90)";
    EXPECT_EQ(preview.zoomMode(), zmWidth);
    preview.resize(1600, 600);
    EXPECT_EQ(preview.zoom(), 181) << "round(1600 / 794 × 90)";
    EXPECT_EQ(preview.zoomMode(), zmWidth);

    preview.ZoomToFit();
    EXPECT_EQ(preview.zoom(), 51)
        << "the smaller of round(1600 / 794 × 95) and round(600 / 1123 × 95)";
    EXPECT_EQ(preview.zoomMode(), zmFit);
    preview.resize(800, 1200);
    EXPECT_EQ(preview.zoom(), 96) << "round(800 / 794 × 95)";

    preview.setZoom(100);
    EXPECT_EQ(preview.zoomMode(), zmFree);
    preview.resize(400, 400);
    EXPECT_EQ(preview.zoom(), 100);
}

TEST_F(Preview, ZoomWithoutPagesTakesALetterSheet)
{
    preview.resize(800, 600);
    preview.ZoomToWidth();
    EXPECT_EQ(preview.zoom(), 352) << "round(800 / 215.9 × 95)";
    preview.setZoom(100);
    EXPECT_EQ(preview.image()->size(), QSize(220, 283));
}

TEST_F(Preview, AttachingAgainAlwaysReloadsPageOne)
{
    preview.setRpPrinter(printer.get());
    preview.setZoom(100);
    preview.setPageNumber(3);
    preview.setRpPrinter(printer.get());
    EXPECT_EQ(preview.pageNumber(), 1);
    EXPECT_EQ(shownMark(*preview.image()), 1);

    // Another printer whose page 1 differs: the picture is replaced though page 1 was shown.
    MarkedReport other(2);
    other.report.OnStartPage = [&](TRpReport& r) {
        if (auto* mark = r.find<TRpPrintable>("mark")) {
            mark->size().SetUnits(TRpUnit::Native);
            mark->size().setTop(MarkedReport::firstMarkTop + 3 * MarkedReport::markStep);
        }
    };
    other.report.GeneratePages();
    preview.setRpPrinter(other.report.RpPrinter());
    EXPECT_EQ(preview.image()->ShownPage(), 1);
    EXPECT_EQ(shownMark(*preview.image()), 4);
    EXPECT_EQ(printer->listener(), nullptr) << "the first printer is let go";
    EXPECT_FALSE(printer->inPreview());
}

TEST_F(Preview, DetachingEndsThePreviewOfThePrinter)
{
    int afterPreview = 0;
    marked.report.AfterPreview = [&](TRpReport&) { ++afterPreview; };
    preview.setRpPrinter(printer.get());
    preview.setRpPrinter(nullptr);
    EXPECT_EQ(afterPreview, 1);
    EXPECT_EQ(printer->listener(), nullptr);
    EXPECT_FALSE(printer->inPreview());
    EXPECT_FALSE(preview.image()->HasImage());
}

TEST_F(Preview, APrinterThatGoesAwayLeavesAnEmptyPreview)
{
    preview.setRpPrinter(printer.get());
    TRpPrinter* gone = printer.get();
    printer.reset();
    marked.report.GeneratePages(); // the report lets go of its old printer
    ASSERT_NE(marked.report.RpPrinter(), gone);
    EXPECT_EQ(preview.RpPrinter(), nullptr);
    EXPECT_FALSE(preview.image()->HasImage());

    // The new printer was handed the preview as listener; its first notification lets it go.
    TRpPrinter* newer = marked.report.RpPrinter();
    EXPECT_TRUE(testsupport::waitUntil([&] { return newer->listener() == nullptr; }));
}

TEST_F(Preview, PagesOfAPrinterStillGeneratingArriveByNotification)
{
    TRpPrinter generating;
    generating.BeginJob();
    generating.StartNewPage();
    preview.setRpPrinter(&generating);
    EXPECT_FALSE(preview.image()->HasImage()) << "page 1 is still open";

    std::vector<int> available;
    std::vector<int> progress;
    preview.OnPageAvailable = [&](TRpPreview&, int n) { available.push_back(n); };
    preview.OnProgressUpdate = [&](TRpPreview&, int p) { progress.push_back(p); };
    generating.StartNewPage(); // page 1 is done
    generating.postProgress(50);
    EXPECT_TRUE(available.empty()) << "posted, not sent";
    ASSERT_TRUE(testsupport::waitUntil([&] { return !available.empty() && !progress.empty(); }));
    EXPECT_EQ(available, std::vector<int>{1});
    EXPECT_EQ(progress, std::vector<int>{50});
    EXPECT_TRUE(preview.image()->HasImage());
    EXPECT_EQ(preview.zoomMode(), zmWidth) << "the first page comes fitted to the width";
    EXPECT_EQ(preview.zoom(), 91);

    generating.EndJob();
    ASSERT_TRUE(testsupport::waitUntil([&] { return available.size() == 2; }));
    EXPECT_EQ(available.back(), 2);
    preview.setRpPrinter(nullptr);
}

TEST_F(Preview, ClicksOnThePageReachThePreviewsHandlers)
{
    struct ClickedPreview : TRpPreview
    {
        std::vector<QPoint> clicks;
        void mousePressEvent(QMouseEvent* event) override { clicks.push_back(event->pos()); }
    } clicked;
    clicked.resize(800, 600);
    clicked.show();
    clicked.setRpPrinter(printer.get());
    clicked.setZoom(100);
    TRpPreviewImage& image = *clicked.image();
    const QPointF onThePage(40, 50);
    QMouseEvent press(QEvent::MouseButtonPress, onThePage, image.mapToGlobal(onThePage),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&image, &press);
    ASSERT_EQ(clicked.clicks.size(), 1u);
    EXPECT_EQ(clicked.clicks.front(), image.mapTo(clicked.viewport(), onThePage.toPoint()));
    clicked.setRpPrinter(nullptr);
}

TEST_F(Preview, PaintsTheSheetWithBorderAndShadow)
{
    preview.setRpPrinter(printer.get());
    preview.setZoom(100);
    const QImage painted = paintedImage(*preview.image());
    const int w = a4Width + frameExtent;
    const int h = a4Height + frameExtent;
    ASSERT_EQ(painted.size(), QSize(w, h));
    struct Row
    {
        const char* name;
        QPoint at;
        QRgb colour;
    };
    const Row rows[] = {
        {"border, top-left corner", {0, 0}, qRgb(0, 0, 0)},
        {"border, left side", {0, 500}, qRgb(0, 0, 0)},
        {"border, bottom", {400, h - 3}, qRgb(0, 0, 0)},
        {"border, right side", {w - 3, 500}, qRgb(0, 0, 0)},
        {"shadow, right", {w - 1, 500}, qRgb(0, 0, 0)},
        {"shadow, below", {400, h - 1}, qRgb(0, 0, 0)},
        {"shadow leaves the top-right corner", {w - 1, 0}, qRgb(255, 0, 0)},
        {"shadow leaves the bottom-left corner", {0, h - 1}, qRgb(255, 0, 0)},
        {"the white sheet", {400, 900}, qRgb(255, 255, 255)},
        {"the page's box", {60 * 96 * 10 / 254, 37 * 96 * 10 / 254}, qRgb(0, 0, 0)},
    };
    for (const Row& row : rows)
        EXPECT_EQ(painted.pixel(row.at), row.colour) << row.name;
}

TEST_F(Preview, ScreenshotsAtThreeZooms)
{
    MarkedReport sample(2);
    addSamplePage(sample.report);
    sample.report.GeneratePages();
    TRpPreview shown;
    shown.resize(900, 700);
    shown.show();
    shown.setRpPrinter(sample.report.RpPrinter());
    const QString dir = qEnvironmentVariable("MIROLA_SCREENSHOT_DIR");
    struct Shot
    {
        const char* name;
        std::function<void()> zoom;
        int expectedZoom;
    };
    const Shot shots[] = {
        {"preview-100", [&] { shown.setZoom(100); }, 100},
        {"preview-width", [&] { shown.ZoomToWidth(); }, 102},
        {"preview-400",
         [&] {
             shown.setZoom(400);
             // Where the title is.
             shown.horizontalScrollBar()->setValue(1000);
             shown.verticalScrollBar()->setValue(950);
         },
         400},
    };
    for (const Shot& shot : shots) {
        shot.zoom();
        // The scroll bars come and go as the content's size is settled.
        QCoreApplication::processEvents();
        EXPECT_EQ(shown.zoom(), shot.expectedZoom) << shot.name;
        const QImage grab = shown.grab().toImage();
        // Whatever the zoom, the window shows the sheet's white and the text's ink.
        int white = 0;
        int ink = 0;
        for (int y = 0; y < grab.height(); y += 2) {
            for (int x = 0; x < grab.width(); x += 2) {
                const QRgb p = grab.pixel(x, y);
                white += p == qRgb(255, 255, 255);
                ink += qGray(p) < 100;
            }
        }
        EXPECT_GT(white, grab.width() * grab.height() / 4 / 4) << shot.name;
        EXPECT_GT(ink, 0) << shot.name;
        if (!dir.isEmpty())
            grab.save(QDir(dir).filePath(QString::fromLatin1(shot.name) + u".png"_s));
    }
}
