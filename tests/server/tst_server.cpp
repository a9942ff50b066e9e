// The real mirola-server program against the viewer's exchange driver and a plain client, on
// SQLite and on PostgreSQL.
#include "exchange/ExchangeDriver.h"
#include "exchange/FrameReader.h"
#include "exchange/RequestTexts.h"
#include "server/DemoData.h"
#include "server/StatementDatabase.h"
#include "tests/exchange/TestHost.h"
#include "tests/server/ServerProcess.h"
#include "tests/support/TestSupport.h"
#include "text/Cp949.h"

#include "exchange/ResponseRows.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpSocket>
#include <QTimer>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;
using exchange::ViewerHost;
using testsupport::metricsPage;
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

// The arguments for a server on the throwaway cluster. The cluster is fresh for each test run:
// the first server fills it.
QStringList postgresqlArguments()
{
    const QString url = postgresqlUrl();
    if (url.isEmpty())
        return {};
    static bool filled = false;
    QStringList arguments{u"--db"_s, url};
    if (!filled)
        arguments << u"--init"_s;
    filled = true;
    return arguments;
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
            db = postgresqlArguments();
            ASSERT_FALSE(db.isEmpty()) << "the cluster's state file names no URL";
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
        host.statement.clearSearch();
        host.row = 1;
        driver.MakeCustExecute();
        ASSERT_TRUE(finish());
        EXPECT_TRUE(host.messages.empty());
        EXPECT_EQ(driver.lastOutcome(), exchange::Outcome::Complete);
        if (!search.found) {
            EXPECT_EQ(host.statement.particulars().custName, "");
            EXPECT_TRUE(host.statement.dates().empty());
            EXPECT_TRUE(host.statement.lines().empty());
            continue;
        }
        const Expected expected = expectedSearch(data, QString::fromLatin1(search.code), from, to);
        ASSERT_FALSE(expected.statements.empty());
        const auto company =
            std::find_if(data.companies.begin(), data.companies.end(),
                         [&](const auto& c) { return c.code == QString::fromLatin1(search.code); });
        EXPECT_EQ(host.statement.particulars().custName, s(company->name));
        EXPECT_EQ(host.statement.particulars().registration, s(company->registration));
        ASSERT_EQ(host.statement.dates().size(), expected.dates.size());
        for (size_t i = 0; i < expected.dates.size(); ++i) {
            EXPECT_EQ(host.statement.dates()[i].date, expected.dates[i].date);
            EXPECT_EQ(host.statement.dates()[i].seq, expected.dates[i].seq);
        }
        EXPECT_EQ(host.statement.lines(), expectedLines(data, *expected.statements[0]));
        const exchange::Totals totals = expectedTotals(*expected.statements[0]);
        const exchange::Totals got = host.statement.totals();
        EXPECT_EQ(got.amount, totals.amount);
        EXPECT_EQ(got.tax, totals.tax);
        EXPECT_EQ(got.amountWithTax, totals.amountWithTax);
        EXPECT_EQ(got.count, totals.count);
    }
    EXPECT_EQ(host.statement.particulars().address, "") << "the last search found nothing";

    // Another date of the demo company: its lines replace those shown.
    host.selectCompany("50001");
    host.edits[ViewerHost::Edit::PassWD] = "1234";
    driver.MakeCustExecute();
    ASSERT_TRUE(finish());
    EXPECT_EQ(host.statement.particulars().address,
              text::cp949("서울특별시 강남구 테헤란로 152, 7층"));
    const Expected expected = expectedSearch(data, u"50001"_s, from, to);
    const size_t last = expected.statements.size() - 1;
    host.row = int(last) + 1;
    driver.MakeDataExecute();
    ASSERT_TRUE(finish());
    EXPECT_EQ(host.statement.lines(), expectedLines(data, *expected.statements[last]));
    EXPECT_EQ(host.statement.totals().count,
              std::to_string(expected.statements[last]->lines.size()));
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

