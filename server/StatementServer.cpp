#include "server/StatementServer.h"

#include "server/Connection.h"
#include "server/Metrics.h"
#include "server/StatementService.h"
#include "server/TlsContext.h"
#include "server/TurnLog.h"
#include "server/UnsentBudget.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <list>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <optional>
#include <string>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <unordered_map>

namespace server {

namespace {

// What one read takes from the socket at most; a request is far smaller.
constexpr size_t readChunkBytes = 64 * 1024;
// The kernel's own queue of unsent bytes a connection: answers waiting there count against no
// budget, and left to itself the kernel lets a reader that never reads hold megabytes.
constexpr int socketSendBufferBytes = 64 * 1024;
// New connections one event loop takes in a turn. The loops share one listening socket, so a
// loop busy with its connections leaves the new ones to a loop with time for them; a loop that
// took every waiting connection would undo that.
constexpr int acceptsPerTurn = 16;
constexpr int maxSweepIntervalMs = 250;
constexpr int eventsPerWait = 256;
// Refusals of one address are logged once in this interval, with their count: a client that
// reconnects as fast as it is refused would otherwise write the log full.
constexpr int64_t refusalLogIntervalMs = 10 * 1000;
// Addresses whose refusals are counted apart in an interval; beyond them, counted together.
constexpr size_t maxRefusedAddresses = 10000;

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

bool setOption(int fd, int level, int name, int value)
{
    return ::setsockopt(fd, level, name, &value, sizeof value) == 0;
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

// The listening socket on `address`:`port`, which every event loop waits on, with its port in
// `bound`. An option the kernel refuses fails it too: the socket would not be what the server
// promises, dual-stack or not, with its send queue bounded.
int listener(const QHostAddress& address, quint16 port, quint16& bound, QString& error)
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
    // The accepted connections take the last two over without two calls each. Each answer goes
    // out in one write; waiting to merge it with the next gains nothing. The kernel caps the
    // backlog at its own maximum; a burst of connects waits there instead of being dropped and
    // retried a second later.
    if (!setOption(fd, SOL_SOCKET, SO_REUSEADDR, 1) ||
        (family == AF_INET6 && !setOption(fd, IPPROTO_IPV6, IPV6_V6ONLY, v6only ? 1 : 0)) ||
        !setOption(fd, IPPROTO_TCP, TCP_NODELAY, 1) ||
        !setOption(fd, SOL_SOCKET, SO_SNDBUF, socketSendBufferBytes) ||
        ::bind(fd, reinterpret_cast<sockaddr*>(&storage), length) != 0 ||
        ::listen(fd, 65535) != 0 || (bound = portOf(fd)) == 0) {
        error = systemError();
        ::close(fd);
        return -1;
    }
    return fd;
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
        const rlim_t before = limit.rlim_cur;
        limit.rlim_cur = limit.rlim_max;
        // Refused, the limit in force stays, and the caps are sized for it.
        if (::setrlimit(RLIMIT_NOFILE, &limit) != 0)
            limit.rlim_cur = before;
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

// One event loop and a thread to run on; the loops share the listening sockets. The loop watches
// the sockets, takes new connections, gives the connections their turns and drops the late ones;
// what a connection does with its socket is the connection's own.
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
        for (int fd : {m_listen, m_tlsListen, m_epoll, m_wake})
            if (fd >= 0)
                ::close(fd);
    }

