#include "web/HttpServer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThreadPool>
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <microhttpd.h>
#include <mutex>
#include <netinet/in.h>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace web {

namespace {

// Forward-secret key exchange and authenticated encryption only: no static RSA, no CBC.
constexpr const char* tlsPriorities =
    "SECURE128:-VERS-ALL:+VERS-TLS1.3:+VERS-TLS1.2:-CIPHER-ALL:+CHACHA20-POLY1305:"
    "+AES-256-GCM:+AES-128-GCM:-MAC-ALL:+AEAD:-KX-ALL:+ECDHE-ECDSA:+ECDHE-RSA:%SERVER_PRECEDENCE";

// Descriptors kept beside the connections: listener, log, the page store's files.
constexpr long reservedFiles = 64;
// Beyond this the workers' queue would only make visitors wait longer than they would retry.
constexpr long maxDefaultConnections = 4096;
// Headers and the request line; a browser's are about a kilobyte.
constexpr size_t connectionMemoryBytes = 32 * 1024;

std::string peerName(const sockaddr* address)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (!address)
        return "?";
    if (address->sa_family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(address);
        // An IPv4 client on a dual-stack socket is named as IPv4.
        if (IN6_IS_ADDR_V4MAPPED(&in6->sin6_addr))
            return inet_ntop(AF_INET, &in6->sin6_addr.s6_addr[12], text, sizeof text) ? text : "?";
        return inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text) ? text : "?";
    }
    const auto* in = reinterpret_cast<const sockaddr_in*>(address);
    return inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) ? text : "?";
}

HttpAnswer refusal(int status, const char* code, const QString& message)
{
    HttpAnswer a;
    a.status = status;
    a.type = "application/json; charset=utf-8"_ba;
    a.body =
        QJsonDocument(QJsonObject{{u"error"_s, message}, {u"code"_s, QString::fromLatin1(code)}})
            .toJson(QJsonDocument::Compact);
    a.setHeader("Cache-Control"_ba, "no-store"_ba);
    a.setHeader("X-Content-Type-Options"_ba, "nosniff"_ba);
    a.close = true;
    return a;
}

// One request on its connection, from its headers to its answer.
struct Exchange
{
    HttpRequest request;
    QElapsedTimer started;
    std::optional<HttpAnswer> answer; // set by a worker before it resumes the connection
    bool handedOver = false;
};

struct HeaderCount
{
    int contentLength = 0;
    int transferEncoding = 0;
    int host = 0;
};

MHD_Result countHeader(void* cls, MHD_ValueKind, const char* key, const char*)
{
    auto* count = static_cast<HeaderCount*>(cls);
    if (strcasecmp(key, "Content-Length") == 0)
        ++count->contentLength;
    else if (strcasecmp(key, "Transfer-Encoding") == 0)
        ++count->transferEncoding;
    else if (strcasecmp(key, "Host") == 0)
        ++count->host;
    return MHD_YES;
}

QByteArray header(MHD_Connection* c, const char* name)
{
    return QByteArray(MHD_lookup_connection_value(c, MHD_HEADER_KIND, name));
}

// The host part of a Host header or of an origin's authority, lower case, without the port.
QString hostPart(const QByteArray& authority)
{
    QString host = QString::fromLatin1(authority).toLower();
    if (host.startsWith(u'[')) {
        const qsizetype end = host.indexOf(u']');
        return end < 0 ? QString() : host.mid(1, end - 1);
    }
    const qsizetype colon = host.lastIndexOf(u':');
    return colon < 0 ? host : host.left(colon);
}

} // namespace

class HttpServer::Private
{
public:
    HttpSettings settings;
    QuickHandler quick;
    SlowHandler slow;
    Log log;
    MHD_Daemon* daemon = nullptr;
    QThreadPool workers;
    std::mutex handOverMutex;
    bool stopping = false; // under handOverMutex
    QByteArray certificate;
    QByteArray key;

    bool tls() const { return !settings.tlsCertificate.isEmpty() || !settings.tlsKey.isEmpty(); }

