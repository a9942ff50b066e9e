#include "web/WebServer.h"

#include "gfx/EmfPlayer.h"
#include "printing/PrintCommand.h"
#include "printing/StatementFill.h"
#include "printing/TFmirolareport.h"
#include "report/model/Units.h"
#include "report/store/TRpPageList.h"
#include "text/Cp949.h"

#include <QBuffer>
#include <QFile>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <cmath>

using namespace Qt::StringLiterals;
using Status = QHttpServerResponder::StatusCode;

// The page's resource lives in a static library: nothing else would pull it in.
static void initPageResource()
{
    Q_INIT_RESOURCE(web);
}

namespace web {

namespace {

// Headers of every answer: nothing cached (the answers hold a company's particulars), no type
// guessing, no address of the page passed on.
void addCommonHeaders(QHttpServerResponse& response)
{
    response.setHeader("Cache-Control"_ba, "no-store"_ba);
    response.setHeader("X-Content-Type-Options"_ba, "nosniff"_ba);
    response.setHeader("Referrer-Policy"_ba, "no-referrer"_ba);
}

QHttpServerResponse json(const QJsonObject& body, Status status = Status::Ok)
{
    QHttpServerResponse response("application/json; charset=utf-8"_ba,
                                 QJsonDocument(body).toJson(QJsonDocument::Compact), status);
    addCommonHeaders(response);
    return response;
}

QHttpServerResponse failure(Status status, const char* code, const QString& message)
{
    return json(QJsonObject{{u"error"_s, message}, {u"code"_s, QString::fromLatin1(code)}}, status);
}

QString text(const std::string& cp949)
{
    return text::fromCp949(cp949);
}

// The sockets of one client address, counted while they are open, and the bytes a request may
// bring before its answer.
template <class Base> class GuardedServer : public Base
{
public:
    GuardedServer(int maxPerClient, qint64 maxPendingBytes, QObject* parent)
        : m_maxPerClient(maxPerClient), m_maxPendingBytes(maxPendingBytes)
    {
        Base::setParent(parent);
    }

    QTcpSocket* nextPendingConnection() override
    {
        while (QTcpSocket* socket = Base::nextPendingConnection()) {
            const QString address = socket->peerAddress().toString();
            if (m_open.value(address) >= m_maxPerClient) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            ++m_open[address];
            QObject::connect(socket, &QObject::destroyed, this, [this, address] {
                if (--m_open[address] <= 0)
                    m_open.remove(address);
            });
            // Connected before the web server's own reader, so it sees the bytes first: a
            // request that has not ended within the bound is cut off instead of buffered.
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                if (socket->bytesAvailable() > m_maxPendingBytes)
                    socket->abort();
            });
            return socket;
        }
        return nullptr;
    }

private:
    int m_maxPerClient;
    qint64 m_maxPendingBytes;
    QMap<QString, int> m_open;
};

// The page pictures are for a look on a screen.
constexpr int pageDpi = 96;

// Room for the request line and headers beside the body.
constexpr qint64 headerAllowanceBytes = 8 * 1024;

// What the page is told when a chain did not run to its end.
struct ChainFailure
{
    ChainEnd end;
    Status status;
    const char* code;
    const char16_t* message; // empty: the chain's own message
};
constexpr ChainFailure chainFailures[] = {
    {ChainEnd::Unreachable, Status::BadGateway, "unreachable",
     u"거래명세서 서버에 연결할 수 없습니다. (Disconnect)"},
    {ChainEnd::Cut, Status::BadGateway, "cut",
     u"거래명세서 서버의 답이 중간에 끊겼습니다. (Disconnect)"},
    {ChainEnd::TimedOut, Status::GatewayTimeout, "timeout",
     u"거래명세서 서버가 제때 답하지 않습니다."},
    {ChainEnd::Refused, Status::BadRequest, "refused", u""},
};

QString chainFailureMessage(const StatementData& data, Status& status, const char*& code)
{
    for (const ChainFailure& f : chainFailures) {
        if (f.end == data.end) {
            status = f.status;
            code = f.code;
            const QString fixed = QString::fromUtf16(f.message);
            return fixed.isEmpty() ? text(data.message) : fixed;
        }
    }
    // The chain ran to its end, but an answer could not be read (the message box's text).
    if (!data.message.empty()) {
        status = Status::BadGateway;
        code = "bad-answer";
        return text(data.message);
    }
    return {};
}

