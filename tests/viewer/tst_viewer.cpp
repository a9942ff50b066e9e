#include "button/TFlatImageButton.h"
#include "exchange/ExchangeDriver.h"
#include "exchange/ExchangeStatus.h"
#include "exchange/RequestTexts.h"
#include "grid/TImVarGrid.h"
#include "tests/report/print/PdfTools.h"
#include "tests/server/ServerProcess.h"
#include "tests/support/ModalDriver.h"
#include "tests/support/TestSupport.h"
#include "text/Cp949.h"
#include "viewer/TFmirola.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using testsupport::waitUntil;
using viewer::TFmirola;

namespace {

const char* const fixtureCompany = "59001";
const char* const fixturePassword = "0715";
constexpr int fixtureStatements = 6; // 2004-03-01 .. 2004-03-06, statement n has n lines
const char* const longName = "(주)대한민국국제종합무역상사주식회사 서울본사 영업본부 제일지점";
const char* const longStreet = "테헤란로 152, 강남파이낸스센터 37층 3701호 (역삼동, 대한빌딩 별관)";

// Statements whose line counts tell them apart, and a company whose texts outrun their fields.
bool addFixture(const std::string& dbPath, std::string& error)
{
    QStringList statements = {
        u"INSERT INTO posts VALUES ('P59001', '서울특별시 강남구 ')"_s,
        u"INSERT INTO custs VALUES ('59001', '%1', '02-000-0000', '101-81-00001',"
        " '이예시', 'P59001', '%2', '도소매업 및 제조업, 무역업, 부동산 임대업',"
        " '사무용품 전자부품 건축자재 식음료 수출입 대행', '0715', 0)"_s.arg(
            QString::fromUtf8(longName), QString::fromUtf8(longStreet)),
        u"INSERT INTO items VALUES ('TA', '품목A', 'EA')"_s,
    };
    for (int s = 1; s <= fixtureStatements; ++s) {
        statements << u"INSERT INTO subulm VALUES ('2004-03-0%1', 1, '59001', 'SU1')"_s.arg(s);
        for (int line = 1; line <= s; ++line)
            statements << u"INSERT INTO subuld VALUES ('2004-03-0%1', 1, %2, 'TA', 'd%1-%2', 1,"
                          " 100, %3, 10)"_s.arg(s)
                              .arg(line)
                              .arg(s * 1000 + line);
    }
    return testsupport::runSql(dbPath, statements, error);
}

// Stands between the viewer and the real server and holds every answer chunk back for a while,
// as a slow line or a busy server does. Requests pass at once.
class SlowLine
{
public:
    explicit SlowLine(quint16 serverPort, int delayMs)
        : m_serverPort(serverPort), m_delayMs(delayMs)
    {
        m_listener.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_listener, &QTcpServer::newConnection, [this] { accept(); });
    }
    quint16 port() const { return m_listener.serverPort(); }

private:
    void accept()
    {
        while (QTcpSocket* client = m_listener.nextPendingConnection()) {
            auto* server = new QTcpSocket(client);
            server->connectToHost(QHostAddress::LocalHost, m_serverPort);
            QObject::connect(client, &QTcpSocket::readyRead, server,
                             [client, server] { server->write(client->readAll()); });
            QObject::connect(server, &QTcpSocket::readyRead, client, [this, client, server] {
                const QByteArray bytes = server->readAll();
                QTimer::singleShot(m_delayMs, client, [client, bytes] { client->write(bytes); });
            });
            // The close follows the last held-back chunk.
            QObject::connect(server, &QTcpSocket::disconnected, client, [this, client] {
                QTimer::singleShot(m_delayMs, client, [client] { client->disconnectFromHost(); });
            });
            QObject::connect(client, &QTcpSocket::disconnected, client,
                             [client] { client->deleteLater(); });
        }
    }

    QTcpServer m_listener;
    quint16 m_serverPort;
    int m_delayMs;
};

