#pragma once

#include "exchange/FrameReader.h"

#include <QObject>
#include <QSocketNotifier>
#include <memory>
#include <string>

namespace server {

class StatementService;

// One client connection: cuts request frames out of what arrives, answers each in order and
// closes the connection when it goes quiet, sends a length that cannot be read, or stops
// reading what it is sent. It works on the socket itself: a connection lives for three small
// requests, and a buffered socket object per connection costs more than the requests do.
class ServerConnection : public QObject
{
    Q_OBJECT

public:
    // A client that lets this much of its answers pile up unread is dropped.
    static constexpr size_t maxPendingWriteBytes = 8 * 1024 * 1024;

    // Takes over `descriptor`, a connected socket.
    ServerConnection(qintptr descriptor, StatementService& service, QObject* parent = nullptr);
    ~ServerConnection() override;

    const std::string& peer() const { return m_peer; }
    // Closes the connection when nothing has arrived for `idleTimeoutMs` by `nowMs`.
    void dropIfIdle(int64_t nowMs, int idleTimeoutMs);

private:
    void read();
    void write();
    void drop(const char* why);
    void close();

    int m_fd;
    StatementService& m_service;
    QSocketNotifier m_readable;
    // Made only when an answer does not fit the socket at once, which is rare.
    std::unique_ptr<QSocketNotifier> m_writable;
    exchange::FrameReader m_reader;
    std::string m_out;
    int64_t m_lastActivityMs = 0;
    std::string m_peer;
};

// Milliseconds of a monotonic clock, for the time windows of the guard.
int64_t monotonicMs();

} // namespace server
