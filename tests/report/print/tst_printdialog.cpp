#include "report/print/PlatformPrinter.h"
#include "report/print/ShowPrintDialog.h"
#include "tests/report/print/CupsQueue.h"
#include "tests/report/print/MarkedReport.h"
#include "tests/support/ModalDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QPrinterInfo>
#include <QSpinBox>
#include <functional>
#include <gtest/gtest.h>

using namespace report;
using namespace Qt::StringLiterals;

namespace {

// The fixture's server lists these two queues, in this order.
const QStringList queues = {u"mirola-pdf"_s, u"mirola-pdf-2"_s};

// What a user does in the print dialog (Qt's own, driven through its controls).
using UserActions = std::function<void(QDialog& dialog)>;

template <class T> T* control(QWidget& dialog, const char* name)
{
    return dialog.findChild<T*>(QString::fromLatin1(name));
}

void chooseLandscape(QDialog& dialog)
{
    EXPECT_TRUE(testsupport::driveModal(
        "the printer's properties",
        [&] { control<QAbstractButton>(dialog, "properties")->click(); },
        [](QWidget& window) {
            auto& properties = static_cast<QDialog&>(window);
            control<QAbstractButton>(properties, "landscape")->click();
            properties.accept();
        }));
}

class PrintDialog : public PrintServerTest
{
protected:
    void SetUp() override
    {
        PrintServerTest::SetUp();
        if (!serverReady())
            return;
        ASSERT_EQ(QPrinterInfo::availablePrinterNames(), queues);
        PlatformPrinter::instance().setPrinterIndex(-1);
        PlatformPrinter::instance().resetDriverSettings();
    }

    int run(TRpReport& report, const UserActions& user)
    {
        int tag = 0;
        EXPECT_TRUE(testsupport::driveModal(
            "the print dialog", [&] { tag = ShowPrintDialog(report); },
            [&](QWidget& window) {
                auto* dialog = qobject_cast<QDialog*>(&window);
                ASSERT_NE(dialog, nullptr) << "no dialog opened";
                user(*dialog);
            }));
        return tag;
    }
};

} // namespace

TEST_F(PrintDialog, StartsFromTheReportsSettingsAndPages)
{
    MarkedReport marked(4);
    TRpReport& report = marked.report;
    report.GeneratePages();
    report.printerSettings.copies = 2;
    report.printerSettings.deviceIndex = 1;
    report.page().setOrientation(poLandscape);

    bool looked = false;
    run(report, [&](QDialog& dialog) {
        looked = true;
        const QSpinBox* from = control<QSpinBox>(dialog, "from");
        const QSpinBox* to = control<QSpinBox>(dialog, "to");
        EXPECT_EQ(from->minimum(), 1);
        EXPECT_EQ(to->maximum(), 4) << "the pages the report has";
        EXPECT_EQ(from->value(), 1);
        EXPECT_EQ(to->value(), 4);
        EXPECT_TRUE(control<QAbstractButton>(dialog, "printAll")->isChecked());
        EXPECT_EQ(control<QSpinBox>(dialog, "copies")->value(), 2);
        EXPECT_EQ(control<QComboBox>(dialog, "printers")->currentText(), queues[1]);
        QStringList printers;
        for (int i = 0; i < control<QComboBox>(dialog, "printers")->count(); ++i)
            printers << control<QComboBox>(dialog, "printers")->itemText(i);
        EXPECT_EQ(printers, queues) << "no print-to-file entry";
        EXPECT_FALSE(control<QAbstractButton>(dialog, "printSelection")->isVisibleTo(&dialog));
        EXPECT_FALSE(control<QAbstractButton>(dialog, "printCurrentPage")->isVisibleTo(&dialog));
        EXPECT_EQ(PlatformPrinter::instance().printer().pageLayout().orientation(),
                  QPageLayout::Landscape);
        dialog.reject();
    });
    EXPECT_TRUE(looked);
}

TEST_F(PrintDialog, WithoutPagesAnyPageNumberUpTo9999)
{
    MarkedReport marked(1);
    run(marked.report, [](QDialog& dialog) {
        EXPECT_EQ(control<QSpinBox>(dialog, "to")->maximum(), 9999);
        dialog.reject();
    });
}

TEST_F(PrintDialog, CancellingChangesNothing)
{
    MarkedReport marked(4);
    TRpReport& report = marked.report;
    report.printerSettings.copies = 1;
    report.printerSettings.firstPage = 2;
    report.printerSettings.lastPage = 2;
    const int tag = run(report, [](QDialog& dialog) {
        control<QComboBox>(dialog, "printers")->setCurrentIndex(1);
        control<QSpinBox>(dialog, "copies")->setValue(5);
        dialog.reject();
    });
    EXPECT_EQ(tag, 1);
    EXPECT_EQ(report.printerSettings.copies, 1);
    EXPECT_EQ(report.printerSettings.deviceIndex, -1);
    EXPECT_EQ(report.printerSettings.firstPage, 2);
    EXPECT_EQ(report.printerSettings.lastPage, 2);
    EXPECT_EQ(report.page().orientation(), poPortrait);
}

TEST_F(PrintDialog, TheUsersChoicesGoToTheReportAndStayOnThePrinter)
{
    MarkedReport marked(4);
    TRpReport& report = marked.report;
    report.GeneratePages();
    const int tag = run(report, [](QDialog& dialog) {
        control<QComboBox>(dialog, "printers")->setCurrentIndex(1);
        chooseLandscape(dialog);
        control<QSpinBox>(dialog, "copies")->setValue(3);
        control<QAbstractButton>(dialog, "printRange")->click();
        control<QSpinBox>(dialog, "from")->setValue(2);
        control<QSpinBox>(dialog, "to")->setValue(3);
        dialog.accept();
    });
    EXPECT_EQ(tag, 0);
    EXPECT_EQ(report.printerSettings.copies, 3);
    EXPECT_EQ(report.printerSettings.deviceIndex, 1);
    EXPECT_EQ(report.printerSettings.firstPage, 2);
    EXPECT_EQ(report.printerSettings.lastPage, 3);
    EXPECT_EQ(report.page().orientation(), poLandscape);
    EXPECT_EQ(report.page().nativeValue(TRpPage::WidthIndex), 2970) << "the paper turned";

    QPrinter& printer = PlatformPrinter::instance().printer();
    EXPECT_EQ(printer.printerName(), queues[1]);
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_EQ(printer.copyCount(), 3);
}

TEST_F(PrintDialog, AllPagesClearTheRange)
{
    MarkedReport marked(4);
    TRpReport& report = marked.report;
    report.printerSettings.firstPage = 2;
    report.printerSettings.lastPage = 3;
    const int tag = run(report, [](QDialog& dialog) {
        control<QAbstractButton>(dialog, "printAll")->click();
        dialog.accept();
    });
    EXPECT_EQ(tag, 0);
    EXPECT_EQ(report.printerSettings.firstPage, 0);
    EXPECT_EQ(report.printerSettings.lastPage, 0);
    EXPECT_EQ(report.printerSettings.deviceIndex, 0);
}
