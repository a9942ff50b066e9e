#include "server/Connection.h"

#include "server/StatementServer.h"
#include "server/StatementService.h"
#include "server/TurnLog.h"
#include "server/UnsentBudget.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace server {

static_assert(int(Metrics::Outcome::Count) == int(StatementService::Outcome::NoStatement) + 1,
              "the page counts every outcome of the service");

namespace {

// While this much of a connection's answers waits unsent, its further requests wait unread, so a
// client that asks without reading holds no more than this and one answer.
constexpr size_t readPauseBytes = 256 * 1024;
// One answer beyond the read pause cannot reach this; a connection that does is dropped all the
// same.
constexpr size_t maxPendingWriteBytes = 8 * 1024 * 1024;
// Requests of one connection answered in a turn; the rest wait until every other connection
// with work has had its turn, so that a client sending thousands at once delays no one much.
constexpr int requestsPerTurn = 16;
// The most plaintext one TLS record carries. A read stops while less room than this is left, so
// that a record is never taken in part: what TLS holds decrypted would get no readiness event.
constexpr size_t maxTlsRecordBytes = 16 * 1024;

constexpr const char* handshakeFailureTexts[] = {
    "not TLS",          "protocol version too old",
    "no shared cipher", "client refused the certificate",
    "client closed",    "not complete within the request deadline",
    "TLS error"};
static_assert(std::size(handshakeFailureTexts) == size_t(Metrics::HandshakeFailure::Count));

// Why a handshake failed, from OpenSSL's error as SSL_get_error() and its queue tell it.
Metrics::HandshakeFailure handshakeFailure(int sslError)
{
    using F = Metrics::HandshakeFailure;
    if (sslError == SSL_ERROR_ZERO_RETURN || sslError == SSL_ERROR_SYSCALL)
        return F::PeerClosed;
    const unsigned long error = ERR_peek_last_error();
    if (ERR_GET_LIB(error) != ERR_LIB_SSL)
        return F::Other;
    switch (ERR_GET_REASON(error)) {
    case SSL_R_WRONG_VERSION_NUMBER:
    case SSL_R_HTTP_REQUEST:
    case SSL_R_HTTPS_PROXY_REQUEST:
    case SSL_R_UNKNOWN_PROTOCOL:
    case SSL_R_PACKET_LENGTH_TOO_LONG:
    case SSL_R_RECORD_LENGTH_MISMATCH:
        return F::NotTls;
    case SSL_R_UNSUPPORTED_PROTOCOL:
    case SSL_R_VERSION_TOO_LOW:
        return F::ProtocolVersion;
    case SSL_R_NO_SHARED_CIPHER:
    case SSL_R_NO_SHARED_GROUPS:
        return F::NoSharedCipher;
    case SSL_R_SSLV3_ALERT_BAD_CERTIFICATE:
    case SSL_R_SSLV3_ALERT_UNSUPPORTED_CERTIFICATE:
    case SSL_R_SSLV3_ALERT_CERTIFICATE_REVOKED:
    case SSL_R_SSLV3_ALERT_CERTIFICATE_EXPIRED:
    case SSL_R_SSLV3_ALERT_CERTIFICATE_UNKNOWN:
    case SSL_R_TLSV1_ALERT_UNKNOWN_CA:
    case SSL_R_TLSV1_ALERT_ACCESS_DENIED:
        return F::CertificateRefused;
    default:
        return F::Other;
    }
}

// The command word as it may appear in a log line: printable ASCII only.
std::string loggable(std::string_view word)
{
    std::string out;
    for (char c : word)
        out.push_back(c > 32 && c < 127 ? c : '?');
    return out.empty() ? "-" : out;
}

bool wouldBlock(int error)
{
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
}

} // namespace

Connection::Connection(Context& context, int fd, SSL* ssl, std::string peer, uintptr_t id,
                       int64_t nowMs)
    : m_context(context), m_fd(fd), m_ssl(ssl), m_peer(std::move(peer)), m_id(id),
      m_state(ssl ? State::Handshaking : State::Reading), m_lastActivityMs(nowMs),
      // The deadline of the first request runs from the connect: a connection that never sends a
      // byte holds its place no longer than one that sends too slowly.
      m_requestStartMs(nowMs)
{
    if (m_ssl)
        ++m_context.metrics.tlsOpen;
}

Connection::~Connection()
{
    // Open only when its loop ended without closing it: the socket still goes, but not through
    // close(), as what it counts in may be gone.
    if (m_fd >= 0) {
        SSL_free(m_ssl);
        ::close(m_fd);
    }
}

bool Connection::roomToAnswer() const
{
    return pending() < readPauseBytes;
}

