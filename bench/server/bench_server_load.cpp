// Load generator for mirola-server. Concurrent clients each run full search chains (particulars,
// trading dates, the first statement's lines; one connection a chain, every frame acknowledged
// as the viewer does), and the same chains' queries run in-process on the same database as the
// ceiling. The two alternate in short rounds so that both see the same load from the rest of
// the machine.
#include "bench/server/DemoCompanies.h"
#include "exchange/FrameReader.h"
#include "exchange/RequestTexts.h"
#include "exchange/ResponseRows.h"
#include "server/RequestGuard.h"
#include "server/StatementDatabase.h"
#include "server/StatementServer.h"
#include "server/StatementService.h"
#include "text/Integers.h"

#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;
using Clock = std::chrono::steady_clock;

namespace {

using bench::Company;
const std::vector<Company>& companies = bench::demoCompanies;

std::string custRequest(const Company& c)
{
    return exchange::formFrame(exchange::makeCustFields,
                               exchange::makeCustText(c.code, c.password));
}

std::string dateRequest(const Company& c, const exchange::DateRange& range)
{
    return exchange::formFrame(exchange::makeDateFields,
                               exchange::makeDateText(range, c.code, c.password));
}

std::string dataRequest(const std::string& date, int64_t seq, bool haveDate)
{
    return exchange::formFrame(exchange::makeDataFields, haveDate
                                                             ? exchange::makeDataText(date, seq)
                                                             : std::string(exchange::socketEnding));
}

Clock::duration seconds(double s)
{
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s));
}

double secondsSince(Clock::time_point t)
{
    return std::chrono::duration<double>(Clock::now() - t).count();
}

// CPU seconds a process has used so far (user and system), from /proc.
double processCpuSeconds(qint64 pid)
{
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    // The fields after the command name, which is in parentheses and may hold spaces.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return double(fields[11].toLongLong() + fields[12].toLongLong()) /
           double(::sysconf(_SC_CLK_TCK));
}

// CPU seconds of this whole process: the load's threads while a round runs.
double ownCpuSeconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double threadCpuSeconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

// One simulated viewer running search chains back to back.
struct Client
{
    enum class Phase { Connecting, Cust, Date, Data };

    size_t index = 0;
    int fd = -1;
    Phase phase = Phase::Connecting;
    bool waitingToWrite = false;
    exchange::FrameReader reader;
    std::string out;
    size_t company = 0;
    Clock::time_point started;
    std::string firstDate;
    int64_t firstSeq = 0;
    bool haveDate = false;
    int lines = 0;
};

class Load
{
public:
    Load(quint16 port, int clients, const exchange::DateRange& range)
        : m_port(port), m_clients(size_t(clients)), m_range(range), m_epoll(::epoll_create1(0))
    {
        for (size_t i = 0; i < m_clients.size(); ++i) {
            m_clients[i].index = i;
            m_clients[i].company = i % companies.size();
        }
    }
    ~Load() { ::close(m_epoll); }

    // Runs chains for `warmup` + `measured` seconds; counts the chains that start after the
    // warm-up and end before the round does. Chains still open at the end are dropped.
    void round(double warmup, double measured)
    {
        const Clock::time_point begin = Clock::now();
        m_measureFrom = begin + seconds(warmup);
        const Clock::time_point end = m_measureFrom + seconds(measured);
        for (Client& c : m_clients)
            startChain(c);
        std::vector<epoll_event> events(m_clients.size());
        bool measuring = false;
        while (Clock::now() < end) {
            if (!measuring && Clock::now() >= m_measureFrom) {
                measuring = true;
                if (onMeasureStart)
                    onMeasureStart();
            }
            const int n = ::epoll_wait(m_epoll, events.data(), int(events.size()), 100);
            if (n < 0 && errno != EINTR)
                break;
            for (int i = 0; i < n; ++i)
                service(m_clients[events[size_t(i)].data.u64], events[size_t(i)].events);
        }
        m_elapsed += secondsSince(m_measureFrom);
        for (Client& c : m_clients) {
            ::close(c.fd);
            c.fd = -1;
        }
    }