// The viewer against the real server on its demo database.
class ViewerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const std::string db = dir.file("demo.sqlite");
        ASSERT_TRUE(server.start({u"--db"_s, QString::fromStdString("sqlite:" + db)}))
            << server.errorOutput();
        std::string error;
        ASSERT_TRUE(addFixture(db, error)) << error;
        startForm(server.port());
    }

    // Waits for the start-up timer's exchange to end, with the company list or with a failure.
    void startForm(quint16 port, bool listExpected = true)
    {
        viewer::Configuration config = viewer::Configuration::defaults();
        config.port = port;
        form = std::make_unique<TFmirola>(config);
        form->messageSink = [this](const std::string& text) { messages.push_back(text); };
        form->show();
        // The start-up timer clears the form and loads the company list.
        ASSERT_TRUE(waitUntil(
            [&] {
                return form->isIdle() &&
                       (listExpected ? form->CustList->count() > 1 : !form->lastFailure().empty());
            },
            10000));
    }

    std::string status() const { return text::toCp949(form->Panel_Msg->text()); }
    std::string field(QLineEdit* e) const { return TFmirola::textOf(e); }

    // Runs an action and waits for the exchange it started, and its follow-ups, to end.
    bool exchange(const std::function<void()>& step)
    {
        step();
        return waitUntil([&] { return form->isIdle(); }, 15000);
    }

    int companyIndex(const char* code) const
    {
        for (int i = 1; i < form->CustList->count(); ++i)
            if (form->CustList->itemText(i).startsWith(QString::fromLatin1(code)))
                return i;
        return -1;
    }

    void search(const char* code, const char* password, const char* year = nullptr,
                const char* from = nullptr, const char* to = nullptr)
    {
        form->CustList->setCurrentIndex(companyIndex(code));
        form->PassWD->setText(QString::fromUtf8(password));
        if (year) {
            form->SUBULYEAR->setText(QString::fromUtf8(year));
            form->SSUBULMONTH->setText(QString::fromUtf8(from));
            form->ESUBULMONTH->setText(QString::fromUtf8(to));
        }
        ASSERT_TRUE(exchange([&] { form->DataSerch->trigger(); }));
    }

    void searchFixture() { search(fixtureCompany, fixturePassword, "2004", "3", "3"); }

    // Grid 2 and the totals against what the server answers for the selected row, asked
    // plainly on a connection of the test's own.
    void expectSelectedStatementShown()
    {
        const int row = form->ImVarGrid1->Row() - 1;
        const std::string date = form->ImVarGrid1->GetDataCell(0, row).toString();
        const std::string seq = form->ImVarGrid1->GetDataCell(1, row).toString();
        SCOPED_TRACE("selected " + date + " #" + seq);
        // The server lists a statement's lines only to an address that was given its date.
        testsupport::RawClient plain(server.port());
        plain.request(
            std::string(exchange::makeDateFields),
            exchange::makeDateText({"2004-03-01", "2004-03-31"}, fixtureCompany, fixturePassword));
        std::vector<std::string> items;
        for (const std::string& frame :
             plain.request(std::string(exchange::makeDataFields),
                           exchange::makeDataText(date, exchange::sequenceNumber(seq))))
            if (exchange::parseFrame(frame).type == "DATA") {
                std::string_view rest = exchange::parseFrame(frame).body;
                for (int skip = 0; skip < 4; ++skip)
                    rest.remove_prefix(rest.find('|') + 1);
                items.emplace_back(rest.substr(0, rest.find('|'))); // the remark column (품목 사양)
            }
        ASSERT_FALSE(items.empty());
        ASSERT_EQ(form->ImVarGrid2->DataRowCount(), int(items.size()));
        for (int r = 0; r < int(items.size()); ++r)
            EXPECT_EQ(form->ImVarGrid2->GetDataCell(1, r).toString(), items[size_t(r)]);
        EXPECT_EQ(field(form->TOTCOUNT), std::to_string(items.size()));
        EXPECT_EQ(form->printRefusal(), "");
    }

    // The message box the form shows for `text`, as a picture; closed again at once.
    void saveMessageBox(const std::string& text, const QString& path)
    {
        form->messageSink = nullptr;
        testsupport::driveModal(
            "message box", [&] { form->showMessage(text); },
            [&](QWidget& box) {
                box.grab().save(path);
                box.close();
            });
        form->messageSink = [this](const std::string& t) { messages.push_back(t); };
    }

    // Real key presses on grid 1: the first one plain, the rest as a held key repeats them.
    void pressDown(int times)
    {
        for (int i = 0; i < times; ++i) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier, QString(), i > 0);
            QApplication::sendEvent(form->ImVarGrid1, &press);
        }
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier);
        QApplication::sendEvent(form->ImVarGrid1, &release);
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
    EXPECT_EQ(status(), text::cp949("받기 끝: ") + std::to_string(form->CustList->count() - 1) +
                            text::cp949("건"));
    EXPECT_TRUE(messages.empty());
}

