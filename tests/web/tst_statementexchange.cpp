// One request chain of the web page, made by the exchange driver on a thread of its own, against
// a statement server played by the test: the frames and acknowledgements on the wire, and how
// each way of ending is told apart.
#include "exchange/RequestTexts.h"
#include "tests/exchange/ScriptedPeer.h"
#include "tests/support/TestCertificates.h"
#include "tests/support/TestSupport.h"
#include "web/StatementExchange.h"

#include <QTcpServer>
#include <future>
#include <gtest/gtest.h>
#include <map>

using testsupport::serverFrame;
using testsupport::waitUntil;

namespace {

using Frames = std::vector<std::string>;

std::string ack(const std::string& command, const char* type)
{
    return "00025" + exchange::paddedField(command, 15) + type;
}

// A chain against the peer, with the answers the test puts under each command.
struct ScriptedChain
{
    ScriptedChain()
    {
        server.host = "127.0.0.1";
        server.port = peer.port();
        server.chainTimeoutMs = 10000;
        query.company = "50001";
        query.password = " 4321 ";
        query.year = 2024;
        query.fromMonth = 2;
        query.toMonth = 2;
        peer.onFrame = [this](const std::string& frame) {
            const exchange::Frame f = exchange::parseFrame(frame);
            const auto it = answers.find(std::string(f.command));
            if (f.type == "DATA" && it != answers.end()) {
                peer.send(it->second);
                if (closeAfter == it->first)
                    peer.closeConnection();
            }
        };
    }

    // The chain blocks the thread that asks; the peer answers on this one meanwhile.
    web::StatementData run()
    {
        return runOffThisThread([this] { return web::fetchStatement(server, query); });
    }

