#pragma once

#include "exchange/ExchangeStatus.h"
#include "exchange/FrameDispatch.h"
#include "exchange/FrameReader.h"
#include "exchange/RequestTexts.h"
#include "exchange/ViewerHost.h"

#include <QAbstractSocket>
#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QSslError>
#include <QString>
#include <optional>
#include <string>
#include <utility>

class QEventLoop;
class QSslSocket;

namespace exchange {

// The viewer's one connection to the statement server: opens it on demand, sends requests,
// acknowledges and dispatches the answer frames, chains the requests of a search and closes
// the connection at the end of an answer. The form's handlers of the same names delegate here.
class ExchangeDriver : public QObject, private FrameHandler
{
    Q_OBJECT

public:
    static constexpr quint16 defaultPort = 1021;
    // A request that is not connected by then is dropped; the connect itself has no bound.
    static constexpr int defaultConnectTimeoutMs = 10000;

    explicit ExchangeDriver(ViewerHost& host, QObject* parent = nullptr);
    ~ExchangeDriver() override;

    void setServer(const QString& hostName, quint16 port);
    QString hostName() const { return m_hostName; }
    quint16 port() const { return m_port; }
    void setConnectTimeoutMs(int ms) { m_connectTimeoutMs = ms; }
    int connectTimeoutMs() const { return m_connectTimeoutMs; }
    // TLS on every connection from now on, the server's certificate verified against the PEM
    // file `caFile` (the system's trusted certificates when empty) and the host name; a
    // certificate that fails refuses the connection, which is never made plain instead. A file
    // that cannot be read refuses every connection.
    void setTls(bool enabled, const std::string& caFile = {});
    bool tls() const { return m_tls; }
    // The certificates of a PEM file to trust; empty with `error` set when it has none.
    static QList<QSslCertificate> readTrusted(const std::string& file, std::string& error);

    // True from the connect handler to the disconnect handler.
    bool isActive() const { return m_active; }
    // True while a request waits for its connection.
    bool isWaiting() const { return m_wait != nullptr; }
    // True from the moment a connection is asked for until its disconnect handler has run.
    bool isBusy() const { return m_open || m_wait != nullptr; }

    // How the last connection ended, and its one-line message when that was a failure (empty
    // otherwise). Set before ViewerHost::exchangeEnded() runs.
    Outcome lastOutcome() const { return m_outcome; }
    const std::string& lastFailure() const { return m_lastFailure; }
    // "host:port" as the messages name the server.
    std::string serverText() const;
    // The answer the last connection was waiting for when it ended without that answer's END
    // frame; none when every answer ended.
    std::optional<Command> lastUnfinishedAnswer() const { return m_unfinished; }

    // The trading date and sequence number the last MAKEDATA asked for; none after "SOCKET
    // ENDING".
    using StatementKey = std::pair<std::string, std::string>;
    const std::optional<StatementKey>& lastLinesRequest() const { return m_linesRequest; }

    // The four request builders. MakeDateExecute raises EConvertError for an impossible date
    // range and then sends nothing.
    void MakeKeyExecute();
    void MakeCustExecute();
    void MakeDateExecute();
    // The trading-date range of the year and months typed on the form; EConvertError for an
    // impossible date.
    DateRange queryRange() const;
    void MakeDataExecute();

    // Opens the connection unless it is open, waits for it and sends the frame. Returns whether
    // the frame went out: a frame over maxFrameBytes (the user is told), a request while another
    // waits for its connection, and a connection that fails or does not come in time all drop it.
    bool SocketSendData(const std::string& frame);

    // Closes an established connection; its disconnect handler runs before this returns. An
    // attempt still under way is left alone.
    void close();

    void ClientSocket1Connect();
    // Whether this driver's connections are TLS: it never falls back to plain.
    bool isProtected() const { return m_tls; }

    void ClientSocket1Disconnect();
    void ClientSocket1Read();
    void ClientSocket1Error(QAbstractSocket::SocketError error);

private:
    void sendFrame(std::string_view frame) override;
    void rowArrived(Command command, std::string_view body) override;
    void answerEnded(Command command) override;
    bool sendRequest(Command command, const std::string& frame);
    void socketDisconnected();
    void closeConnection(Outcome outcome);
    std::string peerAddress() const;
    void socketEncrypted();
    void keepSessionTicket();
    // The protocol of the TLS connection ("TLSv1.3"); empty on a plain one.
    std::string protection() const;

    ViewerHost& m_host;
    QSslSocket* m_socket;
    bool m_tls = false;
    QList<QSslCertificate> m_trusted;
    std::string m_trustProblem;
    // The last session's ticket: the next connection of a chain resumes it instead of a whole
    // handshake.
    QByteArray m_sessionTicket;
    QList<QSslError> m_sslErrors;
    FrameReader m_reader;
    QString m_hostName;
    quint16 m_port = defaultPort;
    int m_connectTimeoutMs = defaultConnectTimeoutMs;
    // A connection or an attempt exists, so its disconnect handler is still to run.
    bool m_open = false;
    bool m_active = false;
    QEventLoop* m_wait = nullptr;
    // A request went out and its END frame has not come yet.
    bool m_awaitingAnswer = false;
    // The request last built, and the rows of its answer so far: a cut names them.
    Command m_request = Command::Other;
    int m_answerRows = 0;
    std::optional<Command> m_unfinished;
    // Decided before the disconnect handler runs, by whoever knows why the connection ends.
    std::optional<Outcome> m_pendingOutcome;
    Outcome m_outcome = Outcome::Complete;
    std::string m_lastFailure;
    std::string m_failureDetail; // what a failure of no named kind was, for its message
    int m_rows = 0;
    std::optional<StatementKey> m_linesRequest;
};

} // namespace exchange