    std::function<void()> onMeasureStart;
    // When set, the end of every chain that listed a date and got its lines is noted.
    bool noteRightChains = false;
    const std::vector<Clock::time_point>& rightChainEnds() const { return m_rightChainEnds; }
    const std::vector<double>& latenciesMs() const { return m_latencies; }
    double elapsedSeconds() const { return m_elapsed; }
    int errors() const { return m_errors; }
    int chainsWithoutDate() const { return m_withoutDate; }

private:
    void startChain(Client& c)
    {
        c.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        // Reset instead of TIME_WAIT on close: thousands of chains a second would otherwise use
        // up the local ports.
        const linger noLinger{1, 0};
        ::setsockopt(c.fd, SOL_SOCKET, SO_LINGER, &noLinger, sizeof noLinger);
        const int one = 1;
        ::setsockopt(c.fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        c.reader.clear();
        c.out.clear();
        c.haveDate = false;
        c.lines = 0;
        c.phase = Client::Phase::Connecting;
        c.waitingToWrite = true;
        c.started = Clock::now();
        watch(c, EPOLL_CTL_ADD);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(m_port);
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(c.fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0)
            connected(c);
        else if (errno != EINPROGRESS)
            fail(c);
    }

    // Readable always; writable only while connecting or while bytes wait to go out.
    void watch(Client& c, int operation)
    {
        epoll_event e{};
        e.events = c.waitingToWrite ? uint32_t(EPOLLIN | EPOLLOUT) : uint32_t(EPOLLIN);
        e.data.u64 = c.index;
        ::epoll_ctl(m_epoll, operation, c.fd, &e);
    }

    void connected(Client& c)
    {
        c.phase = Client::Phase::Cust;
        send(c, custRequest(companies[c.company]));
        flush(c);
    }

    // Queued until the frames of one read are handled, as the viewer's socket writes them out
    // when control returns to its event loop.
    void send(Client& c, const std::string& bytes) { c.out += bytes; }

    void flush(Client& c)
    {
        while (!c.out.empty()) {
            const ssize_t n = ::send(c.fd, c.out.data(), c.out.size(), MSG_NOSIGNAL);
            if (n < 0) {
                if (errno != EAGAIN && errno != EWOULDBLOCK)
                    return fail(c);
                break;
            }
            c.out.erase(0, size_t(n));
        }
        if (c.waitingToWrite != !c.out.empty()) {
            c.waitingToWrite = !c.out.empty();
            watch(c, EPOLL_CTL_MOD);
        }
    }

    void fail(Client& c)
    {
        ++m_errors;
        ::close(c.fd);
        startChain(c);
    }

    void service(Client& c, uint32_t events)
    {
        if (c.phase == Client::Phase::Connecting) {
            int error = 0;
            socklen_t len = sizeof error;
            ::getsockopt(c.fd, SOL_SOCKET, SO_ERROR, &error, &len);
            if (error != 0 || (events & (EPOLLERR | EPOLLHUP)))
                return fail(c);
            if (events & EPOLLOUT)
                connected(c);
            return;
        }
        if (events & EPOLLOUT)
            flush(c);
        if (!(events & (EPOLLIN | EPOLLHUP | EPOLLERR)))
            return;
        char buffer[64 * 1024];
        const ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (n <= 0)
            return fail(c);
        c.reader.feed(std::string_view(buffer, size_t(n)));
        exchange::Frame f;
        while (c.reader.next(f) == exchange::FrameReader::Status::Frame) {
            if (!frameArrived(c, f))
                return;
        }
        flush(c);
    }

    // False once the chain is over and the client has moved on to a new connection.
    bool frameArrived(Client& c, const exchange::Frame& f)
    {
        if (f.type == "OPN") {
            const auto ack = exchange::acknowledgement(f.header, exchange::openAckType);
            send(c, std::string(ack.data(), ack.size()));
        } else if (f.type == "DATA") {
            if (c.phase == Client::Phase::Date && !c.haveDate) {
                std::string_view rest = f.body;
                c.firstDate = exchange::takeColumn(rest);
                c.firstSeq = text::plainDecimal(exchange::takeColumn(rest));
                c.haveDate = true;
            } else if (c.phase == Client::Phase::Data) {
                ++c.lines;
            }
            const auto ack = exchange::acknowledgement(f.header, exchange::dataAckType);
            send(c, std::string(ack.data(), ack.size()));
        } else if (f.type == "END") {
            if (c.phase == Client::Phase::Cust) {
                c.phase = Client::Phase::Date;
                send(c, dateRequest(companies[c.company], m_range));
            } else if (c.phase == Client::Phase::Date) {
                c.phase = Client::Phase::Data;
                send(c, dataRequest(c.firstDate, c.firstSeq, c.haveDate));
            } else {
                chainDone(c);
                return false;
            }
        }
        return true;
    }

    void chainDone(Client& c)
    {
        if (c.started >= m_measureFrom)
            m_latencies.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - c.started).count());
        if (!c.haveDate)
            ++m_withoutDate;
        else if (noteRightChains && c.lines > 0)
            m_rightChainEnds.push_back(Clock::now());
        ::close(c.fd);
        c.company = (c.company + 1) % companies.size();
        startChain(c);
    }

    quint16 m_port;
    std::vector<Client> m_clients;
    exchange::DateRange m_range;
    int m_epoll;
    Clock::time_point m_measureFrom;
    std::vector<double> m_latencies;
    double m_elapsed = 0;
    int m_errors = 0;
    int m_withoutDate = 0;
    std::vector<Clock::time_point> m_rightChainEnds;
};