TEST_F(ServerProtectionTest, RestartKeepsTheGrants)
{
    ASSERT_TRUE(start({}));
    const QDate today = QDate::currentDate();
    std::string lines;
    {
        RawClient listing(server.port(), u"127.0.0.6"_s);
        const Texts listed = listing.request(
            std::string(exchange::makeDateFields),
            exchange::makeDateText(exchange::dateRange(today.year(), 1, 12), "50001", "1234"));
        ASSERT_GE(listed.size(), 3u);
        const exchange::TradingDate date =
            exchange::tradingDate(exchange::parseFrame(listed[1]).body);
        lines = exchange::makeDataText(date.date, std::stoll(date.seq));
    }
    server.stop();
    ASSERT_TRUE(start({}));
    RawClient click(server.port(), u"127.0.0.6"_s);
    EXPECT_GT(click.request(std::string(exchange::makeDataFields), lines).size(), 2u);
    RawClient stranger(server.port(), u"127.0.0.7"_s);
    EXPECT_EQ(stranger.request(std::string(exchange::makeDataFields), lines),
              Texts{endFrame("MAKEDATA")});
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

// A disk without room: the start fails and says why.
TEST(ServerProgram, FullDiskIsNamedAtStart)
{
    testsupport::TempDir dir;
    const QString disk = QString::fromStdString(dir.file("disk"));
    QDir().mkpath(disk);
    QProcess mount;
    mount.start(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=64k"_s, u"tmpfs"_s, disk});
    if (!mount.waitForFinished(10000) || mount.exitCode() != 0)
        GTEST_SKIP() << "cannot mount a small disk here (needs root)";
    {
        QFile fill(disk + u"/fill"_s);
        ASSERT_TRUE(fill.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (fill.write(block) == block.size() && fill.flush()) {
        }
    }
    QProcess server;
    server.start(
        QString::fromUtf8(MIROLA_SERVER_PROGRAM),
        {u"--listen"_s, u"127.0.0.1:0"_s, u"--db"_s, u"sqlite:"_s + disk + u"/s.sqlite"_s});
    const bool ended = server.waitForFinished(30000);
    const QByteArray said = server.readAllStandardError();
    QProcess::execute(u"umount"_s, {disk});
    ASSERT_TRUE(ended);
    EXPECT_EQ(server.exitCode(), 1);
    EXPECT_TRUE(said.contains("is full")) << said.toStdString();
}

namespace {

// A plain socket to the server from a loopback `source`, which the test writes to as it likes
// and never reads.
class HostileSocket
{
public:
    HostileSocket(const char* source, quint16 port, int receiveBuffer = 0)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (receiveBuffer > 0)
            ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        sockaddr_in from{};
        from.sin_family = AF_INET;
        from.sin_addr.s_addr = htonl(QHostAddress(QString::fromLatin1(source)).toIPv4Address());
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_connected = ::bind(m_fd, reinterpret_cast<sockaddr*>(&from), sizeof from) == 0 &&
                      ::connect(m_fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
    }
    ~HostileSocket() { ::close(m_fd); }
    HostileSocket(const HostileSocket&) = delete;
    HostileSocket& operator=(const HostileSocket&) = delete;

    bool connected() const { return m_connected; }
    // Sends what fits without waiting; false once the server has closed the connection.
    bool send(const std::string& bytes)
    {
        return ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT) >= 0 ||
               errno == EAGAIN;
    }
    // Sends `bytes` again and again until the connection takes no more.
    void flood(const std::string& bytes)
    {
        while (::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT) > 0) {
        }
    }
    bool closedByServer() const
    {
        tcp_info info{};
        socklen_t length = sizeof info;
        return ::getsockopt(m_fd, IPPROTO_TCP, TCP_INFO, &info, &length) == 0 &&
               info.tcpi_state != TCP_ESTABLISHED;
    }

private:
    int m_fd = -1;
    bool m_connected = false;
};

// One search chain as the viewer runs it, each request on a new connection from `from`:
// particulars, trading dates, the first statement's lines. True when each answered in full.
bool searchChain(quint16 port, const QString& from, int year)
{
    const std::string cust = exchange::makeCustText("50001", "1234");
    const std::string dates =
        exchange::makeDateText(exchange::dateRange(year, 1, 12), "50001", "1234");
    RawClient first(port, from);
    if (first.request(std::string(exchange::makeCustFields), cust).size() != 3)
        return false;
    RawClient second(port, from);
    const std::vector<std::string> listed =
        second.request(std::string(exchange::makeDateFields), dates);
    if (listed.size() < 3)
        return false;
    const exchange::TradingDate date = exchange::tradingDate(exchange::parseFrame(listed[1]).body);
    RawClient third(port, from);
    return third
               .request(std::string(exchange::makeDataFields),
                        exchange::makeDataText(date.date, std::stoll(date.seq)))
               .size() > 2;
}

quint16 metricsPortOf(ServerProcess& server)
{
    const QRegularExpression served(u"metrics on 127\\.0\\.0\\.1:(\\d+)"_s);
    const auto match = served.match(QString::fromStdString(server.errorOutput()));
    return match.hasMatch() ? quint16(match.captured(1).toUInt()) : 0;
}

} // namespace

TEST_F(ServerProtectionTest, TricklingFloodingAndNeverReadingClientsLeaveOtherAddressesServed)
{
    ASSERT_TRUE(
        start({u"--max-connections"_s, u"40"_s, u"--max-per-address"_s, u"12"_s,
               u"--request-timeout"_s, u"1"_s, u"--idle-timeout"_s, u"30"_s, u"--unsent-budget"_s,
               u"1"_s, u"--threads"_s, u"2"_s, u"--any-statement"_s}));
    const quint16 port = server.port();
    std::vector<std::unique_ptr<HostileSocket>> tricklers;
    std::vector<std::unique_ptr<HostileSocket>> floods;
    std::vector<std::unique_ptr<HostileSocket>> extra;
    for (int i = 0; i < 4; ++i)
        tricklers.push_back(std::make_unique<HostileSocket>("127.0.0.1", port));
    // A tiny receive window, so that the answers pile up at the server and not in the kernel.
    for (int i = 0; i < 6; ++i)
        floods.push_back(std::make_unique<HostileSocket>("127.0.0.1", port, 4096));
    // The address's remaining slots and more.
    for (int i = 0; i < 4; ++i)
        extra.push_back(std::make_unique<HostileSocket>("127.0.0.1", port));
    for (const auto& list : {&tricklers, &floods, &extra})
        for (const auto& socket : *list)
            ASSERT_TRUE(socket->connected());

    // One byte of a request every 200 ms; requests for the longest statement without end, never
    // read.
    const server::DemoData data = server::demoData(QDate::currentDate());
    const server::DemoStatement& longest = *std::ranges::max_element(
        data.statements, {}, [](const server::DemoStatement& st) { return st.lines.size(); });
    const std::string request = exchange::formFrame(
        exchange::makeDataFields, exchange::makeDataText(s(longest.date), longest.seq));
    size_t trickled = 0;
    QTimer pressure;
    QObject::connect(&pressure, &QTimer::timeout, [&] {
        for (const auto& t : tricklers)
            t->send(std::string(1, request[trickled % request.size()]));
        ++trickled;
        for (const auto& f : floods)
            f->flood(request);
    });
    pressure.start(200);
    for (const auto& f : floods)
        f->flood(request);

    // Meanwhile another address completes its chains, one after the other, until the server has
    // dealt with every kind of hostility.
    const int year = QDate::currentDate().year();
    const auto closed = [](const auto& sockets, bool all) {
        const auto byServer = [](const auto& socket) { return socket->closedByServer(); };
        return all ? std::ranges::all_of(sockets, byServer)
                   : std::ranges::any_of(sockets, byServer);
    };
    const auto dealtWith = [&] {
        const std::string log = server.errorOutput();
        return closed(tricklers, true) && closed(floods, false) &&
               log.find("127.0.0.1 refused: 12 connections from this address") !=
                   std::string::npos &&
               log.find("closed: slowest reader while unsent answers are over the budget") !=
                   std::string::npos;
    };
    QElapsedTimer clock;
    clock.start();
    int chains = 0;
    while ((chains < 3 || !dealtWith()) && clock.elapsed() < 30000) {
        ASSERT_TRUE(searchChain(port, u"127.0.0.2"_s, year)) << "chain " << chains;
        ++chains;
    }
    EXPECT_TRUE(dealtWith()) << server.errorOutput().substr(0, 4000);
    // Cut off at the deadline of their first request, not after the idle timeout. The server
    // may close the sockets before its log line about it has reached us.
    EXPECT_TRUE(server.waitForOutput("closed: request not complete within its deadline"))
        << server.errorOutput().substr(0, 4000);
    EXPECT_LT(clock.elapsed(), 30000);
    EXPECT_EQ(server.errorOutput().find("127.0.0.2 refused"), std::string::npos);
    EXPECT_EQ(server.errorOutput().find("127.0.0.2 closed"), std::string::npos);
}

// A client that sends all its requests and then half-closes still gets every answer.
TEST_F(ServerProtectionTest, HalfClosedClientGetsEveryAnswer)
{
    ASSERT_TRUE(start({}));
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(server.port());
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
    const timeval patience{20, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    constexpr int requests = 800;
    std::string all;
    for (int i = 0; i < requests; ++i)
        all += exchange::formFrame(exchange::makeKeyFields, exchange::makeKeyText());
    // Sent and read at once, as a client that writes everything before it looks for answers.
    std::thread writer([&] {
        size_t at = 0;
        while (at < all.size()) {
            const ssize_t n = ::send(fd, all.data() + at, all.size() - at, MSG_NOSIGNAL);
            if (n <= 0)
                break;
            at += size_t(n);
        }
        ::shutdown(fd, SHUT_WR);
    });
    exchange::FrameReader reader;
    int ends = 0;
    char buffer[65536];
    ssize_t n = 0;
    while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0) {
        reader.feed(std::string_view(buffer, size_t(n)));
        exchange::Frame f;
        while (reader.next(f) == exchange::FrameReader::Status::Frame)
            ends += f.type == "END" ? 1 : 0;
    }
    writer.join();
    ::close(fd);
    EXPECT_EQ(n, 0) << "the server closes once all is sent";
    EXPECT_EQ(ends, requests);
}

// A client that reconnects as fast as it is refused writes a line when its refusals start, and
// then one an interval with their count.
TEST_F(ServerProtectionTest, RefusalsAreLoggedOnceAnIntervalWithTheirCount)
{
    ASSERT_TRUE(start({u"--max-per-address"_s, u"1"_s}));
    RawClient held(server.port(), u"127.0.0.8"_s);
    ASSERT_EQ(held.request(std::string(exchange::makeKeyFields), exchange::makeKeyText()).size(),
              7u);
    constexpr int attempts = 200;
    for (int i = 0; i < attempts; ++i)
        HostileSocket refused("127.0.0.8", server.port());
    const QRegularExpression first(u"127\\.0\\.0\\.8 refused: 1 connections from this address\n"_s);
    const QRegularExpression more(u"127\\.0\\.0\\.8 refused (\\d+) more connections in \\d+ s\n"_s);
    const auto counted = [&] {
        const QString log = QString::fromStdString(server.errorOutput());
        int total = int(log.count(first));
        for (auto m = more.globalMatch(log); m.hasNext();)
            total += m.next().captured(1).toInt();
        return total;
    };
    EXPECT_TRUE(waitUntil([&] { return counted() == attempts; }, 30000)) << counted() << "\n"
                                                                         << server.errorOutput();
    // The attempts may straddle the end of an interval, and so start two.
    EXPECT_LE(QString::fromStdString(server.errorOutput()).count(first), 2);
    EXPECT_EQ(held.request(std::string(exchange::makeKeyFields), exchange::makeKeyText()).size(),
              7u);
}

// The operators' page holds only so many connections, and a silent one only until the deadline.
TEST_F(ServerProtectionTest, MetricsPortIsBounded)
{
    ASSERT_TRUE(start({u"--metrics"_s, u"127.0.0.1:0"_s, u"--request-timeout"_s, u"1"_s}));
    const quint16 page = metricsPortOf(server);
    ASSERT_NE(page, 0);
    std::vector<std::unique_ptr<HostileSocket>> silent;
    for (int i = 0; i < 40; ++i)
        silent.push_back(std::make_unique<HostileSocket>("127.0.0.1", page));
    // Those beyond the cap go at once, long before the deadline would take them.
    EXPECT_TRUE(waitUntil([&] {
        return std::ranges::count_if(silent, [](const auto& s) { return s->closedByServer(); }) >=
               8;
    }));
    EXPECT_TRUE(waitUntil(
        [&] {
            return std::ranges::all_of(silent, [](const auto& s) { return s->closedByServer(); });
        },
        10000));
    EXPECT_NE(metricsPage(page).find("\nmirola_database_up 1\n"), std::string::npos);
}

// Many addresses each at their cap with silent connections: the caps refuse the excess, the
// silent ones go at the request deadline, and another address is served throughout.
TEST_F(ServerProtectionTest, AddressesAtTheirCapsLeaveANinthServed)
{
    for (const int addresses : {8, 64}) {
        SCOPED_TRACE(addresses);
        ASSERT_TRUE(start({u"--max-per-address"_s, u"32"_s, u"--request-timeout"_s, u"2"_s}));
        const quint16 port = server.port();
        std::vector<std::unique_ptr<HostileSocket>> silent;
        for (int a = 0; a < addresses; ++a) {
            const std::string from = "127.0.1." + std::to_string(a + 1);
            for (int i = 0; i < 33; ++i)
                silent.push_back(std::make_unique<HostileSocket>(from.c_str(), port));
        }
        const int year = QDate::currentDate().year();
        for (int chain = 0; chain < 3; ++chain)
            EXPECT_TRUE(searchChain(port, u"127.0.0.9"_s, year)) << "chain " << chain;
        EXPECT_TRUE(server.waitForOutput("127.0.1." + std::to_string(addresses) +
                                         " refused: 32 connections from this address"));
        // Not one byte sent: gone at the deadline that runs from the connect.
        EXPECT_TRUE(waitUntil(
            [&] {
                return std::ranges::all_of(silent,
                                           [](const auto& s) { return s->closedByServer(); });
            },
            15000));
        EXPECT_TRUE(server.waitForOutput("closed: request not complete within its deadline"));
        EXPECT_EQ(server.errorOutput().find("127.0.0.9 refused"), std::string::npos);
        EXPECT_EQ(server.errorOutput().find("127.0.0.9 closed"), std::string::npos);
        server.stop();
    }
}

TEST_F(ServerProtectionTest, RunningOutOfFilesDelaysNewConnectionsOnly)
{
    ASSERT_TRUE(server.startWithFileLimit(
        48, {u"--db"_s, QString::fromStdString("sqlite:" + dir.file("s.sqlite")), u"--threads"_s,
             u"1"_s, u"--max-connections"_s, u"100"_s, u"--max-per-address"_s, u"100"_s}))
        << server.errorOutput();
    EXPECT_TRUE(server.waitForOutput("48 files may be open, fewer than --max-connections 100"));
    RawClient early(server.port());
    std::vector<std::unique_ptr<HostileSocket>> held;
    for (int i = 0; i < 60; ++i)
        held.push_back(std::make_unique<HostileSocket>("127.0.0.1", server.port()));
    EXPECT_TRUE(server.waitForOutput("mirola-server: cannot accept: "));
    // Those already served go on; once files are free again, new connections are taken.
    EXPECT_EQ(early.request(std::string(exchange::makeKeyFields), exchange::makeKeyText()).size(),
              7u);
    held.clear();
    RawClient late(server.port());
    EXPECT_EQ(late.request(std::string(exchange::makeKeyFields), exchange::makeKeyText()).size(),
              7u);
}

TEST_F(ServerProtectionTest, OneSqliteFileServesOneServer)
{
    ASSERT_TRUE(start({}));
    ServerProcess second;
    EXPECT_FALSE(
        second.start({u"--db"_s, QString::fromStdString("sqlite:" + dir.file("s.sqlite"))}));
    EXPECT_NE(second.errorOutput().find("another mirola-server serves this file"),
              std::string::npos)
        << second.errorOutput();
    RawClient client(server.port());
    EXPECT_EQ(client.request(std::string(exchange::makeKeyFields), exchange::makeKeyText()).size(),
              7u);
}

// The supplier's own programs write statements while the server reads: what they commit is in
// the next answer, on an open connection and on every event loop.
TEST_F(ServerProtectionTest, WritesOfOtherProgramsAreInTheNextAnswer)
{
    ASSERT_TRUE(start({u"--threads"_s, u"2"_s}));
    RawClient open(server.port());
    const std::string keyFields(exchange::makeKeyFields);
    ASSERT_EQ(open.request(keyFields, exchange::makeKeyText()).size(), 7u);
    {
        QSqlDatabase writer = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"writer"_s);
        writer.setDatabaseName(QString::fromStdString(dir.file("s.sqlite")));
        ASSERT_TRUE(writer.open()) << writer.lastError().text().toStdString();
        QSqlQuery insert(writer);
        ASSERT_TRUE(insert.exec(u"INSERT INTO custs VALUES ('50006', '새업체', '02-000-0000',"
                                " '000-00-00000', '대표', '06236', '주소', '업태', '종목', '1',"
                                " 0)"_s))
            << insert.lastError().text().toStdString();
    }
    QSqlDatabase::removeDatabase(u"writer"_s);
    EXPECT_EQ(open.request(keyFields, exchange::makeKeyText()).size(), 8u);
    // New connections land on either loop.
    for (int i = 0; i < 8; ++i) {
        RawClient another(server.port());
        EXPECT_EQ(another.request(keyFields, exchange::makeKeyText()).size(), 8u);
    }
}

