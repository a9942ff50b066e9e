#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

namespace testsupport {

// The real mirola-server program on 127.0.0.1 and a free port, stopped with the object.
class ServerProcess
{
public:
    ~ServerProcess();

    // Starts the server with `arguments` after "--listen 127.0.0.1:0" and waits until it
    // listens. False when it exits or does not come up in time; errorOutput() says why.
    bool start(const QStringList& arguments);
    // Starts it with at most `files` open files, soft and hard limit alike.
    bool startWithFileLimit(int files, const QStringList& arguments);
    void stop();

    quint16 port() const { return m_port; }
    // The TLS port, when --tls-listen was given; 0 otherwise.
    quint16 tlsPort() const { return m_tlsPort; }
    qint64 pid() const { return m_process.processId(); }
    // Everything the server wrote on stderr so far.
    std::string errorOutput();
    // Waits until stderr holds `text`.
    bool waitForOutput(const std::string& text, int timeoutMs = 5000);

private:
    bool launch(const QString& program, const QStringList& arguments);

    QProcess m_process;
    std::string m_output;
    quint16 m_port = 0;
    quint16 m_tlsPort = 0;
};

// The metrics page served on 127.0.0.1:`port`, head and body; empty when none answers.
std::string metricsPage(quint16 port);

// Runs `statements` on the SQLite database file the server uses, for fixtures beside its demo
// data; false with the database's message on the first that fails.
bool runSql(const std::string& sqlitePath, const QStringList& statements, std::string& error);

// A client that speaks the wire protocol plainly: sends frames and collects whole frames back.
class RawClient
{
public:
    // Connects to 127.0.0.1 from `from`, another loopback address such as 127.0.0.2 when given.
    explicit RawClient(quint16 port, const QString& from = {});
    // The same over TLS, the server's certificate verified against the PEM file `ca`, and the
    // session of `ticket` resumed when one is given.
    struct Tls
    {
        std::string ca;
        QByteArray ticket;
    };
    RawClient(quint16 port, const Tls& tls, const QString& from = {});
    // The ticket of the TLS session, for a later connection to resume it; waits for it a little,
    // since TLS 1.3 sends it after the handshake.
    QByteArray sessionTicket();
    // The serial number of the certificate the server showed.
    QByteArray peerSerial() const;
    // What the TLS handshake failed with; empty while it has not.
    QString tlsError() const;
    ~RawClient();
    bool connected() const;
    void send(const std::string& bytes);
    // Sends a request and returns every frame of its answer, up to and including END; empty if
    // no END came in time.
    std::vector<std::string> request(const std::string& fields, const std::string& text);
    // Waits for the server to close the connection.
    bool waitForClose(int timeoutMs = 5000);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace testsupport
