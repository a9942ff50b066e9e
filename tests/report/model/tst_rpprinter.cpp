#include "RecordingDevice.h"
#include "gfx/EmfReader.h"
#include "report/model/ERpError.h"
#include "report/model/TRpPrinter.h"
#include "report/model/TRpPrinterListener.h"
#include "report/store/ReportFileError.h"
#include "report/store/TRpPageList.h"
#include "tests/support/TestSupport.h"
#include "tests/support/UnwritableTempFolder.h"

#include <QFile>
#include <cstring>
#include <gtest/gtest.h>

using namespace report;
using testsupport::RecordingDevice;

namespace {

std::string errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const ERpError& e) {
        return e.what();
    }
    return "no error";
}

struct Printer
{
    std::shared_ptr<RecordingDevice::Log> log = std::make_shared<RecordingDevice::Log>();
    TRpPrinter printer;

    explicit Printer(PrinterDeviceInfo info = testsupport::screenLikePrinter(), int printers = 1)
        : printer(std::make_unique<RecordingDevice>(log, std::move(info), printers))
    {
    }
};

class Listener : public TRpPrinterListener
{
public:
    void printerProgress(TRpPrinter&, int percent) override { progress.push_back(percent); }
    void printerPageAvailable(TRpPrinter&, int pages) override { available.push_back(pages); }
    void printerDetached(TRpPrinter&) override { detached = true; }

    std::vector<int> progress;
    std::vector<int> available;
    bool detached = false;
};

} // namespace

TEST(JobProtocol, MisuseRaisesTheEngineErrors)
{
    TRpPrinter printer;
    EXPECT_EQ(errorOf([&] { printer.StartNewPage(); }), "Illegal call to NewPage");
    printer.BeginJob();
    EXPECT_EQ(errorOf([&] { printer.BeginJob(); }), "RpPrinter not ready");
    printer.StartNewPage();
    printer.EndJob();
    EXPECT_EQ(errorOf([&] { printer.StartNewPage(); }), "Illegal call to NewPage");
    EXPECT_EQ(errorOf([&] { printer.BeginJob(); }), "RpPrinter not ready")
        << "a finished printer is not reused";
}

TEST(JobProtocol, BeginningABusyJobKeepsItsOpenPage)
{
    TRpPrinter printer;
    printer.BeginJob();
    printer.StartNewPage();
    EXPECT_THROW(printer.BeginJob(), ERpError);
    EXPECT_TRUE(printer.hasPageCanvas());
    EXPECT_EQ(printer.PageTotal(), 1);
}

TEST(JobProtocol, StatesAndPageCounts)
{
    TRpPrinter printer;
    EXPECT_EQ(printer.jobState(), jsReady);
    printer.BeginJob();
    EXPECT_EQ(printer.jobState(), jsBusy);
    for (int i = 0; i < 3; ++i)
        printer.StartNewPage();
    EXPECT_EQ(printer.PageTotal(), 3);
    EXPECT_EQ(printer.pageIndex(), 3);
    EXPECT_EQ(printer.PagesAvailable(), 2);
    printer.EndJob();
    EXPECT_EQ(printer.jobState(), jsFinished);
    EXPECT_EQ(printer.PagesAvailable(), 3);
    EXPECT_FALSE(printer.hasPageCanvas());
}

TEST(JobProtocol, PageAvailableIsPostedToTheListener)
{
    Listener listener;
    TRpPrinter printer;
    printer.setListener(&listener);
    printer.BeginJob();
    printer.StartNewPage();
    printer.StartNewPage();
    EXPECT_TRUE(listener.available.empty()) << "posted, not sent";
    printer.postProgress(45);
    printer.EndJob();
    ASSERT_TRUE(testsupport::waitUntil([&] { return listener.available.size() == 2; }));
    EXPECT_EQ(listener.available, (std::vector<int>{1, 2}));
    EXPECT_EQ(listener.progress, std::vector<int>{45});
}

TEST(JobProtocol, DestroyingAPrinterDetachesItsListener)
{
    Listener listener;
    {
        TRpPrinter printer;
        printer.setListener(&listener);
        printer.BeginJob();
        printer.StartNewPage();
    }
    EXPECT_TRUE(listener.detached);
    QCoreApplication::processEvents(); // a pending notification of the gone printer is dropped
    EXPECT_TRUE(listener.available.empty());
}

TEST(JobProtocol, AListenerThatGoesFirstIsForgottenByItsPrinters)
{
    TRpPrinter printer;
    TRpPrinter other;
    {
        Listener listener;
        printer.setListener(&listener);
        other.setListener(&listener); // as a new report printer inherits the old one's listener
        printer.BeginJob();
        printer.StartNewPage();
        printer.StartNewPage(); // posts a page-available notification for later
    }
    EXPECT_EQ(printer.listener(), nullptr);
    EXPECT_EQ(other.listener(), nullptr);
    QCoreApplication::processEvents(); // the posted notification finds no listener to call
    printer.EndJob();
    QCoreApplication::processEvents();
}

