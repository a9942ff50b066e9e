#include "server/StatementServer.h"

#include "exchange/FrameReader.h"
#include "server/Metrics.h"
#include "server/StatementService.h"
#include "server/TlsContext.h"
#include "server/UnsentBudget.h"

#include <QElapsedTimer>
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <string>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>

namespace server {

static_assert(int(Metrics::Outcome::Count) == int(StatementService::Outcome::NoStatement) + 1,
              "the page counts every outcome of the service");

namespace {

// What one read takes from the socket at most; a request is far smaller.
constexpr size_t readChunkBytes = 64 * 1024;
// While this much of a connection's answers waits unsent, its further requests wait unread, so a
// client that asks without reading holds no more than this and one answer.
constexpr size_t readPauseBytes = 256 * 1024;
// The kernel's own queue of unsent bytes a connection: answers waiting there count against no
// budget, and left to itself the kernel lets a reader that never reads hold megabytes.
constexpr int socketSendBufferBytes = 64 * 1024;
// One answer beyond that cannot reach this; a connection that does is dropped all the same.
constexpr size_t maxPendingWriteBytes = 8 * 1024 * 1024;
// New connections one event loop takes in a turn. The loops share one listening socket, so a
// loop busy with its connections leaves the new ones to a loop with time for them; a loop that
// took every waiting connection would undo that.
constexpr int acceptsPerTurn = 16;
constexpr int maxSweepIntervalMs = 250;
constexpr int eventsPerWait = 256;
// Requests of one connection answered in a turn; the rest wait until every other connection
// with work has had its turn, so that a client sending thousands at once delays no one much.
constexpr int requestsPerTurn = 16;
// Refusals of one address are logged once in this interval, with their count: a client that
// reconnects as fast as it is refused would otherwise write the log full.
constexpr int64_t refusalLogIntervalMs = 10 * 1000;
// Addresses whose refusals are counted apart in an interval; beyond them, counted together.
constexpr size_t maxRefusedAddresses = 10000;
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

std::string nameOf(const sockaddr_storage& address)
{
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

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The listening socket on `address`:`port`; every event loop waits on it.
int listener(const QHostAddress& address, quint16 port, QString& error)
{
    sockaddr_storage storage{};
    socklen_t length = 0;
    int family = AF_INET;
    bool v6only = false;
    if (address == QHostAddress(QHostAddress::Any) ||
        address.protocol() == QAbstractSocket::IPv6Protocol) {
        family = AF_INET6;
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&storage);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(port);
        const Q_IPV6ADDR bytes = address == QHostAddress(QHostAddress::Any)
                                     ? QHostAddress(QHostAddress::AnyIPv6).toIPv6Address()
                                     : address.toIPv6Address();
        std::memcpy(&in6->sin6_addr, &bytes, sizeof bytes);
        // Any address means both families, as one dual-stack socket.
        v6only = address != QHostAddress(QHostAddress::Any);
        length = sizeof(sockaddr_in6);
    } else {
        auto* in = reinterpret_cast<sockaddr_in*>(&storage);
        in->sin_family = AF_INET;
        in->sin_port = htons(port);
        in->sin_addr.s_addr = htonl(address.toIPv4Address());
        length = sizeof(sockaddr_in);
    }
    const int fd = ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = systemError();
        return -1;
    }
    const int one = 1;
    const int v6 = v6only ? 1 : 0;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (family == AF_INET6)
        ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &v6, sizeof v6);
    // Set here, the accepted connections take them over without two calls each. Each answer
    // goes out in one write; waiting to merge it with the next gains nothing.
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &socketSendBufferBytes, sizeof socketSendBufferBytes);
    // The kernel caps the backlog at its own maximum; a burst of connects waits there instead of
    // being dropped and retried a second later.
    if (::bind(fd, reinterpret_cast<sockaddr*>(&storage), length) != 0 ||
        ::listen(fd, 65535) != 0) {
        error = systemError();
        ::close(fd);
        return -1;
    }
    return fd;
}

quint16 portOf(int fd)
{
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&storage), &length) != 0)
        return 0;
    return ntohs(storage.ss_family == AF_INET6
                     ? reinterpret_cast<const sockaddr_in6*>(&storage)->sin6_port
                     : reinterpret_cast<const sockaddr_in*>(&storage)->sin_port);
}

} // namespace

