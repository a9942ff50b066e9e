#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QTimer>

namespace server {

class AccessGuard;
class DatabaseHealth;
class Metrics;
class StatementDatabase;

// The operators' page over HTTP: any request gets the counters as text, and the connection
// ends. Bounded like the statement port: a request must be whole within a deadline from the
// connect, and only so many connections are open at once; those beyond are closed at once.
class MetricsPage : public QObject
{
public:
    // A monitor or two scrape the page now and then; more at once are not monitors.
    static constexpr int maxConnections = 32;
    // A request is a line or two; more is not one.
    static constexpr qsizetype maxRequestBytes = 64 * 1024;

    // `db`, when given, is the connection the guard counts locked addresses on: while the
    // database is lost it is tried again in the background, as the event loops try theirs.
    MetricsPage(Metrics& metrics, AccessGuard& guard, DatabaseHealth& health, StatementDatabase* db,
                int requestTimeoutMs);

    bool listen(const QHostAddress& address, quint16 port, QString& error);
    quint16 port() const { return m_server.serverPort(); }

private:
    void takeConnections();
    std::string body();

    Metrics& m_metrics;
    AccessGuard& m_guard;
    DatabaseHealth& m_health;
    StatementDatabase* m_db;
    int m_requestTimeoutMs;
    int m_open = 0;
    QTcpServer m_server;
    QTimer m_reconnect;
};

} // namespace server