    // Why the request is refused before its body is read; none when it may go on.
    std::optional<HttpAnswer> screen(MHD_Connection* c) const
    {
        HeaderCount count;
        MHD_get_connection_values(c, MHD_HEADER_KIND, countHeader, &count);
        // Two framings of one body: the request behind it could be read as another request.
        if (count.transferEncoding > 0 && count.contentLength > 0)
            return refusal(400, "framing", u"요청의 길이를 두 가지로 밝혔습니다."_s);
        if (count.transferEncoding > 0)
            return refusal(411, "length-required", u"요청의 길이를 밝혀 주세요."_s);
        if (count.contentLength > 1 || count.host != 1)
            return refusal(400, "framing", u"요청을 읽을 수 없습니다."_s);
        if (count.contentLength == 1) {
            bool ok = false;
            const qint64 length = header(c, "Content-Length").trimmed().toLongLong(&ok);
            if (!ok || length < 0)
                return refusal(400, "framing", u"요청을 읽을 수 없습니다."_s);
            if (length > settings.maxBodyBytes)
                return refusal(413, "too-large", u"요청이 너무 깁니다."_s);
        }
        const QByteArray host = header(c, "Host");
        if (!hostAllowed(hostPart(host)))
            return refusal(421, "host", u"이 주소로는 받지 않습니다."_s);
        // A page of another site may send requests here; only our own page may.
        const QByteArray origin = header(c, "Origin");
        if (!origin.isEmpty() &&
            origin.toLower() != (tls() ? "https://"_ba : "http://"_ba) + host.toLower())
            return refusal(403, "origin", u"다른 사이트의 요청은 받지 않습니다."_s);
        return std::nullopt;
    }

    bool hostAllowed(const QString& name) const
    {
        if (name.isEmpty())
            return false;
        // An address cannot be rebound: only a name can be pointed at us by someone else.
        if (!QHostAddress(name).isNull())
            return true;
        if (name == u"localhost"_s && settings.address.isLoopback())
            return true;
        return settings.hostNames.contains(name, Qt::CaseInsensitive);
    }

    MHD_Result queue(MHD_Connection* c, const Exchange& e, const HttpAnswer& a) const
    {
        if (log)
            log(e.request, a.status);
        MHD_Response* response = MHD_create_response_from_buffer(
            size_t(a.body.size()), const_cast<char*>(a.body.constData()), MHD_RESPMEM_MUST_COPY);
        if (!response)
            return MHD_NO;
        if (!a.type.isEmpty())
            MHD_add_response_header(response, "Content-Type", a.type.constData());
        for (const auto& [name, value] : a.headers)
            MHD_add_response_header(response, name.constData(), value.constData());
        if (a.close)
            MHD_add_response_header(response, "Connection", "close");
        const MHD_Result queued = MHD_queue_response(c, unsigned(a.status), response);
        MHD_destroy_response(response);
        return queued;
    }

    MHD_Result access(MHD_Connection* c, const char* url, const char* method, const char* upload,
                      size_t* uploadSize, void** state)
    {
        auto* e = static_cast<Exchange*>(*state);
        if (!e) {
            e = new Exchange;
            *state = e;
            e->started.start();
            e->request.method = method;
            e->request.path = url;
            e->request.contentType = header(c, "Content-Type");
            const MHD_ConnectionInfo* info =
                MHD_get_connection_info(c, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
            e->request.peer = peerName(info ? info->client_addr : nullptr);
            if (std::optional<HttpAnswer> refused = screen(c))
                return queue(c, *e, *refused);
            return MHD_YES;
        }
        if (*uploadSize > 0) {
            // The declared length was checked; this holds against a body that keeps coming.
            if (e->request.body.size() + qint64(*uploadSize) > settings.maxBodyBytes ||
                e->started.elapsed() > settings.requestTimeoutMs)
                return MHD_NO;
            e->request.body.append(upload, qsizetype(*uploadSize));
            *uploadSize = 0;
            return MHD_YES;
        }
        if (e->answer)
            return queue(c, *e, *e->answer);
        if (std::optional<HttpAnswer> at = quick(e->request))
            return queue(c, *e, *at);
        {
            const std::lock_guard lock(handOverMutex);
            if (stopping)
                return queue(c, *e, refusal(503, "stopping", u"서버가 멈추는 중입니다."_s));
            e->handedOver = true;
            MHD_suspend_connection(c);
            workers.start([this, c, e] {
                // The connection waits for its answer: it gets one whatever happens.
                try {
                    e->answer = slow(e->request);
                } catch (const std::exception& failure) {
                    e->answer = refusal(500, "failed",
                                        u"요청을 처리하지 못했습니다: "_s +
                                            QString::fromLocal8Bit(failure.what()));
                }
                MHD_resume_connection(c);
            });
        }
        return MHD_YES;
    }

    static MHD_Result onAccess(void* cls, MHD_Connection* c, const char* url, const char* method,
                               const char*, const char* upload, size_t* uploadSize, void** state)
    {
        return static_cast<Private*>(cls)->access(c, url, method, upload, uploadSize, state);
    }

    static void onCompleted(void*, MHD_Connection*, void** state, MHD_RequestTerminationCode)
    {
        delete static_cast<Exchange*>(*state);
        *state = nullptr;
    }
};

HttpServer::HttpServer(HttpSettings settings, QuickHandler quick, SlowHandler slow, Log log)
    : d(std::make_unique<Private>())
{
    d->settings = std::move(settings);
    d->quick = std::move(quick);
    d->slow = std::move(slow);
    d->log = std::move(log);
    d->workers.setMaxThreadCount(std::max(1, d->settings.workers));
}

HttpServer::~HttpServer()
{
    {
        const std::lock_guard lock(d->handOverMutex);
        d->stopping = true;
    }
    // Every waiting connection is resumed by its worker before the server goes.
    d->workers.waitForDone();
    if (d->daemon)
        MHD_stop_daemon(d->daemon);
}

long HttpServer::raiseOpenFileLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 1024;
    if (limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
        ::getrlimit(RLIMIT_NOFILE, &limit);
    }
    return limit.rlim_cur == RLIM_INFINITY ? -1 : long(limit.rlim_cur);
}

