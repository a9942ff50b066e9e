#include "server/ServerConnection.h"

#include "server/StatementService.h"

#include <QElapsedTimer>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace server {

namespace {

// What one read takes from the socket at most; a request is far smaller.
constexpr size_t readChunkBytes = 64 * 1024;

// The command word as it may appear in a log line: printable ASCII only.
std::string loggable(std::string_view word)
{
    std::string out;
    for (char c : word)
        out.push_back(c > 32 && c < 127 ? c : '?');
    return out.empty() ? "-" : out;
}

std::string peerOf(int fd)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return "?";
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&address);
        // An IPv4 peer on a dual-stack socket is named as IPv4.
        if (IN6_IS_ADDR_V4MAPPED(&in6->sin6_addr))
            return inet_ntop(AF_INET, &in6->sin6_addr.s6_addr[12], text, sizeof text) ? text : "?";
        return inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text) ? text : "?";
    }
    const auto* in = reinterpret_cast<const sockaddr_in*>(&address);
    return inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) ? text : "?";
}

} // namespace

int64_t monotonicMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

ServerConnection::ServerConnection(qintptr descriptor, StatementService& service, QObject* parent)
    : QObject(parent), m_fd(int(descriptor)), m_service(service),
      m_readable(descriptor, QSocketNotifier::Read), m_peer(peerOf(int(descriptor)))
{
    const int flags = ::fcntl(m_fd, F_GETFL);
    if (flags >= 0 && !(flags & O_NONBLOCK))
        ::fcntl(m_fd, F_SETFL, flags | O_NONBLOCK);
    connect(&m_readable, &QSocketNotifier::activated, this, &ServerConnection::read);
    m_lastActivityMs = monotonicMs();
}

ServerConnection::~ServerConnection()
{
    close();
}

void ServerConnection::read()
{
    if (m_fd < 0)
        return;
    m_lastActivityMs = monotonicMs();
    char buffer[readChunkBytes];
    const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return;
    if (n <= 0) {
        // The client is gone; what it sent before is answered already.
        close();
        deleteLater();
        return;
    }
    m_reader.feed(std::string_view(buffer, size_t(n)));
    exchange::Frame frame;
    exchange::FrameReader::Status status;
    while ((status = m_reader.next(frame)) == exchange::FrameReader::Status::Frame) {
        // Acknowledgements and anything else that is not a request are consumed.
        if (frame.type != "DATA")
            continue;
        QElapsedTimer took;
        took.start();
        const StatementService::Answer answer = m_service.answer(m_peer, frame, monotonicMs());
        m_out += answer.frames;
        std::fprintf(stderr, "%s %s %d rows %.2f ms\n", m_peer.c_str(),
                     loggable(frame.command).c_str(), answer.rows,
                     double(took.nsecsElapsed()) / 1e6);
    }
    if (status == exchange::FrameReader::Status::Error)
        return drop("sent a frame length that cannot be read");
    write();
}

void ServerConnection::write()
{
    if (m_fd < 0)
        return;
    size_t sent = 0;
    while (sent < m_out.size()) {
        const ssize_t n = ::send(m_fd, m_out.data() + sent, m_out.size() - sent, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                break;
            close();
            deleteLater();
            return;
        }
        sent += size_t(n);
    }
    m_out.erase(0, sent);
    if (m_out.size() > maxPendingWriteBytes)
        return drop("not reading its answers");
    if (!m_out.empty() && !m_writable) {
        m_writable = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Write);
        connect(m_writable.get(), &QSocketNotifier::activated, this, &ServerConnection::write);
    }
    if (m_writable)
        m_writable->setEnabled(!m_out.empty());
}

void ServerConnection::dropIfIdle(int64_t nowMs, int idleTimeoutMs)
{
    if (m_fd >= 0 && nowMs - m_lastActivityMs >= idleTimeoutMs)
        drop("idle");
}

void ServerConnection::drop(const char* why)
{
    std::fprintf(stderr, "%s closed: %s\n", m_peer.c_str(), why);
    close();
    deleteLater();
}

void ServerConnection::close()
{
    if (m_fd < 0)
        return;
    m_readable.setEnabled(false);
    if (m_writable)
        m_writable->setEnabled(false);
    ::close(m_fd);
    m_fd = -1;
}

} // namespace server
