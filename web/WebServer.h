#pragma once

#include "viewer/Configuration.h"
#include "web/StatementExchange.h"

#include <QHostAddress>
#include <QObject>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>

class QHttpServer;
class QHttpServerRequest;
class QHttpServerResponse;
class QTcpServer;

namespace web {

struct WebOptions
{
    QHostAddress address = QHostAddress::LocalHost; // loopback unless told otherwise
    quint16 port = 0;
    viewer::Configuration config; // the statement server, the supplier and the seal
    int chainTimeoutMs = 30000;
    QString tlsCertificate; // PEM files; TLS when both are given
    QString tlsKey;
    // A browser opens up to six connections to one site; more from one address is a client
    // that keeps them open to crowd the others out.
    int maxConnectionsPerClient = 8;
    // The largest request body is a search of a few hundred bytes.
    qint64 maxRequestBytes = 16 * 1024;
    // One line per request: address, method, path, status. Never a body.
    std::function<void(const QString&)> log;
};

// The viewer as a web page: serves the page and a JSON interface whose every answer comes from
// one request chain to the statement server, made by the exchange driver, and whose printed
// statement is the page the export writes.
class WebServer : public QObject
{
    Q_OBJECT

public:
    explicit WebServer(WebOptions options, QObject* parent = nullptr);
    ~WebServer() override;

    // Starts listening; false with a message when the address or the TLS files cannot be used.
    bool listen(QString& error);
    quint16 port() const;
    bool tls() const;

private:
    void addRoutes();
    QHttpServerResponse companies();
    QHttpServerResponse statement(const QHttpServerRequest& request, bool needDate);
    QHttpServerResponse printed(const QHttpServerRequest& request, bool pdf);
    ServerAddress serverAddress() const;
    void logRequest(const QHttpServerRequest& request, const QHttpServerResponse& response) const;

    WebOptions m_options;
    std::unique_ptr<QHttpServer> m_http;
    QTcpServer* m_tcp = nullptr;
    QSize m_pagePixels;
};

} // namespace web
