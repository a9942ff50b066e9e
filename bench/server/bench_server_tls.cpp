// TLS against plain on the statement server: the real program with a plain and a TLS port on
// one database, clients running whole search chains (one connection a chain, every frame
// acknowledged as the viewer does) over plain, over TLS resuming the last chain's session, and
// over TLS with a full handshake each, in alternating short rounds so that all three see the same
// load from the rest of the machine. Then OpenSSL's own cost of a resumed connection, measured in
// memory, as the bound on what any server can reach over TLS; and idle connections held open, TLS
// against plain, with the server's resident memory before and after.
#include "bench/server/DemoCompanies.h"
#include "exchange/FrameReader.h"
#include "exchange/RequestTexts.h"
#include "exchange/ResponseRows.h"
#include "text/Integers.h"

#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;
using Clock = std::chrono::steady_clock;

namespace {

using bench::Company;
const std::vector<Company>& companies = bench::demoCompanies;

enum class Mode { Plain, Resumed, Full };
const char* const modeNames[] = {"plain", "TLS, session resumed", "TLS, full handshake"};
const char* const modeKeys[] = {"plain", "resumed", "full"};

bool run(const QString& program, const QStringList& arguments)
{
    QProcess p;
    p.start(program, arguments);
    return p.waitForFinished(60000) && p.exitCode() == 0;
}

// A CA and a P-256 certificate for 127.0.0.1 signed by it, as scripts/demo makes them.
bool makeCertificates(const QString& dir)
{
    const QStringList key = {u"-newkey"_s, u"ec"_s, u"-pkeyopt"_s, u"ec_paramgen_curve:P-256"_s,
                             u"-nodes"_s};
    std::ofstream((dir + u"/ext"_s).toStdString()) << "subjectAltName=IP:127.0.0.1\n";
    return run(u"openssl"_s,
               QStringList{u"req"_s, u"-x509"_s} + key +
                   QStringList{u"-keyout"_s, dir + u"/ca.key"_s, u"-out"_s, dir + u"/ca.pem"_s,
                               u"-days"_s, u"2"_s, u"-subj"_s, u"/CN=bench CA"_s}) &&
           run(u"openssl"_s,
               QStringList{u"req"_s, u"-new"_s} + key +
                   QStringList{u"-keyout"_s, dir + u"/server.key"_s, u"-out"_s,
                               dir + u"/server.csr"_s, u"-subj"_s, u"/CN=127.0.0.1"_s}) &&
           run(u"openssl"_s, {u"x509"_s, u"-req"_s, u"-in"_s, dir + u"/server.csr"_s, u"-CA"_s,
                              dir + u"/ca.pem"_s, u"-CAkey"_s, dir + u"/ca.key"_s, u"-set_serial"_s,
                              u"2"_s, u"-days"_s, u"2"_s, u"-extfile"_s, dir + u"/ext"_s, u"-out"_s,
                              dir + u"/server.pem"_s});
}

int connectTo(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    // Reset instead of TIME_WAIT on close: thousands of chains would use up the local ports.
    const linger noLinger{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &noLinger, sizeof noLinger);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// One blocking connection, plain or TLS, verified as the viewer verifies.
struct Connection
{
    int fd = -1;
    SSL* ssl = nullptr;

    bool open(quint16 port, SSL_CTX* ctx, SSL_SESSION* session)
    {
        fd = connectTo(port);
        if (fd < 0 || !ctx)
            return fd >= 0;
        ssl = SSL_new(ctx);
        SSL_set_fd(ssl, fd);
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), "127.0.0.1");
        if (session)
            SSL_set_session(ssl, session);
        return SSL_connect(ssl) == 1;
    }
    bool write(const std::string& bytes)
    {
        if (ssl)
            return SSL_write(ssl, bytes.data(), int(bytes.size())) == int(bytes.size());
        return ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size());
    }
    ssize_t read(char* buffer, size_t size)
    {
        return ssl ? SSL_read(ssl, buffer, int(size)) : ::recv(fd, buffer, size, 0);
    }
    void close()
    {
        // Closed with TLS's goodbye, as the viewer's socket closes: a session ended without it
        // is no longer resumable.
        if (ssl)
            SSL_shutdown(ssl);
        if (ssl)
            SSL_free(ssl);
        if (fd >= 0)
            ::close(fd);
        ssl = nullptr;
        fd = -1;
    }
};