int64_t monotonicMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void StatementServer::Settings::sizeFor(long files)
{
    if (maxConnections <= 0)
        maxConnections = files > 0
                             ? int(std::clamp<long>(files - reservedFiles, minDefaultConnections,
                                                    maxDefaultConnections))
                             : maxDefaultConnections;
    // A quarter of all at most, so that one address never takes them all; at most a few hundred,
    // which an office behind one address does not reach.
    if (maxPerAddress <= 0)
        maxPerAddress = std::clamp(maxConnections / 4, 2, 256);
}

long raiseOpenFileLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return -1;
    if (limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
        ::getrlimit(RLIMIT_NOFILE, &limit);
    }
    return limit.rlim_cur == RLIM_INFINITY ? -1 : long(limit.rlim_cur);
}

// What every loop counts together: open connections, those of each address, unsent bytes, and
// the refusals of each address since they were last logged.
struct StatementServer::Shared
{
    Shared(const Settings& s, Metrics& m) : settings(s), metrics(m), budget(s.unsentBudgetBytes) {}

    enum class Admission { Admitted, TooMany, TooManyFromAddress };

    // A refused address's first refusal of an interval is logged by the caller, with `open`;
    // the others are counted for the interval's line.
    Admission admit(const std::string& peer, int& open, bool& logNow)
    {
        open = int(metrics.open.fetch_add(1));
        Admission refusal = Admission::TooMany;
        {
            const std::lock_guard lock(mutex);
            if (open < settings.maxConnections) {
                int& count = perAddress[peer];
                if (count < settings.maxPerAddress ||
                    std::ranges::find(settings.trustedFronts, peer) !=
                        settings.trustedFronts.end()) {
                    ++count;
                    return Admission::Admitted;
                }
                open = count;
                refusal = Admission::TooManyFromAddress;
            }
            logNow = countRefusal(peer);
        }
        metrics.open.fetch_sub(1);
        metrics.refused(refusal == Admission::TooMany ? Metrics::Refusal::TooManyConnections
                                                      : Metrics::Refusal::TooManyFromAddress);
        return refusal;
    }

    void release(const std::string& peer)
    {
        metrics.open.fetch_sub(1);
        const std::lock_guard lock(mutex);
        const auto it = perAddress.find(peer);
        if (it != perAddress.end() && --it->second <= 0)
            perAddress.erase(it);
    }

    // True for the first refusal of the address in this interval. Under `mutex`.
    bool countRefusal(const std::string& peer)
    {
        const auto it = refusals.find(peer);
        if (it != refusals.end()) {
            ++it->second;
            return false;
        }
        if (refusals.size() >= maxRefusedAddresses) {
            ++refusedElsewhere;
            return false;
        }
        refusals.emplace(peer, 0);
        return true;
    }

    // Once an interval, by whichever loop comes first: the lines for the refusals not yet logged.
    std::vector<std::string> refusalLines(int64_t nowMs)
    {
        std::vector<std::string> lines;
        const std::lock_guard lock(mutex);
        if (nowMs < refusalsLoggedAtMs + refusalLogIntervalMs)
            return lines;
        const double seconds = double(nowMs - refusalsLoggedAtMs) / 1000.0;
        refusalsLoggedAtMs = nowMs;
        char line[160];
        for (const auto& [peer, count] : refusals) {
            if (count == 0)
                continue;
            std::snprintf(line, sizeof line, "%s refused %lld more connections in %.0f s\n",
                          peer.c_str(), (long long)count, seconds);
            lines.emplace_back(line);
        }
        if (refusedElsewhere > 0) {
            std::snprintf(line, sizeof line,
                          "%lld connections of further addresses refused in %.0f s\n",
                          (long long)refusedElsewhere, seconds);
            lines.emplace_back(line);
        }
        refusals.clear();
        refusedElsewhere = 0;
        return lines;
    }

    const Settings settings;
    Metrics& metrics;
    UnsentBudget budget;
    TlsContext* tls = nullptr;
    std::vector<Loop*> loops;
    std::mutex mutex;
    std::unordered_map<std::string, int> perAddress;
    std::unordered_map<std::string, int64_t> refusals;
    int64_t refusedElsewhere = 0;
    int64_t refusalsLoggedAtMs = 0;
};

