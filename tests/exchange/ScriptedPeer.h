#pragma once

#include "exchange/FrameReader.h"

#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace testsupport {

// A statement server played by the test: listens on 127.0.0.1 (or `address`), records the
// frames each connection sends and writes whatever bytes the test gives it.
class ScriptedPeer : public QObject
{
    Q_OBJECT

public:
    explicit ScriptedPeer(const QHostAddress& address = QHostAddress(QHostAddress::LocalHost));
    // The same inside TLS, with this PEM certificate and key.
    ScriptedPeer(const std::string& certificate, const std::string& key);
    quint16 port() const { return m_server->serverPort(); }

    // Called for every whole frame received, after it is recorded; may answer with send().
    std::function<void(const std::string& frame)> onFrame;

    void send(const std::string& bytes);
    void closeConnection();
    bool connected() const
    {
        return m_connection && m_connection->state() == QAbstractSocket::ConnectedState;
    }
    int connections() const { return m_connections; }
    // Frames received on all connections, each whole (header and body).
    const std::vector<std::string>& frames() const { return m_frames; }

private:
    void accept();
    void read();

    void listen(const QHostAddress& address);

    std::unique_ptr<QTcpServer> m_server;
    QPointer<QTcpSocket> m_connection;
    exchange::FrameReader m_reader;
    std::vector<std::string> m_frames;
    int m_connections = 0;
};

// A frame as a server sends it: command padded to 15 bytes, type to 5.
std::string serverFrame(const std::string& command, const std::string& type,
                        const std::string& body = {});

} // namespace testsupport