uint32_t Connection::events() const
{
    switch (m_state) {
    case State::Handshaking:
        return m_handshakeWantsWrite ? EPOLLOUT : EPOLLIN;
    case State::Closed:
        return 0;
    default:
        return (reading() ? uint32_t(EPOLLIN) : 0u) | (pending() > 0 ? uint32_t(EPOLLOUT) : 0u);
    }
}

// Takes the handshake as far as the bytes here allow; once complete, reads what came with it.
void Connection::handshake()
{
    ERR_clear_error();
    const int result = SSL_do_handshake(m_ssl);
    if (result == 1) {
        m_state = State::Reading;
        ++m_context.metrics.tlsHandshakes;
        if (SSL_session_reused(m_ssl))
            ++m_context.metrics.tlsResumed;
        return read();
    }
    const int error = SSL_get_error(m_ssl, result);
    if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
        m_handshakeWantsWrite = error == SSL_ERROR_WANT_WRITE;
        return;
    }
    failHandshake(handshakeFailure(error));
}

void Connection::failHandshake(Metrics::HandshakeFailure why)
{
    ERR_clear_error();
    m_context.metrics.handshakeFailed(why);
    m_context.log.add("%s closed: TLS handshake failed: %s\n", m_peer.c_str(),
                      handshakeFailureTexts[size_t(why)]);
    close();
}

void Connection::read()
{
    bool ended = false;
    const ssize_t n = receive(ended);
    if (n == nothingYet)
        return;
    if (n == failed)
        return close();
    if (n > 0)
        m_reader.feed(std::string_view(m_context.readBuffer.data(), size_t(n)));
    if (ended) {
        // The client has sent all it will, and still reads: it gets every answer it is owed,
        // then the connection closes. A request left half is never completed.
        m_clientEnded = true;
        m_requestStartMs = -1;
    }
    progress();
}

// The one place where a connection past its handshake moves on: what is left to answer and to
// send says what it waits for next.
void Connection::progress()
{
    const Answered answered = answerWaiting();
    if (answered == Answered::BadFrame)
        return drop(Metrics::Close::BadLength, "sent a frame length that cannot be read");
    if (!send())
        return close();
    if (answered == Answered::SomeLeft)
        m_state = State::Answering;
    else if (!m_clientEnded)
        m_state = State::Reading;
    else if (pending() == 0)
        return close();
    else
        m_state = State::Draining;
    reportUnsent();
    if (pending() > maxPendingWriteBytes)
        drop(Metrics::Close::NotReading, "not reading its answers");
}

Connection::Answered Connection::answerWaiting()
{
    const int64_t now = monotonicMs();
    exchange::Frame frame;
    auto status = exchange::FrameReader::Status::NeedMore;
    int completed = 0;
    int answered = 0;
    while (roomToAnswer() && answered < requestsPerTurn &&
           (status = m_reader.next(frame)) == exchange::FrameReader::Status::Frame) {
        ++completed;
        // Acknowledgements and anything else that is not a request are consumed.
        if (frame.type != "DATA")
            continue;
        QElapsedTimer took;
        took.start();
        ++answered;
        const StatementService::Answer answer = m_context.service.answer(m_peer, frame, now);
        const int64_t micros = took.nsecsElapsed() / 1000;
        if (m_outStart == m_out.size()) {
            m_out.clear();
            m_outStart = 0;
        }
        m_out += answer.frames;
        m_context.metrics.request(int(exchange::commandOf(frame.command)), int(answer.outcome),
                                  micros);
        m_context.log.add("%s %s %d rows %.2f ms\n", m_peer.c_str(),
                          loggable(frame.command).c_str(), answer.rows, double(micros) / 1e3);
    }
    if (status == exchange::FrameReader::Status::Error)
        return Answered::BadFrame;
    const int64_t end = completed > 0 ? monotonicMs() : now;
    if (completed > 0)
        m_lastActivityMs = end;
    // The deadline of a request runs from its first byte, however slowly the rest comes; the
    // bytes of one left over after answering those before it count from then.
    if (m_reader.bufferedBytes() == 0)
        m_requestStartMs = -1;
    else if (completed > 0 || m_requestStartMs < 0)
        m_requestStartMs = end;
    // Stopped early: whatever is left may hold whole requests.
    return status == exchange::FrameReader::Status::Frame ? Answered::SomeLeft : Answered::All;
}

