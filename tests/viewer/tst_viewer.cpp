#include "exchange/ExchangeDriver.h"
#include "grid/TImVarGrid.h"
#include "tests/server/ServerProcess.h"
#include "tests/support/TestSupport.h"
#include "text/Cp949.h"
#include "viewer/TFmirola.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTcpServer>
#include <QTimer>
#include "button/TFlatImageButton.h"
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using testsupport::waitUntil;
using viewer::TFmirola;

namespace {

// The viewer against the real server on its demo database.
class ViewerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.start({u"--db"_s, QString::fromStdString("sqlite:" + dir.file("demo.sqlite"))}))
            << server.errorOutput();
        viewer::Configuration config = viewer::Configuration::defaults();
        config.port = server.port();
        form = std::make_unique<TFmirola>(config);
        form->messageSink = [this](const std::string& text) { messages.push_back(text); };
        form->show();
        // The start-up timer clears the form and loads the company list.
        ASSERT_TRUE(waitUntil([&] { return form->CustList->count() > 1 && disconnected(); }, 10000));
    }

    bool disconnected() const { return status() == "Disconnect"; }
    std::string status() const { return text::toCp949(form->Panel_Msg->text()); }
    std::string field(QLineEdit* e) const { return TFmirola::textOf(e); }

    // Runs an action and waits for the connection it opened to close again.
    bool exchange(const std::function<void()>& step)
    {
        form->Panel_Msg->clear();
        step();
        return waitUntil([&] { return disconnected(); }, 10000);
    }

    void search(int companyIndex, const char* password)
    {
        form->CustList->setCurrentIndex(companyIndex);
        form->PassWD->setText(QString::fromUtf8(password));
        ASSERT_TRUE(exchange([&] { form->DataSerch->trigger(); }));
    }

    testsupport::TempDir dir;
    testsupport::ServerProcess server;
    std::unique_ptr<TFmirola> form;
    std::vector<std::string> messages;
};

TEST_F(ViewerTest, StartUpFillsTheCompanyListAfterThePrompt)
{
    EXPECT_EQ(text::toCp949(form->CustList->itemText(0)), text::cp949("     업체를 선택하세요!"));
    EXPECT_EQ(text::toCp949(form->CustList->itemText(1)), text::cp949("50001 (주)한빛유통"));
    EXPECT_EQ(form->CustList->currentIndex(), 0);
    EXPECT_EQ(field(form->REGISTRATION), "");
    EXPECT_EQ(form->SUBULYEAR->text().size(), 4);
    EXPECT_TRUE(form->DataSerch->isEnabled());
    EXPECT_TRUE(messages.empty());
}

TEST_F(ViewerTest, SearchFillsParticularsDatesLinesAndTotalsAndAClickReplacesTheLines)
{
    search(1, "1234");
    EXPECT_EQ(field(form->CUSTNAME), text::cp949("(주)한빛유통"));
    EXPECT_FALSE(field(form->ADDRESS).empty());
    const int dates = form->ImVarGrid1->DataRowCount();
    ASSERT_GE(dates, 2);
    const int firstLines = form->ImVarGrid2->DataRowCount();
    ASSERT_GT(firstLines, 0);
    EXPECT_EQ(field(form->TOTCOUNT), std::to_string(firstLines));
    int64_t sum = 0;
    for (int r = 0; r < firstLines; ++r)
        sum += std::stoll(form->ImVarGrid2->GetDataCell(5, r).toString());
    EXPECT_EQ(field(form->TOTAMT), std::to_string(sum));
    EXPECT_TRUE(form->DataSerch->isEnabled());
    if (const QByteArray shots = qgetenv("MIROLA_VIEWER_SHOTS"); !shots.isEmpty())
        form->grab().save(QString::fromLocal8Bit(shots) + u"/viewer-search.png"_s);

    // The click on the other date loads its lines in place of the first date's.
    ASSERT_TRUE(exchange([&] { form->ImVarGrid1->SetRow(2); }));
    const int secondLines = form->ImVarGrid2->DataRowCount();
    EXPECT_NE(secondLines, firstLines);
    EXPECT_EQ(field(form->TOTCOUNT), std::to_string(secondLines));

    // Exit clears everything but the company list, and opens no connection.
    const int companies = form->CustList->count();
    form->Panel_Msg->clear();
    form->DataExit->trigger();
    EXPECT_EQ(form->ImVarGrid1->DataRowCount(), 0);
    EXPECT_EQ(form->ImVarGrid2->DataRowCount(), 0);
    EXPECT_EQ(field(form->CUSTNAME), "");
    EXPECT_EQ(field(form->TOTAMT), "");
    EXPECT_EQ(form->CustList->count(), companies);
    EXPECT_FALSE(form->ImVarGrid1->OnClick);
    EXPECT_FALSE(form->ClientSocket1->isActive());

    // Rows added after the clear are empty until written.
    form->ImVarGrid2->setDataRowCount(1);
    EXPECT_EQ(form->ImVarGrid2->GetDataCell(0, 0).toString(), "");
}

