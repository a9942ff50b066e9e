#include "tests/server/ServerProcess.h"

#include "exchange/FrameReader.h"
#include "tests/support/TestSupport.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpSocket>

using namespace Qt::StringLiterals;

namespace testsupport {

ServerProcess::~ServerProcess()
{
    stop();
}

bool ServerProcess::start(const QStringList& arguments)
{
    return launch(QString::fromUtf8(MIROLA_SERVER_PROGRAM),
                  QStringList{u"--listen"_s, u"127.0.0.1:0"_s} + arguments);
}

bool ServerProcess::startWithFileLimit(int files, const QStringList& arguments)
{
    return launch(u"/bin/sh"_s,
                  QStringList{u"-c"_s, u"ulimit -n %1 && exec \"$0\" \"$@\""_s.arg(files),
                              QString::fromUtf8(MIROLA_SERVER_PROGRAM), u"--listen"_s,
                              u"127.0.0.1:0"_s} +
                      arguments);
}

bool ServerProcess::launch(const QString& program, const QStringList& arguments)
{
    stop();
    m_output.clear();
    m_port = 0;
    m_tlsPort = 0;
    m_process.setProgram(program);
    m_process.setArguments(arguments);
    m_process.start();
    if (!m_process.waitForStarted())
        return false;
    const QRegularExpression listening(u"listening on 127\\.0\\.0\\.1:(\\d+)"_s);
    const bool up = waitUntil(
        [&] {
            const auto match = listening.match(QString::fromStdString(errorOutput()));
            if (match.hasMatch())
                m_port = quint16(match.captured(1).toUInt());
            const auto tls = QRegularExpression(u"with TLS on 127\\.0\\.0\\.1:(\\d+)"_s)
                                 .match(QString::fromStdString(errorOutput()));
            if (tls.hasMatch())
                m_tlsPort = quint16(tls.captured(1).toUInt());
            return match.hasMatch() || m_process.state() == QProcess::NotRunning;
        },
        30000);
    return up && m_port != 0;
}

void ServerProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

std::string ServerProcess::errorOutput()
{
    const QByteArray more = m_process.readAllStandardError();
    m_output.append(more.constData(), size_t(more.size()));
    return m_output;
}

bool ServerProcess::waitForOutput(const std::string& text, int timeoutMs)
{
    return waitUntil([&] { return errorOutput().find(text) != std::string::npos; }, timeoutMs);
}

std::string metricsPage(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(5000))
        return {};
    socket.write("GET /metrics HTTP/1.0\r\n\r\n");
    QByteArray page;
    waitUntil([&] {
        page += socket.readAll();
        return socket.state() == QAbstractSocket::UnconnectedState;
    });
    page += socket.readAll();
    return page.toStdString();
}

bool runSql(const std::string& sqlitePath, const QStringList& statements, std::string& error)
{
    const QString connection = u"fixture"_s;
    bool ok = true;
    {
        auto db = QSqlDatabase::addDatabase(u"QSQLITE"_s, connection);
        db.setDatabaseName(QString::fromStdString(sqlitePath));
        ok = db.open();
        if (!ok)
            error = db.lastError().text().toStdString();
        QSqlQuery query(db);
        for (const QString& s : statements)
            if (ok && !query.exec(s)) {
                error = query.lastError().text().toStdString();
                ok = false;
            }
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}

struct RawClient::Private
{
    QSslSocket socket;
    exchange::FrameReader reader;
    std::vector<std::string> frames;
    QString tlsError;

    void read()
    {
        const QByteArray bytes = socket.readAll();
        reader.feed(std::string_view(bytes.constData(), size_t(bytes.size())));
        exchange::Frame f;
        while (reader.next(f) == exchange::FrameReader::Status::Frame)
            frames.push_back(std::string(f.header) + std::string(f.body));
    }
};

RawClient::RawClient(quint16 port, const QString& from) : d(std::make_unique<Private>())
{
    QObject::connect(&d->socket, &QTcpSocket::readyRead, [this] { d->read(); });
    if (!from.isEmpty())
        d->socket.bind(QHostAddress(from));
    d->socket.connectToHost(QHostAddress::LocalHost, port);
    // A refused connection may end before it was ever established.
    waitUntil([&] {
        return d->socket.state() == QAbstractSocket::ConnectedState ||
               d->socket.state() == QAbstractSocket::UnconnectedState;
    });
}

RawClient::RawClient(quint16 port, const Tls& tls, const QString& from)
    : d(std::make_unique<Private>())
{
    QObject::connect(&d->socket, &QTcpSocket::readyRead, [this] { d->read(); });
    QObject::connect(&d->socket, &QSslSocket::errorOccurred,
                     [this] { d->tlsError = d->socket.errorString(); });
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setCaCertificates(QSslCertificate::fromPath(QString::fromStdString(tls.ca)));
    configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
    configuration.setSslOption(QSsl::SslOptionDisableSessionPersistence, false);
    configuration.setSessionTicket(tls.ticket);
    d->socket.setSslConfiguration(configuration);
    if (!from.isEmpty())
        d->socket.bind(QHostAddress(from));
    d->socket.connectToHostEncrypted(u"127.0.0.1"_s, port);
    waitUntil([&] {
        return d->socket.isEncrypted() || d->socket.state() == QAbstractSocket::UnconnectedState ||
               !d->tlsError.isEmpty();
    });
}

QByteArray RawClient::sessionTicket()
{
    waitUntil([&] { return !d->socket.sslConfiguration().sessionTicket().isEmpty(); }, 2000);
    return d->socket.sslConfiguration().sessionTicket();
}

QByteArray RawClient::peerSerial() const
{
    return d->socket.peerCertificate().serialNumber();
}

QString RawClient::tlsError() const
{
    return d->tlsError;
}

RawClient::~RawClient() = default;

bool RawClient::connected() const
{
    return d->socket.state() == QAbstractSocket::ConnectedState &&
           (d->socket.mode() == QSslSocket::UnencryptedMode || d->socket.isEncrypted());
}

void RawClient::send(const std::string& bytes)
{
    d->socket.write(bytes.data(), qint64(bytes.size()));
}

std::vector<std::string> RawClient::request(const std::string& fields, const std::string& text)
{
    d->frames.clear();
    send(exchange::formFrame(fields, text));
    const bool ended = waitUntil(
        [&] { return !d->frames.empty() && exchange::parseFrame(d->frames.back()).type == "END"; });
    return ended ? d->frames : std::vector<std::string>();
}

bool RawClient::waitForClose(int timeoutMs)
{
    return waitUntil([&] { return d->socket.state() == QAbstractSocket::UnconnectedState; },
                     timeoutMs);
}

} // namespace testsupport
