// The real mirola-server program against the viewer's exchange driver and a plain client, on
// SQLite and on PostgreSQL.
#include "exchange/ExchangeDriver.h"
#include "exchange/RequestTexts.h"
#include "server/DemoData.h"
#include "tests/exchange/TestHost.h"
#include "tests/server/ServerProcess.h"
#include "tests/support/TestSupport.h"
#include "text/Cp949.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using exchange::ViewerHost;
using testsupport::RawClient;
using testsupport::ServerProcess;
using testsupport::waitUntil;

namespace {

using Texts = std::vector<std::string>;

enum class Backend { Sqlite, Postgresql };

// The URL of the throwaway cluster that the test fixture started, or empty.
QString postgresqlUrl()
{
    QFile state(qEnvironmentVariable("MIROLA_TEST_PG_STATE"));
    if (!state.open(QIODevice::ReadOnly))
        return {};
    state.readLine();
    return QString::fromUtf8(state.readLine()).trimmed();
}

std::string endFrame(const std::string& command)
{
    return "00025" + exchange::paddedField(command, 15) + "END  ";
}

std::string s(const QString& q)
{
    return text::toCp949(q);
}

// What the viewer should show for one search, worked out from the demo data.
struct Expected
{
    std::vector<exchange::TradingDate> dates;
    std::vector<const server::DemoStatement*> statements;
};

Expected expectedSearch(const server::DemoData& data, const QString& code, const QString& from,
                        const QString& to)
{
    std::vector<const server::DemoStatement*> found;
    for (const server::DemoStatement& st : data.statements) {
        const bool listed = st.ioCode != u"MM1"_s && st.ioCode != u"CJ1"_s;
        if (st.custCode == code && listed && st.date >= from && st.date <= to)
            found.push_back(&st);
    }
    std::sort(found.begin(), found.end(), [](auto* a, auto* b) {
        return std::pair(a->date, a->seq) < std::pair(b->date, b->seq);
    });
    Expected e;
    e.statements = found;
    for (const server::DemoStatement* st : found)
        e.dates.push_back({s(st->date), std::to_string(st->seq)});
    return e;
}

std::vector<exchange::StatementLine> expectedLines(const server::DemoData& data,
                                                   const server::DemoStatement& st)
{
    std::vector<exchange::StatementLine> lines;
    for (const server::DemoLine& l : st.lines) {
        const auto item =
            std::find_if(data.items.begin(), data.items.end(),
                         [&](const server::DemoItem& i) { return i.code == l.itemCode; });
        lines.push_back({s(item->name), s(l.remark), std::to_string(l.qty), s(item->unit),
                         std::to_string(l.price), std::to_string(l.amount), std::to_string(l.tax)});
    }
    return lines;
}

exchange::Totals expectedTotals(const server::DemoStatement& st)
{
    int64_t amount = 0;
    int64_t tax = 0;
    for (const server::DemoLine& l : st.lines) {
        amount += l.amount;
        tax += l.tax;
    }
    return {std::to_string(amount), std::to_string(tax), std::to_string(amount + tax),
            std::to_string(st.lines.size())};
}

class ServerTest : public ::testing::TestWithParam<Backend>
{
protected:
    void SetUp() override
    {
        QStringList db;
        if (GetParam() == Backend::Sqlite) {
            db = {u"--db"_s, QString::fromStdString("sqlite:" + dir.file("statements.sqlite"))};
        } else {
            if (qEnvironmentVariableIsEmpty("MIROLA_TEST_PG_STATE"))
                GTEST_SKIP()
                    << "no PostgreSQL cluster (ctest starts one for tst_server_postgresql)";
            const QString url = postgresqlUrl();
            ASSERT_FALSE(url.isEmpty()) << "the cluster's state file names no URL";
            db = {u"--db"_s, url};
            // The cluster is fresh for each test run: the first server fills it.
            static bool filled = false;
            if (!filled)
                db << u"--init"_s;
            filled = true;
        }
        ASSERT_TRUE(server.start(db)) << server.errorOutput();
        driver.setServer(u"127.0.0.1"_s, server.port());
    }

    // Runs a whole exchange and waits for its connection to end.
    bool finish()
    {
        return waitUntil([&] { return !driver.isActive() && !driver.isWaiting(); }, 15000);
    }

    testsupport::TempDir dir;
    ServerProcess server;
    testsupport::TestHost host;
    exchange::ExchangeDriver driver{host};
    const QDate today = QDate::currentDate();
    const server::DemoData data = server::demoData(today);
};

} // namespace

