#include "exchange/ExchangeDriver.h"
#include "exchange/RequestTexts.h"
#include "tests/exchange/ScriptedPeer.h"
#include "tests/exchange/TestHost.h"
#include "tests/support/TestCertificates.h"
#include "tests/support/TestSupport.h"
#include "text/Cp949.h"

#include <QDate>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <utility>

using namespace Qt::StringLiterals;
using exchange::ExchangeDriver;
using exchange::ViewerHost;
using testsupport::serverFrame;
using testsupport::waitUntil;

namespace {

using Frames = std::vector<std::string>;

std::string drs(const std::string& command)
{
    return "00025" + exchange::paddedField(command, 15) + "DRS  ";
}

std::string ook(const std::string& command)
{
    return "00025" + exchange::paddedField(command, 15) + "OOK  ";
}

const std::string prompt = text::cp949("     업체를 선택하세요!");

class ExchangeDriverTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        driver.setServer(u"127.0.0.1"_s, peer.port());
        // The peer answers each request with what the test put under its command.
        peer.onFrame = [this](const std::string& frame) {
            const exchange::Frame f = exchange::parseFrame(frame);
            const auto it = answers.find(std::string(f.command));
            if (f.type == "DATA" && it != answers.end())
                peer.send(it->second);
        };
    }

    std::string server() const { return "127.0.0.1:" + std::to_string(peer.port()); }

    // Frames the viewer sent after its first `skip` frames, once the peer has them all.
    Frames sentAfter(size_t skip)
    {
        return Frames(peer.frames().begin() + long(skip), peer.frames().end());
    }

    // Waits until the peer has received every frame the viewer wrote: until the connection is
    // gone, or until the acknowledgement of a probe frame arrives.
    bool settle()
    {
        if (!driver.isActive())
            return waitUntil([&] { return !peer.connected(); });
        const size_t before = peer.frames().size();
        peer.send(serverFrame("PROBE", "OPN"));
        return waitUntil(
            [&] { return peer.frames().size() > before && peer.frames().back() == ook("PROBE"); });
    }

    void selectCompany()
    {
        host.custList = {prompt, "50001 Alpha Trading"};
        host.custIndex = 1;
        host.edits[ViewerHost::Edit::PassWD] = " 4321 ";
        host.edits[ViewerHost::Edit::SUBULYEAR] = "2024";
        host.edits[ViewerHost::Edit::SSUBULMONTH] = "02";
        host.edits[ViewerHost::Edit::ESUBULMONTH] = "02";
    }

    testsupport::TestHost host;
    testsupport::ScriptedPeer peer;
    ExchangeDriver driver{host};
    std::map<std::string, std::string> answers;
};

} // namespace