TEST_F(ServerProtectionTest, MetricsPage)
{
    ASSERT_TRUE(start({u"--metrics"_s, u"127.0.0.1:0"_s, u"--max-per-address"_s, u"1"_s}));
    const QRegularExpression served(u"metrics on 127\\.0\\.0\\.1:(\\d+)"_s);
    const auto match = served.match(QString::fromStdString(server.errorOutput()));
    ASSERT_TRUE(match.hasMatch()) << server.errorOutput();
    const quint16 port = quint16(match.captured(1).toUInt());
    RawClient client(server.port());
    ASSERT_EQ(client.request(std::string(exchange::makeKeyFields), exchange::makeKeyText()).size(),
              7u);
    ASSERT_EQ(client.request(std::string(exchange::makeKeyFields), "select 1").size(), 1u);
    ASSERT_EQ(
        client.request(std::string(exchange::makeDataFields), std::string(exchange::socketEnding))
            .size(),
        1u);
    RawClient refused(server.port());
    EXPECT_TRUE(refused.waitForClose());
    const std::string page = metricsPage(port);
    for (const char* line :
         {"HTTP/1.0 200 OK", "\nmirola_connections_open 1\n",
          "\nmirola_connections_refused_total{reason=\"max_per_address\"} 1\n",
          "\nmirola_requests_total{command=\"MAKEKEY\",outcome=\"answered\"} 1\n",
          "\nmirola_requests_total{command=\"MAKEKEY\",outcome=\"malformed\"} 1\n",
          "\nmirola_requests_total{command=\"MAKEDATA\",outcome=\"malformed\"} 0\n",
          "\nmirola_requests_total{command=\"MAKEDATA\",outcome=\"no_statement\"} 1\n",
          "\nmirola_locked_addresses 0\n", "\nmirola_database_up 1\n",
          "\nmirola_request_seconds_bucket{le=\"+Inf\"} 3\n", "\nmirola_request_seconds_count 3\n"})
        EXPECT_NE(page.find(line), std::string::npos) << line << "\n" << page;
}

