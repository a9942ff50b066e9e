// server::Connection driven step by step as its event loop would, over a socket pair: the states
// it passes through and what it counts while answers wait unsent.
#include "exchange/FrameReader.h"
#include "exchange/RequestTexts.h"
#include "server/Connection.h"
#include "server/RequestGuard.h"
#include "server/StatementDatabase.h"
#include "server/StatementServer.h"
#include "server/StatementService.h"
#include "server/TurnLog.h"
#include "server/UnsentBudget.h"
#include "tests/support/TestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using State = server::Connection::State;

// A client that asks more than a turn answers, sends its end before it reads a byte, and then
// reads: every answer reaches it, and the connection closes only once all are sent.
TEST(Connection, AnEndedClientGetsEveryAnswerOfSeveralTurnsBeforeTheClose)
{
    testsupport::TempDir dir;
    QString error;
    const auto db = server::StatementDatabase::open(
        server::parseDatabaseUrl(QString::fromStdString("sqlite:" + dir.file("s.sqlite")), error),
        false, error);
    ASSERT_TRUE(db) << error.toStdString();
    server::RequestGuard guard{{3, 60000, true, 30 * 60 * 1000}};
    server::StatementService service(*db, guard);
    server::Metrics metrics;
    server::UnsentBudget budget(64 * 1024 * 1024);
    server::TurnLog log;
    std::vector<char> buffer(64 * 1024);
    server::Connection::Context context{service, metrics, budget, 0, log, buffer};

    int ends[2] = {-1, -1};
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
    const int client = ends[1];
    // The server's end as the loop takes it: without waiting, and with a small send queue, so
    // that answers wait unsent while the client does not read.
    const int small = 4096;
    ASSERT_EQ(::setsockopt(ends[0], SOL_SOCKET, SO_SNDBUF, &small, sizeof small), 0);
    ASSERT_EQ(::fcntl(ends[0], F_SETFL, O_NONBLOCK), 0);
    server::Connection c(context, ends[0], nullptr, "client", 1, server::monotonicMs());
    ASSERT_EQ(c.state(), State::Reading);
    EXPECT_EQ(c.events(), uint32_t(EPOLLIN));

    constexpr int requests = 100;
    std::string all;
    for (int i = 0; i < requests; ++i)
        all += exchange::formFrame(exchange::makeKeyFields, exchange::makeKeyText());
    ASSERT_EQ(::send(client, all.data(), all.size(), 0), ssize_t(all.size()));
    ASSERT_EQ(::shutdown(client, SHUT_WR), 0);

    // The first turn answers some; the others wait for turns of their own, unread meanwhile.
    c.read();
    ASSERT_EQ(c.state(), State::Answering);
    EXPECT_TRUE(c.wantsTurn());
    EXPECT_EQ(c.events() & EPOLLIN, 0u);
    int turns = 1;
    while (c.wantsTurn()) {
        c.progress();
        ++turns;
    }
    EXPECT_GT(turns, 2);
    ASSERT_EQ(c.state(), State::Reading) << "all answered; the end is not read yet";
    // The end, read while answers still wait for the client.
    c.read();
    ASSERT_EQ(c.state(), State::Draining);
    EXPECT_EQ(c.events(), uint32_t(EPOLLOUT));
    EXPECT_GT(metrics.unsentBytes.load(), 0);
    EXPECT_EQ(budget.totalBytes(), metrics.unsentBytes.load());

    // The client reads; each time its socket takes more, the connection sends more.
    exchange::FrameReader reader;
    int answered = 0;
    char bytes[4096];
    ssize_t n = 0;
    for (int reads = 0; (n = ::recv(client, bytes, sizeof bytes, MSG_DONTWAIT)) != 0; ++reads) {
        ASSERT_LT(reads, 100000) << "the answers never end";
        if (n > 0) {
            reader.feed(std::string_view(bytes, size_t(n)));
            exchange::Frame frame;
            while (reader.next(frame) == exchange::FrameReader::Status::Frame)
                answered += frame.type == "END" ? 1 : 0;
        } else {
            ASSERT_EQ(c.state(), State::Draining) << "nothing to read, yet the server closed";
            c.progress();
        }
    }
    EXPECT_EQ(answered, requests);
    EXPECT_EQ(c.state(), State::Closed);
    EXPECT_EQ(metrics.unsentBytes.load(), 0);
    EXPECT_EQ(budget.totalBytes(), 0);
    ::close(client);
}

} // namespace