// Chains run in-process on one thread, without a network.
struct InProcess
{
    long chains = 0;
    double wallSeconds = 0;
    double cpuSeconds = 0;

    double chainsPerSecond() const { return double(chains) / wallSeconds; }
    double cpuMsPerChain() const { return cpuSeconds * 1000 / double(chains); }

    // Runs `chain` (given the chain's number) for `duration` seconds.
    template <typename Chain> void run(double duration, Chain chain)
    {
        const double cpu = threadCpuSeconds();
        const Clock::time_point begin = Clock::now();
        const Clock::time_point end = begin + seconds(duration);
        while (Clock::now() < end)
            chain(chains++);
        wallSeconds += secondsSince(begin);
        cpuSeconds += threadCpuSeconds() - cpu;
    }
};

// The chain's queries straight on the database: the most the server could do.
void queryChain(server::StatementDatabase& db, const exchange::DateRange& range, long n)
{
    const Company& c = companies[size_t(n) % companies.size()];
    db.particulars(c.code, c.password);
    const auto dates = db.tradingDates(range.from, range.to, c.code, c.password);
    if (dates && !dates->dates.empty())
        db.statementLines(dates->dates.front().date, dates->dates.front().seq);
}

// The same through the server's own request handling: matching, guard and framing.
void serviceChain(server::StatementService& service, const exchange::DateRange& range, long n)
{
    const Company& c = companies[size_t(n) % companies.size()];
    service.answer("127.0.0.1", exchange::parseFrame(custRequest(c)), 0);
    const std::string request = dateRequest(c, range);
    exchange::FrameReader reader;
    reader.feed(service.answer("127.0.0.1", exchange::parseFrame(request), 0).frames);
    exchange::Frame f;
    std::string date;
    int64_t seq = 0;
    bool haveDate = false;
    while (!haveDate && reader.next(f) == exchange::FrameReader::Status::Frame) {
        if (f.type == "DATA") {
            std::string_view rest = f.body;
            date = exchange::takeColumn(rest);
            seq = text::plainDecimal(exchange::takeColumn(rest));
            haveDate = true;
        }
    }
    const std::string lines = dataRequest(date, seq, haveDate);
    service.answer("127.0.0.1", exchange::parseFrame(lines), 0);
}