TEST(JobProtocol, LeavingThePreviewCancelsABusyJobAndNotifies)
{
    TRpPrinter printer;
    int afterPreview = 0;
    printer.afterPreview = [&] { ++afterPreview; };
    printer.setInPreview(true);
    printer.BeginJob();
    printer.setInPreview(false);
    EXPECT_TRUE(printer.cancelRequested());
    EXPECT_EQ(afterPreview, 1);
}

TEST(JobProtocol, AbortKeepsTheOpenPage)
{
    TRpPrinter printer;
    printer.BeginJob();
    printer.StartNewPage();
    printer.StartNewPage();
    printer.AbortJob();
    EXPECT_EQ(printer.jobState(), jsFinished);
    EXPECT_TRUE(printer.PageImage(2).has_value());
}

TEST(JobProtocol, APageThatCannotBeStoredFailsItsStepAndTheBusyPrinterIsFreedQuietly)
{
    const testsupport::UnwritableTempFolder unwritable;
    auto printer = std::make_unique<TRpPrinter>();
    printer->BeginJob();
    printer->StartNewPage();
    // More than the store keeps in memory, so storing the page needs the temporary folder.
    for (int i = 0; i < 6000; ++i)
        printer->PageCanvas().Rectangle({i % 700, i % 1000, i % 700 + 20, i % 1000 + 20});
    EXPECT_THROW(printer->StartNewPage(), EStreamError);
    EXPECT_FALSE(printer->hasPageCanvas()) << "the page that failed is not stored again";
    // Freeing a busy printer must not store (and fail) again inside its destructor.
    printer.reset();

    TRpPrinter ended;
    ended.BeginJob();
    ended.StartNewPage();
    for (int i = 0; i < 6000; ++i)
        ended.PageCanvas().Rectangle({i % 700, i % 1000, i % 700 + 20, i % 1000 + 20});
    EXPECT_THROW(ended.EndJob(), EStreamError);
    EXPECT_EQ(ended.jobState(), jsFinished) << "a job whose end failed is not left busy";
}

TEST(DeviceCoordinates, ScreenScalesForThePageStore)
{
    TRpPrinter printer;
    printer.BeginJob();
    EXPECT_DOUBLE_EQ(double(printer.XScale()), 96 / 254.0);
    EXPECT_EQ(printer.DeviceX(2100), 794);
    EXPECT_EQ(printer.DeviceY(2970), 1123);
    EXPECT_EQ(printer.DeviceWidth(254), 96);
    EXPECT_EQ(printer.DeviceHeight(127), 48);
}

TEST(DeviceCoordinates, PrinterScalesAndUnprintableMarginsRoundHalvesToEven)
{
    PrinterDeviceInfo info = testsupport::screenLikePrinter();
    info.dpiX = info.dpiY = 254; // one device unit per native unit
    info.physicalOffsetX = 10;
    info.physicalOffsetY = 20;
    Printer p(info);
    p.printer.setOutputTarget(ToPrinter);
    p.printer.BeginJob();
    EXPECT_EQ(p.printer.LeftUnprintable(), 10);
    EXPECT_EQ(p.printer.TopUnprintable(), 20);
    struct Case
    {
        const char* name;
        long double native;
        int x;
        int width;
    };
    const Case cases[] = {
        {"two and a half", 12.5L, 2, 12},
        {"three and a half", 13.5L, 4, 14},
        {"left of the printable area", 9.5L, 0, 10},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(p.printer.DeviceX(c.native), c.x) << c.name;
        EXPECT_EQ(p.printer.DeviceWidth(c.native), c.width) << c.name;
    }
    EXPECT_EQ(p.printer.DeviceY(22.5L), 2);
}

TEST(PaperDimensions, FollowPaperAndOrientation)
{
    struct Case
    {
        const char* name;
        TRpPaperSize paper;
        TPrinterOrientation orientation;
        int width;
        int length;
    };
    const Case cases[] = {
        {"A4 portrait", TRpPaperSize::A4, poPortrait, 2100, 2970},
        {"A4 landscape", TRpPaperSize::A4, poLandscape, 2970, 2100},
        {"Letter portrait", TRpPaperSize::Letter, poPortrait, 2159, 2794},
        {"Env9 rounds its tenths", TRpPaperSize::Env9, poPortrait, 984, 2254},
        {"Custom landscape", TRpPaperSize::Custom, poLandscape, 700, 500},
    };
    for (const auto& c : cases) {
        TRpPrinter printer;
        printer.setPaperSize(c.paper);
        printer.setPaperWidth(500);
        printer.setPaperLength(700);
        printer.setOrientation(c.orientation);
        EXPECT_EQ(printer.PaperWidthNative(), c.width) << c.name;
        EXPECT_EQ(printer.PaperLengthNative(), c.length) << c.name;
    }
}