// Particulars, trading dates and the first date's lines, on one connection; false on a failure.
bool chain(Connection& c, const Company& company, const exchange::DateRange& range)
{
    enum class Phase { Cust, Date, Data } phase = Phase::Cust;
    if (!c.write(exchange::formFrame(exchange::makeCustFields,
                                     exchange::makeCustText(company.code, company.password))))
        return false;
    exchange::FrameReader reader;
    std::string firstDate;
    int64_t firstSeq = 0;
    bool haveDate = false;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = c.read(buffer, sizeof buffer);
        if (n <= 0)
            return false;
        reader.feed(std::string_view(buffer, size_t(n)));
        std::string out;
        exchange::Frame f;
        while (reader.next(f) == exchange::FrameReader::Status::Frame) {
            if (f.type == "OPN" || f.type == "DATA") {
                if (f.type == "DATA" && phase == Phase::Date && !haveDate) {
                    std::string_view rest = f.body;
                    firstDate = exchange::takeColumn(rest);
                    firstSeq = text::plainDecimal(exchange::takeColumn(rest));
                    haveDate = true;
                }
                const auto ack = exchange::acknowledgement(
                    f.header, f.type == "OPN" ? exchange::openAckType : exchange::dataAckType);
                out.append(ack.data(), ack.size());
            } else if (f.type == "END") {
                if (phase == Phase::Data)
                    return c.write(out);
                if (phase == Phase::Cust) {
                    phase = Phase::Date;
                    out += exchange::formFrame(
                        exchange::makeDateFields,
                        exchange::makeDateText(range, company.code, company.password));
                } else {
                    phase = Phase::Data;
                    out +=
                        exchange::formFrame(exchange::makeDataFields,
                                            haveDate ? exchange::makeDataText(firstDate, firstSeq)
                                                     : std::string(exchange::socketEnding));
                }
            }
        }
        if (!out.empty() && !c.write(out))
            return false;
    }
}

struct Result
{
    long chains = 0;
    double seconds = 0;
    int errors = 0;
    long resumed = 0; // handshakes the client saw resume its session
    double serverCpuSeconds = 0;
    std::vector<double> latenciesMs;
};

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

void round(Mode mode, quint16 port, SSL_CTX* ctx, int clients, double seconds,
           const exchange::DateRange& range, Result& result)
{
    std::mutex mutex;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(int(seconds * 1000));
    std::vector<std::thread> threads;
    const Clock::time_point begin = Clock::now();
    for (int i = 0; i < clients; ++i)
        threads.emplace_back([&, i] {
            SSL_SESSION* session = nullptr;
            std::vector<double> latencies;
            int errors = 0;
            long reused = 0;
            size_t company = size_t(i) % companies.size();
            while (Clock::now() < end) {
                const Clock::time_point started = Clock::now();
                Connection c;
                const bool ok = c.open(port, mode == Mode::Plain ? nullptr : ctx,
                                       mode == Mode::Resumed ? session : nullptr) &&
                                chain(c, companies[company], range);
                if (ok && mode != Mode::Plain && SSL_session_reused(c.ssl))
                    ++reused;
                if (ok && mode == Mode::Resumed) {
                    SSL_SESSION_free(session);
                    session = SSL_get1_session(c.ssl);
                }
                c.close();
                if (!ok) {
                    ++errors;
                    continue;
                }
                latencies.push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - started).count());
                company = (company + 1) % companies.size();
            }
            SSL_SESSION_free(session);
            const std::lock_guard lock(mutex);
            result.chains += long(latencies.size());
            result.errors += errors;
            result.resumed += reused;
            result.latenciesMs.insert(result.latenciesMs.end(), latencies.begin(), latencies.end());
        });
    for (std::thread& t : threads)
        t.join();
    result.seconds += std::chrono::duration<double>(Clock::now() - begin).count();
}

