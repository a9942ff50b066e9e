#include "web/WebServer.h"

#include "gfx/EmfPlayer.h"
#include "printing/PrintCommand.h"
#include "printing/StatementFill.h"
#include "printing/TFmirolareport.h"
#include "report/model/Units.h"
#include "text/Cp949.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <chrono>
#include <cmath>

using namespace Qt::StringLiterals;

// The page's resource lives in a static library: nothing else would pull it in.
static void initPageResource()
{
    Q_INIT_RESOURCE(web);
}

namespace web {

namespace {

// Headers of every answer: nothing cached (the answers hold a company's particulars), no type
// guessing, no address of the page passed on, never inside another site's frame.
void addCommonHeaders(HttpAnswer& answer)
{
    answer.setHeader("Cache-Control"_ba, "no-store"_ba);
    answer.setHeader("X-Content-Type-Options"_ba, "nosniff"_ba);
    answer.setHeader("Referrer-Policy"_ba, "no-referrer"_ba);
    answer.setHeader("X-Frame-Options"_ba, "DENY"_ba);
}

HttpAnswer answerOf(int status, const QByteArray& type, QByteArray body)
{
    HttpAnswer a;
    a.status = status;
    a.type = type;
    a.body = std::move(body);
    addCommonHeaders(a);
    return a;
}

HttpAnswer json(const QJsonObject& body, int status = 200)
{
    return answerOf(status, "application/json; charset=utf-8"_ba,
                    QJsonDocument(body).toJson(QJsonDocument::Compact));
}

HttpAnswer failure(int status, const char* code, const QString& message)
{
    return json(QJsonObject{{u"error"_s, message}, {u"code"_s, QString::fromLatin1(code)}}, status);
}

QString text(const std::string& cp949)
{
    return text::fromCp949(cp949);
}

int64_t monotonicMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The page pictures are for a look on a screen.
constexpr int pageDpi = 96;

// What the page is told when a chain did not run to its end.
struct ChainFailure
{
    ChainEnd end;
    int status;
    const char* code;
    const char16_t* message; // empty: the chain's own message
};
constexpr ChainFailure chainFailures[] = {
    {ChainEnd::Unreachable, 502, "unreachable",
     u"거래명세서 서버에 연결할 수 없습니다. (Disconnect)"},
    {ChainEnd::Cut, 502, "cut", u"거래명세서 서버의 답이 중간에 끊겼습니다. (Disconnect)"},
    {ChainEnd::TimedOut, 504, "timeout", u"거래명세서 서버가 제때 답하지 않습니다."},
    {ChainEnd::Refused, 400, "refused", u""},
};

QString chainFailureMessage(const StatementData& data, int& status, const char*& code)
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
        status = 502;
        code = "bad-answer";
        return text(data.message);
    }
    return {};
}

