#include "report/model/TRpPrinter.h"
#include "report/print/TRpProgressForm.h"
#include "tests/support/TestSupport.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace report;
using namespace Qt::StringLiterals;

TEST(ProgressForm, LayoutAndTexts)
{
    TRpProgressForm form;
    EXPECT_EQ(form.windowTitle(), u"Printing progress"_s);
    EXPECT_EQ(form.size(), QSize(149, 97));
    EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "fixed size";
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(form.Gauge->geometry(), QRect(16, 18, 114, 16));
    EXPECT_EQ(form.Gauge->minimum(), 0);
    EXPECT_EQ(form.Gauge->maximum(), 100);
    EXPECT_EQ(form.Info->geometry().topLeft(), QPoint(0, 44));
    EXPECT_EQ(form.Info->width(), 145);
    EXPECT_EQ(form.Info->alignment(), Qt::AlignCenter);
    EXPECT_EQ(form.CancelButton->text(), u"Cancel"_s);
    EXPECT_EQ(form.CancelButton->geometry(), QRect(36, 60, 75, 25));
}

TEST(ProgressForm, ShowsEveryFifthPercent)
{
    struct Row
    {
        const char* name;
        int percent;
        int bar;
        QString info;
    };
    const Row rows[] = {
        {"a multiple of five is shown", 40, 40, u"40%  Completed"_s},
        {"other values leave the window as it was", 42, 40, u"40%  Completed"_s},
        {"the next multiple is shown again", 45, 45, u"45%  Completed"_s},
        {"the end", 100, 100, u"100%  Completed"_s},
    };
    TRpPrinter printer;
    TRpProgressForm form;
    for (const Row& row : rows) {
        form.printerProgress(printer, row.percent);
        EXPECT_EQ(form.Gauge->value(), row.bar) << row.name;
        EXPECT_EQ(form.Info->text(), row.info) << row.name;
    }
}

TEST(ProgressForm, FollowsThePrintersPostedNotifications)
{
    TRpPrinter printer;
    TRpProgressForm form;
    printer.setListener(&form);
    printer.postProgress(35);
    EXPECT_EQ(form.Gauge->value(), 0) << "posted, not sent";
    ASSERT_TRUE(testsupport::waitUntil([&] { return form.Gauge->value() == 35; }));
    EXPECT_EQ(form.printer(), &printer);
}

TEST(ProgressForm, CancelAsksItsPrinterToCancel)
{
    TRpPrinter printer;
    TRpProgressForm form;
    form.setPrinter(&printer);
    form.CancelButton->click();
    EXPECT_TRUE(printer.cancelRequested());
}

TEST(ProgressForm, APrinterThatGoesIsForgotten)
{
    TRpProgressForm form;
    {
        TRpPrinter printer;
        printer.setListener(&form);
        form.setPrinter(&printer);
    }
    EXPECT_EQ(form.printer(), nullptr);
    form.CancelButton->click(); // nothing left to cancel, nothing happens
}