// Two servers on one PostgreSQL database, as behind a load balancer.
TEST(TwoServersOnPostgresql, ShareGrantsAndFailedMatches)
{
    if (qEnvironmentVariableIsEmpty("MIROLA_TEST_PG_STATE"))
        GTEST_SKIP() << "no PostgreSQL cluster (ctest starts one for tst_server_postgresql)";
    const QStringList db = postgresqlArguments();
    ASSERT_FALSE(db.isEmpty());
    ServerProcess a;
    ServerProcess b;
    ASSERT_TRUE(a.start(db + QStringList{u"--max-failures"_s, u"3"_s})) << a.errorOutput();
    ASSERT_TRUE(b.start(QStringList{db[0], db[1], u"--max-failures"_s, u"3"_s})) << b.errorOutput();

    // The trading dates through one, the click's statement lines through the other.
    const QDate today = QDate::currentDate();
    RawClient listing(a.port(), u"127.0.0.4"_s);
    const std::vector<std::string> listed = listing.request(
        std::string(exchange::makeDateFields),
        exchange::makeDateText(exchange::dateRange(today.year(), 1, 12), "50001", "1234"));
    ASSERT_GE(listed.size(), 3u);
    const exchange::TradingDate date = exchange::tradingDate(exchange::parseFrame(listed[1]).body);
    const std::string lines = exchange::makeDataText(date.date, std::stoll(date.seq));
    RawClient click(b.port(), u"127.0.0.4"_s);
    EXPECT_GT(click.request(std::string(exchange::makeDataFields), lines).size(), 2u);
    RawClient stranger(b.port(), u"127.0.0.5"_s);
    EXPECT_EQ(stranger.request(std::string(exchange::makeDataFields), lines),
              Texts{endFrame("MAKEDATA")});

    // Values with NUL bytes are malformed and count nothing; wrong numbers count on both.
    RawClient viaA(a.port(), u"127.0.0.3"_s);
    RawClient viaB(b.port(), u"127.0.0.3"_s);
    const std::string cust = std::string(exchange::makeCustFields);
    const Texts none = {"00025MAKECUST       OPN  ", endFrame("MAKECUST")};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ((i % 2 ? viaB : viaA)
                      .request(cust, exchange::makeCustText("50001", std::string("12\0"
                                                                                 "34",
                                                                                 5))),
                  Texts{endFrame("MAKECUST")});
    EXPECT_EQ(viaA.request(cust, exchange::makeCustText("50001", "0000")), none);
    EXPECT_EQ(viaB.request(cust, exchange::makeCustText("50001", "0001")), none);
    EXPECT_EQ(viaA.request(cust, exchange::makeCustText("50001", "1234")).size(), 3u);
    EXPECT_EQ(viaB.request(cust, exchange::makeCustText("50001", "0002")), none);
    EXPECT_EQ(viaA.request(cust, exchange::makeCustText("50001", "1234")),
              Texts{endFrame("MAKECUST")});
    EXPECT_EQ(viaB.request(cust, exchange::makeCustText("50001", "1234")),
              Texts{endFrame("MAKECUST")});
    // Trading dates: refused while locked; an empty period is no wrong number.
    const std::string dates = std::string(exchange::makeDateFields);
    const std::string empty =
        exchange::makeDateText(exchange::dateRange(1990, 1, 12), "50001", "1234");
    EXPECT_EQ(viaB.request(dates, empty), Texts{endFrame("MAKEDATE")});
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(click.request(dates, empty),
                  (Texts{"00025MAKEDATE       OPN  ", endFrame("MAKEDATE")}));
    EXPECT_GT(
        click
            .request(std::string(exchange::makeCustFields), exchange::makeCustText("50001", "1234"))
            .size(),
        2u);
    EXPECT_EQ(a.errorOutput().find("database error"), std::string::npos) << a.errorOutput();
    EXPECT_EQ(b.errorOutput().find("database error"), std::string::npos) << b.errorOutput();
}

