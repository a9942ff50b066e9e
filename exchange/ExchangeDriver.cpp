#include "exchange/ExchangeDriver.h"

#include "exchange/HostPort.h"
#include "exchange/RequestTexts.h"
#include "text/Cp949.h"
#include "text/Dates.h"
#include "text/Integers.h"

#include <QDate>
#include <QEventLoop>
#include <QFile>
#include <QPointer>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>
#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

namespace exchange {

namespace {

CertificateProblem problemOf(QSslError::SslError error)
{
    switch (error) {
    case QSslError::CertificateExpired:
        return CertificateProblem::Expired;
    case QSslError::CertificateNotYetValid:
        return CertificateProblem::NotYetValid;
    case QSslError::HostNameMismatch:
        return CertificateProblem::NameMismatch;
    case QSslError::SelfSignedCertificate:
        return CertificateProblem::SelfSigned;
    case QSslError::SelfSignedCertificateInChain:
    case QSslError::UnableToGetIssuerCertificate:
    case QSslError::UnableToGetLocalIssuerCertificate:
    case QSslError::UnableToVerifyFirstCertificate:
    case QSslError::CertificateUntrusted:
    case QSslError::CertificateRejected:
    case QSslError::InvalidCaCertificate:
        return CertificateProblem::UntrustedIssuer;
    case QSslError::CertificateRevoked:
        return CertificateProblem::Revoked;
    case QSslError::NoPeerCertificate:
        return CertificateProblem::Missing;
    default:
        return CertificateProblem::Other;
    }
}

} // namespace

ExchangeDriver::ExchangeDriver(ViewerHost& host, QObject* parent)
    : QObject(parent), m_host(host), m_socket(new QSslSocket(this)), m_hostName(u"localhost"_s)
{
    // On a TLS connection the connect handler waits for the verified handshake.
    connect(m_socket, &QSslSocket::connected, this, [this] {
        if (!m_tls)
            ClientSocket1Connect();
    });
    connect(m_socket, &QSslSocket::encrypted, this, &ExchangeDriver::socketEncrypted);
    connect(m_socket, &QSslSocket::sslErrors, this,
            [this](const QList<QSslError>& errors) { m_sslErrors = errors; });
    connect(m_socket, &QSslSocket::newSessionTicketReceived, this,
            &ExchangeDriver::keepSessionTicket);
    connect(m_socket, &QSslSocket::disconnected, this, &ExchangeDriver::socketDisconnected);
    connect(m_socket, &QSslSocket::readyRead, this, &ExchangeDriver::ClientSocket1Read);
    connect(m_socket, &QSslSocket::errorOccurred, this, &ExchangeDriver::ClientSocket1Error);
}

ExchangeDriver::~ExchangeDriver()
{
    // The form that hosts us is going away as well: no handler may reach it any more.
    m_socket->disconnect(this);
    if (m_wait)
        m_wait->quit();
}

void ExchangeDriver::setServer(const QString& hostName, quint16 port)
{
    if (hostName != m_hostName || port != m_port)
        m_sessionTicket.clear();
    m_hostName = hostName;
    m_port = port;
}

void ExchangeDriver::setTls(bool enabled, const std::string& caFile)
{
    m_tls = enabled;
    m_trustProblem.clear();
    m_trusted = caFile.empty() ? QList<QSslCertificate>() : readTrusted(caFile, m_trustProblem);
    m_sessionTicket.clear();
}

QList<QSslCertificate> ExchangeDriver::readTrusted(const std::string& file, std::string& error)
{
    QFile f(QFile::decodeName(QByteArray::fromStdString(file)));
    if (!f.open(QIODevice::ReadOnly)) {
        error = "cannot read " + file + ": " + f.errorString().toStdString();
        return {};
    }
    QList<QSslCertificate> certificates = QSslCertificate::fromDevice(&f, QSsl::Pem);
    if (certificates.isEmpty())
        error = file + " holds no PEM certificate";
    return certificates;
}

void ExchangeDriver::socketEncrypted()
{
    keepSessionTicket();
    ClientSocket1Connect();
}

void ExchangeDriver::keepSessionTicket()
{
    const QByteArray ticket = m_socket->sslConfiguration().sessionTicket();
    if (!ticket.isEmpty())
        m_sessionTicket = ticket;
}

std::string ExchangeDriver::protection() const
{
    if (!m_tls)
        return {};
    switch (m_socket->sessionProtocol()) {
    case QSsl::TlsV1_2:
        return "TLS 1.2";
    case QSsl::TlsV1_3:
        return "TLS 1.3";
    default:
        return "TLS";
    }
}

void ExchangeDriver::MakeKeyExecute()
{
    const QDate today = QDate::currentDate();
    const text::Date date{today.year(), today.month(), today.day()};
    m_host.setEditText(ViewerHost::Edit::SUBULYEAR, text::FormatDateTime("yyyy", date));
    m_host.setEditText(ViewerHost::Edit::SSUBULMONTH, text::FormatDateTime("mm", date));
    m_host.setEditText(ViewerHost::Edit::ESUBULMONTH, text::FormatDateTime("mm", date));
    m_host.clearCustList();
    m_host.addCustItem(text::cp949("     업체를 선택하세요!"));
    m_host.setCustItemIndex(0);
    sendRequest(Command::MakeKey, formFrame(makeKeyFields, makeKeyText()));
}

void ExchangeDriver::MakeCustExecute()
{
    const std::string code = customerCode(m_host.selectedCustItem());
    const std::string password = securityNumber(m_host.editText(ViewerHost::Edit::PassWD));
    sendRequest(Command::MakeCust, formFrame(makeCustFields, makeCustText(code, password)));
}

DateRange ExchangeDriver::queryRange() const
{
    const int year = fieldInteger(m_host.editText(ViewerHost::Edit::SUBULYEAR));
    const int startMonth = fieldInteger(m_host.editText(ViewerHost::Edit::SSUBULMONTH));
    const int endMonth = fieldInteger(m_host.editText(ViewerHost::Edit::ESUBULMONTH));
    return dateRange(year, startMonth, endMonth);
}

void ExchangeDriver::MakeDateExecute()
{
    const DateRange range = queryRange();
    const std::string code = customerCode(m_host.selectedCustItem());
    const std::string password = securityNumber(m_host.editText(ViewerHost::Edit::PassWD));
    sendRequest(Command::MakeDate, formFrame(makeDateFields, makeDateText(range, code, password)));
}

void ExchangeDriver::MakeDataExecute()
{
    m_host.DataClear2Execute();
    std::string request(socketEnding);
    m_linesRequest.reset();
    if (m_host.grid1DataRowCount() > 0) {
        const int dataRow = m_host.grid1Row() - 1;
        m_linesRequest =
            StatementKey{m_host.grid1DataCell(0, dataRow), m_host.grid1DataCell(1, dataRow)};
        request = makeDataText(m_linesRequest->first, sequenceNumber(m_linesRequest->second));
    }
    sendRequest(Command::MakeData, formFrame(makeDataFields, request));
}

bool ExchangeDriver::sendRequest(Command command, const std::string& frame)
{
    const Command before = m_request;
    m_request = command;
    if (SocketSendData(frame))
        return true;
    m_request = before;
    return false;
}

bool ExchangeDriver::SocketSendData(const std::string& frame)
{
    if (frame.size() > maxFrameBytes) {
        m_host.showMessage(text::cp949("요청이 너무 길어 보낼 수 없습니다."));
        return false;
    }
    if (!m_active) {
        // One request at a time may wait; a second one would reopen the connection under it.
        if (m_wait)
            return false;
        if (!m_open) {
            m_open = true;
            m_rows = 0;
            m_awaitingAnswer = false;
            m_pendingOutcome.reset();
            m_host.setStatusText(connectingText(serverText()));
            m_host.exchangeStarted();
            m_sslErrors.clear();
            if (m_tls && !m_trustProblem.empty()) {
                m_pendingOutcome = Outcome::Failed;
                m_failureDetail = m_trustProblem;
                ClientSocket1Disconnect();
            } else if (m_tls) {
                QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
                tls.setProtocol(QSsl::TlsV1_2OrLater);
                tls.setPeerVerifyMode(QSslSocket::VerifyPeer);
                if (!m_trusted.isEmpty())
                    tls.setCaCertificates(m_trusted);
                tls.setSslOption(QSsl::SslOptionDisableSessionPersistence, false);
                tls.setSessionTicket(m_sessionTicket);
                m_socket->setSslConfiguration(tls);
                // The name is verified against the certificate: a name, or an address when the
                // server is given as one.
                m_socket->connectToHostEncrypted(m_hostName, m_port);
            } else {
                m_socket->connectToHost(m_hostName, m_port);
            }
        }
        QEventLoop loop;
        m_wait = &loop;
        QTimer::singleShot(m_connectTimeoutMs, &loop, &QEventLoop::quit);
        const QPointer<ExchangeDriver> alive(this);
        // Socket events, timers and user commands run nested in here, as they did while the
        // form pumped its message queue.
        if (m_open && !m_active)
            loop.exec();
        if (!alive)
            return false;
        m_wait = nullptr;
        if (!m_active) {
            if (m_open) {
                m_pendingOutcome = Outcome::TimedOut;
                m_socket->abort();
                if (m_open)
                    ClientSocket1Disconnect();
            }
            return false;
        }
    }
    m_awaitingAnswer = true;
    m_answerRows = 0;
    m_socket->write(frame.data(), qint64(frame.size()));
    return true;
}

std::string ExchangeDriver::serverText() const
{
    return joinHostPort(text::toCp949(m_hostName), m_port);
}

void ExchangeDriver::close()
{
    closeConnection(m_awaitingAnswer ? Outcome::ClosedByUser : Outcome::Complete);
}

void ExchangeDriver::closeConnection(Outcome outcome)
{
    if (!m_active)
        return;
    if (!m_pendingOutcome)
        m_pendingOutcome = outcome;
    // Acknowledgements still queued go out before the connection ends.
    m_socket->flush();
    m_socket->disconnectFromHost();
    if (m_socket->state() != QAbstractSocket::UnconnectedState)
        m_socket->abort();
    if (m_open)
        ClientSocket1Disconnect();
}

void ExchangeDriver::ClientSocket1Connect()
{
    m_active = true;
    m_host.setSearchEnabled(false);
    m_host.setGrid1ClickAttached(false);
    m_reader.clear();
    m_host.setStatusText(connectedText(peerAddress(), protection()));
    if (m_wait)
        m_wait->quit();
}

void ExchangeDriver::ClientSocket1Disconnect()
{
    m_open = false;
    m_active = false;
    m_reader.release();
    // An answer without its END frame is not whole, whoever closed.
    m_outcome = m_pendingOutcome.value_or(m_awaitingAnswer ? Outcome::Cut : Outcome::Complete);
    m_pendingOutcome.reset();
    m_unfinished = m_awaitingAnswer ? std::optional<Command>(m_request) : std::nullopt;
    m_awaitingAnswer = false;
    const std::string status = m_outcome == Outcome::Cut
                                   ? cutText(serverText(), m_request, m_answerRows)
                                   : endedText(m_outcome, serverText(), m_rows, m_failureDetail);
    m_failureDetail.clear();
    const bool failed = m_outcome != Outcome::Complete && m_outcome != Outcome::ClosedByUser;
    m_lastFailure = failed ? status : std::string();
    m_host.setStatusText(status);
    m_host.setGrid1ClickAttached(true);
    m_host.setSearchEnabled(true);
    if (m_wait)
        m_wait->quit();
    m_host.exchangeEnded();
}

void ExchangeDriver::socketDisconnected()
{
    if (m_open)
        ClientSocket1Disconnect();
}

void ExchangeDriver::ClientSocket1Read()
{
    if (!m_active)
        return;
    const int rowsBefore = m_rows;
    m_host.setStatusText(receivingText(peerAddress(), rowsBefore, protection()));
    // Straight into the reassembly buffer, without a copy in between.
    const qint64 available = m_socket->bytesAvailable();
    if (available > 0) {
        const qint64 got = m_socket->read(m_reader.prepare(size_t(available)), available);
        m_reader.commit(got > 0 ? size_t(got) : 0);
    }

    std::string error;
    bool badLength = false;
    try {
        if (dispatchFrames(m_reader, *this) == FrameReader::Status::Error) {
            badLength = true;
            error = m_reader.errorMessage();
        }
    } catch (const std::exception& e) {
        // Frames still buffered wait for the next read event; the connection stays open.
        error = e.what();
    }
    // Again after the dispatch, so that the count includes this read's rows, unless an END in
    // it has closed the connection and said how it ended.
    if (m_active && m_rows != rowsBefore)
        m_host.setStatusText(receivingText(peerAddress(), m_rows, protection()));
    // A length that cannot be read would stop the stream for good.
    if (badLength) {
        m_failureDetail = error;
        closeConnection(Outcome::Failed);
    }
    // Last, because the message box runs a nested event loop.
    if (!error.empty())
        m_host.showMessage(error);
}

void ExchangeDriver::ClientSocket1Error(QAbstractSocket::SocketError error)
{
    // Nothing is raised: the status line says what happened, and the form may tell more.
    if (!m_pendingOutcome) {
        switch (error) {
        case QAbstractSocket::ConnectionRefusedError:
            m_pendingOutcome = Outcome::Refused;
            break;
        case QAbstractSocket::HostNotFoundError:
            m_pendingOutcome = Outcome::HostNotFound;
            break;
        case QAbstractSocket::SocketTimeoutError:
            m_pendingOutcome = Outcome::TimedOut;
            break;
        case QAbstractSocket::SslHandshakeFailedError:
            if (!m_sslErrors.isEmpty()) {
                m_pendingOutcome = Outcome::Untrusted;
                const std::string host = text::toCp949(m_hostName);
                std::vector<CertificateProblem> named;
                for (const QSslError& e : std::as_const(m_sslErrors)) {
                    const CertificateProblem problem = problemOf(e.error());
                    if (std::find(named.begin(), named.end(), problem) != named.end())
                        continue;
                    named.push_back(problem);
                    if (!m_failureDetail.empty())
                        m_failureDetail += ", ";
                    m_failureDetail +=
                        certificateProblemText(problem, host, text::toCp949(e.errorString()));
                }
                break;
            }
            m_pendingOutcome = Outcome::Failed;
            m_failureDetail = text::cp949("보안 연결(TLS)을 맺지 못했습니다: ") +
                              text::toCp949(m_socket->errorString());
            break;
        case QAbstractSocket::RemoteHostClosedError:
            // Closed before the handshake was through: a port that does not speak TLS, or a
            // server that refused ours.
            if (m_tls && !m_active) {
                m_pendingOutcome = Outcome::Failed;
                m_failureDetail = text::cp949(
                    "보안 연결(TLS)을 맺는 도중에 서버가 연결을 끊었습니다 (TLS 포트가 맞는지 "
                    "확인하십시오)");
            }
            break; // otherwise cut or not depends on whether an answer was still open
        default:
            m_pendingOutcome = Outcome::Failed;
            m_failureDetail = text::toCp949(m_socket->errorString());
            break;
        }
    }
    m_socket->abort();
    if (m_open)
        ClientSocket1Disconnect();
}

void ExchangeDriver::sendFrame(std::string_view frame)
{
    if (m_active)
        m_socket->write(frame.data(), qint64(frame.size()));
}

void ExchangeDriver::rowArrived(Command command, std::string_view body)
{
    ++m_rows;
    ++m_answerRows;
    switch (command) {
    case Command::MakeKey:
        m_host.SocketMakeKey(body);
        break;
    case Command::MakeCust:
        m_host.SocketMakeCust(body);
        break;
    case Command::MakeDate:
        m_host.SocketMakeDate(body);
        break;
    case Command::MakeData:
        m_host.SocketMakeData(body);
        break;
    case Command::Other:
        break;
    }
}

void ExchangeDriver::answerEnded(Command command)
{
    m_awaitingAnswer = false;
    m_host.answerComplete(command);
    if (command == Command::MakeCust)
        MakeDateExecute();
    else if (command == Command::MakeDate)
        MakeDataExecute();
    else
        close();
}

std::string ExchangeDriver::peerAddress() const
{
    return text::toCp949(m_socket->peerAddress().toString());
}

} // namespace exchange
