#include "server/StatementServer.h"

#include "server/ServerConnection.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace server {

StatementServer::StatementServer(StatementService& service, const Settings& settings,
                                 QObject* parent)
    : QTcpServer(parent), m_service(service), m_settings(settings)
{
    // A quiet connection is closed between one and one and a quarter timeouts after its last
    // bytes.
    m_idleSweep.setInterval(std::max(1, settings.idleTimeoutMs / 4));
    connect(&m_idleSweep, &QTimer::timeout, this, &StatementServer::dropIdleConnections);
    m_idleSweep.start();
}

void StatementServer::dropIdleConnections()
{
    const int64_t now = monotonicMs();
    for (ServerConnection* connection : findChildren<ServerConnection*>(Qt::FindDirectChildrenOnly))
        connection->dropIfIdle(now, m_settings.idleTimeoutMs);
}

void StatementServer::incomingConnection(qintptr descriptor)
{
    auto* connection = new ServerConnection(descriptor, m_service, this);
    if (m_connections >= m_settings.maxConnections) {
        std::fprintf(stderr, "%s refused: %d connections open\n", connection->peer().c_str(),
                     m_connections);
        delete connection;
        return;
    }
    ++m_connections;
    connect(connection, &QObject::destroyed, this, [this] { --m_connections; });
}

} // namespace server
