#include "server/MetricsPage.h"

#include "server/DatabaseHealth.h"
#include "server/Metrics.h"
#include "server/RequestGuard.h"
#include "server/StatementDatabase.h"
#include "server/StatementServer.h"

#include <QTcpSocket>

namespace server {

namespace {

// As often as an event loop looks for its lost database.
constexpr int reconnectIntervalMs = 250;

} // namespace

MetricsPage::MetricsPage(Metrics& metrics, AccessGuard& guard, DatabaseHealth& health,
                         StatementDatabase* db, int requestTimeoutMs)
    : m_metrics(metrics), m_guard(guard), m_health(health), m_db(db),
      m_requestTimeoutMs(requestTimeoutMs)
{
    QObject::connect(&m_server, &QTcpServer::newConnection, this, &MetricsPage::takeConnections);
    if (m_db) {
        QObject::connect(&m_reconnect, &QTimer::timeout, this, [this] { m_db->reconnectIfDue(); });
        m_reconnect.start(reconnectIntervalMs);
    }
}

bool MetricsPage::listen(const QHostAddress& address, quint16 port, QString& error)
{
    if (m_server.listen(address, port))
        return true;
    error = m_server.errorString();
    return false;
}

std::string MetricsPage::body()
{
    // Counted first: on PostgreSQL the count is the page's own look at the database.
    const int locked = m_guard.lockedAddresses(monotonicMs());
    return m_metrics.page(locked, m_health.up());
}

void MetricsPage::takeConnections()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        if (m_open >= maxConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++m_open;
        QObject::connect(socket, &QObject::destroyed, this, [this] { --m_open; });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        // From the connect: a monitor that says nothing holds no descriptor for long.
        auto* deadline = new QTimer(socket);
        deadline->setSingleShot(true);
        QObject::connect(deadline, &QTimer::timeout, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        deadline->start(m_requestTimeoutMs);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            const QByteArray seen = socket->peek(maxRequestBytes);
            if (!seen.contains("\r\n\r\n") && !seen.contains("\n\n") &&
                seen.size() < maxRequestBytes)
                return;
            // The deadline stays: a monitor that does not take its answer goes as a silent one.
            socket->readAll();
            const std::string text = body();
            const QByteArray head = "HTTP/1.0 200 OK\r\n"
                                    "Content-Type: text/plain; version=0.0.4; charset=utf-8\r\n"
                                    "Content-Length: " +
                                    QByteArray::number(qsizetype(text.size())) +
                                    "\r\nConnection: close\r\n\r\n";
            socket->write(head);
            socket->write(text.data(), qint64(text.size()));
            socket->disconnectFromHost();
        });
    }
}

} // namespace server
