#include "server/StatementServer.h"

#include "server/ServerConnection.h"

#include <QTcpSocket>
#include <cstdio>

namespace server {

StatementServer::StatementServer(StatementService& service, const Settings& settings,
                                 QObject* parent)
    : QObject(parent), m_service(service), m_settings(settings)
{
    connect(&m_server, &QTcpServer::newConnection, this, &StatementServer::accept);
}

bool StatementServer::listen(const QHostAddress& address, quint16 port)
{
    return m_server.listen(address, port);
}

void StatementServer::accept()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        if (m_connections >= m_settings.maxConnections) {
            std::fprintf(stderr, "%s refused: %d connections open\n",
                         socket->peerAddress().toString().toLocal8Bit().constData(), m_connections);
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++m_connections;
        auto* connection = new ServerConnection(socket, m_service, m_settings.idleTimeoutMs, this);
        connect(connection, &QObject::destroyed, this, [this] { --m_connections; });
    }
}

} // namespace server