TEST_P(ServerTest, CompanyListSearchAndAnotherDate)
{
    driver.MakeKeyExecute();
    ASSERT_TRUE(finish());
    EXPECT_EQ(host.custList,
              (Texts{text::cp949("     업체를 선택하세요!"), text::cp949("50001 (주)한빛유통"),
                     text::cp949("50002 대성철강(주)"), text::cp949("50003 (주)하늘'N바다"),
                     text::cp949("50004 푸른농산"), text::cp949("50005 (주)미래건설자재")}));
    EXPECT_EQ(driver.lastOutcome(), exchange::Outcome::Complete);
    EXPECT_TRUE(host.messages.empty());

    // The search chain over this year's months, for companies with different kinds of statements.
    struct Search
    {
        const char* name;
        const char* code;
        std::string password;
        bool found;
    };
    const std::vector<Search> searches = {
        {"office supplies, statements of many lengths", "50001", " 1234 ", true},
        {"farm produce without tax", "50004", "2468", true},
        {"construction, totals beyond 32 bits", "50005", "9090", true},
        {"name with a single quote", "50003", "3141", true},
        {"wrong security number", "50001", "9999", false},
        {"quotes in the security number", "50001", "\" or \"1\"=\"1", false},
    };
    const QString from = QDate(today.year(), 1, 1).toString(u"yyyy-MM-dd"_s);
    const QString to = QDate(today.year(), 12, 31).toString(u"yyyy-MM-dd"_s);
    for (const Search& search : searches) {
        SCOPED_TRACE(search.name);
        host.selectCompany(search.code);
        host.edits[ViewerHost::Edit::PassWD] = search.password;
        host.edits[ViewerHost::Edit::SUBULYEAR] = std::to_string(today.year());
        host.edits[ViewerHost::Edit::SSUBULMONTH] = "1";
        host.edits[ViewerHost::Edit::ESUBULMONTH] = "12";
        host.particulars = {};
        host.dates.clear();
        host.row = 1;
        driver.MakeCustExecute();
        ASSERT_TRUE(finish());
        EXPECT_TRUE(host.messages.empty());
        EXPECT_EQ(driver.lastOutcome(), exchange::Outcome::Complete);
        if (!search.found) {
            EXPECT_EQ(host.particulars.custName, "");
            EXPECT_TRUE(host.dates.empty());
            EXPECT_TRUE(host.lines.empty());
            continue;
        }
        const Expected expected = expectedSearch(data, QString::fromLatin1(search.code), from, to);
        ASSERT_FALSE(expected.statements.empty());
        const auto company =
            std::find_if(data.companies.begin(), data.companies.end(),
                         [&](const auto& c) { return c.code == QString::fromLatin1(search.code); });
        EXPECT_EQ(host.particulars.custName, s(company->name));
        EXPECT_EQ(host.particulars.registration, s(company->registration));
        ASSERT_EQ(host.dates.size(), expected.dates.size());
        for (size_t i = 0; i < expected.dates.size(); ++i) {
            EXPECT_EQ(host.dates[i].date, expected.dates[i].date);
            EXPECT_EQ(host.dates[i].seq, expected.dates[i].seq);
        }
        EXPECT_EQ(host.lines, expectedLines(data, *expected.statements[0]));
        const exchange::Totals totals = expectedTotals(*expected.statements[0]);
        EXPECT_EQ(host.totals.amount, totals.amount);
        EXPECT_EQ(host.totals.tax, totals.tax);
        EXPECT_EQ(host.totals.amountWithTax, totals.amountWithTax);
        EXPECT_EQ(host.totals.count, totals.count);
    }
    EXPECT_EQ(host.particulars.address, "") << "the last search found nothing";

    // Another date of the demo company: its lines replace those shown.
    host.selectCompany("50001");
    host.edits[ViewerHost::Edit::PassWD] = "1234";
    driver.MakeCustExecute();
    ASSERT_TRUE(finish());
    EXPECT_EQ(host.particulars.address, text::cp949("서울특별시 강남구 테헤란로 152, 7층"));
    const Expected expected = expectedSearch(data, u"50001"_s, from, to);
    const size_t last = expected.statements.size() - 1;
    host.row = int(last) + 1;
    driver.MakeDataExecute();
    ASSERT_TRUE(finish());
    EXPECT_EQ(host.lines, expectedLines(data, *expected.statements[last]));
    EXPECT_EQ(host.totals.count, std::to_string(expected.statements[last]->lines.size()));
}

TEST_P(ServerTest, AnswersOnlyTheFourRequestTexts)
{
    RawClient client(server.port());
    ASSERT_TRUE(client.connected());
    EXPECT_EQ(client.request(std::string(exchange::makeKeyFields), "select * from custs"),
              Texts{endFrame("MAKEKEY")});
    EXPECT_EQ(
        client.request(std::string(exchange::makeDataFields), std::string(exchange::socketEnding)),
        Texts{endFrame("MAKEDATA")});
    // Quotes in a value are escaped on the wire and find nothing.
    const std::string injected = exchange::makeCustText("50001", "\" or \"1\"=\"1");
    EXPECT_NE(injected.find("\"\"\" or \"\"1\"\"=\"\"1\""), std::string::npos);
    const Texts none = {"00025MAKECUST       OPN  ", endFrame("MAKECUST")};
    EXPECT_EQ(client.request(std::string(exchange::makeCustFields), injected), none);
    // The connection serves request after request, and every one is logged.
    EXPECT_EQ(client.request(std::string(exchange::makeKeyFields), exchange::makeKeyText()).size(),
              7u);
    EXPECT_TRUE(server.waitForOutput("127.0.0.1 MAKEKEY 5 rows"));
    EXPECT_TRUE(server.waitForOutput("127.0.0.1 MAKECUST 0 rows"));
}

