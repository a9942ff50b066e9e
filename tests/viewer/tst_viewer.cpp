#include "button/TFlatImageButton.h"
#include "exchange/ExchangeDriver.h"
#include "exchange/ExchangeStatus.h"
#include "exchange/FrameReader.h"
#include "exchange/RequestTexts.h"
#include "grid/TImVarGrid.h"
#include "tests/report/print/PdfTools.h"
#include "tests/server/ServerProcess.h"
#include "tests/support/ModalDriver.h"
#include "tests/support/TestCertificates.h"
#include "tests/support/TestSupport.h"
#include "text/Cp949.h"
#include "viewer/GridCues.h"
#include "viewer/QtTranslations.h"
#include "viewer/TFmirola.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
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

// Stands between the viewer and the real server and cuts the server's answer to one command
// inside its DATA frame after `rowsBefore` whole rows: half of that frame goes out, then the
// connection ends, as when the server dies mid-answer. With a negative `rowsBefore` it cuts
// nothing but holds that answer's END frame back until release(), as a slow server does.
// Counts the connections the viewer opens.
class CutLine
{
public:
    CutLine(quint16 serverPort, std::string command, int rowsBefore)
        : m_serverPort(serverPort), m_command(std::move(command)), m_rowsBefore(rowsBefore)
    {
        m_listener.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_listener, &QTcpServer::newConnection, [this] { accept(); });
    }
    quint16 port() const { return m_listener.serverPort(); }
    int connections() const { return m_connections; }
    bool cut() const { return m_cut; }
    bool holding() const { return !m_held.empty(); }
    void release()
    {
        if (m_client)
            m_client->write(m_held.data(), qint64(m_held.size()));
        m_held.clear();
    }

private:
    void accept()
    {
        while (QTcpSocket* client = m_listener.nextPendingConnection()) {
            ++m_connections;
            auto* server = new QTcpSocket(client);
            auto reader = std::make_shared<exchange::FrameReader>();
            auto rows = std::make_shared<int>(0);
            server->connectToHost(QHostAddress::LocalHost, m_serverPort);
            QObject::connect(client, &QTcpSocket::readyRead, server,
                             [client, server] { server->write(client->readAll()); });
            QObject::connect(
                server, &QTcpSocket::readyRead, client, [this, client, server, reader, rows] {
                    const QByteArray bytes = server->readAll();
                    if (m_cut)
                        return;
                    reader->feed(std::string_view(bytes.constData(), size_t(bytes.size())));
                    exchange::Frame frame;
                    while (reader->next(frame) == exchange::FrameReader::Status::Frame) {
                        const std::string whole =
                            std::string(frame.header) + std::string(frame.body);
                        if (m_rowsBefore < 0 && frame.command == m_command && frame.type == "END") {
                            m_client = client;
                            m_held = whole;
                            continue;
                        }
                        if (frame.command == m_command && frame.type == "DATA" &&
                            (*rows)++ == m_rowsBefore) {
                            client->write(whole.data(), qint64(whole.size() / 2));
                            client->flush();
                            m_cut = true;
                            client->disconnectFromHost();
                            server->abort();
                            return;
                        }
                        client->write(whole.data(), qint64(whole.size()));
                    }
                });
            QObject::connect(server, &QTcpSocket::disconnected, client,
                             [client] { client->disconnectFromHost(); });
            QObject::connect(client, &QTcpSocket::disconnected, client,
                             [client] { client->deleteLater(); });
        }
    }

    QTcpServer m_listener;
    quint16 m_serverPort;
    std::string m_command;
    int m_rowsBefore;
    int m_connections = 0;
    bool m_cut = false;
    QPointer<QTcpSocket> m_client;
    std::string m_held;
};