QJsonObject statementJson(const StatementData& data)
{
    const exchange::CustParticulars& p = data.particulars;
    QJsonArray dates;
    for (const exchange::TradingDate& d : data.dates)
        dates.append(QJsonObject{{u"date"_s, text(d.date)}, {u"seq"_s, text(d.seq)}});
    QJsonArray lines;
    for (const exchange::StatementLine& l : data.lines) {
        QJsonArray cells;
        for (const std::string& cell : l)
            cells.append(text(cell));
        lines.append(cells);
    }
    return QJsonObject{
        {u"particulars"_s, QJsonObject{{u"registration"_s, text(p.registration)},
                                       {u"custName"_s, text(p.custName)},
                                       {u"chief"_s, text(p.chief)},
                                       {u"address"_s, text(p.address)},
                                       {u"jobKind"_s, text(p.jobKind)},
                                       {u"jobItem"_s, text(p.jobItem)}}},
        {u"dates"_s, dates},
        {u"selected"_s, data.selected},
        {u"lines"_s, lines},
        {u"totals"_s, QJsonObject{{u"amountWithTax"_s, text(data.totals.amountWithTax)},
                                  {u"count"_s, text(data.totals.count)},
                                  {u"amount"_s, text(data.totals.amount)},
                                  {u"tax"_s, text(data.totals.tax)}}},
        {u"pages"_s, data.selected > 0 ? printing::statementPageCount(int(data.lines.size())) : 0},
    };
}

QString methodName(QHttpServerRequest::Method method)
{
    switch (method) {
    case QHttpServerRequest::Method::Get:
        return u"GET"_s;
    case QHttpServerRequest::Method::Head:
        return u"HEAD"_s;
    case QHttpServerRequest::Method::Post:
        return u"POST"_s;
    default:
        return u"OTHER"_s;
    }
}

// A number field of the request as the form's edit would hold it: a number or a text of digits;
// anything else reads as 0, which the date check then refuses.
int numberField(const QJsonObject& body, const QString& name)
{
    const QJsonValue v = body.value(name);
    if (v.isDouble())
        return v.toInt();
    return v.toString().trimmed().toInt();
}

