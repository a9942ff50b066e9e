// The web server in this process: it answers over a real socket and goes away cleanly while
// connections are still open (the sanitizers watch the teardown).
#include "tests/support/TestSupport.h"
#include "web/WebServer.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>
#include <memory>

using namespace Qt::StringLiterals;
using testsupport::waitUntil;

namespace {

// Sends `request` and collects the answer until it holds `until`.
std::string exchangeOn(QTcpSocket& socket, const std::string& request, const std::string& until)
{
    std::string answer;
    socket.write(request.data(), qint64(request.size()));
    waitUntil([&] {
        const QByteArray more = socket.readAll();
        answer.append(more.constData(), size_t(more.size()));
        return answer.find(until) != std::string::npos;
    });
    return answer;
}

} // namespace

TEST(WebServer, AnswersAndGoesAwayWithConnectionsOpen)
{
    // A statement server that is not there: the port is closed again at once.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    web::WebOptions options;
    options.config.host = "127.0.0.1";
    options.config.port = probe.serverPort();
    probe.close();
    std::vector<std::string> log;
    options.log = [&](const QString& line) { log.push_back(line.toStdString()); };

    auto server = std::make_unique<web::WebServer>(options);
    QString error;
    ASSERT_TRUE(server->listen(error)) << error.toStdString();

    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, server->port());
    ASSERT_TRUE(waitUntil([&] { return socket.state() == QAbstractSocket::ConnectedState; }));
    const std::string page =
        exchangeOn(socket, "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", "</html>");
    EXPECT_EQ(page.rfind("HTTP/1.1 200", 0), 0u) << page.substr(0, 200);

    const std::string body = R"({"company":"50001","password":"1234","year":2024,"from":2,"to":2})";
    const std::string search =
        exchangeOn(socket,
                   "POST /api/search HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: "
                   "application/json\r\nContent-Length: " +
                       std::to_string(body.size()) + "\r\n\r\n" + body,
                   "}");
    EXPECT_EQ(search.rfind("HTTP/1.1 502", 0), 0u) << search;
    EXPECT_NE(search.find(R"("code":"unreachable")"), std::string::npos) << search;
    EXPECT_EQ(log,
              (std::vector<std::string>{"127.0.0.1 GET / 200", "127.0.0.1 POST /api/search 502"}));

    // Gone with the connection still open; the client sees it close.
    server.reset();
    EXPECT_TRUE(waitUntil([&] { return socket.state() == QAbstractSocket::UnconnectedState; }));
}