// The viewer against the real server on its demo database.
class ViewerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The message boxes pictured here show Qt's buttons as the program does.
        viewer::installQtTranslations();
        const std::string db = dir.file("demo.sqlite");
        ASSERT_TRUE(server.start({u"--db"_s, QString::fromStdString("sqlite:" + db)}))
            << server.errorOutput();
        std::string error;
        ASSERT_TRUE(addFixture(db, error)) << error;
        startForm(server.port());
    }

    // Waits for the start-up timer's exchange to end, with the company list or with a failure.
    void startForm(quint16 port, bool listExpected = true,
                   const std::function<void(viewer::Configuration&)>& adjust = {})
    {
        viewer::Configuration config = viewer::Configuration::defaults();
        config.port = port;
        if (adjust)
            adjust(config);
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

    // 인쇄 and the export are both refused with the same words, and nothing is printed or written.
    void expectNothingPrinted(const std::string& because)
    {
        messages.clear();
        {
            // A print that went ahead would open its preview and wait there.
            testsupport::ModalWatchdog watchdog("refused print");
            form->DataPrint->trigger();
        }
        EXPECT_EQ(messages, std::vector<std::string>{because});
        EXPECT_FALSE(form->printCommand().running());
        const std::string pdf = dir.file("refused.pdf");
        try {
            form->exportStatement(pdf, {});
            ADD_FAILURE() << "exported";
        } catch (const std::exception& e) {
            EXPECT_EQ(std::string(e.what()), because);
        }
        EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));
    }

    std::string proxyServer(quint16 port) const { return "127.0.0.1:" + std::to_string(port); }
    std::string cp(const char* utf8) const { return text::cp949(utf8); }

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
    EXPECT_EQ(status(), text::cp949("받기 끝: 업체 ") +
                            std::to_string(form->CustList->count() - 1) + text::cp949("곳"));
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
    // The status line counts what is on show, not every row of the chain.
    const std::string firstDate = form->ImVarGrid1->GetDataCell(0, 0).toString();
    EXPECT_EQ(status(), cp("받기 끝: 거래일자 ") + std::to_string(dates) + cp("건, 선택한 ") +
                            firstDate + cp("의 품목 ") + std::to_string(firstLines) + cp("건"));
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