TEST_F(ViewerTest, SearchFillsParticularsDatesLinesAndTotalsAndAClickReplacesTheLines)
{
    search("50001", "1234");
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
    form->DataExit->trigger();
    EXPECT_EQ(form->ImVarGrid1->DataRowCount(), 0);
    EXPECT_EQ(form->ImVarGrid2->DataRowCount(), 0);
    EXPECT_EQ(field(form->CUSTNAME), "");
    EXPECT_EQ(field(form->TOTAMT), "");
    EXPECT_EQ(form->CustList->count(), companies);
    EXPECT_FALSE(form->ImVarGrid1->OnClick);
    EXPECT_FALSE(form->ClientSocket1->isBusy());
}

TEST_F(ViewerTest, SearchWithThePromptSelectedShowsTheMessageAndOpensNoConnection)
{
    form->CustList->setCurrentIndex(0);
    form->Panel_Msg->clear();
    form->DataSerch->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], text::cp949("업체를 선택해 주세요!!!"));
    EXPECT_EQ(status(), "");
    EXPECT_FALSE(form->ClientSocket1->isBusy());
}

TEST_F(ViewerTest, EachDisappointingSearchSaysWhy)
{
    struct Case
    {
        const char* name;
        const char* code;
        const char* password;
        const char* year;
        const char* from;
        const char* to;
        const char* says; // UTF-8
        bool connects;
    };
    const Case cases[] = {
        {"wrong security number", "50001", "9999", "2004", "3", "3",
         "이 업체와 보안번호에 맞는 거래처 정보가 없습니다. 보안번호를 확인해 주세요.", true},
        {"quotes in the security number", "50001", "\" or \"1\"=\"1", "2004", "3", "3",
         "이 업체와 보안번호에 맞는 거래처 정보가 없습니다. 보안번호를 확인해 주세요.", true},
        {"a period without statements", fixtureCompany, fixturePassword, "2004", "4", "5",
         "2004년 4월부터 5월까지 거래명세서가 없습니다.", true},
        {"a year that is not a number", fixtureCompany, fixturePassword, "2OO4", "3", "3",
         "거래년월의 년도 '2OO4'이(가) 올바르지 않습니다. 네 자리 숫자로 적어 주세요.", false},
        {"an impossible month", fixtureCompany, fixturePassword, "2004", "3", "13",
         "끝 월 '13'이(가) 올바르지 않습니다. 1에서 12 사이로 적어 주세요.", false},
    };
    // What the last sound search left on the form stays when a field is wrong.
    searchFixture();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages.clear();
        form->Panel_Msg->clear();
        const int datesBefore = form->ImVarGrid1->DataRowCount();
        search(c.code, c.password, c.year, c.from, c.to);
        EXPECT_EQ(messages, std::vector<std::string>{text::cp949(c.says)});
        EXPECT_EQ(status().empty(), !c.connects);
        if (!c.connects) {
            EXPECT_EQ(form->ImVarGrid1->DataRowCount(), datesBefore) << "nothing was cleared";
        }
        if (const QByteArray shots = qgetenv("MIROLA_VIEWER_SHOTS"); !shots.isEmpty())
            saveMessageBox(text::cp949(c.says),
                           QString::fromLocal8Bit(shots) + u"/message-"_s +
                               QString::fromLatin1(c.name).replace(u' ', u'-') + u".png"_s);
        searchFixture();
    }
}

TEST_F(ViewerTest, AnUnreachableServerIsNamedAndSearchAsksForTheListAgain)
{
    const std::string address = "127.0.0.1:" + std::to_string(server.port());
    const std::string refused = exchange::endedText(exchange::Outcome::Refused, address, 0);
    server.stop();
    startForm(server.port(), false);
    // The list never came: it holds the prompt only, and the status line says why.
    EXPECT_EQ(form->CustList->count(), 1);
    EXPECT_EQ(status(), refused);
    EXPECT_EQ(form->lastFailure(), refused);
    form->CustList->setCurrentIndex(0);
    ASSERT_TRUE(exchange([&] { form->DataSerch->trigger(); }));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], text::cp949("업체 목록을 받지 못했습니다. ") + refused + " " +
                               text::cp949("목록을 다시 받습니다."));
    EXPECT_EQ(status(), refused);
    EXPECT_TRUE(form->DataSerch->isEnabled());
    if (const QByteArray shots = qgetenv("MIROLA_VIEWER_SHOTS"); !shots.isEmpty()) {
        form->grab().save(QString::fromLocal8Bit(shots) + u"/viewer-unreachable.png"_s);
        saveMessageBox(messages[0],
                       QString::fromLocal8Bit(shots) + u"/message-no-company-list.png"_s);
    }
}

