#include "report/model/TRpPrinter.h"
#include "report/preview/ReportFilePages.h"
#include "report/print/PlatformPrinter.h"
#include "report/print/PrintStoredPages.h"
#include "tests/report/print/CupsQueue.h"
#include "tests/report/print/MarkedReport.h"
#include "tests/support/TestSupport.h"
#include "text/Cp949.h"

#include <QPrinter>
#include <gtest/gtest.h>
#include <optional>
#include <stdexcept>
#include <string>

using namespace report;
using namespace Qt::StringLiterals;

namespace {

constexpr int renderDpi = 60;
constexpr double mmPerInch = 25.4;

using StoredPages = PrintServerTest;

} // namespace

TEST_F(StoredPages, ASavedFilesPagesPrintWhereTheyWereDrawn)
{
    MarkedReport marked(4);
    marked.report.GeneratePages();
    testsupport::TempDir dir;
    const QString path = QString::fromStdString(dir.file("saved.rpf"));
    marked.report.RpPrinter()->SaveReportFile(path);
    const ReportFilePages pages(path);

    QPrinter& printer = PlatformPrinter::instance().printer();
    const QString title = CupsQueue::uniqueTitle(u"stored"_s);
    ASSERT_TRUE(PrintStoredPages(printer, text::toCp949(title), pages.PageTotal(), 2, 3,
                                 [&](int n) { return pages.PageImage(n); }));
    const auto job = queue.waitForJob(title);
    ASSERT_TRUE(job) << "the job never finished";
    EXPECT_EQ(job->pages, 2);
    for (int sheet = 1; sheet <= 2; ++sheet) {
        const QRect box = inkBounds(CupsQueue::renderPage(job->pdf, sheet, renderDpi));
        ASSERT_FALSE(box.isEmpty());
        EXPECT_EQ(MarkedReport::pageOfMarkTop(box.top() * mmPerInch / renderDpi), sheet + 1);
        EXPECT_NEAR(box.left() * mmPerInch / renderDpi, MarkedReport::markLeft / 10, 1);
        EXPECT_NEAR(box.width() * mmPerInch / renderDpi, MarkedReport::markWidth / 10, 1);
    }
    EXPECT_FALSE(printer.fullPage()) << "the printer is left as it was";
}

TEST_F(StoredPages, APageThatCannotBeReadStopsTheJob)
{
    MarkedReport marked(4);
    marked.report.GeneratePages();
    TRpPrinter& pages = *marked.report.RpPrinter();
    QPrinter& printer = PlatformPrinter::instance().printer();
    const QString failed = CupsQueue::uniqueTitle(u"stored-failed"_s);
    EXPECT_THROW(PrintStoredPages(printer, text::toCp949(failed), pages.PageTotal(), 0, 0,
                                  [&](int n) -> std::optional<std::string> {
                                      if (n == 3)
                                          throw std::runtime_error("page 3 cannot be read");
                                      return pages.PageImage(n);
                                  }),
                 std::runtime_error);
    EXPECT_FALSE(printer.fullPage()) << "the printer is left as it was";
    // The queue prints in order: once a later job is through, the failed one would be too.
    const QString later = CupsQueue::uniqueTitle(u"stored-later"_s);
    ASSERT_TRUE(PrintStoredPages(printer, text::toCp949(later), pages.PageTotal(), 1, 1,
                                 [&](int n) { return pages.PageImage(n); }));
    ASSERT_TRUE(queue.waitForJob(later)) << "the later job never finished";
    EXPECT_FALSE(queue.waitForJob(failed, 0)) << "no document goes out with pages missing";
}
