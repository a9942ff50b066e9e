// mirola-server: the reference statement server.
#include "exchange/HostPort.h"
#include "server/DatabaseHealth.h"
#include "server/GrantStore.h"
#include "server/Metrics.h"
#include "server/MetricsPage.h"
#include "server/RequestGuard.h"
#include "server/ServerOptions.h"
#include "server/StatementDatabase.h"
#include "server/StatementServer.h"
#include "server/StatementService.h"
#include "server/TlsContext.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The request log is written in blocks rather than a system call a line; it is flushed this
// often, and when the server stops.
constexpr int logFlushIntervalMs = 200;

int signalPipe[2] = {-1, -1};

void onSignal(int number)
{
    const char byte = char(number);
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT end the event loop, so that the log is flushed and the database closed;
// SIGHUP runs `onHangup` on it.
void handleSignals(QCoreApplication& app, std::function<void()> onHangup)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app,
                     [&app, onHangup = std::move(onHangup)] {
                         char byte = 0;
                         if (::read(signalPipe[0], &byte, 1) == 1 && byte == SIGHUP)
                             onHangup();
                         else
                             app.quit();
                     });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(number, &action, nullptr);
}

// "address:port", an IPv6 address in brackets.
std::string endpointText(const QHostAddress& address, quint16 port)
{
    return exchange::joinHostPort(address.toString().toStdString(), port);
}

// One SQLite file serves one server: the failed matches live in its memory, and the grants too,
// read from the file only at start, so a second server on the file would halve what each one
// knows. Held until the process ends. Empty when claimed; otherwise why not, as the
// administrator needs it.
QString claimSqliteFile(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        const int error = errno;
        QString why = u"cannot open it: "_s + QString::fromLocal8Bit(std::strerror(error));
        const QString folder = QFileInfo(path).absolutePath();
        if (error == ENOENT && !QFileInfo(folder).isDir())
            why += u" (there is no folder %1)"_s.arg(folder);
        else if (error == ENOENT)
            why += u" (no file can be made in %1)"_s.arg(folder);
        else if (error == EROFS || error == EACCES)
            why += u" (as a systemd service it may write only in /var/lib/mirola-server)"_s;
        return why;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return {};
    if (errno == EWOULDBLOCK)
        return u"another mirola-server serves this file; one SQLite file serves one server "
               "(several servers share a PostgreSQL database)"_s;
    return u"cannot lock it: "_s + QString::fromLocal8Bit(std::strerror(errno));
}

// Reads the grants the SQLite file kept into the guard, and has the guard keep new ones there.
// Null when the file cannot keep them; the guard then keeps them in memory only.
std::unique_ptr<server::GrantStore> keepGrants(const server::ServerOptions& options,
                                               const server::DatabaseLocation& location,
                                               server::RequestGuard& guard)
{
    QString error;
    std::vector<server::GrantStore::Grant> live;
    std::unique_ptr<server::GrantStore> store =
        server::GrantStore::open(location.name, live, error);
    if (!store) {
        std::fprintf(stderr,
                     "mirola-server: %s: grants cannot be kept in the file, only in "
                     "memory until the server stops: %s\n",
                     options.database.toLocal8Bit().constData(), error.toLocal8Bit().constData());
    }
    const int64_t now = server::monotonicMs();
    const int64_t wallNow = server::GrantStore::wallClockMs();
    for (const server::GrantStore::Grant& g : live)
        guard.restoreGrant(g.peer, g.date, g.seq, g.expiresMs, now, wallNow);
    guard.keepGrantsIn(store.get());
    return store;
}

// What SIGHUP does: the certificate and key are read again; a failure keeps the ones in use.
void readCertificateAgain(server::TlsContext* tls, server::Metrics& metrics)
{
    QString why;
    if (!tls)
        std::fprintf(stderr, "mirola-server: SIGHUP: no certificate to read again\n");
    else if (tls->reload(why)) {
        ++metrics.tlsReloads;
        std::fprintf(stderr, "mirola-server: certificate read again: %s\n",
                     tls->describe().toLocal8Bit().constData());
    } else {
        ++metrics.tlsReloadFailures;
        std::fprintf(stderr,
                     "mirola-server: certificate not read again, the one in use stays: %s\n",
                     why.toLocal8Bit().constData());
    }
    std::fflush(stderr);
}

// "on ADDRESS:PORT and with TLS on ADDRESS:PORT (certificate)", the ports as bound.
std::string servingText(const server::ServerOptions& options,
                        const server::StatementServer& statementServer, server::TlsContext* tls)
{
    std::string serving;
    if (options.plain)
        serving = "on " + endpointText(options.address, statementServer.port());
    if (tls)
        serving += std::string(options.plain ? " and " : "") + "with TLS on " +
                   endpointText(options.tlsAddress, statementServer.tlsPort()) + " (" +
                   tls->describe().toStdString() + ")";
    return serving;
}

} // namespace