TEST(PaperDimensions, APaperTheDriverLacksLeavesTheDriversPaper)
{
    PrinterDeviceInfo info = testsupport::screenLikePrinter();
    info.paperCodes = {9}; // A4 only
    info.dpiX = info.dpiY = 300;
    info.physicalWidth = 2480;
    info.physicalHeight = 3508;
    Printer p(info);
    p.printer.setPaperSize(TRpPaperSize::Legal);
    EXPECT_EQ(p.printer.deviceSettings().paperSize(), TRpPaperSize::A4);
    EXPECT_EQ(p.printer.PaperLengthNative(), 2970);
    p.printer.setPaperSize(TRpPaperSize::Default);
    EXPECT_EQ(p.printer.PaperWidthNative(), 2100) << "the physical paper, 2480 / 300 inch";
    EXPECT_EQ(p.printer.PaperLengthNative(), 2970);
}

TEST(DeviceSettings, ReadFromTheDriver)
{
    PrinterDeviceInfo info = testsupport::screenLikePrinter();
    info.dpiX = 600;
    info.dpiY = 300;
    info.physicalOffsetX = 100; // 1/6 inch: 42.33 native
    info.physicalOffsetY = 75;  // 1/4 inch: 63.5 native, rounds to even
    info.driverName = std::string(80, 'd');
    info.copies = 3;
    info.supportsCopies = false;
    info.defaultSource = 4; // Manual
    info.supportsSource = true;
    info.simplex = false;
    info.supportsDuplex = true;
    info.paperCode = 1;
    info.paperCodes = {1, 5, 77};
    TPrinterSettings settings;
    RecordingDevice device(std::make_shared<RecordingDevice::Log>(), info);
    settings.attach(&device);
    EXPECT_EQ(settings.leftOffset(), 42);
    EXPECT_EQ(settings.topOffset(), 64);
    EXPECT_EQ(settings.driverName().size(), TPrinterSettings::maxDriverNameBytes);
    EXPECT_EQ(settings.copies(), 1) << "the driver does not support copies";
    EXPECT_EQ(settings.outputBin(), TRpBin::Manual);
    EXPECT_TRUE(settings.duplex());
    EXPECT_EQ(settings.paperSize(), TRpPaperSize::Letter);
    EXPECT_TRUE(settings.supportsPaper(TRpPaperSize::Legal));
    EXPECT_TRUE(settings.supportsPaper(TRpPaperSize::Custom));
    EXPECT_FALSE(settings.supportsPaper(TRpPaperSize::A4));
    settings.setCopies(5);
    EXPECT_EQ(settings.copies(), 1);
}

TEST(DeviceSettings, DeviceModeOfAPrintJob)
{
    PrinterDeviceInfo info = testsupport::screenLikePrinter();
    info.supportsSource = true;
    info.defaultSource = 256 | 7;
    Printer p(info);
    p.printer.setPaperSize(TRpPaperSize::Letter);
    p.printer.setOrientation(poLandscape);
    p.printer.setCopies(2);
    p.printer.setOutputBin(TRpBin::Cassette);
    p.printer.setOutputTarget(ToPrinter);
    p.printer.BeginJob();
    ASSERT_EQ(p.log->modes.size(), 1u);
    const PrinterDeviceMode& mode = p.log->modes[0];
    EXPECT_EQ(mode.paperCode, 1);
    EXPECT_EQ(mode.orientation, 2);
    EXPECT_EQ(mode.copies, 2);
    EXPECT_EQ(mode.defaultSource, 256 | 14) << "the driver's flag is kept";
    EXPECT_EQ(mode.duplex, 0);
}

TEST(PrinterOutput, OnlyPagesInTheRangeReachTheDevice)
{
    Printer p;
    p.printer.setOutputTarget(ToPrinter);
    p.printer.setPageRange(2, 3);
    p.printer.jobTitle = "statement";
    p.printer.BeginJob();
    for (int page = 1; page <= 4; ++page) {
        p.printer.StartNewPage();
        p.printer.PageCanvas().TextOut(0, 0, "page " + std::to_string(page));
    }
    p.printer.EndJob();
    EXPECT_EQ(p.log->events, (std::vector<std::string>{"begin statement", "new page", "end"}));
    ASSERT_EQ(p.log->pages.size(), 2u);
    const auto textOf = [](const std::vector<gfx::DrawCall>& calls) {
        return calls.empty() ? std::string() : calls.back().text;
    };
    EXPECT_EQ(textOf(p.log->pages[0]), "page 2");
    EXPECT_EQ(textOf(p.log->pages[1]), "page 3");
    EXPECT_EQ(p.printer.PageTotal(), 4);
}