// Reads the search out of a JSON request body; an answer to send instead when it cannot.
std::optional<QHttpServerResponse> readQuery(const QHttpServerRequest& request, qint64 maxBytes,
                                             bool needDate, bool needPage, SearchQuery& query,
                                             int& page)
{
    if (request.method() != QHttpServerRequest::Method::Post)
        return failure(Status::MethodNotAllowed, "method", u"POST 요청만 받습니다."_s);
    if (request.body().size() > maxBytes)
        return failure(Status::PayloadTooLarge, "too-large", u"요청이 너무 깁니다."_s);
    // A form of another site can post text but not JSON without asking first.
    if (!request.value("Content-Type"_ba).toLower().startsWith("application/json"_ba))
        return failure(Status::UnsupportedMediaType, "content-type",
                       u"요청은 application/json 이어야 합니다."_s);
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(request.body(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return failure(Status::BadRequest, "bad-json", u"요청을 읽을 수 없습니다."_s);
    const QJsonObject body = doc.object();
    const QString company = body.value(u"company"_s).toString().trimmed();
    if (company.isEmpty())
        return failure(Status::BadRequest, "no-company", u"업체를 선택해 주세요!!!"_s);
    if (!body.value(u"password"_s).isString())
        return failure(Status::BadRequest, "no-password", u"보안번호를 입력해 주세요."_s);
    query.company = text::toCp949(company);
    query.password = text::toCp949(body.value(u"password"_s).toString());
    query.year = numberField(body, u"year"_s);
    query.fromMonth = numberField(body, u"from"_s);
    query.toMonth = numberField(body, u"to"_s);
    query.date = 1;
    if (body.contains(u"date"_s) || needDate) {
        query.date = numberField(body, u"date"_s);
        if (query.date < 1)
            return failure(Status::BadRequest, "bad-date", u"거래일자를 선택해 주세요."_s);
    }
    if (needPage) {
        page = body.contains(u"page"_s) ? numberField(body, u"page"_s) : 1;
        if (page < 1)
            return failure(Status::BadRequest, "bad-page", u"쪽 번호가 맞지 않습니다."_s);
    }
    return std::nullopt;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return f.readAll();
}

} // namespace

WebServer::WebServer(WebOptions options, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_http(std::make_unique<QHttpServer>())
{
    initPageResource();
    // The statement's paper, as its layout gives it, at the pictures' resolution.
    const printing::TFmirolareport layout(m_options.config.supplier);
    const auto pixels = [&](report::TRpPage::Index index) {
        return int(std::lround(layout.Report1.page().nativeValue(index) / report::nativePerInch *
                               pageDpi));
    };
    m_pagePixels = QSize(pixels(report::TRpPage::WidthIndex), pixels(report::TRpPage::LengthIndex));
    addRoutes();
}

WebServer::~WebServer() = default;

bool WebServer::tls() const
{
    return !m_options.tlsCertificate.isEmpty() || !m_options.tlsKey.isEmpty();
}

bool WebServer::listen(QString& error)
{
    const qint64 pendingBytes = m_options.maxRequestBytes + headerAllowanceBytes;
    if (tls()) {
        QFile certFile(m_options.tlsCertificate);
        QFile keyFile(m_options.tlsKey);
        if (!certFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly)) {
            error = u"cannot read the TLS certificate or key"_s;
            return false;
        }
        const QList<QSslCertificate> chain = QSslCertificate::fromDevice(&certFile, QSsl::Pem);
        const QSslKey key(&keyFile, QSsl::Rsa, QSsl::Pem);
        QSslKey usable = key;
        if (key.isNull()) {
            keyFile.seek(0);
            usable = QSslKey(&keyFile, QSsl::Ec, QSsl::Pem);
        }
        if (chain.isEmpty() || usable.isNull()) {
            error = u"the TLS certificate or key is not a PEM file"_s;
            return false;
        }
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setLocalCertificateChain(chain);
        config.setPrivateKey(usable);
        auto* server =
            new GuardedServer<QSslServer>(m_options.maxConnectionsPerClient, pendingBytes, this);
        server->setSslConfiguration(config);
        m_tcp = server;
    } else {
        m_tcp =
            new GuardedServer<QTcpServer>(m_options.maxConnectionsPerClient, pendingBytes, this);
    }
    if (!m_tcp->listen(m_options.address, m_options.port)) {
        error = m_tcp->errorString();
        return false;
    }
    m_http->bind(m_tcp);
    return true;
}

quint16 WebServer::port() const
{
    return m_tcp ? m_tcp->serverPort() : 0;
}

ServerAddress WebServer::serverAddress() const
{
    ServerAddress a;
    a.host = m_options.config.host;
    a.port = m_options.config.port;
    a.tls = m_options.config.tls;
    a.ca = m_options.config.ca;
    a.connectTimeoutMs = m_options.config.connectTimeoutMs;
    a.chainTimeoutMs = m_options.chainTimeoutMs;
    return a;
}

void WebServer::addRoutes()
{
    auto page = [](const QHttpServerRequest& request) {
        if (request.method() != QHttpServerRequest::Method::Get &&
            request.method() != QHttpServerRequest::Method::Head)
            return failure(Status::MethodNotAllowed, "method", u"GET 요청만 받습니다."_s);
        QHttpServerResponse response("text/html; charset=utf-8"_ba, readAll(u":/web/index.html"_s));
        addCommonHeaders(response);
        // Everything the page needs is inside it; it talks only to us.
        response.setHeader(
            "Content-Security-Policy"_ba,
            "default-src 'none'; script-src 'unsafe-inline'; "
            "style-src 'unsafe-inline'; connect-src 'self' blob:; img-src 'self' blob:; "
            "frame-src blob:; object-src blob:; base-uri 'none'; form-action 'none'"_ba);
        return response;
    };
    m_http->route(u"/"_s, page);
    m_http->route(u"/index.html"_s, page);
    m_http->route(u"/api/companies"_s, [this](const QHttpServerRequest& request) {
        if (request.method() != QHttpServerRequest::Method::Get)
            return failure(Status::MethodNotAllowed, "method", u"GET 요청만 받습니다."_s);
        return companies();
    });
    m_http->route(u"/api/search"_s,
                  [this](const QHttpServerRequest& request) { return statement(request, false); });
    m_http->route(u"/api/statement"_s,
                  [this](const QHttpServerRequest& request) { return statement(request, true); });
    m_http->route(u"/api/statement/pdf"_s,
                  [this](const QHttpServerRequest& request) { return printed(request, true); });
    m_http->route(u"/api/statement/png"_s,
                  [this](const QHttpServerRequest& request) { return printed(request, false); });
    m_http->setMissingHandler(
        [this](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
            const QHttpServerResponse response =
                failure(Status::NotFound, "not-found", u"없는 주소입니다."_s);
            logRequest(request, response);
            response.write(std::move(responder));
        });
    m_http->afterRequest([this](QHttpServerResponse&& response, const QHttpServerRequest& request) {
        logRequest(request, response);
        return std::move(response);
    });
}

void WebServer::logRequest(const QHttpServerRequest& request,
                           const QHttpServerResponse& response) const
{
    // The path only: a query string is the client's and may hold anything.
    if (m_options.log)
        m_options.log(u"%1 %2 %3 %4"_s.arg(request.remoteAddress().toString(),
                                           methodName(request.method()), request.url().path(),
                                           QString::number(int(response.statusCode()))));
}

QHttpServerResponse WebServer::companies()
{
    const StatementData data = fetchCompanies(serverAddress());
    Status status = Status::Ok;
    const char* code = "";
    const QString message = chainFailureMessage(data, status, code);
    if (!message.isEmpty())
        return failure(status, code, message);
    QJsonArray list;
    for (const std::string& item : data.companies) {
        // Items read "code name"; the code is what the search sends.
        const QString t = text(item);
        const qsizetype space = t.indexOf(u' ');
        list.append(QJsonObject{{u"code"_s, space < 0 ? t : t.left(space)},
                                {u"name"_s, space < 0 ? QString() : t.mid(space + 1)}});
    }
    return json(QJsonObject{{u"companies"_s, list}});
}

namespace {

// The chain's answer as a failure to send, when it is one.
std::optional<QHttpServerResponse> statementFailure(const StatementData& data,
                                                    const SearchQuery& query)
{
    Status status = Status::Ok;
    const char* code = "";
    const QString message = chainFailureMessage(data, status, code);
    if (!message.isEmpty())
        return failure(status, code, message);
    // The server answers nothing to a code and security number that do not belong together.
    if (!data.hasParticulars())
        return failure(Status::Forbidden, "no-particulars",
                       u"업체 정보를 찾을 수 없습니다. 보안번호를 확인해 주세요."_s);
    if (query.date > int(data.dates.size()) && !data.dates.empty())
        return failure(Status::NotFound, "no-such-date", u"그 거래일자는 없습니다."_s);
    return std::nullopt;
}

} // namespace

QHttpServerResponse WebServer::statement(const QHttpServerRequest& request, bool needDate)
{
    SearchQuery query;
    int page = 0;
    if (auto refused = readQuery(request, m_options.maxRequestBytes, needDate, false, query, page))
        return std::move(*refused);
    const StatementData data = fetchStatement(serverAddress(), query);
    if (auto refused = statementFailure(data, query))
        return std::move(*refused);
    return json(statementJson(data));
}

QHttpServerResponse WebServer::printed(const QHttpServerRequest& request, bool pdf)
{
    SearchQuery query;
    int page = 0;
    if (auto refused = readQuery(request, m_options.maxRequestBytes, false, !pdf, query, page))
        return std::move(*refused);
    const StatementData data = fetchStatement(serverAddress(), query);
    if (auto refused = statementFailure(data, query))
        return std::move(*refused);
    // The lines must belong to a trading date, as the print command requires.
    if (data.selected < 1)
        return failure(Status::NotFound, "nothing-to-print", u"인쇄할 거래명세서가 없습니다."_s);
    const int pages = printing::statementPageCount(int(data.lines.size()));
    if (!pdf && page > pages)
        return failure(Status::NotFound, "no-such-page", u"그 쪽은 없습니다."_s);

    printing::StatementInputs inputs = data.statementInputs();
    inputs.seal = m_options.config.seal;
    const auto fill = [&inputs](printing::TFmirolareport& page) {
        printing::ResetStatement(page);
        printing::FillStatement(page, inputs);
    };
    printing::PrintCommand command;
    QTemporaryDir dir;
    QByteArray bytes;
    try {
        if (!dir.isValid())
            throw std::runtime_error("no temporary folder");
        if (pdf) {
            const QString path = dir.filePath(u"statement.pdf"_s);
            command.exportTo(m_options.config.supplier, fill, path.toStdString());
            bytes = readAll(path);
        } else {
            // The report file the export writes, and its page drawn as the export draws page 1.
            const QString report = dir.filePath(u"statement.rpf"_s);
            command.exportTo(m_options.config.supplier, fill, report.toStdString());
            const std::optional<std::string> emf =
                report::TRpPageList::OpenReportFile(report)->LoadPage(page);
            if (!emf)
                throw std::runtime_error("the statement has no page " + std::to_string(page));
            std::string error;
            const QImage image = gfx::playToImage(*emf, m_pagePixels.width(), m_pagePixels.height(),
                                                  pageDpi, &error);
            if (image.isNull())
                throw std::runtime_error("the page picture is damaged: " + error);
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "PNG");
        }
    } catch (const std::exception& e) {
        return failure(Status::InternalServerError, "print-failed",
                       u"인쇄하지 못했습니다: "_s + QString::fromStdString(e.what()));
    }
    QHttpServerResponse response(pdf ? "application/pdf"_ba : "image/png"_ba, std::move(bytes));
    addCommonHeaders(response);
    response.setHeader("X-Page-Count"_ba, QByteArray::number(pages));
    if (pdf) {
        const exchange::TradingDate& d = data.dates[size_t(data.selected - 1)];
        // Dates and sequence numbers are the server's texts; only digits and hyphens go in.
        QString name = u"statement-%1-%2.pdf"_s.arg(text(d.date), text(d.seq));
        name.removeIf([](QChar c) {
            return !(c.unicode() < 128 && (c.isLetterOrNumber() || c == u'-' || c == u'.'));
        });
        response.setHeader("Content-Disposition"_ba,
                           "inline; filename=\""_ba + name.toLatin1() + "\""_ba);
    }
    return response;
}

} // namespace web