// Grants written by the trading-date statement expire, and the expired ones are removed now and
// then, so the table does not grow with every address that ever listed its dates.
TEST(GuardOnPostgresql, ExpiredGrantsAreRemoved)
{
    if (qEnvironmentVariableIsEmpty("MIROLA_TEST_PG_STATE"))
        GTEST_SKIP() << "no PostgreSQL cluster (ctest starts one for tst_server_postgresql)";
    const QStringList db = postgresqlArguments();
    ASSERT_FALSE(db.isEmpty());
    {
        // Fills the database when no test has yet.
        ServerProcess filler;
        ASSERT_TRUE(filler.start(db)) << filler.errorOutput();
    }
    QString error;
    const auto database = server::StatementDatabase::open(
        server::parseDatabaseUrl(postgresqlUrl(), error), false, error);
    ASSERT_TRUE(database) << error.toStdString();
    ASSERT_TRUE(database->createSharedGuardTables(error) && database->prepareSharedGuard(error))
        << error.toStdString();
    const QDate today = QDate::currentDate();
    const auto range = exchange::dateRange(today.year(), 1, 12);
    size_t listed = 0;
    for (int i = 0; i < 256; ++i) {
        const std::string peer = "10.77." + std::to_string(i / 200) + "." + std::to_string(i % 200);
        const auto dates = database->guardedTradingDates({peer, 1000, 60000, true, 0}, range.from,
                                                         range.to, "50001", "1234");
        ASSERT_TRUE(dates && !dates->refused && dates->matched);
        listed = dates->dates.size();
    }
    ASSERT_GT(listed, 0u);
    QSqlDatabase check = QSqlDatabase::addDatabase(u"QPSQL"_s, u"grant-count"_s);
    const server::DatabaseLocation where = server::parseDatabaseUrl(postgresqlUrl(), error);
    check.setDatabaseName(where.name);
    check.setHostName(where.host);
    check.setPort(where.port);
    check.setUserName(where.user);
    ASSERT_TRUE(check.open()) << check.lastError().text().toStdString();
    {
        QSqlQuery rows(check);
        ASSERT_TRUE(
            rows.exec(u"SELECT count(*) FROM mirola_guard_grants WHERE peer LIKE '10.77.%'"_s));
        ASSERT_TRUE(rows.next());
        // Granted for no time at all, every one has expired by the cleanup after the last.
        EXPECT_EQ(rows.value(0).toLongLong(), 0) << "of " << 256 * listed;
    }
    check.close();
}