sockaddr_in loopback(quint16 port)
{
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return addr;
}

// Opens `count` connections at once, as fast as the kernel takes them; returns them when all are
// established or failed, with the seconds that took. Failed ones are retried.
std::vector<int> openIdle(quint16 port, int count, double& seconds, int& failures)
{
    const Clock::time_point begin = Clock::now();
    const int epoll = ::epoll_create1(0);
    std::vector<int> fds;
    int waiting = 0;
    const sockaddr_in addr = loopback(port);
    const auto open = [&](size_t slot) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        fds[slot] = fd;
        epoll_event e{};
        e.events = EPOLLOUT;
        e.data.u64 = slot;
        ::epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &e);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0 ||
            errno == EINPROGRESS)
            ++waiting;
    };
    fds.resize(size_t(count), -1);
    for (int i = 0; i < count; ++i)
        open(size_t(i));
    std::vector<epoll_event> events(1024);
    while (waiting > 0) {
        const int n = ::epoll_wait(epoll, events.data(), int(events.size()), 1000);
        for (int i = 0; i < n; ++i) {
            const size_t slot = events[size_t(i)].data.u64;
            int error = 0;
            socklen_t len = sizeof error;
            ::getsockopt(fds[slot], SOL_SOCKET, SO_ERROR, &error, &len);
            ::epoll_ctl(epoll, EPOLL_CTL_DEL, fds[slot], nullptr);
            --waiting;
            if (error != 0) {
                ++failures;
                ::close(fds[slot]);
                open(slot);
            }
        }
    }
    ::close(epoll);
    seconds = secondsSince(begin);
    return fds;
}

// The peer of the idle connections: a plain accept loop in a process of its own, which holds
// what it accepts and ends once it has them all.
struct PlainAcceptor
{
    quint16 port = 0;
    pid_t pid = -1;

    explicit PlainAcceptor(int expected)
    {
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in addr = loopback(0);
        ::bind(listener, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
        ::listen(listener, 65535);
        sockaddr_in bound{};
        socklen_t len = sizeof bound;
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&bound), &len);
        port = ntohs(bound.sin_port);
        pid = ::fork();
        if (pid == 0) {
            std::vector<int> fds;
            while (int(fds.size()) < expected) {
                const int fd = ::accept(listener, nullptr, nullptr);
                if (fd < 0)
                    ::_exit(1);
                fds.push_back(fd);
            }
            ::_exit(0);
        }
        ::close(listener);
    }

    // True when it accepted them all.
    bool wait() const
    {
        int status = 0;
        return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
};

// The server's count of open connections from its metrics page; -1 when it cannot be read.
int openOnServer(quint16 metricsPort)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in addr = loopback(metricsPort);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    const char request[] = "GET /metrics HTTP/1.0\r\n\r\n";
    [[maybe_unused]] const ssize_t sent = ::send(fd, request, sizeof request - 1, MSG_NOSIGNAL);
    std::string page;
    char buffer[16384];
    ssize_t n;
    while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
        page.append(buffer, size_t(n));
    ::close(fd);
    const size_t at = page.find("\nmirola_connections_open ");
    return at == std::string::npos ? -1 : std::atoi(page.c_str() + at + 25);
}

// One server under load, with what was measured of it.
struct Served
{
    QString threads; // as given; empty: the server's own choice
    // An older build given by --baseline: it knows only --listen and --db, and has no metrics page.
    bool baseline = false;
    QProcess process;
    quint16 port = 0;
    quint16 metricsPort = 0;
    QString threadsRunning;
    // The clients, split over the load's threads.
    std::vector<std::unique_ptr<Load>> loads;
    std::vector<int> idleFds;
    double cpu = 0;
    double cpuAtStart = 0;
    double generatorCpu = 0;
    double generatorCpuAtStart = 0;

    QStringList extraArguments;

