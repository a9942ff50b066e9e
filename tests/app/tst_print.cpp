// The print command from the viewer against the real server: the exported page of a fetched
// statement, and the preview window driven with real input.
#include "app/Headless.h"
#include "button/TFlatImageButton.h"
#include "grid/TImVarGrid.h"
#include "printing/PrintCommand.h"
#include "printing/TFmirolareport.h"
#include "printing/TfrmPreview.h"
#include "report/preview/TRpPreview.h"
#include "report/store/TRpPageList.h"
#include "tests/printing/PageTexts.h"
#include "tests/printing/StatementFixture.h"
#include "tests/report/print/PdfTools.h"
#include "tests/server/ServerProcess.h"
#include "tests/support/ModalDriver.h"
#include "tests/support/TestSupport.h"
#include "text/Cp949.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>
#include <gtest/gtest.h>
#include <tuple>

using namespace Qt::StringLiterals;
using testsupport::waitUntil;

namespace {

const char* const company = "59001";
const char* const password = "0715";

// The worked example on 2004-07-15 (number 3), and a statement of 40 lines on 2004-08-02.
bool addStatements(const std::string& dbPath, std::string& error)
{
    QStringList statements = {
        u"INSERT INTO posts VALUES ('P59001', '서울특별시 종로구 ')"_s,
        u"INSERT INTO custs VALUES ('59001', '(주)예시상사', '02-000-0000', '101-81-00001',"
        " '이예시', 'P59001', '종로 1', '소매', '문구', '0715', 0)"_s,
        u"INSERT INTO items VALUES ('TA', 'A', 'EA')"_s,
        u"INSERT INTO items VALUES ('TB', 'B', 'BOX')"_s,
        u"INSERT INTO subulm VALUES ('2004-07-15', 3, '59001', 'SU1')"_s,
        u"INSERT INTO subuld VALUES ('2004-07-15', 3, 1, 'TA', 'a', 10, 1500, 15000, 1500)"_s,
        u"INSERT INTO subuld VALUES ('2004-07-15', 3, 2, 'TB', 'b', 2, 30000, 60000, 6000)"_s,
        u"INSERT INTO subulm VALUES ('2004-08-02', 1, '59001', 'SU1')"_s,
    };
    for (int i = 1; i <= 40; ++i)
        statements << u"INSERT INTO subuld VALUES ('2004-08-02', 1, %1, 'TA', 'line %1', 1, 100,"
                      " 100, 10)"_s.arg(i);
    return testsupport::runSql(dbPath, statements, error);
}

class PrintTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const std::string db = dir.file("demo.sqlite");
        ASSERT_TRUE(server.start({u"--db"_s, QString::fromStdString("sqlite:" + db)}))
            << server.errorOutput();
        std::string error;
        ASSERT_TRUE(addStatements(db, error)) << error;
        config.port = server.port();
        form = std::make_unique<viewer::TFmirola>(config);
        driver = std::make_unique<app::Headless>(*form, 20000);
        ASSERT_TRUE(driver->loadCompanies(error)) << error;
    }

    void fetchMonth(int month)
    {
        app::FetchRequest request;
        request.company = company;
        request.password = password;
        request.year = 2004;
        request.fromMonth = month;
        request.toMonth = month;
        std::string error;
        ASSERT_TRUE(driver->fetch(request, error)) << error;
    }

    // Clicks the print button; `inPreview` runs inside the modal window once it is active.
    void printWith(const std::function<void(printing::TfrmPreview&)>& inPreview)
    {
        form->show();
        bool ran = false;
        EXPECT_TRUE(testsupport::driveModal(
            "print the statement",
            [&] { QTest::mouseClick(form->FlatImageButton6, Qt::LeftButton); },
            [&](QWidget& window) {
                auto* preview = qobject_cast<printing::TfrmPreview*>(&window);
                ASSERT_NE(preview, nullptr) << "the modal window is not the preview";
                inPreview(*preview);
                ran = true;
            }));
        EXPECT_TRUE(ran);
        // Both forms are gone once the window has closed.
        EXPECT_EQ(form->printCommand().preview(), nullptr);
        EXPECT_EQ(form->printCommand().reportForm(), nullptr);
    }

    static std::string pageText(const printing::TfrmPreview& w)
    {
        return w.lbl_page->text().toStdString();
    }

    testsupport::TempDir dir;
    testsupport::ServerProcess server;
    viewer::Configuration config = viewer::Configuration::defaults();
    std::unique_ptr<viewer::TFmirola> form;
    std::unique_ptr<app::Headless> driver;
};