int main(int argc, char** argv)
{
    static char logBuffer[64 * 1024];
    std::setvbuf(stderr, logBuffer, _IOFBF, sizeof logBuffer);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"mirola-server"_s);

    server::ServerOptions options;
    const QString problem = options.parse(QCoreApplication::arguments());
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "mirola-server: %s (see --help)\n", problem.toLocal8Bit().constData());
        return 2;
    }
    if (options.help) {
        std::fputs(server::ServerOptions::helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (options.version) {
        std::fputs("mirola-server " MIROLA_VERSION "\n", stdout);
        return 0;
    }

    const long files = server::raiseOpenFileLimit();
    if (files > 0 &&
        options.server.maxConnections > files - server::StatementServer::Settings::reservedFiles)
        std::fprintf(stderr,
                     "mirola-server: %ld files may be open, fewer than --max-connections %d needs; "
                     "connections beyond them wait unaccepted\n",
                     files, options.server.maxConnections);

    options.server.sizeFor(files);

    QString error;
    const server::DatabaseLocation location = server::parseDatabaseUrl(options.database, error);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "mirola-server: %s\n", error.toLocal8Bit().constData());
        return 2;
    }
    const bool sqlite = location.driver == u"QSQLITE"_s;
    if (const QString why = sqlite ? claimSqliteFile(location.name) : QString(); !why.isEmpty()) {
        std::fprintf(stderr, "mirola-server: %s: %s\n", location.name.toLocal8Bit().constData(),
                     why.toLocal8Bit().constData());
        return 1;
    }
    // Made first, and alone: it creates what is missing before the event loops open theirs.
    const auto db = server::StatementDatabase::open(location, options.init, error);
    if (!db ||
        (!sqlite && (!db->createSharedGuardTables(error) || !db->prepareSharedGuard(error)))) {
        std::fprintf(stderr, "mirola-server: %s: %s\n", options.database.toLocal8Bit().constData(),
                     error.toLocal8Bit().constData());
        return 1;
    }
    // On SQLite the event loops share the guard in memory; on PostgreSQL each keeps it in the
    // database through its own connection, and this one counts locked addresses for the page.
    server::RequestGuard memoryGuard(options.guard);
    // On SQLite the grants are kept in the file too, so that a restart keeps them.
    const std::unique_ptr<server::GrantStore> grantStore =
        sqlite && options.guard.requireGrants ? keepGrants(options, location, memoryGuard)
                                              : nullptr;
    server::DatabaseGuard databaseGuard(options.guard, *db);
    server::AccessGuard& pageGuard =
        sqlite ? static_cast<server::AccessGuard&>(memoryGuard) : databaseGuard;

    server::Metrics metrics;
    server::DatabaseHealth health;
    db->setHealth(&health);
    const auto factory =
        [&](QString& problem) -> std::unique_ptr<server::StatementServer::ThreadService> {
        auto service = std::make_unique<server::StatementServer::ThreadService>();
        service->db = server::StatementDatabase::open(location, false, problem);
        if (!service->db)
            return nullptr;
        service->db->setHealth(&health);
        server::AccessGuard* guard = &memoryGuard;
        if (!sqlite) {
            if (!service->db->prepareSharedGuard(problem))
                return nullptr;
            service->guard = std::make_unique<server::DatabaseGuard>(options.guard, *service->db);
            guard = service->guard.get();
        }
        service->service = std::make_unique<server::StatementService>(*service->db, *guard);
        return service;
    };
    server::StatementServer statementServer(options.server, factory, metrics);
    std::unique_ptr<server::TlsContext> tls;
    if (options.tls) {
        tls = server::TlsContext::load(options.tlsCertificate, options.tlsKey, error);
        if (!tls) {
            std::fprintf(stderr, "mirola-server: %s\n", error.toLocal8Bit().constData());
            return 1;
        }
        statementServer.setTls(tls.get());
    }
    using Endpoint = server::StatementServer::Endpoint;
    const std::string plainText = endpointText(options.address, options.port);
    const std::string tlsText = endpointText(options.tlsAddress, options.tlsPort);
    if (!statementServer.start(
            options.plain ? std::optional(Endpoint{options.address, options.port}) : std::nullopt,
            options.tls ? std::optional(Endpoint{options.tlsAddress, options.tlsPort})
                        : std::nullopt,
            error)) {
        std::fprintf(stderr, "mirola-server: cannot listen on %s: %s\n",
                     (options.plain && options.tls ? plainText + " and " + tlsText
                      : options.plain              ? plainText
                                                   : tlsText)
                         .c_str(),
                     error.toLocal8Bit().constData());
        return 1;
    }
    server::MetricsPage page(metrics, pageGuard, health, sqlite ? nullptr : db.get(),
                             options.server.requestTimeoutMs);
    if (options.metrics) {
        if (!page.listen(options.metricsAddress, options.metricsPort, error)) {
            std::fprintf(stderr, "mirola-server: cannot serve the metrics page on %s:%u: %s\n",
                         options.metricsAddress.toString().toLocal8Bit().constData(),
                         options.metricsPort, error.toLocal8Bit().constData());
            return 1;
        }
        std::fprintf(stderr, "mirola-server: metrics on %s:%u\n",
                     options.metricsAddress.toString().toLocal8Bit().constData(), page.port());
    }
    std::fprintf(stderr, "mirola-server: listening %s, statements in %s, %d threads\n",
                 servingText(options, statementServer, tls.get()).c_str(),
                 sqlite ? options.database.toLocal8Bit().constData() : "PostgreSQL",
                 statementServer.threads());
    std::fflush(stderr);
    QTimer logFlush;
    QObject::connect(&logFlush, &QTimer::timeout, [] { std::fflush(stderr); });
    logFlush.start(logFlushIntervalMs);
    handleSignals(app, [&] { readCertificateAgain(tls.get(), metrics); });
    const int status = app.exec();
    statementServer.stop();
    std::fprintf(stderr, "mirola-server: stopped\n");
    return status;
}