    // Starts the server with its request log in `log`, as it would run in service.
    bool start(const QString& program, const QString& url, const QString& log, int cap)
    {
        const QString limit = QString::number(cap);
        // Every client comes from 127.0.0.1, so the cap of one address is the cap of all.
        QStringList arguments =
            QStringList{u"--listen"_s, u"127.0.0.1:0"_s, u"--db"_s, url} + extraArguments;
        if (!baseline)
            arguments << u"--max-connections"_s << limit << u"--max-per-address"_s << limit
                      << u"--metrics"_s << u"127.0.0.1:0"_s;
        if (!threads.isEmpty())
            arguments << u"--threads"_s << threads;
        process.setProgram(program);
        process.setArguments(arguments);
        process.setStandardErrorFile(log);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start();
        const QRegularExpression listening(
            baseline
                ? u"()listening on 127\\.0\\.0\\.1:(\\d+)()"_s
                : u"metrics on 127\\.0\\.0\\.1:(\\d+)\n.*listening on 127\\.0\\.0\\.1:(\\d+).*, (\\d+) threads"_s);
        QByteArray output;
        for (int tries = 0; tries < 1500 && port == 0 && process.state() != QProcess::NotRunning;
             ++tries) {
            QFile f(log);
            if (f.open(QIODevice::ReadOnly))
                output = f.readAll();
            const auto m = listening.match(QString::fromUtf8(output));
            if (m.hasMatch()) {
                metricsPort = quint16(m.captured(1).toUInt());
                port = quint16(m.captured(2).toUInt());
                threadsRunning = baseline ? u"1 (baseline build)"_s : m.captured(3);
            } else {
                QThread::msleep(20);
            }
        }
        if (port == 0)
            std::fprintf(stderr, "bench_server_load: the server did not start: %s\n",
                         output.constData());
        return port != 0;
    }

    // Opens `idle` connections to it at once and waits until it holds them all.
    void holdIdle(int idle)
    {
        double clientSeconds = 0;
        int failures = 0;
        const Clock::time_point begin = Clock::now();
        idleFds = openIdle(port, idle, clientSeconds, failures);
        int held = 0;
        while ((held = openOnServer(metricsPort)) >= 0 && held < idle && secondsSince(begin) < 600)
            QThread::msleep(5);
        std::printf("%d idle connections to the server with %s threads: established %.3f s, "
                    "held by the server %.3f s (%d held, %d failed connects)\n",
                    idle, threadsRunning.toLocal8Bit().constData(), clientSeconds,
                    secondsSince(begin), held, failures);
    }

    void stop()
    {
        for (int fd : idleFds)
            ::close(fd);
        process.terminate();
        process.waitForFinished(10000);
    }
};

// Runs the cluster script with `action` on `state`; true when it succeeded.
bool cluster(const QString& action, const QString& state)
{
    QProcess script;
    script.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    script.start(QString::fromUtf8(MIROLA_PG_CLUSTER), {action, state});
    return script.waitForFinished(120000) && script.exitStatus() == QProcess::NormalExit &&
           script.exitCode() == 0;
}

