#pragma once

#include "exchange/FrameReader.h"

#include <QObject>
#include <QTimer>
#include <string>

class QTcpSocket;

namespace server {

class StatementService;

// One client connection: cuts request frames out of what arrives, answers each in order and
// closes the connection when it goes quiet, sends a length that cannot be read, or stops
// reading what it is sent.
class ServerConnection : public QObject
{
    Q_OBJECT

public:
    // A client that lets this much of its answers pile up unread is dropped.
    static constexpr qint64 maxPendingWriteBytes = 8 * 1024 * 1024;

    ServerConnection(QTcpSocket* socket, StatementService& service, int idleTimeoutMs,
                     QObject* parent = nullptr);

private:
    void read();
    void drop(const char* why);

    QTcpSocket* m_socket;
    StatementService& m_service;
    exchange::FrameReader m_reader;
    QTimer m_idle;
    std::string m_peer;
};

// Milliseconds of a monotonic clock, for the time windows of the guard.
int64_t monotonicMs();

} // namespace server
