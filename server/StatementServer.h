#pragma once

#include <QHostAddress>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace server {

class AccessGuard;
class Metrics;
class StatementDatabase;
class StatementService;
class TlsContext;

// Milliseconds of a monotonic clock, for the time windows of the guard.
int64_t monotonicMs();

// Listens for viewers on one event loop a thread, each with its own database connection. The
// loops share the listening socket: a new connection goes to a loop with time for it.
// Every connection is bounded: a whole request must arrive within a deadline from the connect or
// from its first byte, each client address may hold only so many connections, and the answers
// waiting for slow readers share one budget across the loops, the slowest readers being dropped
// first when it runs out.
class StatementServer
{
public:
    struct Settings
    {
        // Descriptors kept beside the client connections: database, log, listeners, the page.
        static constexpr long reservedFiles = 64;
        // An idle connection costs about a hundred bytes here and a few kilobytes in the kernel;
        // the default stops where the kernel's share would reach a few hundred megabytes.
        static constexpr long maxDefaultConnections = 65536;
        static constexpr long minDefaultConnections = 64;

        int idleTimeoutMs = 60 * 1000;
        // From the connect for the first request, from its first byte for the others.
        int requestTimeoutMs = 10 * 1000;
        // 0: as many as the open-file limit allows.
        int maxConnections = 0;
        // 0: a quarter of maxConnections, at most 256.
        int maxPerAddress = 0;
        int64_t unsentBudgetBytes = 64 * 1024 * 1024;
        // 0: one a core.
        int threads = 0;
        // Addresses held only to maxConnections: a web front carries many visitors at once.
        std::vector<std::string> trustedFronts;

        // Fills in the connection caps left at 0 for `files` open files (-1: no limit).
        void sizeFor(long files);
    };

    // What one thread answers with: its database connection, its guard unless the threads share
    // one, and the service on them.
    struct ThreadService
    {
        std::unique_ptr<StatementDatabase> db;
        std::unique_ptr<AccessGuard> guard;
        std::unique_ptr<StatementService> service;
    };
    // Runs on the thread that will use what it makes; null with `error` set when it cannot.
    using ServiceFactory = std::function<std::unique_ptr<ThreadService>(QString& error)>;

    StatementServer(const Settings& settings, ServiceFactory factory, Metrics& metrics);
    ~StatementServer();

    struct Endpoint
    {
        QHostAddress address;
        quint16 port = 0;
    };

    // Binds the listening sockets, starts the threads and waits until each has its service.
    bool start(const QHostAddress& address, quint16 port, QString& error);
    // The same with a plain port, a TLS port or both; the TLS port takes the certificate of
    // setTls().
    bool start(const std::optional<Endpoint>& plain, const std::optional<Endpoint>& tls,
               QString& error);
    // Kept by the caller for as long as the server runs.
    void setTls(TlsContext* tls);
    // Closes every connection and ends the threads.
    void stop();

    quint16 port() const { return m_port; }
    quint16 tlsPort() const { return m_tlsPort; }
    int threads() const { return int(m_loops.size()); }

    class Loop;
    struct Shared;

private:
    Settings m_settings;
    ServiceFactory m_factory;
    std::unique_ptr<Shared> m_shared;
    std::vector<std::unique_ptr<Loop>> m_loops;
    std::vector<std::thread> m_threads;
    quint16 m_port = 0;
    quint16 m_tlsPort = 0;
};

// Raises the soft limit of open files to the hard one; returns the limit now in force.
long raiseOpenFileLimit();

} // namespace server