INSTANTIATE_TEST_SUITE_P(Databases, ServerTest,
                         ::testing::Values(Backend::Sqlite, Backend::Postgresql),
                         [](const auto& info) {
                             return std::string(info.param == Backend::Sqlite ? "Sqlite"
                                                                              : "Postgresql");
                         });

class ServerProtectionTest : public ::testing::Test
{
protected:
    bool start(const QStringList& more)
    {
        return server.start(
            QStringList{u"--db"_s, QString::fromStdString("sqlite:" + dir.file("s.sqlite"))} +
            more);
    }

    testsupport::TempDir dir;
    ServerProcess server;
};

TEST_F(ServerProtectionTest, QuietConnectionIsClosed)
{
    ASSERT_TRUE(start({u"--idle-timeout"_s, u"1"_s}));
    RawClient client(server.port());
    ASSERT_TRUE(client.connected());
    EXPECT_TRUE(client.waitForClose(10000));
    EXPECT_TRUE(server.waitForOutput("closed: idle"));
}

TEST_F(ServerProtectionTest, ConnectionsBeyondTheCapAreRefused)
{
    ASSERT_TRUE(start({u"--max-connections"_s, u"2"_s}));
    RawClient first(server.port());
    RawClient second(server.port());
    ASSERT_TRUE(
        first.request(std::string(exchange::makeKeyFields), exchange::makeKeyText()).size() == 7u);
    ASSERT_TRUE(
        second.request(std::string(exchange::makeKeyFields), exchange::makeKeyText()).size() == 7u);
    RawClient third(server.port());
    EXPECT_TRUE(third.waitForClose());
    EXPECT_EQ(first.request(std::string(exchange::makeKeyFields), exchange::makeKeyText()).size(),
              7u);
}

TEST_F(ServerProtectionTest, UnreadableLengthClosesTheConnection)
{
    ASSERT_TRUE(start({}));
    RawClient client(server.port());
    client.send("x0025MAKEKEY        DATA ");
    EXPECT_TRUE(client.waitForClose());
}

TEST_F(ServerProtectionTest, FailedMatchesLockTheAddress)
{
    ASSERT_TRUE(start({u"--max-failures"_s, u"2"_s}));
    RawClient client(server.port());
    const Texts none = {"00025MAKECUST       OPN  ", endFrame("MAKECUST")};
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(client.request(std::string(exchange::makeCustFields),
                                 exchange::makeCustText("50001", "1")),
                  none);
    EXPECT_EQ(client.request(std::string(exchange::makeCustFields),
                             exchange::makeCustText("50001", "1234")),
              Texts{endFrame("MAKECUST")});
}

TEST_F(ServerProtectionTest, StatementLinesOnlyForListedStatementsUnlessSwitchedOff)
{
    const server::DemoData data = server::demoData(QDate::currentDate());
    const server::DemoStatement& st = data.statements.front();
    const std::string request = exchange::makeDataText(text::toCp949(st.date), st.seq);
    {
        ASSERT_TRUE(start({}));
        RawClient client(server.port());
        EXPECT_EQ(client.request(std::string(exchange::makeDataFields), request),
                  Texts{endFrame("MAKEDATA")});
        server.stop();
    }
    ASSERT_TRUE(start({u"--any-statement"_s}));
    RawClient client(server.port());
    EXPECT_EQ(client.request(std::string(exchange::makeDataFields), request).size(),
              st.lines.size() + 2);
}

TEST(ServerProgram, HelpAndBadArguments)
{
    QProcess help;
    help.start(QString::fromUtf8(MIROLA_SERVER_PROGRAM), {u"--help"_s});
    ASSERT_TRUE(help.waitForFinished(10000));
    EXPECT_EQ(help.exitCode(), 0);
    EXPECT_TRUE(help.readAllStandardOutput().contains("--listen HOST:PORT"));

    QProcess bad;
    bad.start(QString::fromUtf8(MIROLA_SERVER_PROGRAM), {u"--listen"_s, u"nowhere"_s});
    ASSERT_TRUE(bad.waitForFinished(10000));
    EXPECT_NE(bad.exitCode(), 0);
    EXPECT_TRUE(bad.readAllStandardError().contains("--listen"));
}
