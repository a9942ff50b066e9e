// Peak memory of `mirola export` of a long statement against `mirola fetch` of the same lines,
// each a process of its own against the real server. The export writes every page to the page
// store, which moves to a temporary file once it outgrows memory, so beyond the fetch it should
// cost only the page being drawn. Run: bench_export_memory [LINES] [RUNS]   (13000 and 3)
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

using namespace Qt::StringLiterals;

extern char** environ;

namespace {

const char* const company = "59001";
const char* const password = "0715";

struct Measure
{
    long peakKiB = 0;
    double seconds = 0;
    int status = -1;
};

// Runs `program` with `arguments`, output thrown away, and reads its peak resident size from
// the kernel's accounting of the finished child.
Measure run(const std::string& program, const std::vector<std::string>& arguments)
{
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    Measure m;
    const int spawned =
        posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return m;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    m.seconds = clock.nsecsElapsed() / 1e9;
    m.peakKiB = usage.ru_maxrss;
    m.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return m;
}

// A statement of `lines` lines on 2004-08-02 for the company the bench asks for.
bool addStatement(const QString& dbPath, int lines, QString& error)
{
    bool ok = true;
    {
        auto db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"bench"_s);
        db.setDatabaseName(dbPath);
        if (!db.open()) {
            error = db.lastError().text();
            return false;
        }
        QSqlQuery query(db);
        const QStringList fixed = {
            u"INSERT INTO posts VALUES ('P59001', '서울특별시 종로구 ')"_s,
            u"INSERT INTO custs VALUES ('59001', '(주)예시상사', '02-000-0000', '101-81-00001',"
            " '이예시', 'P59001', '종로 1', '소매', '문구', '0715', 0)"_s,
            u"INSERT INTO items VALUES ('TA', 'A4 복사용지', 'BOX')"_s,
            u"INSERT INTO subulm VALUES ('2004-08-02', 1, '59001', 'SU1')"_s,
        };
        for (const QString& s : fixed)
            if (ok && !query.exec(s)) {
                error = query.lastError().text();
                ok = false;
            }
        db.transaction();
        query.prepare(u"INSERT INTO subuld VALUES ('2004-08-02', 1, ?, 'TA', ?, 4, 24500, 98000,"
                      " 9800)"_s);
        for (int i = 1; ok && i <= lines; ++i) {
            query.addBindValue(i);
            query.addBindValue(u"80g/㎡ 500매 x 5권 (%1)"_s.arg(i));
            if (!query.exec()) {
                error = query.lastError().text();
                ok = false;
            }
        }
        db.commit();
    }
    QSqlDatabase::removeDatabase(u"bench"_s);
    return ok;
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

bool waitForServer(quint16 port)
{
    for (int i = 0; i < 200; ++i) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (socket.waitForConnected(100))
            return true;
        QThread::msleep(50);
    }
    return false;
}

long median(std::vector<long> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 13000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    QTemporaryDir dir;
    const QString db = dir.filePath(u"bench.sqlite"_s);
    const quint16 port = freePort();

    QProcess server;
    server.setStandardErrorFile(QProcess::nullDevice());
    server.start(QString::fromUtf8(MIROLA_SERVER_PROGRAM),
                 {u"--listen"_s, u"127.0.0.1:%1"_s.arg(port), u"--db"_s, u"sqlite:"_s + db});
    if (!waitForServer(port)) {
        std::fprintf(stderr, "the server did not come up\n");
        return 1;
    }
    QString error;
    if (!addStatement(db, lines, error)) {
        std::fprintf(stderr, "fixture: %s\n", qPrintable(error));
        return 1;
    }

    const std::string out = dir.filePath(u"statement.rpf"_s).toStdString();
    const std::vector<std::string> request = {"--server",   "127.0.0.1:" + std::to_string(port),
                                              "--company",  company,
                                              "--password", password,
                                              "--year",     "2004",
                                              "--from",     "8",
                                              "--to",       "8",
                                              "--date",     "1"};
    std::vector<std::string> fetch = {"fetch"};
    fetch.insert(fetch.end(), request.begin(), request.end());
    std::vector<std::string> exportRpf = {"export"};
    exportRpf.insert(exportRpf.end(), request.begin(), request.end());
    exportRpf.insert(exportRpf.end(), {"--out", out});

    // BENCH_EXPORT_WRAPPER (heaptrack, say) runs both commands under a tool, to see where the
    // difference goes.
    const std::string wrapper = qEnvironmentVariable("BENCH_EXPORT_WRAPPER").toStdString();
    const auto runMirola = [&wrapper](const std::vector<std::string>& arguments) {
        if (wrapper.empty())
            return run(MIROLA_PROGRAM, arguments);
        std::vector<std::string> wrapped = {MIROLA_PROGRAM};
        wrapped.insert(wrapped.end(), arguments.begin(), arguments.end());
        return run(wrapper, wrapped);
    };

    std::vector<long> fetchPeaks, exportPeaks;
    std::vector<double> fetchTimes, exportTimes;
    for (int i = 0; i < runs; ++i) {
        // In turn, so that whatever else the machine does falls on both alike.
        const Measure f = runMirola(fetch);
        const Measure e = runMirola(exportRpf);
        if (f.status != 0 || e.status != 0) {
            std::fprintf(stderr, "fetch exited %d, export exited %d\n", f.status, e.status);
            return 1;
        }
        fetchPeaks.push_back(f.peakKiB);
        exportPeaks.push_back(e.peakKiB);
        fetchTimes.push_back(f.seconds);
        exportTimes.push_back(e.seconds);
    }
    server.terminate();
    server.waitForFinished();

    const long fetchPeak = median(fetchPeaks), exportPeak = median(exportPeaks);
    std::printf("lines %d, runs %d, report file %lld bytes\n", lines, runs,
                static_cast<long long>(QFileInfo(QString::fromStdString(out)).size()));
    std::printf("fetch  peak %8.1f MiB  %6.2f s (median)\n", fetchPeak / 1024.0,
                median(fetchTimes));
    std::printf("export peak %8.1f MiB  %6.2f s (median)\n", exportPeak / 1024.0,
                median(exportTimes));
    std::printf("export - fetch %+.1f MiB\n", (exportPeak - fetchPeak) / 1024.0);
    return 0;
}
