#include "server/StatementServer.h"

#include "server/ServerConnection.h"

#include <cstdio>
#include <unistd.h>

namespace server {

StatementServer::StatementServer(StatementService& service, const Settings& settings,
                                 QObject* parent)
    : QTcpServer(parent), m_service(service), m_settings(settings)
{
}

void StatementServer::incomingConnection(qintptr descriptor)
{
    auto* connection = new ServerConnection(descriptor, m_service, m_settings.idleTimeoutMs, this);
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