namespace {

struct Connection
{
    int fd = -1;
    size_t index = 0;
    std::string peer;
    exchange::FrameReader reader;
    std::string out;
    size_t outStart = 0;
    // Unsent bytes of this connection in the shared count, and since when they waited then.
    size_t counted = 0;
    int64_t countedSinceMs = -1;
    // Known to the shared budget, which must forget it when it closes.
    bool inBudget = false;
    // The client will send nothing more; what it asked is still answered.
    bool peerDone = false;
    // Complete frames may wait in the reader while the answers before them go out, or for the
    // connection's next turn.
    bool framesWaiting = false;
    // In the list of connections whose next turn is due.
    bool queued = false;
    uint32_t watched = 0;
    // Null on the plain port.
    SSL* ssl = nullptr;
    bool handshaking = false;
    int64_t lastActivityMs = 0;
    // When the first byte of a request not yet whole arrived; -1 for none.
    int64_t requestStartMs = -1;
    // Since when answers wait unsent; -1 while all is sent.
    int64_t unsentSinceMs = -1;

    size_t pending() const { return out.size() - outStart; }
};

} // namespace

// One event loop: its connections and a thread to run on; the loops share the listening socket.
class StatementServer::Loop
{
public:
    // Either listening descriptor may be -1, for no such port.
    Loop(Shared& shared, int listenFd, int tlsListenFd, int index)
        : m_shared(shared), m_listen(listenFd), m_tlsListen(tlsListenFd), m_index(index)
    {
    }

    ~Loop()
    {
        for (const auto& c : m_connections) {
            SSL_free(c->ssl);
            if (c->fd >= 0)
                ::close(c->fd);
        }
        for (int fd : {m_listen, m_tlsListen, m_epoll, m_wake})
            if (fd >= 0)
                ::close(fd);
    }

    bool init(QString& error)
    {
        m_epoll = ::epoll_create1(EPOLL_CLOEXEC);
        m_wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        if (m_epoll < 0 || m_wake < 0 || !watchListener(true)) {
            error = systemError();
            return false;
        }
        epoll_event e{};
        e.events = EPOLLIN;
        e.data.ptr = this;
        if (::epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_wake, &e) != 0) {
            error = systemError();
            return false;
        }
        const Settings& s = m_shared.settings;
        m_sweepIntervalMs =
            std::clamp(std::min(s.idleTimeoutMs, s.requestTimeoutMs) / 4, 10, maxSweepIntervalMs);
        return true;
    }

    void stop()
    {
        m_stopping = true;
        wake();
    }

    void wake()
    {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wake, &one, sizeof one);
    }

    void run(StatementService& service)
    {
        m_service = &service;
        m_service->readInTurns();
        // The database's lines go out with the others of the turn.
        m_service->database().setLog([this](const std::string& line) { m_log += line; });
        epoll_event events[eventsPerWait];
        int64_t nextSweep = monotonicMs() + m_sweepIntervalMs;
        while (!m_stopping) {
            const int64_t wait =
                m_ready.empty() ? std::max<int64_t>(0, nextSweep - monotonicMs()) : 0;
            const int n = ::epoll_wait(m_epoll, events, eventsPerWait, int(wait));
            if (n < 0 && errno != EINTR) {
                std::fprintf(stderr, "mirola-server: waiting for events failed: %s\n",
                             std::strerror(errno));
                break;
            }
            for (int i = 0; i < n; ++i) {
                void* const what = events[i].data.ptr;
                if (what == nullptr) {
                    accept(m_listen, false);
                } else if (what == &m_tlsListen) {
                    accept(m_tlsListen, true);
                } else if (what == this) {
                    takeMailbox();
                } else {
                    auto& c = *static_cast<Connection*>(what);
                    if (c.fd < 0)
                        continue;
                    if (c.handshaking)
                        handshake(c);
                    else if ((events[i].events & (EPOLLERR | EPOLLHUP)) && !(c.watched & EPOLLIN))
                        close(c);
                    else if (events[i].events & (EPOLLIN | EPOLLERR | EPOLLHUP))
                        read(c);
                    else if (events[i].events & EPOLLOUT)
                        progress(c);
                }
            }
            // Another turn for each connection whose requests had to wait for it.
            std::vector<Connection*> turn;
            turn.swap(m_ready);
            for (Connection* c : turn) {
                c->queued = false;
                if (c->fd >= 0)
                    progress(*c);
            }
            m_service->endTurn();
            // Connections closed in this round may have had events further on; they go now.
            m_closed.clear();
            const int64_t now = monotonicMs();
            if (now >= nextSweep) {
                sweep(now);
                m_closed.clear();
                nextSweep = now + m_sweepIntervalMs;
            }
            writeLog();
        }
        while (!m_connections.empty())
            close(*m_connections.back());
        m_closed.clear();
        m_service->endTurn();
        writeLog();
    }

