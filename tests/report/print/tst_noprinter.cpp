#include "report/print/InstalledPrinters.h"
#include "report/print/PrintReport.h"
#include "report/print/QtPrinterDevice.h"
#include "tests/report/print/MarkedReport.h"

#include <gtest/gtest.h>

using namespace report;

// The print system answers nowhere here: no printer is installed.

TEST(NoPrinter, NoneIsListed)
{
    EXPECT_TRUE(installedPrinters().isEmpty());
    QtPrinterDevice device;
    EXPECT_EQ(device.printerCount(), 0);
    EXPECT_EQ(device.printerIndex(), -1);
    device.setPrinterIndex(0); // nothing to select, nothing happens
    EXPECT_EQ(device.printerIndex(), -1);
    EXPECT_FALSE(TRpPrinter(newPrinterDevice()).HasPrinters());
}

TEST(NoPrinter, PrintingDoesNothingAndReportsNothing)
{
    MarkedReport marked(2, newPrinterDevice);
    marked.report.GeneratePages();
    TRpPrinter* previewed = marked.report.RpPrinter();
    ASSERT_EQ(previewed->PageTotal(), 2) << "pages are still drawn for the preview";
    EXPECT_EQ(previewed->PaperWidthNative(), 2100);
    EXPECT_EQ(previewed->PaperLengthNative(), 2970);

    int runs = 0;
    int printed = 0;
    marked.report.BeforePrint = [&](TRpReport&, bool&) { ++runs; };
    marked.report.AfterPrint = [&](TRpReport&) { ++printed; };
    EXPECT_NO_THROW(report::PrintReport(marked.report));
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(printed, 0);
    EXPECT_EQ(marked.report.RpPrinter(), previewed);
    EXPECT_TRUE(marked.report.idle());
}