QJsonObject statementJson(const StatementData& data)
{
    const exchange::CustParticulars& p = data.statement.particulars();
    const exchange::Totals totals = data.statement.totals();
    QJsonArray dates;
    for (const exchange::TradingDate& d : data.statement.dates())
        dates.append(QJsonObject{{u"date"_s, text(d.date)}, {u"seq"_s, text(d.seq)}});
    QJsonArray lines;
    for (const exchange::StatementLine& l : data.statement.lines()) {
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
        {u"totals"_s, QJsonObject{{u"amountWithTax"_s, text(totals.amountWithTax)},
                                  {u"count"_s, text(totals.count)},
                                  {u"amount"_s, text(totals.amount)},
                                  {u"tax"_s, text(totals.tax)}}},
        {u"pages"_s,
         data.selected > 0 ? printing::statementPageCount(data.statement.lineCount()) : 0},
    };
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
std::optional<HttpAnswer> readQuery(const HttpRequest& request, bool needDate, bool needPage,
                                    SearchQuery& query, int& page)
{
    if (request.method != "POST"_ba)
        return failure(405, "method", u"POST 요청만 받습니다."_s);
    // A form of another site can post text but not JSON without asking first.
    if (!request.contentType.toLower().startsWith("application/json"_ba))
        return failure(415, "content-type", u"요청은 application/json 이어야 합니다."_s);
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(request.body, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return failure(400, "bad-json", u"요청을 읽을 수 없습니다."_s);
    const QJsonObject body = doc.object();
    const QString company = body.value(u"company"_s).toString().trimmed();
    if (company.isEmpty())
        return failure(400, "no-company", u"업체를 선택해 주세요!!!"_s);
    if (!body.value(u"password"_s).isString())
        return failure(400, "no-password", u"보안번호를 입력해 주세요."_s);
    query.company = text::toCp949(company);
    query.password = text::toCp949(body.value(u"password"_s).toString());
    query.year = numberField(body, u"year"_s);
    query.fromMonth = numberField(body, u"from"_s);
    query.toMonth = numberField(body, u"to"_s);
    query.date = 1;
    if (body.contains(u"date"_s) || needDate) {
        query.date = numberField(body, u"date"_s);
        if (query.date < 1)
            return failure(400, "bad-date", u"거래일자를 선택해 주세요."_s);
    }
    if (needPage) {
        page = body.contains(u"page"_s) ? numberField(body, u"page"_s) : 1;
        if (page < 1)
            return failure(400, "bad-page", u"쪽 번호가 맞지 않습니다."_s);
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

// The chain's answer as a failure to send, when it is one.
std::optional<HttpAnswer> statementFailure(const StatementData& data, const SearchQuery& query)
{
    int status = 200;
    const char* code = "";
    const QString message = chainFailureMessage(data, status, code);
    if (!message.isEmpty())
        return failure(status, code, message);
    // The server answers nothing to a code and security number that do not belong together.
    if (!data.hasParticulars())
        return failure(403, "no-particulars",
                       u"업체 정보를 찾을 수 없습니다. 보안번호를 확인해 주세요."_s);
    if (query.date > int(data.statement.dates().size()) && !data.statement.dates().empty())
        return failure(404, "no-such-date", u"그 거래일자는 없습니다."_s);
    return std::nullopt;
}

// A wrong code or security number: the chain ran to its end and brought no particulars.
bool failedMatch(const StatementData& data)
{
    return data.end == ChainEnd::Complete && data.message.empty() && !data.hasParticulars();
}

// The key of a print in the store: a digest, so that the security number is not kept as text.
QByteArray printKey(const std::string& visitor, const SearchQuery& q)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const std::string& part :
         {visitor, q.company, q.password, std::to_string(q.year), std::to_string(q.fromMonth),
          std::to_string(q.toMonth), std::to_string(q.date)}) {
        hash.addData(QByteArray::number(qsizetype(part.size())));
        hash.addData(QByteArrayView(part.data(), qsizetype(part.size())));
    }
    return hash.result();
}

} // namespace

WebServer::WebServer(WebOptions options)
    : m_options(std::move(options)), m_guesses(m_options.guesses),
      m_generators(std::max(1, QThread::idealThreadCount()))
{
    initPageResource();
    // The statement's paper, as its layout gives it, at the pictures' resolution.
    const printing::TFmirolareport layout(m_options.config.supplier);
    const auto pixels = [&](report::TRpPage::Index index) {
        return int(std::lround(layout.Report1.page().nativeValue(index) / report::nativePerInch *
                               pageDpi));
    };
    m_pagePixels = QSize(pixels(report::TRpPage::WidthIndex), pixels(report::TRpPage::LengthIndex));
    m_http = std::make_unique<HttpServer>(
        m_options.http, [this](const HttpRequest& r) { return quick(r); },
        [this](const HttpRequest& r) { return slow(r); },
        [this](const HttpRequest& r, int status) {
            // The path only: a query string is the client's and may hold anything.
            if (m_options.log)
                m_options.log(u"%1 %2 %3 %4"_s.arg(
                    QString::fromStdString(r.peer), QString::fromLatin1(r.method.left(16)),
                    QString::fromUtf8(r.path.left(256)), QString::number(status)));
        });
}

WebServer::~WebServer() = default;

bool WebServer::listen(QString& error)
{
    return m_http->listen(error);
}

quint16 WebServer::port() const
{
    return m_http->port();
}

bool WebServer::tls() const
{
    return m_http->tls();
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

std::optional<HttpAnswer> WebServer::quick(const HttpRequest& request) const
{
    const QByteArray& path = request.path;
    const bool read = request.method == "GET"_ba || request.method == "HEAD"_ba;
    if (path == "/"_ba || path == "/index.html"_ba) {
        if (!read)
            return failure(405, "method", u"GET 요청만 받습니다."_s);
        HttpAnswer page =
            answerOf(200, "text/html; charset=utf-8"_ba, readAll(u":/web/index.html"_s));
        // Everything the page needs is inside it; it talks only to us, and no other site may
        // show it in a frame.
        page.setHeader("Content-Security-Policy"_ba,
                       "default-src 'none'; script-src 'unsafe-inline'; "
                       "style-src 'unsafe-inline'; connect-src 'self' blob:; img-src 'self' blob:; "
                       "frame-src blob:; object-src blob:; base-uri 'none'; form-action 'none'; "
                       "frame-ancestors 'none'"_ba);
        return page;
    }
    if (path == "/api/companies"_ba) {
        if (request.method != "GET"_ba)
            return failure(405, "method", u"GET 요청만 받습니다."_s);
        return std::nullopt;
    }
    if (path == "/api/search"_ba || path == "/api/statement"_ba ||
        path == "/api/statement/pdf"_ba || path == "/api/statement/png"_ba)
        return request.method == "POST"_ba
                   ? std::nullopt
                   : std::optional(failure(405, "method", u"POST 요청만 받습니다."_s));
    return failure(404, "not-found", u"없는 주소입니다."_s);
}

HttpAnswer WebServer::slow(const HttpRequest& request)
{
    const QByteArray& path = request.path;
    if (path == "/api/companies"_ba)
        return companies();
    if (path == "/api/search"_ba)
        return statement(request, false);
    if (path == "/api/statement"_ba)
        return statement(request, true);
    return printed(request, path == "/api/statement/pdf"_ba);
}

HttpAnswer WebServer::companies()
{
    const StatementData data = fetchCompanies(serverAddress());
    int status = 200;
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

std::optional<HttpAnswer> WebServer::guardedFetch(const HttpRequest& request,
                                                  const SearchQuery& query, StatementData& data)
{
    const std::string visitor = GuessGuard::visitorOf(request.peer);
    const int64_t waitMs = m_guesses.begin(visitor, monotonicMs());
    if (waitMs > 0) {
        const int64_t seconds = (waitMs + 999) / 1000;
        const QString left = seconds >= 60 ? u"%1분 %2초"_s.arg(seconds / 60).arg(seconds % 60)
                                           : u"%1초"_s.arg(seconds);
        HttpAnswer paused = json(
            QJsonObject{
                {u"error"_s,
                 u"보안번호가 여러 번 맞지 않았습니다. 잠시 후 다시 해 주세요 (%1 남음)."_s.arg(
                     left)},
                {u"code"_s, u"paused"_s},
                {u"retryAfter"_s, qint64(seconds)}},
            429);
        paused.setHeader("Retry-After"_ba, QByteArray::number(qint64(seconds)));
        return paused;
    }
    try {
        data = fetchStatement(serverAddress(), query);
    } catch (...) {
        m_guesses.finish(visitor, false, monotonicMs());
        throw;
    }
    m_guesses.finish(visitor, failedMatch(data), monotonicMs());
    return statementFailure(data, query);
}

HttpAnswer WebServer::statement(const HttpRequest& request, bool needDate)
{
    SearchQuery query;
    int page = 0;
    if (auto refused = readQuery(request, needDate, false, query, page))
        return std::move(*refused);
    StatementData data;
    if (auto refused = guardedFetch(request, query, data))
        return std::move(*refused);
    return json(statementJson(data));
}

std::shared_ptr<const PrintedStatement>
WebServer::print(const HttpRequest& request, const SearchQuery& query, HttpAnswer& refusal)
{
    const QByteArray key = printKey(GuessGuard::visitorOf(request.peer), query);
    const std::shared_ptr<PrintStore::Slot> slot = m_store.slot(key, monotonicMs());
    // The pictures and the PDF of one print come side by side: the first fetches and
    // generates, the others wait for it here and take its result.
    const std::lock_guard lock(slot->mutex);
    if (slot->printed)
        return slot->printed;
    if (slot->failure) {
        refusal = *slot->failure;
        return nullptr;
    }
    const auto fail = [&](HttpAnswer answer) -> std::shared_ptr<const PrintedStatement> {
        slot->failure = std::make_shared<const HttpAnswer>(answer);
        m_store.drop(key, slot);
        refusal = std::move(answer);
        return nullptr;
    };
    StatementData data;
    if (auto refused = guardedFetch(request, query, data))
        return fail(std::move(*refused));
    // The lines must belong to a trading date, as the print command requires.
    if (data.selected < 1)
        return fail(failure(404, "nothing-to-print", u"인쇄할 거래명세서가 없습니다."_s));

    printing::StatementInputs inputs = data.statementInputs();
    inputs.seal = m_options.config.seal;
    const auto fill = [&inputs](printing::TFmirolareport& page) {
        printing::ResetStatement(page);
        printing::FillStatement(page, inputs);
    };
    try {
        auto dir = std::make_unique<QTemporaryDir>();
        if (!dir->isValid())
            throw std::runtime_error("no temporary folder");
        const QString pdf = dir->filePath(u"statement.pdf"_s);
        const QString report = dir->filePath(u"statement.rpf"_s);
        {
            QSemaphoreReleaser generator;
            m_generators.acquire();
            generator = QSemaphoreReleaser(m_generators);
            // The PDF as the export writes it, and the report file its pictures are drawn from.
            printing::PrintCommand().exportToEach(m_options.config.supplier, fill,
                                                  {pdf.toStdString(), report.toStdString()});
        }
        const exchange::TradingDate& d = data.statement.dates()[size_t(data.selected - 1)];
        // Dates and sequence numbers are the server's texts; only digits and hyphens go in.
        QString name = u"statement-%1-%2.pdf"_s.arg(text(d.date), text(d.seq));
        name.removeIf([](QChar c) {
            return !(c.unicode() < 128 && (c.isLetterOrNumber() || c == u'-' || c == u'.'));
        });
        slot->printed = std::make_shared<const PrintedStatement>(readAll(pdf), name.toLatin1(),
                                                                 std::move(dir), report);
        return slot->printed;
    } catch (const std::exception& e) {
        return fail(failure(500, "print-failed",
                            u"인쇄하지 못했습니다: "_s + QString::fromStdString(e.what())));
    }
}

HttpAnswer WebServer::printed(const HttpRequest& request, bool pdf)
{
    SearchQuery query;
    int page = 0;
    if (auto refused = readQuery(request, false, !pdf, query, page))
        return std::move(*refused);
    HttpAnswer refusal;
    const std::shared_ptr<const PrintedStatement> printed = print(request, query, refusal);
    if (!printed)
        return refusal;
    const int pages = printed->pageCount();
    if (!pdf && page > pages)
        return failure(404, "no-such-page", u"그 쪽은 없습니다."_s);
    QByteArray bytes;
    if (pdf) {
        bytes = printed->pdf();
    } else {
        // The page drawn from the report file as the export draws page 1.
        const std::optional<std::string> emf = printed->page(page);
        std::string error;
        const QImage image = emf ? gfx::playToImage(*emf, m_pagePixels.width(),
                                                    m_pagePixels.height(), pageDpi, &error)
                                 : QImage();
        if (image.isNull())
            return failure(500, "print-failed",
                           u"인쇄하지 못했습니다: the page picture is damaged: "_s +
                               QString::fromStdString(error));
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
    }
    HttpAnswer answer =
        answerOf(200, pdf ? "application/pdf"_ba : "image/png"_ba, std::move(bytes));
    answer.setHeader("X-Page-Count"_ba, QByteArray::number(pages));
    if (pdf) {
        answer.setHeader("Content-Disposition"_ba,
                         "inline; filename=\""_ba + printed->fileName() + "\""_ba);
    }
    return answer;
}

} // namespace web