private:
    void accept(int listening, bool tls)
    {
        for (int i = 0; i < acceptsPerTurn; ++i) {
            sockaddr_storage address{};
            socklen_t length = sizeof address;
            const int fd = ::accept4(listening, reinterpret_cast<sockaddr*>(&address), &length,
                                     SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) {
                if (errno == EINTR || errno == ECONNABORTED)
                    continue;
                if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                    // Out of descriptors: the waiting connections stay queued until the next
                    // sweep rather than waking this loop over and over.
                    std::fprintf(stderr, "mirola-server: cannot accept: %s\n",
                                 std::strerror(errno));
                    watchListener(false);
                }
                return;
            }
            std::string peer = nameOf(address);
            int open = 0;
            bool logNow = false;
            const Shared::Admission admission = m_shared.admit(peer, open, logNow);
            if (admission != Shared::Admission::Admitted) {
                if (logNow)
                    log(admission == Shared::Admission::TooMany
                            ? "%s refused: %d connections open\n"
                            : "%s refused: %d connections from this address\n",
                        peer.c_str(), open);
                ::close(fd);
                continue;
            }
            ++m_shared.metrics.accepted;
            auto c = std::make_unique<Connection>();
            if (tls) {
                c->ssl = m_shared.tls->newConnection();
                if (!c->ssl || SSL_set_fd(c->ssl, fd) != 1) {
                    log("%s closed: no TLS object: %s\n", peer.c_str(),
                        openSslErrors().toLocal8Bit().constData());
                    SSL_free(c->ssl);
                    m_shared.release(peer);
                    ::close(fd);
                    continue;
                }
                SSL_set_accept_state(c->ssl);
                c->handshaking = true;
                ++m_shared.metrics.tlsOpen;
            }
            c->fd = fd;
            c->index = m_connections.size();
            c->peer = std::move(peer);
            c->lastActivityMs = monotonicMs();
            // The deadline of the first request runs from the connect: a connection that never
            // sends a byte holds its place no longer than one that sends too slowly.
            c->requestStartMs = c->lastActivityMs;
            Connection& added = *c;
            m_connections.push_back(std::move(c));
            watch(added, EPOLLIN, EPOLL_CTL_ADD);
        }
    }

    // A line for the log, written with the others of this turn.
    __attribute__((format(printf, 2, 3))) void log(const char* format, ...)
    {
        char line[256];
        va_list arguments;
        va_start(arguments, format);
        const int length = std::vsnprintf(line, sizeof line, format, arguments);
        va_end(arguments);
        if (length >= int(sizeof line))
            line[sizeof line - 2] = '\n'; // cut, but still a line of its own
        m_log.append(line, size_t(std::clamp(length, 0, int(sizeof line) - 1)));
    }

    // One write of the log a turn: the loops share the log's lock.
    void writeLog()
    {
        if (m_log.empty())
            return;
        std::fwrite(m_log.data(), 1, m_log.size(), stderr);
        m_log.clear();
    }

    // A new connection wakes one waiting loop, not all of them. False when a listening socket
    // could not be watched; the loop stays paused and tries again at the next sweep.
    bool watchListener(bool on)
    {
        int result = 0;
        for (int* listening : {&m_listen, &m_tlsListen}) {
            if (*listening < 0)
                continue;
            if (on) {
                epoll_event e{};
                e.events = EPOLLIN | EPOLLEXCLUSIVE;
                // The plain port's events carry no pointer, the TLS port's its descriptor's.
                e.data.ptr = listening == &m_listen ? nullptr : listening;
                // Already watched after a partial failure: that one stays as it is.
                if (::epoll_ctl(m_epoll, EPOLL_CTL_ADD, *listening, &e) != 0 && errno != EEXIST)
                    result = -1;
            } else {
                ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, *listening, nullptr);
            }
        }
        m_listenPaused = !on || result != 0;
        return result == 0;
    }

    // Takes the handshake as far as the bytes here allow; once complete, reads what came with it.
    void handshake(Connection& c)
    {
        ERR_clear_error();
        const int result = SSL_do_handshake(c.ssl);
        if (result == 1) {
            c.handshaking = false;
            ++m_shared.metrics.tlsHandshakes;
            if (SSL_session_reused(c.ssl))
                ++m_shared.metrics.tlsResumed;
            if (watch(c, EPOLLIN))
                read(c);
            return;
        }
        const int error = SSL_get_error(c.ssl, result);
        if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
            watch(c, error == SSL_ERROR_WANT_READ ? EPOLLIN : EPOLLOUT);
            return;
        }
        failHandshake(c, handshakeFailure(error));
    }

    void failHandshake(Connection& c, Metrics::HandshakeFailure why)
    {
        ERR_clear_error();
        m_shared.metrics.handshakeFailed(why);
        log("%s closed: TLS handshake failed: %s\n", c.peer.c_str(),
            handshakeFailureTexts[size_t(why)]);
        close(c);
    }

    // What one read brought into m_buffer: > 0 bytes, 0 at the client's end, -1 for nothing yet,
    // -2 for a connection that failed.
    ssize_t receive(Connection& c, bool& ended)
    {
        ended = false;
        if (!c.ssl) {
            const ssize_t n = ::recv(c.fd, m_buffer, sizeof m_buffer, 0);
            if (n < 0)
                return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? -1 : -2;
            ended = n == 0;
            return n;
        }
        size_t got = 0;
        ERR_clear_error();
        while (got + maxTlsRecordBytes <= sizeof m_buffer) {
            const int n = SSL_read(c.ssl, m_buffer + got, int(sizeof m_buffer - got));
            if (n > 0) {
                got += size_t(n);
                continue;
            }
            const int error = SSL_get_error(c.ssl, n);
            if (error == SSL_ERROR_ZERO_RETURN)
                ended = true;
            else if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE)
                return got > 0 ? ssize_t(got) : -2;
            break;
        }
        ERR_clear_error();
        return got > 0 || ended ? ssize_t(got) : -1;
    }

    // What one write took: > 0 bytes, -1 for nothing now, -2 for a connection that failed.
    ssize_t transmit(Connection& c)
    {
        if (!c.ssl) {
            const ssize_t n = ::send(c.fd, c.out.data() + c.outStart, c.pending(), MSG_NOSIGNAL);
            if (n < 0)
                return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? -1 : -2;
            return n;
        }
        ERR_clear_error();
        const int n = SSL_write(c.ssl, c.out.data() + c.outStart,
                                int(std::min<size_t>(c.pending(), INT32_MAX)));
        if (n > 0)
            return n;
        const int error = SSL_get_error(c.ssl, n);
        ERR_clear_error();
        return error == SSL_ERROR_WANT_WRITE || error == SSL_ERROR_WANT_READ ? -1 : -2;
    }

    // False when the connection could not be watched, and is closed: unwatched, it would hang.
    bool watch(Connection& c, uint32_t events, int operation = EPOLL_CTL_MOD)
    {
        if (operation == EPOLL_CTL_MOD && c.watched == events)
            return true;
        epoll_event e{};
        e.events = events;
        e.data.ptr = &c;
        if (::epoll_ctl(m_epoll, operation, c.fd, &e) != 0) {
            log("%s closed: cannot be watched: %s\n", c.peer.c_str(), std::strerror(errno));
            close(c);
            return false;
        }
        c.watched = events;
        return true;
    }

    void read(Connection& c)
    {
        bool ended = false;
        const ssize_t n = receive(c, ended);
        if (n == -1)
            return;
        if (n == -2 || (n == 0 && c.pending() == 0 && !c.framesWaiting))
            // The client is gone, or has all it asked for.
            return close(c);
        if (n > 0)
            c.reader.feed(std::string_view(m_buffer, size_t(n)));
        if (ended) {
            // The client has sent all it will, and still reads: it gets every answer it is owed,
            // then the connection closes. A request left half is never completed.
            c.peerDone = true;
            c.requestStartMs = -1;
        }
        progress(c);
    }

    // Answers what has arrived, as much as a turn allows, and sends what it can.
    void progress(Connection& c)
    {
        if (!serve(c) || !send(c))
            return;
        const size_t pending = c.pending();
        if (c.peerDone && pending == 0 && !c.framesWaiting)
            return close(c);
        if (pending != c.counted || (pending > 0 && c.unsentSinceMs != c.countedSinceMs)) {
            m_shared.metrics.unsentBytes += int64_t(pending) - int64_t(c.counted);
            c.counted = pending;
            c.countedSinceMs = c.unsentSinceMs;
            if (pending > 0 || c.inBudget)
                c.inBudget = m_shared.budget.update({m_index, uintptr_t(&c)}, int64_t(pending),
                                                    c.unsentSinceMs);
        }
        if (pending > maxPendingWriteBytes)
            return drop(c, Metrics::Close::NotReading, "not reading its answers");
        const bool room = pending < readPauseBytes;
        if (c.framesWaiting && room && !c.queued) {
            c.queued = true;
            m_ready.push_back(&c);
        }
        // Nothing more is read while requests already here wait, nor after the client's end.
        if (!watch(c, (room && !c.framesWaiting && !c.peerDone ? uint32_t(EPOLLIN) : 0u) |
                          (pending > 0 ? uint32_t(EPOLLOUT) : 0u)))
            return;
        if (m_shared.budget.over())
            enforceBudget();
    }

    // False when the connection was dropped.
    bool serve(Connection& c)
    {
        const int64_t now = monotonicMs();
        exchange::Frame frame;
        auto status = exchange::FrameReader::Status::NeedMore;
        int completed = 0;
        int answered = 0;
        while (c.pending() < readPauseBytes && answered < requestsPerTurn &&
               (status = c.reader.next(frame)) == exchange::FrameReader::Status::Frame) {
            ++completed;
            // Acknowledgements and anything else that is not a request are consumed.
            if (frame.type != "DATA")
                continue;
            QElapsedTimer took;
            took.start();
            ++answered;
            const StatementService::Answer answer = m_service->answer(c.peer, frame, now);
            const int64_t micros = took.nsecsElapsed() / 1000;
            if (c.outStart == c.out.size()) {
                c.out.clear();
                c.outStart = 0;
            }
            c.out += answer.frames;
            m_shared.metrics.request(int(exchange::commandOf(frame.command)), int(answer.outcome),
                                     micros);
            log("%s %s %d rows %.2f ms\n", c.peer.c_str(), loggable(frame.command).c_str(),
                answer.rows, double(micros) / 1e3);
        }
        if (status == exchange::FrameReader::Status::Error) {
            drop(c, Metrics::Close::BadLength, "sent a frame length that cannot be read");
            return false;
        }
        // Stopped early: whatever is left may hold whole requests.
        c.framesWaiting = status == exchange::FrameReader::Status::Frame;
        const int64_t end = completed > 0 ? monotonicMs() : now;
        if (completed > 0)
            c.lastActivityMs = end;
        // The deadline of a request runs from its first byte, however slowly the rest comes; the
        // bytes of one left over after answering those before it count from then.
        if (c.reader.bufferedBytes() == 0)
            c.requestStartMs = -1;
        else if (completed > 0 || c.requestStartMs < 0)
            c.requestStartMs = end;
        return true;
    }

    // False when the connection is gone.
    bool send(Connection& c)
    {
        size_t sent = 0;
        while (c.pending() > 0) {
            const ssize_t n = transmit(c);
            if (n == -1)
                break;
            if (n < 0) {
                close(c);
                return false;
            }
            c.outStart += size_t(n);
            sent += size_t(n);
        }
        const int64_t now = sent > 0 || c.pending() > 0 ? monotonicMs() : 0;
        if (c.pending() == 0) {
            c.out.clear();
            c.outStart = 0;
            c.unsentSinceMs = -1;
        } else {
            if (c.outStart > c.out.size() / 2) {
                c.out.erase(0, c.outStart);
                c.outStart = 0;
            }
            if (sent > 0 || c.unsentSinceMs < 0)
                c.unsentSinceMs = now;
        }
        if (sent > 0)
            c.lastActivityMs = now;
        return true;
    }

    // Drops the slowest readers of the whole process, those whose answers have waited longest,
    // until the answers waiting on every loop fit the budget again; the loops that hold them are
    // woken to drop theirs.
    void enforceBudget()
    {
        std::vector<int> wake;
        for (const uintptr_t id : m_shared.budget.pick(m_index, wake))
            dropOverBudget(id);
        for (const int loop : wake)
            m_shared.loops[size_t(loop)]->wake();
    }

    // The readers other loops picked on this one, and the wake-up that told of them.
    void takeMailbox()
    {
        uint64_t count = 0;
        [[maybe_unused]] const ssize_t n = ::read(m_wake, &count, sizeof count);
        for (const uintptr_t id : m_shared.budget.mailbox(m_index))
            dropOverBudget(id);
    }

    // A picked reader is known to the budget until it closes, and only this loop closes it.
    void dropOverBudget(uintptr_t id)
    {
        auto& c = *reinterpret_cast<Connection*>(id);
        if (c.fd >= 0)
            drop(c, Metrics::Close::UnsentBudget,
                 "slowest reader while unsent answers are over the budget");
    }

    void sweep(int64_t now)
    {
        if (m_listenPaused)
            watchListener(true);
        // A lost database is looked for again without waiting for a request to need it.
        m_service->database().reconnectIfDue();
        for (const std::string& line : m_shared.refusalLines(now))
            m_log += line;
        const Settings& s = m_shared.settings;
        // Backwards: a dropped connection's place is taken by the last one.
        for (size_t i = m_connections.size(); i-- > 0;) {
            Connection& c = *m_connections[i];
            // The handshake counts in the first request's deadline, whichever way it waits.
            if (c.handshaking && now - c.requestStartMs >= s.requestTimeoutMs)
                failHandshake(c, Metrics::HandshakeFailure::Deadline);
            else if (c.requestStartMs >= 0 && (c.watched & EPOLLIN) &&
                     now - c.requestStartMs >= s.requestTimeoutMs)
                drop(c, Metrics::Close::RequestDeadline,
                     "request not complete within its deadline");
            else if (now - c.lastActivityMs >= s.idleTimeoutMs)
                drop(c, Metrics::Close::Idle, "idle");
        }
        if (m_shared.budget.over())
            enforceBudget();
    }

    void drop(Connection& c, Metrics::Close why, const char* text)
    {
        m_shared.metrics.closed(why);
        log("%s closed: %s\n", c.peer.c_str(), text);
        close(c);
    }

    void close(Connection& c)
    {
        if (c.fd < 0)
            return;
        if (c.ssl) {
            // The client learns the end is meant; it is not waited for.
            if (!c.handshaking)
                SSL_shutdown(c.ssl);
            ERR_clear_error();
            SSL_free(c.ssl);
            c.ssl = nullptr;
            --m_shared.metrics.tlsOpen;
        }
        ::close(c.fd);
        c.fd = -1;
        m_shared.metrics.unsentBytes -= int64_t(c.counted);
        c.counted = 0;
        if (c.inBudget)
            m_shared.budget.forget(uintptr_t(&c));
        c.inBudget = false;
        m_shared.release(c.peer);
        // The last connection takes the closed one's place; the closed one lives until the events
        // of this round are handled.
        if (c.queued)
            std::erase(m_ready, &c);
        const size_t index = c.index;
        m_closed.push_back(std::move(m_connections[index]));
        if (index + 1 != m_connections.size()) {
            m_connections[index] = std::move(m_connections.back());
            m_connections[index]->index = index;
        }
        m_connections.pop_back();
    }

    Shared& m_shared;
    int m_listen = -1;
    int m_tlsListen = -1;
    const int m_index;
    int m_epoll = -1;
    int m_wake = -1;
    int m_sweepIntervalMs = maxSweepIntervalMs;
    bool m_listenPaused = false;
    std::atomic<bool> m_stopping{false};
    StatementService* m_service = nullptr;
    std::vector<std::unique_ptr<Connection>> m_connections;
    std::vector<std::unique_ptr<Connection>> m_closed;
    std::vector<Connection*> m_ready;
    char m_buffer[readChunkBytes];
    // The log lines of this turn.
    std::string m_log;
};