TEST(PrinterOutput, NoPrinterNoJob)
{
    Printer p(testsupport::screenLikePrinter(), 0);
    EXPECT_FALSE(p.printer.HasPrinters());
    p.printer.setOutputTarget(ToPrinter);
    EXPECT_THROW(p.printer.BeginJob(), ERpError);
}

TEST(PageStore, PageImagesOnlyOfStartedJobsAndExistingPages)
{
    TRpPrinter printer;
    EXPECT_FALSE(printer.PageImage(1).has_value()) << "ready";
    printer.BeginJob();
    printer.StartNewPage();
    printer.StartNewPage();
    printer.EndJob();
    EXPECT_FALSE(printer.PageImage(0).has_value());
    EXPECT_FALSE(printer.PageImage(3).has_value());
    const auto page = printer.PageImage(2);
    ASSERT_TRUE(page.has_value());
    gfx::EmfHeader header;
    ASSERT_TRUE(gfx::EmfReader::readHeader(*page, header));
    EXPECT_EQ(header.pixelSize(), (gfx::Size{794, 1123})) << "an A4 page at 96 dpi";
}

TEST(PageStore, SavingBeforeTheJobEndsWritesNothing)
{
    testsupport::TempDir dir;
    const std::string file = dir.file("early.rpf");
    TRpPrinter printer;
    printer.SaveReportFile(QString::fromStdString(file));
    printer.BeginJob();
    printer.StartNewPage();
    printer.SaveReportFile(QString::fromStdString(file));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(file)));
}

namespace {

uint32_t u32At(const QByteArray& bytes, qsizetype at)
{
    uint32_t v = 0;
    std::memcpy(&v, bytes.constData() + at, 4);
    return v;
}

// A finished page-store job of `pages` pages, each with one text.
void drawPages(TRpPrinter& printer, int pages)
{
    printer.BeginJob();
    for (int page = 1; page <= pages; ++page) {
        printer.StartNewPage();
        printer.PageCanvas().TextOut(10, 10, "page " + std::to_string(page));
    }
    printer.EndJob();
}

} // namespace

TEST(PageStore, OnePageFileHasTheRecordLayout)
{
    testsupport::TempDir dir;
    const QString file = QString::fromStdString(dir.file("one.rpf"));
    TRpPrinter printer;
    drawPages(printer, 1);
    EXPECT_EQ(printer.pageStore()->Stream().SpillThreshold(), 100000);
    printer.SaveReportFile(file);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    ASSERT_GT(bytes.size(), 180);
    EXPECT_EQ(u32At(bytes, 8), 1u) << "page count";
    EXPECT_EQ(bytes[25], 0) << "not compressed";
    EXPECT_EQ(u32At(bytes, 128), 1u) << "page number";
    EXPECT_EQ(u32At(bytes, 132), uint32_t(bytes.size())) << "link to the end";
    EXPECT_EQ(bytes.mid(176, 4), QByteArray(" EMF"));
    EXPECT_EQ(u32At(bytes, bytes.size() - 4), 128u) << "the record's own start";
    const auto page = printer.PageImage(1);
    ASSERT_TRUE(page.has_value());
    EXPECT_EQ(bytes.mid(136, qsizetype(page->size())), QByteArray::fromStdString(*page));
}

TEST(PageStore, CompressedPagesReadBackTheSame)
{
    testsupport::TempDir dir;
    const QString file = QString::fromStdString(dir.file("packed.rpf"));
    TRpPrinter printer;
    printer.compressed = true;
    drawPages(printer, 3);
    printer.SaveReportFile(file);
    const auto opened = TRpPageList::OpenReportFile(file);
    ASSERT_NE(opened, nullptr);
    EXPECT_TRUE(opened->Compressed());
    ASSERT_EQ(opened->StoredPages(), 3);
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(opened->LoadPage(n), printer.PageImage(n)) << "page " << n;
}

TEST(PageStore, SavingReplacesAnExistingFile)
{
    testsupport::TempDir dir;
    const QString file = QString::fromStdString(dir.file("again.rpf"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(500000, 'x'));
    }
    TRpPrinter printer;
    drawPages(printer, 2);
    printer.SaveReportFile(file);
    const auto opened = TRpPageList::OpenReportFile(file);
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->StoredPages(), 2);
}