    bool init(QString& error)
    {
        m_epoll = ::epoll_create1(EPOLL_CLOEXEC);
        m_wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        if (m_epoll < 0 || m_wake < 0 || !resumeListening()) {
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
        // Fails only while the counter is at its maximum, and then the loop is woken already.
        [[maybe_unused]] const ssize_t n = ::write(m_wake, &one, sizeof one);
    }

    void run(StatementService& service)
    {
        service.readInTurns();
        // The database's lines go out with the others of the turn.
        service.database().setLog([this](const std::string& line) { m_log.append(line); });
        m_context.emplace(Connection::Context{service, m_shared.metrics, m_shared.budget, m_index,
                                              m_log, m_buffer});
        epoll_event events[eventsPerWait];
        int64_t nextSweep = monotonicMs() + m_sweepIntervalMs;
        while (!m_stopping) {
            const int64_t wait =
                m_turns.empty() ? std::max<int64_t>(0, nextSweep - monotonicMs()) : 0;
            const int n = ::epoll_wait(m_epoll, events, eventsPerWait, int(wait));
            if (n < 0 && errno != EINTR) {
                std::fprintf(stderr, "mirola-server: waiting for events failed: %s\n",
                             std::strerror(errno));
                break;
            }
            for (int i = 0; i < n; ++i)
                handle(events[i]);
            giveTurns();
            service.endTurn();
            // Connections closed in this round may have had events further on; they go now.
            m_closed.clear();
            const int64_t now = monotonicMs();
            if (now >= nextSweep) {
                sweep(now);
                m_closed.clear();
                nextSweep = now + m_sweepIntervalMs;
            }
            m_log.write();
        }
        while (!m_open.empty())
            close(m_open.back());
        m_closed.clear();
        service.endTurn();
        m_log.write();
    }

private:
    // A connection with what the loop keeps of it.
    struct Entry
    {
        Entry(Connection::Context& context, int fd, SSL* ssl, std::string peer, int64_t nowMs)
            : connection(context, fd, ssl, std::move(peer), uintptr_t(this), nowMs)
        {
        }

        Connection connection;
        // What its socket is watched for; the connection's events() once a step is settled.
        uint32_t watched = 0;
        // In the list of connections whose next turn is due.
        bool queued = false;
        // Its place in the list of open connections, or of those closed in this round.
        std::list<Entry>::iterator place;
    };

    void handle(const epoll_event& event)
    {
        void* const what = event.data.ptr;
        if (what == nullptr)
            return accept(m_listen, false);
        if (what == &m_tlsListen)
            return accept(m_tlsListen, true);
        if (what == this)
            return takeMailbox();
        Entry& entry = *static_cast<Entry*>(what);
        Connection& c = entry.connection;
        switch (c.state()) {
        case Connection::State::Closed:
            // Earlier in this round.
            return;
        case Connection::State::Handshaking:
            c.handshake();
            break;
        default:
            // A socket that failed while nothing is read from it: no read would tell.
            if ((event.events & (EPOLLERR | EPOLLHUP)) && !(entry.watched & EPOLLIN))
                c.close();
            else if (event.events & (EPOLLIN | EPOLLERR | EPOLLHUP))
                c.read();
            else if (event.events & EPOLLOUT)
                c.progress();
        }
        settle(entry);
    }

    // After each step of a connection: a closed one leaves, one with requests left gets another
    // turn, and its socket is watched for what it waits for.
    void settle(Entry& entry)
    {
        const Connection& c = entry.connection;
        if (c.state() == Connection::State::Closed)
            return retire(entry);
        if (c.wantsTurn() && !entry.queued) {
            entry.queued = true;
            m_turns.push_back(&entry);
        }
        if (!watch(entry))
            return;
        // Its answers may have taken the process over the budget.
        if (c.state() != Connection::State::Handshaking && m_shared.budget.over())
            enforceBudget();
    }

    // Another turn for each connection whose requests had to wait for it.
    void giveTurns()
    {
        m_turnsNow.swap(m_turns);
        for (Entry* entry : m_turnsNow) {
            entry->queued = false;
            // Dropped for the budget meanwhile.
            if (entry->connection.state() == Connection::State::Closed)
                continue;
            entry->connection.progress();
            settle(*entry);
        }
        m_turnsNow.clear();
    }

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
                    m_log.add("mirola-server: cannot accept: %s\n", std::strerror(errno));
                    pauseListening();
                }
                // Otherwise none waits any more, or the next event tells of it again.
                return;
            }
            std::string peer = nameOf(address);
            int open = 0;
            bool logNow = false;
            const Shared::Admission admission = m_shared.admit(peer, open, logNow);
            if (admission != Shared::Admission::Admitted) {
                if (logNow)
                    m_log.add(admission == Shared::Admission::TooMany
                                  ? "%s refused: %d connections open\n"
                                  : "%s refused: %d connections from this address\n",
                              peer.c_str(), open);
                ::close(fd);
                continue;
            }
            ++m_shared.metrics.accepted;
            SSL* ssl = nullptr;
            if (tls && !(ssl = tlsFor(fd, peer))) {
                m_shared.release(peer);
                ::close(fd);
                continue;
            }
            Entry& entry = m_open.emplace_back(*m_context, fd, ssl, std::move(peer), monotonicMs());
            entry.place = std::prev(m_open.end());
            watch(entry, EPOLL_CTL_ADD);
        }
    }

    // The TLS side of a new connection on `fd`; null, and logged, when there is none.
    SSL* tlsFor(int fd, const std::string& peer)
    {
        SSL* ssl = m_shared.tls->newConnection();
        if (ssl && SSL_set_fd(ssl, fd) == 1) {
            SSL_set_accept_state(ssl);
            return ssl;
        }
        m_log.add("%s closed: no TLS object: %s\n", peer.c_str(),
                  openSslErrors().toLocal8Bit().constData());
        SSL_free(ssl);
        return nullptr;
    }

    // Out of descriptors: the waiting connections stay queued until the next sweep rather than
    // waking this loop over and over.
    void pauseListening()
    {
        for (const int listening : {m_listen, m_tlsListen})
            // Fails only for a socket not watched, after a failure to watch it again: then it is
            // paused already.
            if (listening >= 0)
                ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, listening, nullptr);
        m_listenPaused = true;
    }

    // A new connection wakes one waiting loop, not all of them. False when a listening socket
    // could not be watched; the loop stays paused and tries again at the next sweep.
    bool resumeListening()
    {
        bool watched = true;
        for (int* listening : {&m_listen, &m_tlsListen}) {
            if (*listening < 0)
                continue;
            epoll_event e{};
            e.events = EPOLLIN | EPOLLEXCLUSIVE;
            // The plain port's events carry no pointer, the TLS port's its descriptor's.
            e.data.ptr = listening == &m_listen ? nullptr : listening;
            // Already watched after a partial failure: that one stays as it is.
            if (::epoll_ctl(m_epoll, EPOLL_CTL_ADD, *listening, &e) != 0 && errno != EEXIST)
                watched = false;
        }
        m_listenPaused = !watched;
        return watched;
    }

    // False when the socket could not be watched, and the connection is closed: unwatched, it
    // would hang.
    bool watch(Entry& entry, int operation = EPOLL_CTL_MOD)
    {
        const uint32_t events = entry.connection.events();
        if (operation == EPOLL_CTL_MOD && entry.watched == events)
            return true;
        epoll_event e{};
        e.events = events;
        e.data.ptr = &entry;
        if (::epoll_ctl(m_epoll, operation, entry.connection.fd(), &e) != 0) {
            m_log.add("%s closed: cannot be watched: %s\n", entry.connection.peer().c_str(),
                      std::strerror(errno));
            close(entry);
            return false;
        }
        entry.watched = events;
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
        // Only empties the wake-up's counter; finding it empty already changes nothing.
        [[maybe_unused]] const ssize_t n = ::read(m_wake, &count, sizeof count);
        for (const uintptr_t id : m_shared.budget.mailbox(m_index))
            dropOverBudget(id);
    }

    // A picked reader is known to the budget until it closes, and only this loop closes it.
    void dropOverBudget(uintptr_t id)
    {
        // The budget names a connection by its entry's address, alive as said above.
        Entry& entry = *reinterpret_cast<Entry*>(id); // NOLINT(performance-no-int-to-ptr)
        if (entry.connection.state() == Connection::State::Closed)
            return;
        entry.connection.drop(Metrics::Close::UnsentBudget,
                              "slowest reader while unsent answers are over the budget");
        retire(entry);
    }

    void sweep(int64_t now)
    {
        if (m_listenPaused)
            resumeListening();
        // A lost database is looked for again without waiting for a request to need it; whether
        // it is back, the database logs and the next request finds out.
        m_context->service.database().reconnectIfDue();
        for (const std::string& line : m_shared.refusalLines(now))
            m_log.append(line);
        const Settings& s = m_shared.settings;
        for (auto it = m_open.begin(); it != m_open.end();) {
            // Ahead of the step: a closed one moves to the other list.
            Entry& entry = *it++;
            entry.connection.expire(now, s.requestTimeoutMs, s.idleTimeoutMs);
            if (entry.connection.state() == Connection::State::Closed)
                retire(entry);
        }
        if (m_shared.budget.over())
            enforceBudget();
    }

    void close(Entry& entry)
    {
        entry.connection.close();
        retire(entry);
    }

    // A closed connection leaves the open ones; it lives until the round ends, since events of
    // this round may still name it.
    void retire(Entry& entry)
    {
        m_shared.release(entry.connection.peer());
        if (entry.queued)
            std::erase(m_turns, &entry);
        m_closed.splice(m_closed.end(), m_open, entry.place);
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
    // Set when the loop runs, on its thread's service.
    std::optional<Connection::Context> m_context;
    std::list<Entry> m_open;
    std::list<Entry> m_closed;
    // Connections whose requests wait for their next turn, and those taking it now.
    std::vector<Entry*> m_turns;
    std::vector<Entry*> m_turnsNow;
    char m_buffer[readChunkBytes];
    TurnLog m_log;
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
    // OpenSSL writes to the socket with write(), which raises SIGPIPE on a connection the client
    // has reset; that must end the connection, not the server.
    if (tls && ::signal(SIGPIPE, SIG_IGN) == SIG_ERR) {
        error = systemError();
        return false;
    }
    const int threads = m_settings.threads > 0
                            ? m_settings.threads
                            : std::max(1, int(std::thread::hardware_concurrency()));
    m_port = 0;
    m_tlsPort = 0;
    const int listening = plain ? listener(plain->address, plain->port, m_port, error) : -1;
    if (plain && listening < 0)
        return false;
    const int tlsListening = tls ? listener(tls->address, tls->port, m_tlsPort, error) : -1;
    if (tls && tlsListening < 0) {
        if (listening >= 0)
            ::close(listening);
        return false;
    }
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
