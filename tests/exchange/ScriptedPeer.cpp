#include "tests/exchange/ScriptedPeer.h"

#include "exchange/Frame.h"

namespace testsupport {

ScriptedPeer::ScriptedPeer(const QHostAddress& address)
{
    m_server.listen(address, 0);
    connect(&m_server, &QTcpServer::newConnection, this, &ScriptedPeer::accept);
}

void ScriptedPeer::accept()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        ++m_connections;
        m_connection = socket;
        m_reader.clear();
        connect(socket, &QTcpSocket::readyRead, this, &ScriptedPeer::read);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void ScriptedPeer::read()
{
    auto* socket = qobject_cast<QTcpSocket*>(sender());
    if (socket != m_connection)
        return;
    const QByteArray bytes = socket->readAll();
    m_reader.feed(std::string_view(bytes.constData(), size_t(bytes.size())));
    exchange::Frame frame;
    while (m_reader.next(frame) == exchange::FrameReader::Status::Frame) {
        m_frames.push_back(std::string(frame.header) + std::string(frame.body));
        if (onFrame)
            onFrame(m_frames.back());
    }
}

void ScriptedPeer::send(const std::string& bytes)
{
    if (m_connection) {
        m_connection->write(bytes.data(), qint64(bytes.size()));
        m_connection->flush();
    }
}

void ScriptedPeer::closeConnection()
{
    if (m_connection)
        m_connection->disconnectFromHost();
}

std::string serverFrame(const std::string& command, const std::string& type,
                        const std::string& body)
{
    return exchange::formFrame(exchange::paddedField(command, exchange::commandFieldBytes) +
                                   exchange::paddedField(type, exchange::typeFieldBytes),
                               body);
}

} // namespace testsupport
