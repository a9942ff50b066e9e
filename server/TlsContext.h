#pragma once

#include <QString>
#include <memory>
#include <mutex>

using SSL = struct ssl_st;
using SSL_CTX = struct ssl_ctx_st;

namespace server {

// The server's certificate and key as every event loop's TLS connections use them. A reload
// takes new files for the connections made after it; a connection keeps the certificate it was
// made with until it closes. The session-ticket keys outlive a reload, so a chain's next
// connection resumes whichever certificate the first one saw.
class TlsContext
{
public:
    // Null with `error` set when the files cannot be used.
    static std::unique_ptr<TlsContext> load(const QString& certificateFile, const QString& keyFile,
                                            QString& error);
    ~TlsContext();

    // Reads the same files again. On failure the certificate in use stays, and `error` says why.
    bool reload(QString& error);

    // A server-side TLS object on the current certificate; null when OpenSSL is out of memory.
    SSL* newConnection();

    // "CN=..., valid until ..." of the certificate in use, for the log.
    QString describe();

private:
    TlsContext(QString certificateFile, QString keyFile);
    SSL_CTX* make(QString& error);

    const QString m_certificateFile;
    const QString m_keyFile;
    std::mutex m_mutex;
    SSL_CTX* m_context = nullptr;
};

// OpenSSL's queued errors as one line, the queue emptied.
QString openSslErrors();

} // namespace server
