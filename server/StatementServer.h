#pragma once

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

namespace server {

class StatementService;

// Listens for viewers and serves every connection on the event loop of the calling thread.
class StatementServer : public QObject
{
    Q_OBJECT

public:
    struct Settings
    {
        int idleTimeoutMs = 60 * 1000;
        int maxConnections = 256;
    };

    StatementServer(StatementService& service, const Settings& settings, QObject* parent = nullptr);

    bool listen(const QHostAddress& address, quint16 port);
    QString errorString() const { return m_server.errorString(); }
    quint16 port() const { return m_server.serverPort(); }
    int connections() const { return m_connections; }

private:
    void accept();

    StatementService& m_service;
    Settings m_settings;
    QTcpServer m_server;
    int m_connections = 0;
};

} // namespace server
