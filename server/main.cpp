// mirola-server: the reference statement server.
#include "server/RequestGuard.h"
#include "server/ServerOptions.h"
#include "server/StatementDatabase.h"
#include "server/StatementServer.h"
#include "server/StatementService.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The request log is written in blocks rather than a system call a line; it is flushed this
// often, and when the server stops.
constexpr int logFlushIntervalMs = 200;

int signalPipe[2] = {-1, -1};

void onStopSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT end the event loop, so that the log is flushed and the database closed.
void stopOnSignals(QCoreApplication& app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
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

    QString error;
    const server::DatabaseLocation location = server::parseDatabaseUrl(options.database, error);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "mirola-server: %s\n", error.toLocal8Bit().constData());
        return 2;
    }
    const auto db = server::StatementDatabase::open(location, options.init, error);
    if (!db) {
        std::fprintf(stderr, "mirola-server: %s: %s\n", options.database.toLocal8Bit().constData(),
                     error.toLocal8Bit().constData());
        return 1;
    }
    server::RequestGuard guard(options.guard);
    server::StatementService service(*db, guard);
    server::StatementServer statementServer(service, options.server);
    if (!statementServer.listen(options.address, options.port)) {
        std::fprintf(stderr, "mirola-server: cannot listen on %s:%u: %s\n",
                     options.address.toString().toLocal8Bit().constData(), options.port,
                     statementServer.errorString().toLocal8Bit().constData());
        return 1;
    }
    std::fprintf(stderr, "mirola-server: listening on %s:%u, statements in %s\n",
                 options.address.toString().toLocal8Bit().constData(), statementServer.serverPort(),
                 location.driver == u"QSQLITE"_s ? options.database.toLocal8Bit().constData()
                                                 : "PostgreSQL");
    std::fflush(stderr);
    QTimer logFlush;
    QObject::connect(&logFlush, &QTimer::timeout, [] { std::fflush(stderr); });
    logFlush.start(logFlushIntervalMs);
    stopOnSignals(app);
    const int status = app.exec();
    std::fprintf(stderr, "mirola-server: stopped\n");
    return status;
}