TEST_F(ViewerTest, HeldArrowKeysDuringSlowAnswersEndWithTheSelectedLinesAndThatStatementPrints)
{
    searchFixture();
    ASSERT_EQ(form->ImVarGrid1->DataRowCount(), fixtureStatements);
    // Every answer chunk now arrives 300 ms late.
    SlowLine line(server.port(), 300);
    form->ClientSocket1->setServer(u"127.0.0.1"_s, line.port());
    form->ImVarGrid1->setFocus();

    // The first press asks for row 2; the repeats move on while its answer is on the way.
    pressDown(1);
    ASSERT_TRUE(form->ClientSocket1->isBusy());
    pressDown(3);
    EXPECT_EQ(form->ImVarGrid1->Row(), 5);
    // Painting held back at the start of the exchange resumes while a slow answer still runs.
    EXPECT_TRUE(waitUntil([&] { return form->Panel1->updatesEnabled(); }, 2000));
    EXPECT_TRUE(form->ClientSocket1->isBusy());
    // Printing now would mix one date's heading with another's lines.
    EXPECT_NE(form->printRefusal(), "");
    messages.clear();
    form->DataPrint->trigger();
    EXPECT_EQ(messages, std::vector<std::string>{form->printRefusal()});
    if (const QByteArray shots = qgetenv("MIROLA_VIEWER_SHOTS"); !shots.isEmpty())
        saveMessageBox(messages[0],
                       QString::fromLocal8Bit(shots) + u"/message-print-refused.png"_s);
    ASSERT_TRUE(waitUntil([&] { return form->isIdle(); }, 15000));
    expectSelectedStatementShown();

    // A burst while the request waits for its connection: the presses already queued are
    // delivered inside the wait, before the connection is reported.
    for (int i = 0; i < 2; ++i)
        QCoreApplication::postEvent(
            form->ImVarGrid1,
            new QKeyEvent(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier, QString(), true));
    QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    QApplication::sendEvent(form->ImVarGrid1, &up);
    EXPECT_EQ(form->ImVarGrid1->Row(), 2);
    ASSERT_TRUE(waitUntil([&] { return form->isIdle(); }, 15000));
    expectSelectedStatementShown();

    // The page carries the selected statement: its number, heading and lines.
    const std::string pdf = dir.file("selected.pdf");
    form->exportStatement(pdf, {});
    const QString page = pdfText(QString::fromStdString(pdf), 1);
    EXPECT_TRUE(page.contains(u"2004-03-02-001"_s)) << page.toStdString();
    EXPECT_TRUE(page.contains(u"d2-2"_s));
    EXPECT_FALSE(page.contains(u"d2-3"_s));
    EXPECT_FALSE(page.contains(u"d5-"_s));
}

TEST_F(ViewerTest, SearchDuringAnExchangeRunsAfterItWithoutClearingFirst)
{
    searchFixture();
    SlowLine line(server.port(), 300);
    form->ClientSocket1->setServer(u"127.0.0.1"_s, line.port());
    form->ImVarGrid1->setFocus();
    pressDown(1);
    ASSERT_TRUE(form->ClientSocket1->isBusy());
    // Enter in the security number, for another company.
    form->CustList->setCurrentIndex(companyIndex("50001"));
    form->PassWD->setText(u"1234"_s);
    form->SUBULYEAR->setText(QString::number(QDate::currentDate().year()));
    form->SSUBULMONTH->setText(u"1"_s);
    form->ESUBULMONTH->setText(QString::number(QDate::currentDate().month()));
    QTest::keyClick(form->PassWD, Qt::Key_Return);
    EXPECT_EQ(form->ImVarGrid1->DataRowCount(), fixtureStatements)
        << "not cleared under the answer";
    EXPECT_EQ(field(form->CUSTNAME), text::cp949(longName));
    ASSERT_TRUE(waitUntil([&] { return form->isIdle(); }, 20000));
    EXPECT_EQ(field(form->CUSTNAME), text::cp949("(주)한빛유통"));
    EXPECT_GT(form->ImVarGrid2->DataRowCount(), 0);
    EXPECT_EQ(form->printRefusal(), "");
    EXPECT_TRUE(messages.empty());
}