    web::StatementData runOffThisThread(const std::function<web::StatementData()>& chain)
    {
        auto result = std::async(std::launch::async, chain);
        EXPECT_TRUE(waitUntil(
            [&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
            30000));
        return result.get();
    }

    void answerAll()
    {
        answers["MAKECUST"] =
            serverFrame("MAKECUST", "OPN") +
            serverFrame("MAKECUST", "DATA", "123-45-67890|Alpha|Kim|North |Main 1|Retail|Food|") +
            serverFrame("MAKECUST", "END");
        answers["MAKEDATE"] = serverFrame("MAKEDATE", "DATA", "2024-02-05|3|50001||SA1|") +
                              serverFrame("MAKEDATE", "DATA", "2024-02-19|7|50001||SA1|") +
                              serverFrame("MAKEDATE", "END");
        answers["MAKEDATA"] =
            serverFrame("MAKEDATA", "DATA", "2024-02-19|7|1|Bolt|M8|100|EA|10|1000|100|") +
            serverFrame("MAKEDATA", "DATA", "2024-02-19|7|2|Nut|M8|100|EA|25|2500|250|") +
            serverFrame("MAKEDATA", "END");
    }

    testsupport::ScriptedPeer peer;
    web::ServerAddress server;
    web::SearchQuery query;
    std::map<std::string, std::string> answers;
    std::string closeAfter;
};

class StatementExchangeTest : public ::testing::Test, public ScriptedChain
{
};

} // namespace

TEST_F(StatementExchangeTest, TheChainAsksForTheChosenDateOnOneConnection)
{
    answerAll();
    query.date = 2;
    const web::StatementData data = run();

    EXPECT_EQ(data.end, web::ChainEnd::Complete);
    EXPECT_TRUE(data.message.empty());
    EXPECT_EQ(peer.connections(), 1);
    // The driver's own requests and acknowledgements, the lines asked for the second date.
    const Frames expected{
        exchange::formFrame(exchange::makeCustFields, exchange::makeCustText("50001", "4321")),
        ack("MAKECUST", "OOK  "),
        ack("MAKECUST", "DRS  "),
        exchange::formFrame(exchange::makeDateFields,
                            exchange::makeDateText({"2024-02-01", "2024-02-29"}, "50001", "4321")),
        ack("MAKEDATE", "DRS  "),
        ack("MAKEDATE", "DRS  "),
        exchange::formFrame(exchange::makeDataFields, exchange::makeDataText("2024-02-19", 7)),
        ack("MAKEDATA", "DRS  "),
        ack("MAKEDATA", "DRS  ")};
    // The last acknowledgements may still be on their way when the chain has ended.
    EXPECT_TRUE(testsupport::waitUntil([&] { return peer.frames().size() >= expected.size(); }));
    EXPECT_EQ(peer.frames(), expected);
    EXPECT_TRUE(data.hasParticulars());
    EXPECT_EQ(data.statement.particulars().address, "North Main 1");
    ASSERT_EQ(data.statement.dates().size(), 2u);
    EXPECT_EQ(data.selected, 2);
    ASSERT_EQ(data.statement.lines().size(), 2u);
    EXPECT_EQ(data.statement.lines()[1][0], "Nut");
    EXPECT_EQ(data.statement.totals().amountWithTax, "3850");
    EXPECT_EQ(data.statement.totals().count, "2");

    const printing::StatementInputs in = data.statementInputs();
    EXPECT_EQ(in.date, "2024-02-19");
    EXPECT_EQ(in.sequence, "7");
    EXPECT_EQ(in.custName, "Alpha");
    EXPECT_EQ(in.totAmTax, "3850");
    EXPECT_EQ(in.lines.size(), 2u);
}

TEST_F(StatementExchangeTest, ADateBeyondTheListFallsBackToTheFirst)
{
    answerAll();
    query.date = 5;
    const web::StatementData data = run();
    EXPECT_EQ(data.end, web::ChainEnd::Complete);
    EXPECT_EQ(data.selected, 1);
    EXPECT_EQ(peer.frames()[6], exchange::formFrame(exchange::makeDataFields,
                                                    exchange::makeDataText("2024-02-05", 3)));
}

TEST_F(StatementExchangeTest, EachWayOfEndingIsToldApart)
{
    struct Case
    {
        const char* name;
        std::function<void(ScriptedChain&)> arrange;
        web::ChainEnd end;
        int connections;
    };
    const Case cases[] = {
        {"the server closes after the particulars",
         [](ScriptedChain& t) {
             t.answerAll();
             t.closeAfter = "MAKECUST";
             t.answers["MAKECUST"] = serverFrame("MAKECUST", "DATA", "1|A|||||||");
         },
         web::ChainEnd::Cut, 1},
        // A statement short of lines must never print as if it were whole.
        {"the server closes in the middle of the lines",
         [](ScriptedChain& t) {
             t.answerAll();
             t.closeAfter = "MAKEDATA";
             t.answers["MAKEDATA"] =
                 serverFrame("MAKEDATA", "DATA", "2024-02-05|3|1|Bolt|M8|100|EA|10|1000|100|");
         },
         web::ChainEnd::Cut, 1},
        {"the server stays silent", [](ScriptedChain& t) { t.server.chainTimeoutMs = 300; },
         web::ChainEnd::TimedOut, 1},
        {"nobody listens on the port",
         [](ScriptedChain& t) {
             QTcpServer probe;
             probe.listen(QHostAddress::LocalHost);
             t.server.port = probe.serverPort(); // closed again when the probe goes
         },
         web::ChainEnd::Unreachable, 0},
        {"month 13 is refused before anything is sent",
         [](ScriptedChain& t) { t.query.fromMonth = t.query.toMonth = 13; }, web::ChainEnd::Refused,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedChain t;
        c.arrange(t);
        const web::StatementData data = t.run();
        EXPECT_EQ(data.end, c.end);
        EXPECT_EQ(t.peer.connections(), c.connections);
        if (c.end == web::ChainEnd::Refused) {
            EXPECT_EQ(data.message, "Invalid argument to date encode");
        }
    }
}

TEST_F(StatementExchangeTest, CompanyListLeavesThePromptOut)
{
    answers["MAKEKEY"] = serverFrame("MAKEKEY", "DATA", "50001|Alpha|02-555-0101|") +
                         serverFrame("MAKEKEY", "DATA", "50002|Beta|031-555-0102|") +
                         serverFrame("MAKEKEY", "END");
    const web::StatementData data =
        runOffThisThread([this] { return web::fetchCompanies(server); });
    EXPECT_EQ(data.end, web::ChainEnd::Complete);
    EXPECT_EQ(data.companies, (Frames{"50001 Alpha", "50002 Beta"}));
}

// The web front's chains over TLS: the same frames as plain with a trusted certificate, nothing
// sent to a server whose certificate is not trusted.
TEST(StatementExchangeTls, TrustedServerAnswersUntrustedOneGetsNothing)
{
    testsupport::TestCertificates certificates;
    std::string error;
    ASSERT_TRUE(certificates.make(error)) << error;
    for (const bool trusted : {true, false}) {
        SCOPED_TRACE(trusted ? "trusted" : "self-signed");
        const auto& pair = trusted ? certificates.good : certificates.selfSigned;
        testsupport::ScriptedPeer peer(pair.certificate, pair.key);
        peer.onFrame = [&peer](const std::string& frame) {
            if (exchange::parseFrame(frame).type == "DATA")
                peer.send(serverFrame("MAKEKEY", "DATA", "50001|Alpha|02|") +
                          serverFrame("MAKEKEY", "END"));
        };
        web::ServerAddress server;
        server.host = "127.0.0.1";
        server.port = peer.port();
        server.chainTimeoutMs = 10000;
        server.tls = true;
        server.ca = certificates.ca;
        auto result = std::async(std::launch::async, [&] { return web::fetchCompanies(server); });
        ASSERT_TRUE(waitUntil(
            [&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
            20000));
        const web::StatementData data = result.get();
        if (trusted) {
            EXPECT_EQ(data.end, web::ChainEnd::Complete);
            EXPECT_EQ(data.companies, (Frames{"50001 Alpha"}));
            ASSERT_TRUE(waitUntil([&] { return peer.frames().size() == 2; }));
            EXPECT_EQ(peer.frames(),
                      (Frames{exchange::formFrame(exchange::makeKeyFields, exchange::makeKeyText()),
                              ack("MAKEKEY", "DRS  ")}));
        } else {
            EXPECT_EQ(data.end, web::ChainEnd::Unreachable);
            EXPECT_TRUE(data.companies.empty());
            EXPECT_TRUE(peer.frames().empty());
        }
    }
}