namespace {

// A PostgreSQL cluster of one test's own, which the test may stop and start as it likes.
class OwnCluster
{
public:
    OwnCluster() { m_ok = run(u"start"_s); }
    ~OwnCluster() { run(u"stop"_s); }
    bool ok() const { return m_ok; }
    QString url() const
    {
        QFile state(m_state);
        if (!state.open(QIODevice::ReadOnly))
            return {};
        state.readLine();
        return QString::fromUtf8(state.readLine()).trimmed();
    }
    // Runs `action` of the cluster script and waits for it.
    bool run(const QString& action)
    {
        QProcess script;
        script.start(QString::fromUtf8(MIROLA_PG_CLUSTER), {action, m_state});
        return script.waitForFinished(120000) && script.exitStatus() == QProcess::NormalExit &&
               script.exitCode() == 0;
    }
    // Starts `action` without waiting: the test goes on while the cluster restarts.
    void begin(QProcess& script, const QString& action)
    {
        script.start(QString::fromUtf8(MIROLA_PG_CLUSTER), {action, m_state});
    }

private:
    testsupport::TempDir m_dir;
    const QString m_state = QString::fromStdString(m_dir.file("pg.state"));
    bool m_ok = false;
};

size_t occurrences(const std::string& text, const std::string& what)
{
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

} // namespace

// The database restarts under load, and later stays away for longer than the pause between
// attempts to reach it: the same server answers right again once it is back.
TEST(DatabaseOutageOnPostgresql, ServerAnswersAgainOnceTheDatabaseIsBack)
{
    if (QDir(u"/usr/lib/postgresql"_s).isEmpty())
        GTEST_SKIP() << "no PostgreSQL";
    OwnCluster cluster;
    ASSERT_TRUE(cluster.ok());
    ServerProcess server;
    ASSERT_TRUE(server.start({u"--db"_s, cluster.url(), u"--init"_s, u"--threads"_s, u"2"_s,
                              u"--metrics"_s, u"127.0.0.1:0"_s}))
        << server.errorOutput();
    EXPECT_EQ(server.errorOutput().find("NOTICE"), std::string::npos) << server.errorOutput();
    const quint16 port = server.port();
    const quint16 page = metricsPortOf(server);
    ASSERT_NE(page, 0) << server.errorOutput();
    const int year = QDate::currentDate().year();
    ASSERT_TRUE(searchChain(port, u"127.0.0.2"_s, year));

    // Chains one after the other while the database restarts; some fail meanwhile.
    QProcess restart;
    cluster.begin(restart, u"restart"_s);
    int during = 0;
    while (restart.state() != QProcess::NotRunning) {
        searchChain(port, u"127.0.0.2"_s, year);
        ++during;
        restart.waitForFinished(0);
    }
    ASSERT_EQ(restart.exitCode(), 0);
    EXPECT_GT(during, 0);
    EXPECT_TRUE(waitUntil([&] { return searchChain(port, u"127.0.0.2"_s, year); }, 15000))
        << server.errorOutput();

    // A longer outage: the page says so, requests get END alone, and the log says it once.
    const size_t before = server.errorOutput().size();
    ASSERT_TRUE(cluster.run(u"halt"_s));
    EXPECT_TRUE(waitUntil(
        [&] { return metricsPage(page).find("\nmirola_database_up 0\n") != std::string::npos; },
        10000));
    QElapsedTimer down;
    down.start();
    int failed = 0;
    while (down.elapsed() < 3000) {
        RawClient client(port, u"127.0.0.3"_s);
        EXPECT_EQ(client.request(std::string(exchange::makeKeyFields), exchange::makeKeyText()),
                  Texts{endFrame("MAKEKEY")});
        ++failed;
    }
    const std::string outage = server.errorOutput().substr(before);
    EXPECT_EQ(occurrences(outage, "the database cannot be reached"), 1u) << outage;
    EXPECT_GT(failed, 5);
    EXPECT_EQ(outage.find("database error in"), std::string::npos) << outage;

    ASSERT_TRUE(cluster.run(u"resume"_s));
    EXPECT_TRUE(waitUntil([&] { return searchChain(port, u"127.0.0.2"_s, year); }, 15000))
        << server.errorOutput();
    EXPECT_TRUE(server.waitForOutput("the database is back after"));
    EXPECT_TRUE(waitUntil(
        [&] { return metricsPage(page).find("\nmirola_database_up 1\n") != std::string::npos; },
        10000));

    // A stop after a lost database frees no statement over a dead connection.
    server.stop();
    EXPECT_EQ(server.errorOutput().find("Unable to free statement"), std::string::npos)
        << server.errorOutput();
    EXPECT_NE(server.errorOutput().find("mirola-server: stopped"), std::string::npos);
}