// Over TLS the whole chain runs as over plain, and the status line still says the connection
// was protected once the answer is in.
TEST_F(ViewerTest, OverTlsTheStatusLineSaysTheAnswerCameProtected)
{
    testsupport::TestCertificates certificates;
    std::string error;
    ASSERT_TRUE(certificates.make(error)) << error;
    testsupport::ServerProcess secure;
    ASSERT_TRUE(
        secure.start({u"--db"_s, QString::fromStdString("sqlite:" + dir.file("secure.sqlite")),
                      u"--tls-listen"_s, u"127.0.0.1:0"_s, u"--tls-cert"_s,
                      QString::fromStdString(certificates.good.certificate), u"--tls-key"_s,
                      QString::fromStdString(certificates.good.key)}))
        << secure.errorOutput();
    startForm(secure.tlsPort(), true, [&](viewer::Configuration& config) {
        config.tls = true;
        config.ca = certificates.ca;
    });
    EXPECT_EQ(status(), cp("받기 끝: 업체 ") + std::to_string(form->CustList->count() - 1) +
                            cp("곳 (보안 연결)"));
    search("50001", "1234");
    EXPECT_GT(form->ImVarGrid2->DataRowCount(), 0);
    EXPECT_TRUE(status().ends_with(cp("건 (보안 연결)")))
        << text::fromCp949(status()).toStdString();
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

// The server answers a wrong number and a locked address alike; the message says both.
const char* const lockOrMismatch =
    "이 업체와 보안번호에 맞는 거래처 정보가 없습니다. 보안번호가 틀렸거나, 틀린 보안번호가 "
    "여러 번 들어와 이 컴퓨터의 조회가 잠시 막혀 있습니다. 보안번호를 확인해 다시 검색하시고, "
    "맞는 번호로도 이 메시지가 나오면 10분 뒤에 다시 검색해 주세요.";

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
        {"wrong security number", "50001", "9999", "2004", "3", "3", lockOrMismatch, true},
        {"quotes in the security number", "50001", "\" or \"1\"=\"1", "2004", "3", "3",
         lockOrMismatch, true},
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

TEST_F(ViewerTest, ACutAnswerKeepsItsRowsSendsNothingFurtherAndNeverPrints)
{
    struct Case
    {
        const char* name;
        exchange::Command cut;
        int rowsBefore; // whole rows of the cut answer that arrive
        int clickRow;   // 0: the search itself is cut; else the click on this row is
        int dates;
        int lines;
    };
    const Case cases[] = {
        {"inside the particulars", exchange::Command::MakeCust, 0, 0, 0, 0},
        {"inside the date list", exchange::Command::MakeDate, 3, 0, 3, 0},
        {"inside the first date's lines", exchange::Command::MakeData, 0, 0, fixtureStatements, 0},
        {"inside a clicked date's lines", exchange::Command::MakeData, 3, 6, fixtureStatements, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        form->ClientSocket1->setServer(u"127.0.0.1"_s, server.port());
        if (c.clickRow > 0)
            searchFixture();
        CutLine line(server.port(), std::string(exchange::commandWord(c.cut)), c.rowsBefore);
        form->ClientSocket1->setServer(u"127.0.0.1"_s, line.port());
        messages.clear();
        if (c.clickRow > 0)
            ASSERT_TRUE(exchange([&] { form->ImVarGrid1->SetRow(c.clickRow); }));
        else
            searchFixture();
        ASSERT_TRUE(line.cut());
        // The rows that came stay; the cut is named and nothing follows it.
        EXPECT_EQ(line.connections(), 1);
        const std::string cut = exchange::cutText(proxyServer(line.port()), c.cut, c.rowsBefore);
        EXPECT_EQ(status(), cut);
        EXPECT_EQ(form->lastFailure(), cut);
        EXPECT_TRUE(messages.empty());
        EXPECT_EQ(form->ImVarGrid1->DataRowCount(), c.dates);
        EXPECT_EQ(field(form->CUSTNAME).empty(), c.cut == exchange::Command::MakeCust);
        EXPECT_EQ(form->ImVarGrid2->DataRowCount(), c.lines);
        // Totals of a cut answer are marked as partial.
        const bool partialTotals = c.lines > 0;
        EXPECT_EQ(form->findChild<QLabel*>(u"Label22"_s)->text(),
                  partialTotals ? u"일부 합계"_s : u"합      계"_s);
        EXPECT_EQ(form->TOTCOUNT->toolTip().isEmpty(), !partialTotals);
        if (partialTotals) {
            EXPECT_EQ(field(form->TOTCOUNT), std::to_string(c.lines));
            if (const QByteArray shots = qgetenv("MIROLA_VIEWER_SHOTS"); !shots.isEmpty())
                form->grab().save(QString::fromLocal8Bit(shots) + u"/viewer-lines-cut.png"_s);
        }
        if (c.cut == exchange::Command::MakeDate)
            if (const QByteArray shots = qgetenv("MIROLA_VIEWER_SHOTS"); !shots.isEmpty())
                form->grab().save(QString::fromLocal8Bit(shots) + u"/viewer-dates-cut.png"_s);
        expectNothingPrinted(
            c.dates == 0
                ? form->printRefusal()
                : cp("선택한 거래일자 ") +
                      form->ImVarGrid1->GetDataCell(0, form->ImVarGrid1->Row() - 1).toString() +
                      cp("의 품목을 받지 못해 인쇄할 수 없습니다. ") + cut);
        // The cut stays on show after the refusal, and still nothing was sent.
        EXPECT_EQ(status(), cut);
        EXPECT_EQ(line.connections(), 1);
        form->DataExit->trigger();
    }
}

TEST_F(ViewerTest, LinesRefusedAfterARestartAreToldNeverPrintAndASearchReturnsToThatDate)
{
    // The database as it was before any date was listed: the restarted server knows of none.
    // Copied while no server has it open, so that it is whole.
    const std::string db = dir.file("demo.sqlite");
    const std::string fresh = dir.file("fresh.sqlite");
    server.stop();
    ASSERT_TRUE(QFile::copy(QString::fromStdString(db), QString::fromStdString(fresh)));
    ASSERT_TRUE(server.start({u"--db"_s, QString::fromStdString("sqlite:" + db)}))
        << server.errorOutput();
    form->ClientSocket1->setServer(u"127.0.0.1"_s, server.port());
    searchFixture();
    server.stop();
    ASSERT_TRUE(server.start({u"--db"_s, QString::fromStdString("sqlite:" + fresh)}))
        << server.errorOutput();
    form->ClientSocket1->setServer(u"127.0.0.1"_s, server.port());

    const std::string stale =
        cp("서버가 거래일자 2004-03-04의 품목을 보내 주지 않았습니다. 거래일자 목록이 "
           "오래되었습니다(서버가 다시 시작되었거나 목록을 받은 지 오래되었습니다). 다시 검색해 "
           "주세요.");
    std::vector<std::string> questions;
    bool searchAgain = false;
    form->questionSink = [&](const std::string& text) {
        questions.push_back(text);
        return searchAgain;
    };
    ASSERT_TRUE(exchange([&] { form->ImVarGrid1->SetRow(4); }));
    EXPECT_EQ(questions, std::vector<std::string>{stale + " " + cp("지금 다시 검색할까요?")});
    EXPECT_EQ(form->ImVarGrid2->DataRowCount(), 0);
    EXPECT_EQ(status(),
              cp("받기 끝: 거래일자 6건, 선택한 2004-03-04의 품목 받지 못함(목록이 오래됨)"));
    EXPECT_EQ(form->lastFailure(), "");
    expectNothingPrinted(stale);
    if (const QByteArray shots = qgetenv("MIROLA_VIEWER_SHOTS"); !shots.isEmpty()) {
        form->grab().save(QString::fromLocal8Bit(shots) + u"/viewer-lines-refused.png"_s);
        form->questionSink = nullptr;
        form->messageSink = nullptr;
        testsupport::driveModal(
            "question box", [&] { form->askQuestion(questions[0]); },
            [&](QWidget& box) {
                box.grab().save(QString::fromLocal8Bit(shots) + u"/message-lines-refused.png"_s);
                box.close();
            });
        form->messageSink = [this](const std::string& t) { messages.push_back(t); };
    }

    // Yes: the search lists the dates anew and comes back to the one the user was on.
    messages.clear();
    form->questionSink = [&](const std::string& text) {
        questions.push_back(text);
        return true;
    };
    questions.clear();
    ASSERT_TRUE(exchange([&] { form->ImVarGrid1->SetRow(3); }));
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(form->ImVarGrid1->DataRowCount(), fixtureStatements);
    EXPECT_EQ(form->ImVarGrid1->Row(), 3);
    expectSelectedStatementShown();
    EXPECT_EQ(form->ImVarGrid2->DataRowCount(), 3);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ViewerTest, LockedOrWrongNumbersAreToldAsBothAndAnUnknownCodeIsNeverSent)
{
    // A wrong number fails twice (particulars and dates): two wrong searches lock this
    // address, and the right number then gets the same answer.
    const std::string db = dir.file("demo.sqlite");
    server.stop();
    ASSERT_TRUE(server.start(
        {u"--db"_s, QString::fromStdString("sqlite:" + db), u"--max-failures"_s, u"3"_s}))
        << server.errorOutput();
    form->ClientSocket1->setServer(u"127.0.0.1"_s, server.port());

    // A code typed that is in no item is refused before anything is cleared or sent: it would
    // count as a failure here.
    searchFixture();
    messages.clear();
    for (const char* typed : {"99999", "5900"}) {
        form->CustList->setFocus();
        form->CustList->lineEdit()->setText(QString::fromLatin1(typed));
        form->PassWD->setText(u"0715"_s);
        form->DataSerch->trigger();
        EXPECT_FALSE(form->ClientSocket1->isBusy()) << typed;
    }
    EXPECT_EQ(messages,
              (std::vector<std::string>{
                  cp("거래업체 '99999'은(는) 업체 목록에 없습니다. 목록에서 업체를 골라 주세요."),
                  cp("거래업체 '5900'은(는) 업체 목록에 없습니다. 목록에서 업체를 골라 주세요.")}));
    EXPECT_EQ(form->ImVarGrid1->DataRowCount(), fixtureStatements) << "nothing was cleared";
    if (const QByteArray shots = qgetenv("MIROLA_VIEWER_SHOTS"); !shots.isEmpty())
        saveMessageBox(messages[0],
                       QString::fromLocal8Bit(shots) + u"/message-unknown-company.png"_s);
    // Nothing counted: one wrong number does not lock yet.
    messages.clear();
    search(fixtureCompany, "0000", "2004", "3", "3");
    EXPECT_EQ(messages, std::vector<std::string>{cp(lockOrMismatch)});
    messages.clear();
    searchFixture();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(form->ImVarGrid1->DataRowCount(), fixtureStatements);

    search(fixtureCompany, "0000", "2004", "3", "3");
    messages.clear();
    searchFixture();
    EXPECT_EQ(messages, std::vector<std::string>{cp(lockOrMismatch)}) << "locked";
    EXPECT_EQ(form->ImVarGrid1->DataRowCount(), 0);
    if (const QByteArray shots = qgetenv("MIROLA_VIEWER_SHOTS"); !shots.isEmpty())
        saveMessageBox(messages[0], QString::fromLocal8Bit(shots) + u"/message-locked.png"_s);
}

TEST_F(ViewerTest, PrintWaitsForArrivingLinesAndAnEmptyFormHasNothingToPrint)
{
    // Before any search there is no statement.
    expectNothingPrinted(cp("인쇄할 거래명세서가 없습니다. 업체와 보안번호로 검색한 뒤 거래일자를 "
                            "골라 인쇄해 주세요."));
    if (const QByteArray shots = qgetenv("MIROLA_VIEWER_SHOTS"); !shots.isEmpty())
        saveMessageBox(messages[0],
                       QString::fromLocal8Bit(shots) + u"/message-nothing-to-print.png"_s);

    searchFixture();
    // The lines of the fifth date arrive, their END frame waits.
    CutLine line(server.port(), "MAKEDATA", -1);
    form->ClientSocket1->setServer(u"127.0.0.1"_s, line.port());
    form->ImVarGrid1->SetRow(5);
    ASSERT_TRUE(form->ClientSocket1->isBusy());
    messages.clear();
    form->DataPrint->trigger();
    EXPECT_TRUE(messages.empty()) << "not refused";
    const std::string waiting = cp("인쇄 대기 중: 품목을 다 받으면 인쇄합니다.");
    EXPECT_TRUE(status().ends_with(waiting));
    ASSERT_TRUE(waitUntil([&] { return line.holding(); }, 10000));
    ASSERT_TRUE(waitUntil([&] { return form->ImVarGrid2->DataRowCount() == 5; }));
    // The counter of the answer under way goes on, with the waiting print beside it; the
    // totals so far are marked as such, and nothing is printed yet.
    EXPECT_TRUE(waitUntil([&] { return status().find(cp("받는 중: 5건")) != std::string::npos; }));
    EXPECT_TRUE(status().ends_with(waiting)) << text::fromCp949(status()).toStdString();
    EXPECT_TRUE(waitUntil([&] { return form->Panel1->updatesEnabled(); }, 2000));
    EXPECT_EQ(form->findChild<QLabel*>(u"Label22"_s)->text(), u"일부 합계"_s);
    EXPECT_FALSE(form->printCommand().running());
    if (const QByteArray shots = qgetenv("MIROLA_VIEWER_SHOTS"); !shots.isEmpty())
        form->grab().save(QString::fromLocal8Bit(shots) + u"/viewer-print-waiting.png"_s);
    // The preview opens once the lines are whole, with the selected statement.
    int linesWhenPrinted = -1;
    std::string printed;
    EXPECT_TRUE(testsupport::driveModal(
        "queued print",
        [&] {
            line.release();
            waitUntil([&] { return !printed.empty(); }, 15000);
        },
        [&](QWidget& preview) {
            linesWhenPrinted = form->ImVarGrid2->DataRowCount();
            printed = form->statementInputs().date;
            EXPECT_TRUE(form->printCommand().running());
            EXPECT_EQ(form->findChild<QLabel*>(u"Label22"_s)->text(), u"합      계"_s);
            preview.close();
        }));
    EXPECT_EQ(printed, "2004-03-05");
    EXPECT_EQ(linesWhenPrinted, 5);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(waitUntil([&] { return form->isIdle() && !form->printCommand().running(); }));
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
    form->SUBULYEAR->setText(u"2004"_s);
    form->SSUBULMONTH->setText(u"3"_s);
    form->ESUBULMONTH->setText(u"5"_s);
    ASSERT_TRUE(exchange([&] { form->DataSerch->trigger(); }));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], text::cp949("업체 목록을 받지 못했습니다. ") + refused + " " +
                               text::cp949("목록을 다시 받습니다."));
    EXPECT_EQ(status(), refused);
    EXPECT_TRUE(form->DataSerch->isEnabled());
    // Asking for the list again keeps the period typed.
    EXPECT_EQ(form->SUBULYEAR->text(), u"2004"_s);
    EXPECT_EQ(form->SSUBULMONTH->text(), u"3"_s);
    EXPECT_EQ(form->ESUBULMONTH->text(), u"5"_s);
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
    // Printing now would mix one date's heading with another's lines (인쇄 waits instead).
    EXPECT_NE(form->printRefusal(), "");
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
    EXPECT_TRUE(status().ends_with(cp("검색 대기 중: 지금 받는 내용이 끝나면 검색합니다.")));
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

    // Enter in the company box searches too.
    form->CustList->setFocus();
    form->CustList->lineEdit()->clear();
    QTest::keyClicks(form->CustList->lineEdit(), QString::fromLatin1(fixtureCompany));
    form->DataExit->trigger();
    ASSERT_TRUE(exchange([&] { QTest::keyClick(form->CustList->lineEdit(), Qt::Key_Return); }));
    EXPECT_EQ(field(form->CUSTNAME), text::cp949(longName));
    EXPECT_EQ(form->ImVarGrid1->DataRowCount(), fixtureStatements);

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

// Asks an accessible and everything under it all that a screen reader asks.
int readAsAssistiveTechnology(QAccessibleInterface* node, int depth = 0)
{
    // The grids' cells hang under their tables; nothing the form holds is deeper than this.
    constexpr int deepestNode = 32;
    if (!node || depth > deepestNode)
        return 0;
    int read = 1;
    for (QAccessible::Text t : {QAccessible::Name, QAccessible::Description, QAccessible::Value})
        (void)node->text(t);
    (void)node->state();
    (void)node->rect();
    if (QAccessibleTableInterface* table = node->tableInterface())
        for (int r = 0; r < table->rowCount(); ++r)
            for (int c = 0; c < table->columnCount(); ++c)
                read += readAsAssistiveTechnology(table->cellAt(r, c), depth + 1);
    for (int i = 0; i < node->childCount(); ++i)
        read += readAsAssistiveTechnology(node->child(i), depth + 1);
    return read;
}

// The form looks the same whether assistive technology listens or not. Run twice by
// tests/viewer/look-with-and-without-a11y on the same kind of display: once with no
// accessibility bus, picturing the form, and once under the bridge, comparing with that picture.
TEST_F(ViewerTest, LooksTheSameWhetherAssistiveTechnologyListensOrNot)
{
    const QString picture = QString::fromLocal8Bit(qgetenv("MIROLA_LOOK_PICTURE"));
    if (picture.isEmpty())
        GTEST_SKIP() << "run by tests/viewer/look-with-and-without-a11y";
    const bool bridge = qEnvironmentVariableIsSet("MIROLA_A11Y_BRIDGE");
    ASSERT_EQ(QTest::qWaitFor([] { return QAccessible::isActive(); }, bridge ? 5000 : 0), bridge)
        << (bridge ? "the bridge did not come up" : "a bridge came up");

    ASSERT_TRUE(testsupport::activate(*form));
    searchFixture();
    form->ImVarGrid1->setFocus();
    ASSERT_TRUE(exchange([&] { QTest::keyClick(form->ImVarGrid1, Qt::Key_Down); }));
    ASSERT_EQ(form->ImVarGrid1->Row(), 2);
    EXPECT_GT(readAsAssistiveTechnology(QAccessible::queryAccessibleInterface(form.get())),
              fixtureStatements * 2);
    QCoreApplication::processEvents();

    const QImage shot = form->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_TRUE(shot.save(picture));
    const QString reference = QString::fromLocal8Bit(qgetenv("MIROLA_LOOK_REFERENCE"));
    if (reference.isEmpty())
        return;
    const QImage plain = QImage(reference).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(plain.size(), shot.size());
    int differing = 0;
    QPoint first;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (shot.pixel(x, y) != plain.pixel(x, y) && differing++ == 0)
                first = QPoint(x, y);
    EXPECT_EQ(differing, 0) << "pixels that differ under the bridge, the first at " << first.x()
                            << ", " << first.y();
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

namespace {

TEST(ViewerForm, QtsOwnTextsAreKorean)
{
    ASSERT_TRUE(viewer::installQtTranslations());
    QMessageBox box(QMessageBox::Information, u"mirola"_s, u"-"_s,
                    QMessageBox::Ok | QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box.button(QMessageBox::Ok)->text(), u"확인"_s);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove(u'&'), u"예(Y)"_s);
    EXPECT_EQ(QCoreApplication::translate("QLineEdit", "Select All"), u"모두 선택"_s);
}

TEST(ViewerForm, AnEmptyFocusedGridShowsACueAndACutCellShowsItsWholeText)
{
    TFmirola form;
    form.Timer1->stop();
    form.show();
    ASSERT_TRUE(testsupport::activate(form));
    auto* cues = form.ImVarGrid2->findChild<viewer::GridCues*>();
    ASSERT_TRUE(cues);
    form.DataClear2Execute();
    EXPECT_FALSE(cues->cueShown());
    form.ImVarGrid2->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(waitUntil([&] { return cues->cueShown(); }));
    if (const QByteArray shots = qgetenv("MIROLA_VIEWER_SHOTS"); !shots.isEmpty())
        form.grab().save(QString::fromLocal8Bit(shots) + u"/viewer-empty-grid-focus.png"_s);

    // With a row the focused cell is the cue; the long item details are cut by their column.
    const std::string longDetails =
        text::cp949("스테인리스 볼트 M12 x 80 육각 머리 전나사 (100개입)");
    form.SocketMakeData("2004-03-01|1|1|" + text::cp949("품목A") + "|" + longDetails +
                        "|1|EA|100|100|10|");
    EXPECT_TRUE(waitUntil([&] { return !cues->cueShown(); }));
    const auto centre = [&](int col) {
        const gfx::Rect r = form.ImVarGrid2->CellRect(col, 1);
        return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    };
    EXPECT_EQ(cues->clippedText(centre(1)), text::fromCp949(longDetails));
    EXPECT_EQ(cues->clippedText(centre(2)), QString()) << "a quantity that fits";
    EXPECT_EQ(cues->clippedText(QPoint(centre(1).x(), 2)), QString()) << "the header row";
}

} // namespace