// Whether a connection of our own reaches the database and runs a query: the peer of the
// server's return, which can do no better.
bool reachable(const server::DatabaseLocation& where)
{
    static int attempt = 0;
    const QString name = u"peer-%1"_s.arg(attempt++);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(where.driver, name);
        db.setDatabaseName(where.name);
        db.setHostName(where.host);
        db.setPort(where.port);
        db.setUserName(where.user);
        ok = db.open() && QSqlQuery(db).exec(u"SELECT count(*) FROM custs"_s);
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

// The database goes away under load, for longer than the server waits between attempts to reach
// it, and comes back: the time from the start command's return (the database accepts
// connections) to the first whole chain through the server, against a connection of our own.
int measureOutages(const QString& program, int clients, int outages, double downSeconds)
{
    QTemporaryDir dir;
    const QString state = dir.filePath(u"pg.state"_s);
    if (!cluster(u"start"_s, state)) {
        std::fprintf(stderr, "bench_server_load: no PostgreSQL cluster\n");
        return 1;
    }
    QFile stateFile(state);
    stateFile.open(QIODevice::ReadOnly);
    stateFile.readLine();
    const QString url = QString::fromUtf8(stateFile.readLine()).trimmed();
    QString error;
    const server::DatabaseLocation where = server::parseDatabaseUrl(url, error);
    Served served;
    served.extraArguments = {u"--init"_s};
    int status = 0;
    if (served.start(program, url, dir.filePath(u"server.log"_s), clients + 1024)) {
        const QDate today = QDate::currentDate();
        Load load(served.port, clients, exchange::dateRange(today.year(), 1, 12));
        load.noteRightChains = true;
        // The load outlasts the outages, the cluster script's own seconds included.
        const double total = 2.0 + outages * (downSeconds + 10.0);
        std::thread running([&] { load.round(0, total); });
        std::vector<Clock::time_point> backs;
        std::vector<double> peerMs;
        std::this_thread::sleep_for(seconds(2.0));
        for (int i = 0; i < outages && status == 0; ++i) {
            if (!cluster(u"halt"_s, state)) {
                status = 1;
                break;
            }
            std::this_thread::sleep_for(seconds(downSeconds));
            if (!cluster(u"resume"_s, state)) {
                status = 1;
                break;
            }
            const Clock::time_point back = Clock::now();
            while (!reachable(where) && secondsSince(back) < 30)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            peerMs.push_back(secondsSince(back) * 1000);
            // The load's chains are read once the round is over.
            backs.push_back(back);
            std::this_thread::sleep_for(seconds(4.0));
        }
        running.join();
        std::printf("PostgreSQL stopped for %.1f s under %d clients, %d times; from the start "
                    "command's return:\n",
                    downSeconds, clients, outages);
        for (size_t i = 0; i < backs.size(); ++i) {
            const Clock::time_point back = backs[i];
            const auto first = std::ranges::find_if(load.rightChainEnds(),
                                                    [&](Clock::time_point t) { return t > back; });
            const double ms =
                first == load.rightChainEnds().end()
                    ? -1
                    : std::chrono::duration<double, std::milli>(*first - back).count();
            std::printf("  outage %zu: first whole chain through the server %.0f ms; a new "
                        "connection of our own (peer) %.0f ms\n",
                        i + 1, ms, peerMs[i]);
        }
        served.stop();
    } else {
        status = 1;
    }
    cluster(u"stop"_s, state);
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int clients = 64;
    double totalSeconds = 10;
    int rounds = 5;
    int idle = 0;
    int clientThreads = 1;
    QStringList threads = {QString()};
    QString program = QString::fromUtf8(MIROLA_SERVER_PROGRAM);
    QString url;
    QString baseline;
    int outages = 0;
    double downSeconds = 3;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const QString next = i + 1 < args.size() ? args[i + 1] : QString();
        if (a == u"--clients"_s) {
            clients = next.toInt();
            ++i;
        } else if (a == u"--seconds"_s) {
            totalSeconds = next.toDouble();
            ++i;
        } else if (a == u"--rounds"_s) {
            rounds = next.toInt();
            ++i;
        } else if (a == u"--client-threads"_s) {
            clientThreads = next.toInt();
            ++i;
        } else if (a == u"--idle"_s) {
            idle = next.toInt();
            ++i;
        } else if (a == u"--threads"_s) {
            threads = next.split(u',');
            ++i;
        } else if (a == u"--server"_s) {
            program = next;
            ++i;
        } else if (a == u"--db"_s) {
            url = next;
            ++i;
        } else if (a == u"--baseline"_s) {
            baseline = next;
            ++i;
        } else if (a == u"--outages"_s) {
            outages = next.toInt();
            ++i;
        } else if (a == u"--down"_s) {
            downSeconds = next.toDouble();
            ++i;
        } else if (!a.startsWith(u"--benchmark"_s)) {
            // Options meant for the Google Benchmark programs that scripts/bench runs alike are
            // ignored; anything else is a mistake.
            std::fprintf(stderr,
                         "usage: bench_server_load [--clients N] [--seconds S] [--rounds N] "
                         "[--client-threads N] [--idle N] [--threads N[,N...]] [--server PATH] "
                         "[--baseline PATH] "
                         "[--db sqlite:PATH|postgresql://...] [--outages N [--down S]]\n"
                         "  several thread counts: one server each, their rounds alternating\n"
                         "  --baseline: an older server build, run first, alternating too\n"
                         "  --outages: a PostgreSQL cluster of its own, stopped N times for S "
                         "seconds under load\n");
            return 2;
        }
    }
    if (clients <= 0 || totalSeconds <= 0 || rounds <= 0 || idle < 0 || clientThreads <= 0 ||
        clientThreads > clients || std::ranges::any_of(threads, [](const QString& t) {
            return !t.isEmpty() && t.toInt() <= 0;
        }))
        return 2;
    if (outages > 0)
        return measureOutages(program, clients, outages, downSeconds);
    const long files = server::raiseOpenFileLimit();
    if (files > 0 && long(threads.size()) * (idle + clients) + 64 > files) {
        std::fprintf(stderr, "bench_server_load: %ld open files allowed, too few for that\n",
                     files);
        return 2;
    }

    QTemporaryDir dir;
    // On SQLite each server has a file of its own, since a file serves one server; the
    // in-process peer reads the first.
    std::vector<std::unique_ptr<Served>> servers;
    QString peerUrl = url;
    if (!baseline.isEmpty()) {
        servers.push_back(std::make_unique<Served>());
        servers.back()->baseline = true;
        const QString baselineUrl =
            url.isEmpty() ? u"sqlite:"_s + dir.filePath(u"bench-baseline.sqlite"_s) : url;
        if (!servers.back()->start(baseline, baselineUrl, dir.filePath(u"server-baseline.log"_s),
                                   idle + clients + 1024))
            return 1;
    }
    for (qsizetype i = 0; i < threads.size(); ++i) {
        const QString serverUrl =
            url.isEmpty() ? u"sqlite:"_s + dir.filePath(u"bench-%1.sqlite"_s.arg(i)) : url;
        // The peer reads the current build's file, in the current build's mode.
        if (i == 0)
            peerUrl = serverUrl;
        servers.push_back(std::make_unique<Served>());
        servers.back()->threads = threads[i];
        if (!servers.back()->start(program, serverUrl, dir.filePath(u"server-%1.log"_s.arg(i)),
                                   idle + clients + 1024))
            return 1;
    }

    // Idle connections first, to a plain accept loop and then to each server; the load then
    // runs beside those held by the servers.
    if (idle > 0) {
        double peerSeconds = 0;
        int peerFailures = 0;
        {
            const PlainAcceptor peer(idle);
            const Clock::time_point begin = Clock::now();
            const std::vector<int> fds = openIdle(peer.port, idle, peerSeconds, peerFailures);
            if (!peer.wait())
                std::fprintf(stderr, "bench_server_load: the plain accept loop failed\n");
            peerSeconds = secondsSince(begin);
            for (int fd : fds)
                ::close(fd);
        }
        std::printf("%d idle connections to a plain accept loop (peer): %.3f s (%d failed "
                    "connects)\n",
                    idle, peerSeconds, peerFailures);
        for (const auto& s : servers)
            if (!s->baseline)
                s->holdIdle(idle);
    }

    QString error;
    const auto db =
        server::StatementDatabase::open(server::parseDatabaseUrl(peerUrl, error), false, error);
    if (!db) {
        std::fprintf(stderr, "bench_server_load: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    server::RequestGuard guard({10, 600000, true, 30 * 60 * 1000});
    server::StatementService service(*db, guard);

    const QDate today = QDate::currentDate();
    const exchange::DateRange range = exchange::dateRange(today.year(), 1, 12);
    for (const auto& s : servers) {
        for (int t = 0; t < clientThreads; ++t)
            s->loads.push_back(std::make_unique<Load>(
                s->port, clients / clientThreads + (t < clients % clientThreads ? 1 : 0), range));
        Served* const served = s.get();
        s->loads.front()->onMeasureStart = [served] {
            served->cpuAtStart = processCpuSeconds(served->process.processId());
            served->generatorCpuAtStart = ownCpuSeconds();
        };
    }
    InProcess queries;
    InProcess handling;
    // Per round: each server under load, then the ceilings, each a share of the round.
    const double loadSeconds = totalSeconds / rounds;
    const double warmupSeconds = 0.5;
    for (int r = 0; r < rounds; ++r) {
        for (const auto& s : servers) {
            std::vector<std::thread> others;
            for (size_t t = 1; t < s->loads.size(); ++t)
                others.emplace_back([&, t] { s->loads[t]->round(warmupSeconds, loadSeconds); });
            s->loads.front()->round(warmupSeconds, loadSeconds);
            for (std::thread& t : others)
                t.join();
            s->cpu += processCpuSeconds(s->process.processId()) - s->cpuAtStart;
            s->generatorCpu += ownCpuSeconds() - s->generatorCpuAtStart;
        }
        queries.run(loadSeconds / 2, [&](long n) { queryChain(*db, range, n); });
        handling.run(loadSeconds / 2, [&](long n) { serviceChain(service, range, n); });
    }
    for (const auto& s : servers)
        s->stop();

    const int cores = std::max(1, int(std::thread::hardware_concurrency()));
    double firstChainsPerSecond = 0;
    for (const auto& s : servers) {
        const Load& load = *s->loads.front();
        std::vector<double> latencies;
        int errors = 0;
        int withoutDate = 0;
        for (const auto& l : s->loads) {
            latencies.insert(latencies.end(), l->latenciesMs().begin(), l->latenciesMs().end());
            errors += l->errors();
            withoutDate += l->chainsWithoutDate();
        }
        const double chainsPerSecond = double(latencies.size()) / load.elapsedSeconds();
        if (s == servers.front())
            firstChainsPerSecond = chainsPerSecond;
        const double serverCpuMs = s->cpu * 1000 / double(latencies.size());
        std::printf("mirola-server, %s, %s threads, %d clients on %d threads beside %d idle, "
                    "%d rounds, %.1f s measured\n",
                    url.startsWith(u"postgres"_s) ? "PostgreSQL" : "SQLite",
                    s->threadsRunning.toLocal8Bit().constData(), clients, clientThreads, idle,
                    rounds, load.elapsedSeconds());
        std::printf("  chains completed        %zu (connection errors %d, chains without a date "
                    "%d)\n",
                    latencies.size(), errors, withoutDate);
        std::printf("  chains/s                %.0f (%.2f x the first server)\n", chainsPerSecond,
                    chainsPerSecond / firstChainsPerSecond);
        std::printf("  chain latency p50, p99  %.2f ms, %.2f ms\n", percentile(latencies, 0.50),
                    percentile(latencies, 0.99));
        std::printf("  server CPU a chain      %.3f ms (the clients' own: %.3f ms)\n", serverCpuMs,
                    s->generatorCpu * 1000 / double(latencies.size()));
        std::printf("  against the queries-only ceiling: %.0f%% in chains/s, %.0f%% in CPU a "
                    "chain; against %d cores x the ceiling: %.0f%%\n",
                    100 * chainsPerSecond / queries.chainsPerSecond(),
                    100 * queries.cpuMsPerChain() / serverCpuMs, cores,
                    100 * chainsPerSecond / (cores * queries.chainsPerSecond()));
    }
    std::printf("in-process, one thread, same database, alternating with the load\n");
    std::printf("  queries only            %.0f chains/s, %.3f ms CPU a chain\n",
                queries.chainsPerSecond(), queries.cpuMsPerChain());
    std::printf("  request handling too    %.0f chains/s, %.3f ms CPU a chain\n",
                handling.chainsPerSecond(), handling.cpuMsPerChain());
    return 0;
}