TEST_F(ViewerTest, SearchWithThePromptSelectedShowsTheMessageAndOpensNoConnection)
{
    form->CustList->setCurrentIndex(0);
    form->Panel_Msg->clear();
    form->DataSerch->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], text::cp949("업체를 선택해 주세요!!!"));
    EXPECT_EQ(status(), "");
    EXPECT_FALSE(form->ClientSocket1->isActive());
}

TEST_F(ViewerTest, AnImpossibleMonthIsToldBeforeAnyConnection)
{
    form->CustList->setCurrentIndex(1);
    form->PassWD->setText(u"1234"_s);
    form->ESUBULMONTH->setText(u"13"_s);
    form->Panel_Msg->clear();
    form->DataSerch->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Invalid argument to date encode");
    EXPECT_FALSE(form->ClientSocket1->isActive());
    EXPECT_TRUE(form->DataSerch->isEnabled());
    // Corrected, the search goes through.
    form->ESUBULMONTH->setText(u"12"_s);
    ASSERT_TRUE(exchange([&] { form->DataSerch->trigger(); }));
    EXPECT_FALSE(field(form->CUSTNAME).empty());
}

TEST_F(ViewerTest, AStoppedServerGivesDisconnectAndSearchStaysUsable)
{
    server.stop();
    search(1, "1234");
    EXPECT_EQ(status(), "Disconnect");
    EXPECT_TRUE(form->DataSerch->isEnabled());
    EXPECT_EQ(form->ImVarGrid1->DataRowCount(), 0);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ViewerTest, AWrongSecurityNumberFindsNothing)
{
    search(1, "\" or \"1\"=\"1");
    EXPECT_EQ(field(form->CUSTNAME), "");
    EXPECT_EQ(form->ImVarGrid1->DataRowCount(), 0);
    EXPECT_EQ(form->ImVarGrid2->DataRowCount(), 0);
}

TEST(ViewerForm, SearchIsDisabledWhileAConnectionIsOpen)
{
    // A peer that accepts and never answers keeps the connection open.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    viewer::Configuration config = viewer::Configuration::defaults();
    config.port = silent.serverPort();
    TFmirola form(config);
    form.messageSink = [](const std::string&) {};
    form.show();
    const QString shots = QString::fromLocal8Bit(qgetenv("MIROLA_VIEWER_SHOTS"));
    if (!shots.isEmpty())
        form.grab().save(shots + u"/viewer-start.png"_s);
    ASSERT_TRUE(waitUntil([&] { return !form.DataSerch->isEnabled(); }, 5000));
    EXPECT_FALSE(form.FlatImageButton1->isEnabled());
    EXPECT_EQ(text::toCp949(form.Panel_Msg->text()), "127.0.0.1"); // the connect handler shows the peer
    if (!shots.isEmpty())
        form.grab().save(shots + u"/viewer-connected.png"_s);
    form.DataExit->trigger(); // closes the established connection
    EXPECT_TRUE(waitUntil([&] { return form.DataSerch->isEnabled(); }, 5000));
    EXPECT_EQ(text::toCp949(form.Panel_Msg->text()), "Disconnect");
}

TEST(ViewerForm, StartsWithTheLayoutAndTexts)
{
    TFmirola form;
    form.Timer1->stop();
    form.show(); // docking is applied when the form is shown
    EXPECT_EQ(form.size(), QSize(823, 583));
    EXPECT_EQ(form.Panel1->geometry(), QRect(5, 5, 733, 573));
    EXPECT_EQ(form.Panel_Menu->geometry(), QRect(743, 5, 75, 573));
    EXPECT_EQ(form.ImVarGrid1->geometry(), QRect(0, 45, 121, 504));
    EXPECT_EQ(form.Panel_Main->geometry(), QRect(126, 45, 607, 504));
    EXPECT_EQ(form.ImVarGrid2->geometry(), QRect(0, 118, 607, 343));
    EXPECT_EQ(form.Panel_Msg->geometry(), QRect(0, 554, 733, 19));
    EXPECT_EQ(form.SUBULYEAR->text(), u"SUBULYEAR"_s);
    EXPECT_EQ(form.PassWD->text(), QString());
    EXPECT_EQ(form.PassWD->echoMode(), QLineEdit::Password);
    EXPECT_EQ(form.DataSerch->text(), u"검색"_s);
    EXPECT_EQ(form.Image1.width(), 154);
    EXPECT_EQ(form.Image1.bitsPerPixel(), 24);
    EXPECT_TRUE(form.TOTAMT->isReadOnly());
}

} // namespace