bool Connection::send()
{
    size_t sent = 0;
    while (pending() > 0) {
        const ssize_t n = transmit();
        if (n == nothingYet)
            break;
        if (n == failed)
            return false;
        m_outStart += size_t(n);
        sent += size_t(n);
    }
    const int64_t now = sent > 0 || pending() > 0 ? monotonicMs() : 0;
    if (pending() == 0) {
        m_out.clear();
        m_outStart = 0;
        m_unsentSinceMs = -1;
    } else {
        if (m_outStart > m_out.size() / 2) {
            m_out.erase(0, m_outStart);
            m_outStart = 0;
        }
        if (sent > 0 || m_unsentSinceMs < 0)
            m_unsentSinceMs = now;
    }
    if (sent > 0)
        m_lastActivityMs = now;
    return true;
}

// What one read brought into the loop's buffer: bytes, 0 at the client's end, nothingYet or
// failed.
ssize_t Connection::receive(bool& ended)
{
    char* const buffer = m_context.readBuffer.data();
    const size_t size = m_context.readBuffer.size();
    ended = false;
    if (!m_ssl) {
        const ssize_t n = ::recv(m_fd, buffer, size, 0);
        if (n < 0)
            return wouldBlock(errno) ? nothingYet : failed;
        ended = n == 0;
        return n;
    }
    size_t got = 0;
    ERR_clear_error();
    while (got + maxTlsRecordBytes <= size) {
        const int n = SSL_read(m_ssl, buffer + got, int(size - got));
        if (n > 0) {
            got += size_t(n);
            continue;
        }
        const int error = SSL_get_error(m_ssl, n);
        if (error == SSL_ERROR_ZERO_RETURN)
            ended = true;
        else if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE)
            return got > 0 ? ssize_t(got) : failed;
        break;
    }
    ERR_clear_error();
    return got > 0 || ended ? ssize_t(got) : nothingYet;
}

// What one write took: bytes, nothingYet or failed.
ssize_t Connection::transmit()
{
    const char* const from = m_out.data() + m_outStart;
    if (!m_ssl) {
        const ssize_t n = ::send(m_fd, from, pending(), MSG_NOSIGNAL);
        if (n < 0)
            return wouldBlock(errno) ? nothingYet : failed;
        return n;
    }
    ERR_clear_error();
    const int n = SSL_write(m_ssl, from, int(std::min<size_t>(pending(), INT_MAX)));
    if (n > 0)
        return n;
    const int error = SSL_get_error(m_ssl, n);
    ERR_clear_error();
    return error == SSL_ERROR_WANT_WRITE || error == SSL_ERROR_WANT_READ ? nothingYet : failed;
}

// Tells the process's count and budget when the unsent bytes, or since when they wait, changed.
void Connection::reportUnsent()
{
    const size_t bytes = pending();
    if (bytes == m_reportedBytes && (bytes == 0 || m_unsentSinceMs == m_reportedSinceMs))
        return;
    m_context.metrics.unsentBytes += int64_t(bytes) - int64_t(m_reportedBytes);
    m_reportedBytes = bytes;
    m_reportedSinceMs = m_unsentSinceMs;
    if (bytes > 0 || m_inBudget)
        m_inBudget =
            m_context.budget.update({m_context.loop, m_id}, int64_t(bytes), m_unsentSinceMs);
}

void Connection::expire(int64_t nowMs, int requestTimeoutMs, int idleTimeoutMs)
{
    // The handshake counts in the first request's deadline, whichever way it waits.
    if (m_state == State::Handshaking && nowMs - m_requestStartMs >= requestTimeoutMs)
        failHandshake(Metrics::HandshakeFailure::Deadline);
    // A request waits on the client only while it is read.
    else if (m_requestStartMs >= 0 && reading() && nowMs - m_requestStartMs >= requestTimeoutMs)
        drop(Metrics::Close::RequestDeadline, "request not complete within its deadline");
    else if (nowMs - m_lastActivityMs >= idleTimeoutMs)
        drop(Metrics::Close::Idle, "idle");
}

void Connection::drop(Metrics::Close why, const char* text)
{
    m_context.metrics.closed(why);
    m_context.log.add("%s closed: %s\n", m_peer.c_str(), text);
    close();
}

void Connection::close()
{
    if (m_state == State::Closed)
        return;
    if (m_ssl) {
        // The client learns the end is meant; it is not waited for, so what SSL_shutdown() says
        // changes nothing.
        if (m_state != State::Handshaking)
            SSL_shutdown(m_ssl);
        ERR_clear_error();
        SSL_free(m_ssl);
        m_ssl = nullptr;
        --m_context.metrics.tlsOpen;
    }
    // Linux frees the descriptor whatever close() says; there is nothing to try again.
    ::close(m_fd);
    m_fd = -1;
    m_state = State::Closed;
    m_context.metrics.unsentBytes -= int64_t(m_reportedBytes);
    m_reportedBytes = 0;
    if (m_inBudget)
        m_context.budget.forget(m_id);
    m_inBudget = false;
}

} // namespace server
