#include "report/model/TPrinterSettings.h"
#include "report/print/PlatformPrinter.h"
#include "report/print/QtPrinterDevice.h"
#include "tests/report/print/CupsQueue.h"

#include <QPrinter>
#include <gtest/gtest.h>

using namespace report;
using namespace Qt::StringLiterals;

namespace {

// The fixture's server holds exactly these queues (cups-pdf, A4 by default); the first is
// its default printer.
const QString firstQueue = u"mirola-pdf"_s;
const QString secondQueue = u"mirola-pdf-2"_s;

class PrintDevice : public PrintServerTest
{
protected:
    void SetUp() override
    {
        PrintServerTest::SetUp();
        if (!serverReady())
            return;
        for (int i = 0; i < device.printerCount(); ++i) {
            QtPrinterDevice probe(i);
            if (probe.printerInfo().printerName() == firstQueue)
                first = i;
            if (probe.printerInfo().printerName() == secondQueue)
                second = i;
        }
        ASSERT_GE(first, 0);
        ASSERT_GE(second, 0);
    }

    QtPrinterDevice device;
    int first = -1;
    int second = -1;
};

} // namespace

TEST_F(PrintDevice, ListsTheServersQueuesWithTheDefaultSelected)
{
    EXPECT_EQ(device.printerCount(), 2);
    EXPECT_EQ(device.printerIndex(), first);
    EXPECT_EQ(device.printerInfo().printerName(), firstQueue);
    EXPECT_EQ(device.info().deviceName, "mirola-pdf");
}

TEST_F(PrintDevice, SelectsPrintersByIndex)
{
    struct Row
    {
        const char* name;
        int index;
        QString expected;
    };
    device.setPrinterIndex(second);
    const Row rows[] = {
        {"an index beyond the list is ignored", 2, secondQueue},
        {"a negative index other than -1 is ignored", -2, secondQueue},
        {"-1 selects the system's default printer", -1, firstQueue},
        {"a listed index selects that printer", second, secondQueue},
    };
    for (const Row& row : rows) {
        device.setPrinterIndex(row.index);
        EXPECT_EQ(device.printerInfo().printerName(), row.expected) << row.name;
        EXPECT_EQ(device.printer().printerName(), row.expected) << row.name;
    }
}

TEST_F(PrintDevice, NewDevicesStartOnThePrinterThePlatformHasSelected)
{
    PlatformPrinter::instance().setPrinterIndex(second);
    EXPECT_EQ(newPrinterDevice()->printerIndex(), second);
    PlatformPrinter::instance().setPrinterIndex(-1);
    EXPECT_EQ(newPrinterDevice()->printerIndex(), first);
}

TEST_F(PrintDevice, SettingsAreReadFromTheDriver)
{
    TPrinterSettings settings;
    settings.attach(&device);
    const int dpi = device.printer().resolution();
    EXPECT_GT(dpi, 0);
    EXPECT_EQ(settings.dpiX(), dpi);
    EXPECT_EQ(settings.dpiY(), dpi);
    EXPECT_EQ(settings.paperSize(), TRpPaperSize::A4);
    EXPECT_EQ(settings.paperWidth(), 2100);
    EXPECT_EQ(settings.paperLength(), 2970);
    // The queue's printable area is the whole sheet.
    EXPECT_EQ(settings.leftOffset(), 0);
    EXPECT_EQ(settings.topOffset(), 0);
    EXPECT_EQ(settings.copies(), 1);
    EXPECT_FALSE(settings.duplex());
    EXPECT_EQ(settings.outputBin(), TRpBin::First) << "no paper sources are known";

    const PrinterDeviceInfo info = device.info();
    // A4 in device pixels, from the driver's 595 × 842 points.
    EXPECT_EQ(info.physicalWidth, qRound(595.0 / 72 * dpi));
    EXPECT_EQ(info.physicalHeight, qRound(842.0 / 72 * dpi));
    EXPECT_EQ(info.paperCode, 9);
    EXPECT_TRUE(info.supportsCopies);
    EXPECT_FALSE(info.supportsDuplex);
    EXPECT_TRUE(info.simplex);
}

TEST_F(PrintDevice, SupportedPapersAreTheDriversList)
{
    TPrinterSettings settings;
    settings.attach(&device);
    for (TRpPaperSize paper : {TRpPaperSize::Letter, TRpPaperSize::Legal, TRpPaperSize::A3,
                               TRpPaperSize::A4, TRpPaperSize::A5, TRpPaperSize::B5,
                               TRpPaperSize::Env10, TRpPaperSize::Custom, TRpPaperSize::Default})
        EXPECT_TRUE(settings.supportsPaper(paper)) << int(paper);
    for (TRpPaperSize paper : {TRpPaperSize::Statement, TRpPaperSize::Folio, TRpPaperSize::Env9})
        EXPECT_FALSE(settings.supportsPaper(paper)) << int(paper);
}

TEST_F(PrintDevice, TheJobsSettingsReachThePrinterWhereTheDriverAllowsThem)
{
    TPrinterSettings settings;
    settings.attach(&device);
    settings.setPaperSize(TRpPaperSize::Statement);
    EXPECT_EQ(settings.paperSize(), TRpPaperSize::A4) << "a paper the driver lacks is refused";
    settings.setOutputBin(TRpBin::Manual);
    EXPECT_EQ(settings.outputBin(), TRpBin::First) << "the driver takes no paper source";
    settings.setPaperSize(TRpPaperSize::Letter);
    settings.setCopies(3);
    settings.setOrientation(poLandscape);

    device.applyDeviceMode(settings.deviceMode());
    QPrinter& printer = device.printer();
    EXPECT_EQ(printer.pageLayout().pageSize().id(), QPageSize::Letter);
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_EQ(printer.copyCount(), 3);
    const PrinterDeviceInfo info = device.info();
    EXPECT_EQ(info.paperCode, 1);
    const int dpi = info.dpiX;
    EXPECT_EQ(info.physicalWidth, 11 * dpi) << "landscape Letter";
    EXPECT_EQ(info.physicalHeight, qRound(8.5 * dpi));

    device.resetDriverSettings();
    EXPECT_EQ(device.printer().pageLayout().pageSize().id(), QPageSize::A4);
    EXPECT_EQ(device.printer().copyCount(), 1);
    EXPECT_EQ(device.printerInfo().printerName(), firstQueue) << "the same printer stays selected";
}

TEST_F(PrintDevice, UserDefinedPaperIsSetInTenthsOfAMillimetre)
{
    TPrinterSettings settings;
    settings.attach(&device);
    settings.setPaperSize(TRpPaperSize::Custom);
    settings.setPaperWidth(1000);
    settings.setPaperLength(1500);
    device.applyDeviceMode(settings.deviceMode());

    const QSizeF size = device.printer().pageLayout().pageSize().size(QPageSize::Millimeter);
    EXPECT_NEAR(size.width(), 100, 0.4);
    EXPECT_NEAR(size.height(), 150, 0.4);
    settings.readFromDevice();
    EXPECT_EQ(settings.paperSize(), TRpPaperSize::Custom);
    // The print system keeps sizes in whole points (3.5 native units).
    EXPECT_NEAR(settings.paperWidth(), 1000, 4);
    EXPECT_NEAR(settings.paperLength(), 1500, 4);
}
