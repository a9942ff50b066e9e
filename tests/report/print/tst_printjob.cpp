#include "report/print/PrintReport.h"
#include "report/print/QtPrinterDevice.h"
#include "report/print/TRpProgressForm.h"
#include "tests/report/print/CupsQueue.h"
#include "tests/report/print/MarkedReport.h"
#include "text/Cp949.h"

#include <QApplication>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace report;
using namespace Qt::StringLiterals;

namespace {

// Rendering resolution of printed pages read back: enough to place a box to half a millimetre.
constexpr int renderDpi = 60;
constexpr double mmPerInch = 25.4;

class PrintJob : public PrintServerTest
{
protected:
    // Prints `marked` under a new title and waits for the queue to finish it.
    std::optional<CupsQueue::Job> print(MarkedReport& marked, const QString& what)
    {
        const QString title = CupsQueue::uniqueTitle(what);
        marked.report.setReportTitle(text::toCp949(title));
        report::PrintReport(marked.report);
        return queue.waitForJob(title);
    }
};

double mm(int pixels)
{
    return pixels * mmPerInch / renderDpi;
}

TRpProgressForm* progressWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* form = qobject_cast<TRpProgressForm*>(w))
            return form;
    }
    return nullptr;
}

} // namespace

TEST_F(PrintJob, ARangeOfPagesReachesTheQueueWithTheirContent)
{
    MarkedReport marked(4, newPrinterDevice);
    marked.report.GeneratePages();
    TRpPrinter* previewed = marked.report.RpPrinter();
    marked.report.printerSettings.firstPage = 2;
    marked.report.printerSettings.lastPage = 3;

    const auto job = print(marked, u"range"_s);
    ASSERT_TRUE(job) << "the job never finished";
    EXPECT_EQ(job->pages, 2);
    EXPECT_EQ(job->copies, 1);
    EXPECT_EQ(job->media, u"A4"_s);
    for (int sheet = 1; sheet <= 2; ++sheet) {
        const QRect box = inkBounds(CupsQueue::renderPage(job->pdf, sheet, renderDpi));
        ASSERT_FALSE(box.isEmpty()) << "sheet " << sheet;
        EXPECT_EQ(MarkedReport::pageOfMarkTop(mm(box.top())), sheet + 1) << "sheet " << sheet;
        EXPECT_NEAR(mm(box.left()), MarkedReport::markLeft / 10, 1);
        EXPECT_NEAR(mm(box.width()), MarkedReport::markWidth / 10, 1);
        EXPECT_NEAR(mm(box.height()), MarkedReport::markHeight / 10, 1);
    }
    EXPECT_EQ(marked.report.RpPrinter(), previewed) << "the preview keeps its pages";
}

TEST_F(PrintJob, CopiesAndOrientationReachTheJob)
{
    MarkedReport marked(1, newPrinterDevice);
    marked.report.printerSettings.copies = 2;
    marked.report.page().setOrientation(poLandscape);

    const auto job = print(marked, u"copies"_s);
    ASSERT_TRUE(job) << "the job never finished";
    EXPECT_EQ(job->copies, 2);
    // The landscape page lies turned on the queue's portrait sheet: the wide box stands upright.
    const QRect box = inkBounds(CupsQueue::renderPage(job->pdf, 1, renderDpi));
    ASSERT_FALSE(box.isEmpty());
    EXPECT_NEAR(mm(box.height()), MarkedReport::markWidth / 10, 1);
    EXPECT_NEAR(mm(box.width()), MarkedReport::markHeight / 10, 1);
}

TEST_F(PrintJob, ACancelledJobNeverReachesTheQueue)
{
    MarkedReport marked(4, newPrinterDevice);
    int record = 0;
    bool clicked = false;
    marked.report.OnNeedData = [&](TRpReport&) {
        if (++record == 3) {
            // Where a data-driven run lets the window's events through, the user cancels.
            QCoreApplication::processEvents();
            TRpProgressForm* form = progressWindow();
            if (form && form->isVisible()) {
                form->CancelButton->click();
                clicked = true;
            }
        }
        return record <= 4;
    };
    const QString cancelled = CupsQueue::uniqueTitle(u"cancelled"_s);
    marked.report.setReportTitle(text::toCp949(cancelled));
    report::PrintReport(marked.report);
    ASSERT_TRUE(clicked) << "no progress window to cancel";

    // The queue runs its jobs in order: once a later job is done, an earlier one would be too.
    MarkedReport later(1, newPrinterDevice);
    ASSERT_TRUE(print(later, u"after-cancel"_s)) << "the later job never finished";
    EXPECT_FALSE(queue.waitForJob(cancelled, 0));
    EXPECT_EQ(progressWindow(), nullptr) << "the progress window goes with the job";
}