StatementServer::StatementServer(const Settings& settings, ServiceFactory factory, Metrics& metrics)
    : m_settings(settings), m_factory(std::move(factory)),
      m_shared(std::make_unique<Shared>(settings, metrics))
{
}

StatementServer::~StatementServer()
{
    stop();
}

void StatementServer::setTls(TlsContext* tls)
{
    m_shared->tls = tls;
}

bool StatementServer::start(const QHostAddress& address, quint16 port, QString& error)
{
    return start(Endpoint{address, port}, std::nullopt, error);
}

bool StatementServer::start(const std::optional<Endpoint>& plain,
                            const std::optional<Endpoint>& tls, QString& error)
{
    stop();
    error.clear();
    if (tls && !m_shared->tls) {
        error = QStringLiteral("a TLS port needs a certificate");
        return false;
    }
    if (tls)
        // OpenSSL writes to the socket with write(), which raises SIGPIPE on a connection the
        // client has reset; that must end the connection, not the server.
        ::signal(SIGPIPE, SIG_IGN);
    const int threads = m_settings.threads > 0
                            ? m_settings.threads
                            : std::max(1, int(std::thread::hardware_concurrency()));
    const int listening = plain ? listener(plain->address, plain->port, error) : -1;
    if (plain && listening < 0)
        return false;
    const int tlsListening = tls ? listener(tls->address, tls->port, error) : -1;
    if (tls && tlsListening < 0) {
        if (listening >= 0)
            ::close(listening);
        return false;
    }
    m_port = listening >= 0 ? portOf(listening) : 0;
    m_tlsPort = tlsListening >= 0 ? portOf(tlsListening) : 0;
    m_shared->budget.setLoops(threads);
    // Each loop holds and closes a descriptor of its own for each socket.
    const auto duplicate = [](int fd) { return fd < 0 ? -1 : ::fcntl(fd, F_DUPFD_CLOEXEC, 0); };
    bool made = true;
    for (int i = 0; i < threads && made; ++i) {
        const int fd = duplicate(listening);
        const int tlsFd = duplicate(tlsListening);
        m_loops.push_back(std::make_unique<Loop>(*m_shared, fd, tlsFd, i));
        m_shared->loops.push_back(m_loops.back().get());
        if ((listening >= 0 && fd < 0) || (tlsListening >= 0 && tlsFd < 0)) {
            error = systemError();
            made = false;
            break;
        }
        made = m_loops.back()->init(error);
    }
    for (const int fd : {listening, tlsListening})
        if (fd >= 0)
            ::close(fd);
    if (!made) {
        m_shared->loops.clear();
        m_loops.clear();
        return false;
    }
    std::vector<std::future<QString>> ready;
    for (const auto& loop : m_loops) {
        auto promise = std::make_shared<std::promise<QString>>();
        ready.push_back(promise->get_future());
        m_threads.emplace_back([this, promise, loop = loop.get()] {
            QString problem;
            // Made and ended on this thread: a database connection belongs to the thread that
            // opened it.
            std::unique_ptr<ThreadService> service = m_factory(problem);
            if (!service && problem.isEmpty())
                problem = QStringLiteral("no service");
            promise->set_value(problem);
            if (service)
                loop->run(*service->service);
        });
    }
    for (auto& r : ready) {
        const QString problem = r.get();
        if (!problem.isEmpty() && error.isEmpty())
            error = problem;
    }
    if (!error.isEmpty()) {
        stop();
        return false;
    }
    return true;
}

void StatementServer::stop()
{
    for (const auto& loop : m_loops)
        loop->stop();
    for (std::thread& t : m_threads)
        t.join();
    m_threads.clear();
    m_shared->loops.clear();
    m_loops.clear();
}

} // namespace server