// User and system CPU seconds the process has used.
double cpuSeconds(qint64 pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double ticks = 0;
    // utime and stime are the 12th and 13th fields after the command's name.
    for (int i = 1; i <= 13 && fields >> field; ++i)
        if (i >= 12)
            ticks += std::stod(field);
    return ticks / double(::sysconf(_SC_CLK_TCK));
}

long residentKb(qint64 pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

// Opens `count` connections and keeps them; TLS ones complete their handshake (resuming, to be
// quick about it). Returns the server's resident memory growth in kilobytes.
long holdIdle(qint64 pid, quint16 port, SSL_CTX* ctx, int count, std::vector<Connection>& held,
              int& failures)
{
    const long before = residentKb(pid);
    SSL_SESSION* session = nullptr;
    for (int i = 0; i < count; ++i) {
        Connection c;
        if (!c.open(port, ctx, session)) {
            ++failures;
            c.close();
            continue;
        }
        if (ctx && !session)
            session = SSL_get1_session(c.ssl);
        held.push_back(c);
    }
    SSL_SESSION_free(session);
    // The server handles the last handshakes on its own time.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    return residentKb(pid) - before;
}

uint64_t threadCpuNs()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return uint64_t(t.tv_sec) * 1000000000u + uint64_t(t.tv_nsec);
}

struct HandshakeCost
{
    double serverUs = 0;
    double clientUs = 0;
    int resumed = 0;
};

