#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace web {

// A request as the routes see it: whole, its framing and origin already checked.
struct HttpRequest
{
    QByteArray method;
    QByteArray path; // without the query string
    QByteArray contentType;
    QByteArray body;
    std::string peer; // the client's address, IPv4 as IPv4
};

struct HttpAnswer
{
    int status = 200;
    QByteArray type;
    QByteArray body;
    std::vector<std::pair<QByteArray, QByteArray>> headers;
    bool close = false; // the connection ends after this answer

    void setHeader(const QByteArray& name, const QByteArray& value)
    {
        headers.emplace_back(name, value);
    }
};

struct HttpSettings
{
    QHostAddress address = QHostAddress::LocalHost;
    quint16 port = 0;
    QString tlsCertificate; // PEM files; TLS when both are given
    QString tlsKey;
    // Host names the page is served under, besides IP literals (and localhost on loopback): a
    // name that is not ours is a page that rebound its name to our address.
    QStringList hostNames;
    // 0: as many as the open-file limit allows, each with a statement-server connection.
    int maxConnections = 0;
    // A browser opens up to six connections to one site; more from one address is a client
    // that keeps them open to crowd the others out.
    int maxConnectionsPerClient = 8;
    // A connection that sends nothing for this long goes; a browser opens a new one.
    int idleTimeoutS = 30;
    // The largest request body is a search of a few hundred bytes.
    qint64 maxBodyBytes = 16 * 1024;
    // A request must be whole this long after its headers: a body sent a byte at a time does
    // not hold its connection for ever.
    int requestTimeoutMs = 10000;
    // Answers that wait for the statement server or the printing run on threads of their own,
    // this many at a time; the others queue.
    int workers = 64;
};

// The HTTP side of the web front: connection limits in all and per address, idle timeouts,
// bodies bounded as they arrive, framing, Host and Origin checked before a route sees the
// request. Quick answers (the page, refusals) are made on the server's own thread; the others
// on workers while the connection waits aside, so no visitor waits for another's.
class HttpServer
{
public:
    // An answer made at once, or none to hand the request to `slow` on a worker.
    using QuickHandler = std::function<std::optional<HttpAnswer>(const HttpRequest&)>;
    using SlowHandler = std::function<HttpAnswer(const HttpRequest&)>;
    using Log = std::function<void(const HttpRequest&, int status)>;

    HttpServer(HttpSettings settings, QuickHandler quick, SlowHandler slow, Log log);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Starts listening; false with a message when the address or the TLS files cannot be used.
    bool listen(QString& error);
    quint16 port() const;
    bool tls() const;
    const HttpSettings& settings() const;

    // Raises the open-file limit to the hard limit; the limit it then is (-1: none).
    static long raiseOpenFileLimit();

private:
    class Private;
    std::unique_ptr<Private> d;
};

} // namespace web