bool HttpServer::tls() const
{
    return d->tls();
}

const HttpSettings& HttpServer::settings() const
{
    return d->settings;
}

bool HttpServer::listen(QString& error)
{
    HttpSettings& s = d->settings;
    if (s.maxConnections <= 0) {
        const long files = raiseOpenFileLimit();
        // Each visitor's connection may hold one to the statement server beside it.
        s.maxConnections =
            int(files < 0 ? maxDefaultConnections
                          : std::clamp((files - reservedFiles) / 2, 16L, maxDefaultConnections));
    }
    unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_ALLOW_SUSPEND_RESUME;
    sockaddr_in in4{};
    sockaddr_in6 in6{};
    const sockaddr* address = nullptr;
    if (s.address == QHostAddress(QHostAddress::Any)) {
        flags |= MHD_USE_DUAL_STACK;
        in6.sin6_family = AF_INET6;
        in6.sin6_addr = in6addr_any;
        in6.sin6_port = htons(s.port);
        address = reinterpret_cast<const sockaddr*>(&in6);
    } else if (s.address.protocol() == QAbstractSocket::IPv6Protocol) {
        flags |= MHD_USE_IPv6;
        in6.sin6_family = AF_INET6;
        const Q_IPV6ADDR bytes = s.address.toIPv6Address();
        std::memcpy(&in6.sin6_addr, &bytes, sizeof bytes);
        in6.sin6_port = htons(s.port);
        address = reinterpret_cast<const sockaddr*>(&in6);
    } else {
        in4.sin_family = AF_INET;
        in4.sin_addr.s_addr = htonl(s.address.toIPv4Address());
        in4.sin_port = htons(s.port);
        address = reinterpret_cast<const sockaddr*>(&in4);
    }
    std::vector<MHD_OptionItem> options = {
        {MHD_OPTION_SOCK_ADDR, 0, const_cast<sockaddr*>(address)},
        {MHD_OPTION_CONNECTION_LIMIT, s.maxConnections, nullptr},
        {MHD_OPTION_PER_IP_CONNECTION_LIMIT, s.maxConnectionsPerClient, nullptr},
        {MHD_OPTION_CONNECTION_TIMEOUT, s.idleTimeoutS, nullptr},
        {MHD_OPTION_CONNECTION_MEMORY_LIMIT, intptr_t(connectionMemoryBytes), nullptr},
        {MHD_OPTION_NOTIFY_COMPLETED, intptr_t(&Private::onCompleted), nullptr},
        // Requests that break the protocol are refused, not guessed at.
        {MHD_OPTION_STRICT_FOR_CLIENT, 1, nullptr},
    };
    if (d->tls()) {
        QFile certFile(s.tlsCertificate);
        QFile keyFile(s.tlsKey);
        if (!certFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly)) {
            error = u"cannot read the TLS certificate or key"_s;
            return false;
        }
        // Kept for the daemon's life: it reads them when a handshake needs them.
        d->certificate = certFile.readAll();
        d->key = keyFile.readAll();
        flags |= MHD_USE_TLS;
        options.push_back({MHD_OPTION_HTTPS_MEM_CERT, 0, d->certificate.data()});
        options.push_back({MHD_OPTION_HTTPS_MEM_KEY, 0, d->key.data()});
        options.push_back({MHD_OPTION_HTTPS_PRIORITIES, 0, const_cast<char*>(tlsPriorities)});
    }
    options.push_back({MHD_OPTION_END, 0, nullptr});
    errno = 0;
    d->daemon = MHD_start_daemon(flags, 0, nullptr, nullptr, &Private::onAccess, d.get(),
                                 MHD_OPTION_ARRAY, options.data(), MHD_OPTION_END);
    if (!d->daemon) {
        error = d->tls() ? u"cannot listen, or the TLS certificate or key is not usable"_s
                         : u"cannot listen: "_s + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    return true;
}

quint16 HttpServer::port() const
{
    if (!d->daemon)
        return 0;
    const MHD_DaemonInfo* info = MHD_get_daemon_info(d->daemon, MHD_DAEMON_INFO_BIND_PORT);
    return info ? quint16(info->port) : 0;
}

} // namespace web
