// mirola-server: the reference statement server.
#include "server/RequestGuard.h"
#include "server/ServerOptions.h"
#include "server/StatementDatabase.h"
#include "server/StatementServer.h"
#include "server/StatementService.h"

#include <QCoreApplication>
#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
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
                 options.address.toString().toLocal8Bit().constData(), statementServer.port(),
                 location.driver == u"QSQLITE"_s ? options.database.toLocal8Bit().constData()
                                                 : "PostgreSQL");
    return app.exec();
}