TEST_F(PrintTest, ExportedWorkedExamplePrintsItsTexts)
{
    fetchMonth(7);
    const std::string rpf = dir.file("statement.rpf");
    form->exportStatement(rpf, {});
    auto store = report::TRpPageList::OpenReportFile(QString::fromStdString(rpf));
    ASSERT_EQ(store->Header().PageCount, 1);
    const auto emf = store->LoadPage(1);
    ASSERT_TRUE(emf);
    const testsupport::PagePicture page = testsupport::playPicture(*emf);
    ASSERT_TRUE(page.valid);
    // Places from the layout itself.
    const printing::TFmirolareport layout(config.supplier);
    auto at = [&](const char* name) {
        return testsupport::textIn(page, testsupport::boundsOf(layout.Report1, name));
    };
    for (const auto& [name, printed] : testsupport::statement::workedExampleTexts)
        EXPECT_EQ(at(name), printed) << name;
    EXPECT_EQ(at("SUB_CUSTNAME"), "(주)예시상사");
    EXPECT_EQ(at("SUB_ADDRESS"), "서울특별시 종로구 종로 1");
    EXPECT_EQ(page.pictures, 2);

    // The same page as PDF and as a picture.
    const std::string pdf = dir.file("statement.pdf");
    form->exportStatement(pdf, {});
    EXPECT_EQ(pdfFacts(QString::fromStdString(pdf)).pages, 1);
    const std::string png = dir.file("statement.png");
    form->exportStatement(png, {false, 300});
    const QImage image(QString::fromStdString(png));
    EXPECT_EQ(image.size(), QSize(2480, 3508));
}

TEST_F(PrintTest, PrintShowsThePreviewAndClosingFreesBothForms)
{
    fetchMonth(7);
    // Outside a print command the page actions have no page to work on: they do nothing.
    form->RepInit->trigger();
    form->RepData->trigger();
    EXPECT_EQ(form->printCommand().reportForm(), nullptr);
    printWith([&](printing::TfrmPreview& w) {
        EXPECT_EQ(pageText(w), "Page : 1/1");
        EXPECT_EQ(w.edt_Size->text(), u"100"_s);
        if (const QByteArray shots = qgetenv("MIROLA_VIEWER_SHOTS"); !shots.isEmpty())
            w.grab().save(QString::fromLocal8Bit(shots) + u"/viewer-preview.png"_s);
        QTest::mouseClick(w.SpeedButton3, Qt::LeftButton); // next: there is no page 2
        EXPECT_EQ(pageText(w), "Page : 1/1");
        QTest::mouseClick(w.SpeedButton7, Qt::LeftButton);
        EXPECT_EQ(w.edt_Size->text(), u"105"_s);
        EXPECT_EQ(w.RpPreview1->zoom(), 105);
        QTest::keyClick(&w, Qt::Key_F4, Qt::AltModifier);
    });
    // The viewer goes on working.
    EXPECT_TRUE(form->DataSerch->isEnabled());
}

TEST_F(PrintTest, LaterPagesOfAnExportTakeTheirLinesFromTheGrid)
{
    fetchMonth(8);
    const std::string rpf = dir.file("statement.rpf");
    form->exportStatement(rpf, {});
    auto store = report::TRpPageList::OpenReportFile(QString::fromStdString(rpf));
    ASSERT_EQ(store->Header().PageCount, 4);
    const printing::TFmirolareport layout(config.supplier);
    const auto textOn = [&](int page, const char* name) {
        const auto emf = store->LoadPage(page);
        return emf ? testsupport::textIn(testsupport::playPicture(*emf),
                                         testsupport::boundsOf(layout.Report1, name))
                   : std::string("(no page)");
    };
    const std::tuple<int, const char*, const char*> expected[] = {
        {1, "SUB_DESCRIPT1", "line 1"},  {1, "SUB_DESCRIPT13", "line 13"},
        {2, "SUB_DESCRIPT1", "line 14"}, {3, "SUB_DESCRIPT13", "line 39"},
        {4, "SUB_DESCRIPT1", "line 40"}, {4, "SUB_DESCRIPT2", "이  하  여  백"},
        {4, "SUB_ITEMNAME2", ""},
    };
    for (const auto& [page, name, printed] : expected)
        EXPECT_EQ(textOn(page, name), printed) << "page " << page << ", " << name;
}

TEST_F(PrintTest, LinesReadForPrintingStayWhenGridTwoChanges)
{
    // A report generates again while its window is open (saving does), and a host may search
    // meanwhile: what it prints must stay the statement it was filled with.
    fetchMonth(8);
    const printing::StatementInputs in = form->statementInputs();
    ASSERT_NE(in.lineSource, nullptr);
    ASSERT_EQ(in.lineSource->count(), 40u);
    EXPECT_EQ(in.lineSource->at(13)[1], "line 14");
    form->DataClear2Execute();
    ASSERT_EQ(form->ImVarGrid2->DataRowCount(), 0);
    EXPECT_EQ(in.lineSource->count(), 40u);
    EXPECT_EQ(in.lineSource->at(0)[1], "line 1");
    EXPECT_EQ(in.lineSource->at(39)[1], "line 40");
    EXPECT_EQ(in.lineSource->at(39)[4], "100");
}

TEST_F(PrintTest, FortyLinesMakeFourPages)
{
    fetchMonth(8);
    ASSERT_EQ(form->ImVarGrid2->DataRowCount(), 40);
    printWith([&](printing::TfrmPreview& w) {
        EXPECT_EQ(pageText(w), "Page : 1/4");
        QTest::mouseClick(w.SpeedButton4, Qt::LeftButton);
        EXPECT_EQ(pageText(w), "Page : 4/4");
        QTest::mouseClick(w.SpeedButton2, Qt::LeftButton);
        EXPECT_EQ(pageText(w), "Page : 3/4");
        QTest::mouseClick(w.SpeedButton9, Qt::LeftButton);
    });
}

} // namespace