// OpenSSL alone: a server and a client TLS object joined in memory, without sockets or the
// protocol, each connection resuming the last one's session, one byte each way (so the ticket
// arrives) and closed as the server closes. Each side's CPU is the least a resumed TLS
// connection adds to a chain, whatever the server around it does.
HandshakeCost handshakesInMemory(SSL_CTX* client, const QString& dir, int maxVersion, int count)
{
    SSL_CTX* server = SSL_CTX_new(TLS_server_method());
    SSL_CTX_use_certificate_chain_file(server, (dir + u"/server.pem"_s).toLocal8Bit().constData());
    SSL_CTX_use_PrivateKey_file(server, (dir + u"/server.key"_s).toLocal8Bit().constData(),
                                SSL_FILETYPE_PEM);
    SSL_CTX_set_num_tickets(server, 1); // as the statement server issues them
    HandshakeCost cost;
    uint64_t serverNs = 0;
    uint64_t clientNs = 0;
    const auto onServer = [&](auto&& call) {
        const uint64_t t = threadCpuNs();
        call();
        serverNs += threadCpuNs() - t;
    };
    const auto onClient = [&](auto&& call) {
        const uint64_t t = threadCpuNs();
        call();
        clientNs += threadCpuNs() - t;
    };
    SSL_SESSION* session = nullptr;
    char byte[16];
    for (int i = 0; i < count; ++i) {
        BIO* serverEnd = nullptr;
        BIO* clientEnd = nullptr;
        BIO_new_bio_pair(&serverEnd, 0, &clientEnd, 0);
        SSL* s = nullptr;
        SSL* c = nullptr;
        onServer([&] {
            s = SSL_new(server);
            SSL_set_bio(s, serverEnd, serverEnd);
            SSL_set_accept_state(s);
        });
        onClient([&] {
            c = SSL_new(client);
            SSL_set_bio(c, clientEnd, clientEnd);
            SSL_set_max_proto_version(c, maxVersion);
            X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(c), "127.0.0.1");
            SSL_set_connect_state(c);
            if (session)
                SSL_set_session(c, session);
        });
        bool clientDone = false;
        bool serverDone = false;
        for (int step = 0; step < 10 && !(clientDone && serverDone); ++step) {
            onClient([&] { clientDone = clientDone || SSL_do_handshake(c) == 1; });
            onServer([&] { serverDone = serverDone || SSL_do_handshake(s) == 1; });
        }
        onServer([&] { SSL_write(s, "a", 1); });
        onClient([&] {
            SSL_read(c, byte, sizeof byte);
            SSL_write(c, "b", 1);
        });
        onServer([&] { SSL_read(s, byte, sizeof byte); });
        onClient([&] {
            cost.resumed += SSL_session_reused(c);
            SSL_SESSION_free(session);
            session = SSL_get1_session(c);
            SSL_shutdown(c);
        });
        onServer([&] {
            SSL_read(s, byte, sizeof byte);
            SSL_shutdown(s);
            SSL_free(s);
        });
        onClient([&] { SSL_free(c); });
    }
    SSL_SESSION_free(session);
    SSL_CTX_free(server);
    cost.serverUs = double(serverNs) / 1e3 / count;
    cost.clientUs = double(clientNs) / 1e3 / count;
    return cost;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int clients = 8;
    double seconds = 3;
    int rounds = 3;
    int idle = 10000;
    QString threads = u"2"_s;
    QStringList modes = {u"plain"_s, u"resumed"_s, u"full"_s};
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == u"--clients"_s)
            clients = args[i + 1].toInt();
        else if (args[i] == u"--seconds"_s)
            seconds = args[i + 1].toDouble();
        else if (args[i] == u"--rounds"_s)
            rounds = args[i + 1].toInt();
        else if (args[i] == u"--idle"_s)
            idle = args[i + 1].toInt();
        else if (args[i] == u"--threads"_s)
            threads = args[i + 1];
        else if (args[i] == u"--modes"_s) // to profile one kind of chain alone
            modes = args[i + 1].split(u',');
    }
    rlimit files{};
    ::getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &files);

    QTemporaryDir dir;
    if (!makeCertificates(dir.path())) {
        std::fprintf(stderr, "bench_server_tls: openssl could not make the certificates\n");
        return 1;
    }
    QProcess server;
    // Into a file: a pipe nobody reads while the clients run would fill with the request log and
    // stop the server.
    const QString logFile = dir.path() + u"/server.log"_s;
    server.setStandardErrorFile(logFile);
    server.start(QString::fromUtf8(MIROLA_SERVER_PROGRAM),
                 {u"--listen"_s,
                  u"127.0.0.1:0"_s,
                  u"--tls-listen"_s,
                  u"127.0.0.1:0"_s,
                  u"--tls-cert"_s,
                  dir.path() + u"/server.pem"_s,
                  u"--tls-key"_s,
                  dir.path() + u"/server.key"_s,
                  u"--db"_s,
                  u"sqlite:"_s + dir.path() + u"/s.sqlite"_s,
                  u"--threads"_s,
                  threads,
                  u"--max-connections"_s,
                  QString::number(2 * idle + 1000),
                  u"--max-per-address"_s,
                  QString::number(2 * idle + 1000),
                  u"--request-timeout"_s,
                  u"3600"_s,
                  u"--idle-timeout"_s,
                  u"3600"_s,
                  u"--max-failures"_s,
                  u"1000000"_s});
    const QRegularExpression ports(
        u"listening on 127\\.0\\.0\\.1:(\\d+) and with TLS on 127\\.0\\.0\\.1:(\\d+)"_s);
    QRegularExpressionMatch match;
    for (int i = 0; i < 600 && !match.hasMatch() && server.state() != QProcess::NotRunning; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        QFile log(logFile);
        if (log.open(QIODevice::ReadOnly))
            match = ports.match(QString::fromUtf8(log.readAll()));
    }
    if (!match.hasMatch()) {
        std::fprintf(stderr, "bench_server_tls: the server did not start\n");
        return 1;
    }
    const quint16 plainPort = quint16(match.captured(1).toUInt());
    const quint16 tlsPort = quint16(match.captured(2).toUInt());

    SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    SSL_CTX_load_verify_locations(ctx, (dir.path() + u"/ca.pem"_s).toLocal8Bit().constData(),
                                  nullptr);
    SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
    SSL_CTX_set_session_cache_mode(ctx, SSL_SESS_CACHE_CLIENT);

    const QDate today = QDate::currentDate();
    const exchange::DateRange range = exchange::dateRange(today.year(), 1, 12);
    Result results[3];
    for (int r = 0; r < rounds; ++r)
        for (const Mode mode : {Mode::Plain, Mode::Resumed, Mode::Full}) {
            if (modes.contains(QString::fromLatin1(modeKeys[int(mode)]))) {
                const double cpu = cpuSeconds(server.processId());
                round(mode, mode == Mode::Plain ? plainPort : tlsPort, ctx, clients, seconds, range,
                      results[int(mode)]);
                results[int(mode)].serverCpuSeconds += cpuSeconds(server.processId()) - cpu;
            }
        }
    std::printf("%d clients, %d rounds of %.0f s each, server --threads %s\n", clients, rounds,
                seconds, threads.toLocal8Bit().constData());
    std::printf("| | Chains/s | p50 | p99 | Errors | Resumed | Server CPU a chain | Against plain "
                "|\n|---|---|---|---|---|---|---|---|\n");
    const double plainRate = double(results[0].chains) / results[0].seconds;
    for (int m = 0; m < 3; ++m) {
        const Result& r = results[m];
        if (r.seconds == 0)
            continue;
        const double rate = double(r.chains) / r.seconds;
        std::printf(
            "| %s | %.0f | %.2f ms | %.2f ms | %d | %.0f %% | %.3f ms | %.2f x |\n", modeNames[m],
            rate, percentile(r.latenciesMs, 0.5), percentile(r.latenciesMs, 0.99), r.errors,
            r.chains ? 100.0 * double(r.resumed) / double(r.chains) : 0.0,
            r.chains ? 1000.0 * r.serverCpuSeconds / double(r.chains) : 0.0, rate / plainRate);
    }

    // The least TLS can add, against what a whole plain chain costs the server.
    const double plainCpuUs =
        results[0].chains ? 1e6 * results[0].serverCpuSeconds / double(results[0].chains) : 0;
    for (const int version : {TLS1_3_VERSION, TLS1_2_VERSION}) {
        const HandshakeCost floor = handshakesInMemory(ctx, dir.path(), version, 2000);
        std::printf("OpenSSL alone, in memory, TLS 1.%d resumed (%d of 2000): server %.1f us, "
                    "client %.1f us a connection",
                    version == TLS1_3_VERSION ? 3 : 2, floor.resumed, floor.serverUs,
                    floor.clientUs);
        if (plainCpuUs > 0)
            std::printf("; at best %.2f x plain by server CPU",
                        plainCpuUs / (plainCpuUs + floor.serverUs));
        std::printf("\n");
    }

    if (idle > 0) {
        for (const bool tls : {false, true}) {
            std::vector<Connection> held;
            int failures = 0;
            const long grownKb = holdIdle(server.processId(), tls ? tlsPort : plainPort,
                                          tls ? ctx : nullptr, idle, held, failures);
            std::printf("%d idle %s connections held (%d failed): server memory +%ld kB, %.1f kB "
                        "a connection\n",
                        int(held.size()), tls ? "TLS" : "plain", failures, grownKb,
                        held.empty() ? 0.0 : double(grownKb) / double(held.size()));
            for (Connection& c : held)
                c.close();
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        }
    }
    SSL_CTX_free(ctx);
    server.terminate();
    server.waitForFinished(10000);
    return 0;
}