TEST_F(ViewerTest, TheKeyboardReachesEverythingAndLongTextsShowTheirStart)
{
    // First focus on the company box; Tab runs down the query line, then the grids.
    ASSERT_TRUE(testsupport::activate(*form));
    EXPECT_TRUE(form->CustList->hasFocus());
    QWidget* const chain[] = {form->PassWD,      form->SUBULYEAR,  form->SSUBULMONTH,
                              form->ESUBULMONTH, form->ImVarGrid1, form->ImVarGrid2,
                              form->CustList};
    for (QWidget* next : chain) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_TRUE(next->hasFocus()) << next->objectName().toStdString();
    }

    // The company typed by its code commits to its item; Enter in the security number searches.
    form->CustList->lineEdit()->clear();
    QTest::keyClicks(form->CustList->lineEdit(), QString::fromLatin1(fixtureCompany));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(form->CustList->currentIndex(), companyIndex(fixtureCompany));
    form->PassWD->setText(QString::fromLatin1(fixturePassword));
    form->SUBULYEAR->setText(u"2004"_s);
    form->SSUBULMONTH->setText(u"3"_s);
    form->ESUBULMONTH->setText(u"3"_s);
    ASSERT_TRUE(exchange([&] { QTest::keyClick(form->PassWD, Qt::Key_Return); }));
    EXPECT_EQ(field(form->CUSTNAME), text::cp949(longName));
    EXPECT_EQ(form->ImVarGrid1->DataRowCount(), fixtureStatements);
    // Long texts are shown from their start: the code of the item, the street of the address.
    EXPECT_EQ(form->CustList->lineEdit()->cursorPosition(), 0);
    for (QLineEdit* e : {form->CUSTNAME, form->ADDRESS, form->JOBKIND, form->JOBITEM})
        EXPECT_EQ(e->cursorPosition(), 0) << e->objectName().toStdString();
    if (const QByteArray shots = qgetenv("MIROLA_VIEWER_SHOTS"); !shots.isEmpty())
        form->grab().save(QString::fromLocal8Bit(shots) + u"/viewer-long-texts.png"_s);

    // A company completed inline, without Enter or Tab, is the one searched.
    form->CustList->setFocus();
    form->CustList->lineEdit()->clear();
    QTest::keyClicks(form->CustList->lineEdit(), u"5000"_s);
    EXPECT_TRUE(form->CustList->currentText().startsWith(u"50001 "_s)) << "completed inline";
    form->PassWD->setText(u"1234"_s);
    form->SUBULYEAR->setText(QString::number(QDate::currentDate().year()));
    form->SSUBULMONTH->setText(u"1"_s);
    form->ESUBULMONTH->setText(QString::number(QDate::currentDate().month()));
    // F5 is the search button's key, and its tooltip says so.
    EXPECT_EQ(form->FlatImageButton1->toolTip(), u"검색 (F5)"_s);
    EXPECT_EQ(form->FlatImageButton6->toolTip(), u"인쇄 (Ctrl+P)"_s);
    EXPECT_EQ(form->FlatImageButton7->toolTip(), u"종료 (Ctrl+Q)"_s);
    ASSERT_TRUE(exchange([&] { QTest::keyClick(form->CustList->lineEdit(), Qt::Key_F5); }));
    EXPECT_EQ(field(form->CUSTNAME), text::cp949("(주)한빛유통"));
    form->ImVarGrid1->setFocus();
    QTest::keyClick(form->ImVarGrid1, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(form->ImVarGrid1->DataRowCount(), 0) << "Ctrl+Q is the exit button";
    EXPECT_TRUE(messages.empty());
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
    EXPECT_EQ(text::toCp949(form.Panel_Msg->text()), exchange::connectedText("127.0.0.1"));
    // The form paints again once the first moments of the exchange have passed.
    EXPECT_TRUE(waitUntil([&] { return form.Panel1->updatesEnabled(); }, 2000));
    if (!shots.isEmpty())
        form.grab().save(shots + u"/viewer-connected.png"_s);
    form.DataExit->trigger(); // closes the established connection
    EXPECT_TRUE(waitUntil([&] { return form.DataSerch->isEnabled(); }, 5000));
    EXPECT_EQ(text::toCp949(form.Panel_Msg->text()),
              exchange::endedText(exchange::Outcome::ClosedByUser, "", 0));
    EXPECT_EQ(form.lastFailure(), "");
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
    // Read from the start: "SUBUL...", not "...ULYEAR".
    EXPECT_EQ(form.SUBULYEAR->cursorPosition(), 0);
    EXPECT_EQ(form.PassWD->text(), QString());
    EXPECT_EQ(form.PassWD->echoMode(), QLineEdit::Password);
    EXPECT_EQ(form.DataSerch->text(), u"검색"_s);
    EXPECT_EQ(form.Image1.width(), 154);
    EXPECT_EQ(form.Image1.bitsPerPixel(), 24);
    EXPECT_TRUE(form.TOTAMT->isReadOnly());
}

} // namespace