TEST_F(ExchangeDriverTest, CustomerList)
{
    answers["MAKEKEY"] = serverFrame("MAKEKEY", "OPN") +
                         serverFrame("MAKEKEY", "DATA", "50001|Alpha Trading|02-555-0101|") +
                         serverFrame("MAKEKEY", "DATA", "50002|Beta|031-555-0102|") +
                         serverFrame("MAKEKEY", "END");
    driver.MakeKeyExecute();
    ASSERT_TRUE(waitUntil([&] { return !driver.isActive() && !peer.connected(); }));

    EXPECT_EQ(host.custList, (Frames{prompt, "50001 Alpha Trading", "50002 Beta"}));
    EXPECT_EQ(host.custIndex, 0);
    const QDate today = QDate::currentDate();
    EXPECT_EQ(host.editText(ViewerHost::Edit::SUBULYEAR),
              QString::number(today.year()).toStdString());
    EXPECT_EQ(host.editText(ViewerHost::Edit::SSUBULMONTH), today.toString(u"MM"_s).toStdString());
    EXPECT_EQ(host.editText(ViewerHost::Edit::ESUBULMONTH), today.toString(u"MM"_s).toStdString());
    EXPECT_EQ(peer.frames(),
              (Frames{exchange::formFrame(exchange::makeKeyFields, exchange::makeKeyText()),
                      ook("MAKEKEY"), drs("MAKEKEY"), drs("MAKEKEY")}));
    EXPECT_EQ(host.status, text::cp949("받기 끝: 2건"));
    EXPECT_EQ(driver.lastOutcome(), exchange::Outcome::Complete);
    EXPECT_EQ(host.switches, (Frames{"search off", "click off", "click on", "search on"}));
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(ExchangeDriverTest, SearchChainRunsOnOneConnection)
{
    selectCompany();
    answers["MAKECUST"] =
        serverFrame("MAKECUST", "OPN") +
        serverFrame("MAKECUST", "DATA", "123-45-67890|Alpha|Kim|North |Main 1|Retail|Food|") +
        serverFrame("MAKECUST", "END");
    // A sequence number with a blank after it still names statement 3.
    answers["MAKEDATE"] = serverFrame("MAKEDATE", "DATA", "2024-02-05|3 |50001||SA1|") +
                          serverFrame("MAKEDATE", "DATA", "2024-02-19|7|50001||SA1|") +
                          serverFrame("MAKEDATE", "END");
    answers["MAKEDATA"] =
        serverFrame("MAKEDATA", "DATA", "2024-02-05|3|1|Bolt|M8|100|EA|10|1000|100|") +
        serverFrame("MAKEDATA", "DATA", "2024-02-05|3|2|Nut|M8|100|EA|25|2500|250|") +
        serverFrame("MAKEDATA", "END");
    driver.MakeCustExecute();
    ASSERT_TRUE(waitUntil([&] { return !driver.isActive() && !peer.connected(); }));

    EXPECT_EQ(peer.connections(), 1);
    const Frames expected = {
        exchange::formFrame(exchange::makeCustFields, exchange::makeCustText("50001", "4321")),
        ook("MAKECUST"),
        drs("MAKECUST"),
        exchange::formFrame(exchange::makeDateFields,
                            exchange::makeDateText({"2024-02-01", "2024-02-29"}, "50001", "4321")),
        drs("MAKEDATE"),
        drs("MAKEDATE"),
        exchange::formFrame(exchange::makeDataFields, exchange::makeDataText("2024-02-05", 3)),
        drs("MAKEDATA"),
        drs("MAKEDATA"),
    };
    EXPECT_EQ(peer.frames(), expected);
    EXPECT_EQ(host.statement.particulars().address, "North Main 1");
    ASSERT_EQ(host.statement.dates().size(), 2u);
    EXPECT_EQ(host.statement.dates()[1].seq, "7");
    ASSERT_EQ(host.statement.lines().size(), 2u);
    EXPECT_EQ(host.statement.totals().amountWithTax, "3850");
    EXPECT_EQ(host.statement.totals().count, "2");
    EXPECT_EQ(host.switches, (Frames{"search off", "click off", "click on", "search on"}));

    // A click on the second date asks for its lines on a new connection.
    answers["MAKEDATA"] =
        serverFrame("MAKEDATA", "DATA", "2024-02-19|7|1|Washer|M8|10|EA|5|50|5|") +
        serverFrame("MAKEDATA", "END");
    host.row = 2;
    driver.MakeDataExecute();
    ASSERT_TRUE(waitUntil(
        [&] { return peer.connections() == 2 && !driver.isActive() && !peer.connected(); }));
    EXPECT_EQ(sentAfter(expected.size()),
              (Frames{exchange::formFrame(exchange::makeDataFields,
                                          exchange::makeDataText("2024-02-19", 7)),
                      drs("MAKEDATA")}));
    ASSERT_EQ(host.statement.lines().size(), 1u);
    EXPECT_EQ(host.statement.lines()[0][0], "Washer");
    EXPECT_EQ(host.statement.totals().amount, "50");
    EXPECT_EQ(host.clears2, 2);
}

TEST_F(ExchangeDriverTest, SearchWithoutTradingDatesEndsWithSocketEnding)
{
    selectCompany();
    answers["MAKECUST"] = serverFrame("MAKECUST", "END");
    answers["MAKEDATE"] = serverFrame("MAKEDATE", "END");
    answers["MAKEDATA"] = serverFrame("MAKEDATA", "END");
    driver.MakeCustExecute();
    ASSERT_TRUE(waitUntil([&] { return !driver.isActive() && !peer.connected(); }));
    ASSERT_EQ(peer.frames().size(), 3u);
    EXPECT_EQ(peer.frames()[2], "00038MAKEDATA       DATA SOCKET ENDING");
    EXPECT_EQ(host.statement.particulars().custName, "");
    EXPECT_TRUE(host.statement.dates().empty());
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(ExchangeDriverTest, FramingCases)
{
    const std::string bigRow = "50001|" + std::string(1000 - 25 - 7, 'n') + "|";
    const std::string big = serverFrame("MAKEKEY", "DATA", bigRow);
    ASSERT_EQ(big.size(), 1000u);
    const std::string row = serverFrame("MAKEKEY", "DATA", "50001|Alpha|02|");
    struct Case
    {
        const char* name;
        Frames reads; // each written by the peer after the viewer has taken the previous one
        Frames items; // company items after the prompt
        Frames sent;  // what the viewer answers
        bool closes;
        Frames messages;
    };
    const std::vector<Case> cases = {
        {"frame split over two reads",
         {big.substr(0, 600), big.substr(600)},
         {"50001 " + std::string(968, 'n')},
         {drs("MAKEKEY")},
         false,
         {}},
        {"several frames in one read",
         {serverFrame("MAKEKEY", "OPN") + row + row + row + serverFrame("MAKEKEY", "END")},
         {"50001 Alpha", "50001 Alpha", "50001 Alpha"},
         {ook("MAKEKEY"), drs("MAKEKEY"), drs("MAKEKEY"), drs("MAKEKEY")},
         true,
         {}},
        {"open frame with a padded command",
         {serverFrame("MAKECUST", "OPN")},
         {},
         {"00025MAKECUST       OOK  "},
         false,
         {}},
        {"end followed by frames",
         {serverFrame("MAKEKEY", "END") + row + serverFrame("MAKEKEY", "OPN")},
         {},
         {},
         true,
         {}},
        {"data frame of length 25",
         {serverFrame("MAKEKEY", "DATA")},
         {" "},
         {drs("MAKEKEY")},
         false,
         {}},
        {"data of another command",
         {serverFrame("MAKEFOO", "DATA", "x|")},
         {},
         {drs("MAKEFOO")},
         false,
         {}},
        {"acknowledgements from the server",
         {serverFrame("MAKEKEY", "OOK") + serverFrame("MAKEKEY", "DRS")},
         {},
         {},
         false,
         {}},
        {"frame too short for a type",
         {"00010MAKEK" + row},
         {"50001 Alpha"},
         {drs("MAKEKEY")},
         false,
         {}},
        {"length field not a number",
         {"abcdeMAKEKEY        DATA " + row},
         {},
         {},
         true,
         {"'abcde' is not a valid integer value"}},
        {"length field of zero", {"00000MAKEKEY        DATA "}, {}, {}, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host = testsupport::TestHost();
        const size_t requestAt = peer.frames().size() + 1;
        driver.MakeKeyExecute();
        ASSERT_TRUE(waitUntil([&] { return peer.frames().size() == requestAt; }));
        for (const std::string& bytes : c.reads) {
            const int before = host.readEvents;
            peer.send(bytes);
            ASSERT_TRUE(waitUntil([&] { return host.readEvents > before; }));
            if (&bytes != &c.reads.back()) {
                EXPECT_EQ(host.custList.size(), 1u) << "nothing is cut out of a part";
            }
        }
        ASSERT_TRUE(settle());
        Frames sent = sentAfter(requestAt);
        if (!c.closes) {
            ASSERT_FALSE(sent.empty());
            sent.pop_back(); // the probe's acknowledgement
        }
        EXPECT_EQ(Frames(host.custList.begin() + 1, host.custList.end()), c.items);
        EXPECT_EQ(sent, c.sent);
        EXPECT_EQ(driver.isActive(), !c.closes);
        EXPECT_EQ(host.messages, c.messages);
        driver.close();
        EXPECT_FALSE(driver.isBusy());
    }
}

// A row handler may run an event loop (a message box) in which the user closes the connection:
// the rows after it in the same read go with the buffer, and the next search reads afresh.
TEST_F(ExchangeDriverTest, ConnectionClosedFromAnEventLoopInsideARowHandler)
{
    answers["MAKEKEY"] =
        serverFrame("MAKEKEY", "OPN") + serverFrame("MAKEKEY", "DATA", "50001|Alpha|02|") +
        serverFrame("MAKEKEY", "DATA", "50002|Beta|03|") + serverFrame("MAKEKEY", "END");
    bool closeOnce = true;
    host.afterCompanyRow = [&] {
        if (!std::exchange(closeOnce, false))
            return;
        QEventLoop loop;
        QTimer::singleShot(0, &loop, [&] {
            driver.close();
            loop.quit();
        });
        loop.exec();
    };
    driver.MakeKeyExecute();
    ASSERT_TRUE(waitUntil([&] { return !driver.isBusy() && !peer.connected(); }));
    EXPECT_EQ(host.custList, (Frames{prompt, "50001 Alpha"}));
    EXPECT_EQ(driver.lastOutcome(), exchange::Outcome::ClosedByUser);

    driver.MakeKeyExecute();
    ASSERT_TRUE(waitUntil([&] { return !driver.isBusy() && !peer.connected(); }));
    EXPECT_EQ(host.custList, (Frames{prompt, "50001 Alpha", "50002 Beta"}));
    EXPECT_EQ(driver.lastOutcome(), exchange::Outcome::Complete);
}

TEST_F(ExchangeDriverTest, ServerClosingMidAnswerKeepsTheRows)
{
    selectCompany();
    answers["MAKECUST"] = serverFrame("MAKECUST", "END");
    peer.onFrame = [&](const std::string& frame) {
        const exchange::Frame f = exchange::parseFrame(frame);
        if (f.type != "DATA")
            return;
        if (f.command == "MAKECUST")
            peer.send(serverFrame("MAKECUST", "END"));
        if (f.command == "MAKEDATE") {
            peer.send(serverFrame("MAKEDATE", "OPN") +
                      serverFrame("MAKEDATE", "DATA", "2024-02-05|3|"));
            peer.closeConnection();
        }
    };
    driver.MakeCustExecute();
    ASSERT_TRUE(waitUntil([&] { return !driver.isBusy(); }));
    EXPECT_EQ(driver.lastOutcome(), exchange::Outcome::Cut);
    // The cut names the answer and counts its own rows, not the particulars before them.
    EXPECT_EQ(
        driver.lastFailure(),
        text::cp949("서버 ") + server() +
            text::cp949("이(가) 거래일자 목록을 보내는 도중에 연결을 끊었습니다 (1건 받음)."));
    EXPECT_EQ(driver.lastUnfinishedAnswer(), exchange::Command::MakeDate);
    EXPECT_EQ(host.status, driver.lastFailure());
    ASSERT_EQ(host.statement.dates().size(), 1u);
    EXPECT_EQ(host.statement.dates()[0].date, "2024-02-05");
    EXPECT_EQ(host.clears2, 0) << "no statement-line request was started";
    EXPECT_TRUE(host.searchEnabled);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_FALSE(driver.isActive());
}

TEST_F(ExchangeDriverTest, AFailedConnectionIsToldInTheStatusLine)
{
    quint16 closedPort;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        closedPort = probe.serverPort();
    }
    struct Case
    {
        const char* name;
        QString host;
        exchange::Outcome outcome;
        const char* says;
    };
    const Case cases[] = {
        {"nothing listens", u"127.0.0.1"_s, exchange::Outcome::Refused, "연결이 거부되었습니다."},
        {"the name does not resolve", u"no-such-host.invalid"_s, exchange::Outcome::HostNotFound,
         "서버 이름을 찾을 수 없습니다."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host = testsupport::TestHost();
        driver.setServer(c.host, closedPort);
        EXPECT_FALSE(driver.SocketSendData(
            exchange::formFrame(exchange::makeKeyFields, exchange::makeKeyText())));
        EXPECT_EQ(driver.lastOutcome(), c.outcome);
        EXPECT_EQ(driver.lastFailure(),
                  text::cp949("서버 ") + text::toCp949(c.host) + ":" + std::to_string(closedPort) +
                      text::cp949("에 연결할 수 없습니다: ") + text::cp949(c.says));
        EXPECT_EQ(host.status, driver.lastFailure());
        EXPECT_TRUE(host.searchEnabled);
        EXPECT_TRUE(host.messages.empty());
        EXPECT_FALSE(driver.isBusy());
    }
}

TEST_F(ExchangeDriverTest, SecondRequestWhileTheFirstWaitsIsRefused)
{
    // A name to look up keeps the first request waiting past the queued call below.
    driver.setServer(u"localhost"_s, peer.port());
    bool secondSent = true;
    bool ranWhileWaiting = false;
    QTimer::singleShot(0, &driver, [&] {
        ranWhileWaiting = driver.isWaiting();
        secondSent = driver.SocketSendData(
            exchange::formFrame(exchange::makeDataFields, exchange::socketEnding));
    });
    EXPECT_TRUE(driver.SocketSendData(
        exchange::formFrame(exchange::makeKeyFields, exchange::makeKeyText())));
    EXPECT_TRUE(ranWhileWaiting);
    EXPECT_FALSE(secondSent);
    ASSERT_TRUE(settle());
    EXPECT_EQ(peer.connections(), 1);
    EXPECT_EQ(peer.frames().front().substr(5, 20), std::string(exchange::makeKeyFields));
}

TEST_F(ExchangeDriverTest, OversizedRequestIsNotSent)
{
    selectCompany();
    host.edits[ViewerHost::Edit::PassWD] = std::string(100000, '7');
    driver.MakeCustExecute();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.status, "") << "no connection was attempted";
    EXPECT_EQ(peer.connections(), 0);
}

TEST_F(ExchangeDriverTest, ImpossibleDateStopsTheChainAndKeepsTheConnection)
{
    selectCompany();
    host.edits[ViewerHost::Edit::ESUBULMONTH] = "";
    answers["MAKECUST"] = serverFrame("MAKECUST", "OPN") + serverFrame("MAKECUST", "END");
    driver.MakeCustExecute();
    ASSERT_TRUE(waitUntil([&] { return !host.messages.empty(); }));
    ASSERT_TRUE(settle());
    EXPECT_EQ(host.messages, (Frames{"Invalid argument to date encode"}));
    for (const std::string& frame : peer.frames())
        EXPECT_NE(exchange::parseFrame(frame).command, "MAKEDATE");
    EXPECT_TRUE(driver.isActive());
    EXPECT_FALSE(host.searchEnabled);

    // Exit while connected: closed at once, search enabled again.
    driver.close();
    EXPECT_EQ(host.status, text::cp949("받기 끝: 0건"));
    EXPECT_TRUE(host.searchEnabled);
    EXPECT_TRUE(host.clickAttached);
    EXPECT_TRUE(waitUntil([&] { return !peer.connected(); }));
}

// Over TLS the driver sends and acknowledges the same frames as over a plain connection, and
// the status line says the connection is protected, by which protocol.
TEST(ExchangeDriverTls, TheSameFramesAndAProtectedStatusLine)
{
    testsupport::TestCertificates certificates;
    std::string error;
    ASSERT_TRUE(certificates.make(error)) << error;
    const std::string answer = serverFrame("MAKEKEY", "OPN") +
                               serverFrame("MAKEKEY", "DATA", "50001|Alpha Trading|02-555-0101|") +
                               serverFrame("MAKEKEY", "END");
    std::vector<Frames> sent;
    std::vector<std::vector<std::string>> statuses;
    for (const bool tls : {false, true}) {
        SCOPED_TRACE(tls ? "TLS" : "plain");
        std::unique_ptr<testsupport::ScriptedPeer> peer =
            tls ? std::make_unique<testsupport::ScriptedPeer>(certificates.good.certificate,
                                                              certificates.good.key)
                : std::make_unique<testsupport::ScriptedPeer>();
        peer->onFrame = [&](const std::string& frame) {
            if (exchange::parseFrame(frame).type == "DATA")
                peer->send(answer);
        };
        testsupport::TestHost host;
        ExchangeDriver driver(host);
        driver.setServer(u"127.0.0.1"_s, peer->port());
        driver.setTls(tls, certificates.ca);
        driver.MakeKeyExecute();
        ASSERT_TRUE(waitUntil([&] { return host.status == text::cp949("받기 끝: 1건"); }))
            << text::fromCp949(host.status).toStdString();
        ASSERT_TRUE(waitUntil([&] { return peer->frames().size() == 3; }));
        EXPECT_EQ(host.custList, (Frames{prompt, "50001 Alpha Trading"}));
        sent.push_back(peer->frames());
        statuses.push_back(host.statuses);
    }
    EXPECT_EQ(sent[1], sent[0]);
    const auto said = [](const std::vector<std::string>& texts, const char* utf8) {
        return std::any_of(texts.begin(), texts.end(), [&](const std::string& t) {
            return t.find(text::cp949(utf8)) != std::string::npos;
        });
    };
    EXPECT_TRUE(said(statuses[1], "에 보안 연결됨 (TLS 1.3, 인증서 확인됨)"));
    EXPECT_TRUE(said(statuses[1], "에서 받는 중 (보안 연결, TLS 1.3): "));
    EXPECT_FALSE(said(statuses[0], "보안"));
}
