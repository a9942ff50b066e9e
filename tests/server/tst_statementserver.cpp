// server::StatementServer in this process, with services of the test's making.
#include "exchange/RequestTexts.h"
#include "server/DatabaseHealth.h"
#include "server/Metrics.h"
#include "server/RequestGuard.h"
#include "server/StatementDatabase.h"
#include "server/StatementServer.h"
#include "server/StatementService.h"
#include "tests/server/ServerProcess.h"
#include "tests/support/TestSupport.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpServer>
#include <atomic>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using testsupport::RawClient;

namespace {

class StatementServerTest : public ::testing::Test
{
protected:
    // A service on the test's SQLite file for each thread; the one numbered `failing` gets none.
    server::StatementServer::ServiceFactory factory(int failing = -1)
    {
        return [this, failing](
                   QString& error) -> std::unique_ptr<server::StatementServer::ThreadService> {
            if (made++ == failing) {
                error = u"no service for this thread"_s;
                return nullptr;
            }
            auto service = std::make_unique<server::StatementServer::ThreadService>();
            service->db = server::StatementDatabase::open(
                server::parseDatabaseUrl(QString::fromStdString("sqlite:" + path), error), false,
                error);
            if (!service->db)
                return nullptr;
            service->service = std::make_unique<server::StatementService>(*service->db, guard);
            return service;
        };
    }

    server::StatementServer::Settings settings(int threads)
    {
        server::StatementServer::Settings s;
        s.threads = threads;
        s.sizeFor(1024);
        return s;
    }

    bool insertCompany(const QString& code)
    {
        bool ok = false;
        {
            QSqlDatabase writer = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"writer"_s);
            writer.setDatabaseName(QString::fromStdString(path));
            ok = writer.open() &&
                 QSqlQuery(writer).exec(u"INSERT INTO custs VALUES ('"_s + code +
                                        u"', '새업체', '02', '000', '대표', '06236', '주소',"
                                        " '업태', '종목', '1', 0)"_s);
        }
        QSqlDatabase::removeDatabase(u"writer"_s);
        return ok;
    }

    testsupport::TempDir dir;
    const std::string path = dir.file("s.sqlite");
    server::RequestGuard guard{{3, 60000, true, 30 * 60 * 1000}};
    server::Metrics metrics;
    std::atomic<int> made{0};
};

} // namespace

TEST_F(StatementServerTest, AThreadWithoutAServiceFailsTheStart)
{
    QString error;
    {
        // Makes the file and its tables before the threads open it.
        auto db = server::StatementDatabase::open(
            server::parseDatabaseUrl(QString::fromStdString("sqlite:" + path), error), false,
            error);
        ASSERT_TRUE(db) << error.toStdString();
    }
    server::StatementServer statements(settings(2), factory(1), metrics);
    EXPECT_FALSE(statements.start(QHostAddress(QHostAddress::LocalHost), 0, error));
    EXPECT_EQ(error, u"no service for this thread"_s);
    EXPECT_EQ(statements.threads(), 0);

    // The same server starts once its threads get their services.
    made = 100;
    ASSERT_TRUE(statements.start(QHostAddress(QHostAddress::LocalHost), 0, error))
        << error.toStdString();
    RawClient client(statements.port());
    EXPECT_EQ(client.request(std::string(exchange::makeKeyFields), exchange::makeKeyText()).size(),
              7u);
}

TEST_F(StatementServerTest, APortInUseFailsTheStart)
{
    QTcpServer holder;
    ASSERT_TRUE(holder.listen(QHostAddress(QHostAddress::LocalHost), 0));
    server::StatementServer statements(settings(1), factory(), metrics);
    QString error;
    EXPECT_FALSE(
        statements.start(QHostAddress(QHostAddress::LocalHost), holder.serverPort(), error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(made, 0) << "no thread was started";
}

// An event loop's lookups share a read transaction within a turn only: what another program
// commits is in the next answer on the same connection.
TEST_F(StatementServerTest, AnEventLoopSeesWritesBetweenTurns)
{
    server::StatementServer statements(settings(1), factory(), metrics);
    QString error;
    ASSERT_TRUE(statements.start(QHostAddress(QHostAddress::LocalHost), 0, error))
        << error.toStdString();
    RawClient client(statements.port());
    const std::string fields(exchange::makeKeyFields);
    ASSERT_EQ(client.request(fields, exchange::makeKeyText()).size(), 7u);
    ASSERT_TRUE(insertCompany(u"50006"_s));
    EXPECT_EQ(client.request(fields, exchange::makeKeyText()).size(), 8u);
}

// Outside an event loop nothing ends a turn: each lookup is a read of its own.
TEST_F(StatementServerTest, LookupsOutsideAnEventLoopSeeWritesAtOnce)
{
    QString error;
    auto db = server::StatementDatabase::open(
        server::parseDatabaseUrl(QString::fromStdString("sqlite:" + path), error), false, error);
    ASSERT_TRUE(db) << error.toStdString();
    ASSERT_EQ(db->companies().value_or(std::vector<std::string>()).size(), 5u);
    ASSERT_TRUE(insertCompany(u"50006"_s));
    EXPECT_EQ(db->companies().value_or(std::vector<std::string>()).size(), 6u);
}

// Connections share one view of the database: the first loss and the first return are told
// once each, and a connection idle through the return neither keeps the outage open nor hides
// the next one.
TEST(DatabaseHealthTest, TheFirstLossAndTheFirstReturnEndTheStory)
{
    server::DatabaseHealth health;
    EXPECT_TRUE(health.lost(1000));
    EXPECT_FALSE(health.lost(1100)) << "a second connection losing it is the same outage";
    EXPECT_FALSE(health.up());
    EXPECT_EQ(health.restored(3500), 2500);
    EXPECT_TRUE(health.up()) << "the other connection is idle, but the database answers";
    EXPECT_EQ(health.restored(3600), -1) << "the idle connection's return is not news";
    EXPECT_TRUE(health.lost(9000)) << "the next outage is told again";
    EXPECT_EQ(health.restored(9400), 400);
}
