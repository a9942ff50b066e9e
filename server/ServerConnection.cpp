#include "server/ServerConnection.h"

#include "server/StatementService.h"
#include "text/Cp949.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <chrono>
#include <cstdio>

namespace server {

namespace {

// The command word as it may appear in a log line: printable ASCII only.
std::string loggable(std::string_view word)
{
    std::string out;
    for (char c : word)
        out.push_back(c > 32 && c < 127 ? c : '?');
    return out.empty() ? "-" : out;
}

} // namespace

int64_t monotonicMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

ServerConnection::ServerConnection(QTcpSocket* socket, StatementService& service, int idleTimeoutMs,
                                   QObject* parent)
    : QObject(parent), m_socket(socket), m_service(service),
      m_peer(text::toCp949(socket->peerAddress().toString()))
{
    socket->setParent(this);
    m_idle.setSingleShot(true);
    m_idle.setInterval(idleTimeoutMs);
    connect(&m_idle, &QTimer::timeout, this, [this] { drop("idle"); });
    connect(socket, &QTcpSocket::readyRead, this, &ServerConnection::read);
    connect(socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    m_idle.start();
    // Bytes may have come with the connection itself.
    if (socket->bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &ServerConnection::read, Qt::QueuedConnection);
}

void ServerConnection::read()
{
    if (m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    m_idle.start();
    const QByteArray bytes = m_socket->readAll();
    m_reader.feed(std::string_view(bytes.constData(), size_t(bytes.size())));
    exchange::Frame frame;
    exchange::FrameReader::Status status;
    while ((status = m_reader.next(frame)) == exchange::FrameReader::Status::Frame) {
        // Acknowledgements and anything else that is not a request are consumed.
        if (frame.type != "DATA")
            continue;
        QElapsedTimer took;
        took.start();
        const StatementService::Answer answer = m_service.answer(m_peer, frame, monotonicMs());
        m_socket->write(answer.frames.data(), qint64(answer.frames.size()));
        std::fprintf(stderr, "%s %s %d rows %.2f ms\n", m_peer.c_str(),
                     loggable(frame.command).c_str(), answer.rows,
                     double(took.nsecsElapsed()) / 1e6);
        if (m_socket->bytesToWrite() > maxPendingWriteBytes) {
            drop("not reading its answers");
            return;
        }
    }
    if (status == exchange::FrameReader::Status::Error)
        drop("sent a frame length that cannot be read");
}

void ServerConnection::drop(const char* why)
{
    std::fprintf(stderr, "%s closed: %s\n", m_peer.c_str(), why);
    m_idle.stop();
    // Whatever the kernel takes now still goes out; a client that does not read loses the rest.
    m_socket->flush();
    m_socket->abort();
    deleteLater();
}

} // namespace server
