#pragma once

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTimer>

namespace server {

class StatementService;

// Listens for viewers and serves every connection on the event loop of the calling thread.
class StatementServer : public QTcpServer
{
    Q_OBJECT

public:
    struct Settings
    {
        int idleTimeoutMs = 60 * 1000;
        int maxConnections = 256;
    };

    StatementServer(StatementService& service, const Settings& settings, QObject* parent = nullptr);

    int connections() const { return m_connections; }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void dropIdleConnections();

    StatementService& m_service;
    Settings m_settings;
    int m_connections = 0;
    // One sweep for all connections: a timer per connection would cost more than its requests.
    QTimer m_idleSweep;
};

} // namespace server
