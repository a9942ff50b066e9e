#include "tests/exchange/ScriptedPeer.h"

#include "exchange/Frame.h"

#include <QFile>
#include <QSslKey>
#include <QSslServer>

namespace testsupport {

ScriptedPeer::ScriptedPeer(const QHostAddress& address) : m_server(std::make_unique<QTcpServer>())
{
    listen(address);
}

ScriptedPeer::ScriptedPeer(const std::string& certificate, const std::string& key)
{
    auto server = std::make_unique<QSslServer>();
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificateChain(QSslCertificate::fromPath(QString::fromStdString(certificate)));
    QFile keyFile(QString::fromStdString(key));
    keyFile.open(QIODevice::ReadOnly);
    tls.setPrivateKey(QSslKey(&keyFile, QSsl::Ec));
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    server->setSslConfiguration(tls);
    m_server = std::move(server);
    listen(QHostAddress(QHostAddress::LocalHost));
}

void ScriptedPeer::listen(const QHostAddress& address)
{
    m_server->listen(address, 0);
    connect(m_server.get(), &QTcpServer::newConnection, this, &ScriptedPeer::accept);
    // A TLS connection is pending only once its handshake is through.
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, &ScriptedPeer::accept);
}

void ScriptedPeer::accept()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
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
