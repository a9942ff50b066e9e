#include "server/TlsContext.h"

#include <QFile>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509err.h>

using namespace Qt::StringLiterals;

namespace server {

namespace {

// A viewer opens one connection a chain and resumes with one ticket; OpenSSL's default of two
// would cost a second encryption and its bytes on every handshake.
constexpr size_t ticketsPerHandshake = 1;
// The ticket keys of OpenSSL 3: name, HMAC secret and AES key.
constexpr int ticketKeyBytes = 80;

QString timeText(const ASN1_TIME* time)
{
    BIO* bio = BIO_new(BIO_s_mem());
    if (!bio)
        return {};
    ASN1_TIME_print(bio, time);
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    QString text = QString::fromLatin1(data, qsizetype(length));
    BIO_free(bio);
    return text;
}

} // namespace

QString openSslErrors()
{
    QString text;
    while (const unsigned long code = ERR_get_error()) {
        char line[256];
        ERR_error_string_n(code, line, sizeof line);
        if (!text.isEmpty())
            text += u"; "_s;
        text += QString::fromLatin1(line);
    }
    return text.isEmpty() ? u"unknown TLS error"_s : text;
}

TlsContext::TlsContext(QString certificateFile, QString keyFile)
    : m_certificateFile(std::move(certificateFile)), m_keyFile(std::move(keyFile))
{
}

TlsContext::~TlsContext()
{
    SSL_CTX_free(m_context);
}

std::unique_ptr<TlsContext> TlsContext::load(const QString& certificateFile, const QString& keyFile,
                                             QString& error)
{
    std::unique_ptr<TlsContext> tls(new TlsContext(certificateFile, keyFile));
    tls->m_context = tls->make(error);
    if (!tls->m_context)
        return nullptr;
    return tls;
}

SSL_CTX* TlsContext::make(QString& error)
{
    ERR_clear_error();
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    if (!ctx) {
        error = openSslErrors();
        return nullptr;
    }
    const QByteArray certificate = QFile::encodeName(m_certificateFile);
    const QByteArray key = QFile::encodeName(m_keyFile);
    if (SSL_CTX_use_certificate_chain_file(ctx, certificate.constData()) != 1) {
        error = u"the certificate %1 cannot be used: %2"_s.arg(m_certificateFile, openSslErrors());
    } else if (SSL_CTX_use_PrivateKey_file(ctx, key.constData(), SSL_FILETYPE_PEM) != 1) {
        error = ERR_GET_REASON(ERR_peek_last_error()) == X509_R_KEY_VALUES_MISMATCH
                    ? u"the key %1 does not belong to the certificate %2"_s.arg(m_keyFile,
                                                                                m_certificateFile)
                    : u"the key %1 cannot be used: %2"_s.arg(m_keyFile, openSslErrors());
        ERR_clear_error();
    } else if (SSL_CTX_check_private_key(ctx) != 1) {
        error =
            u"the key %1 does not belong to the certificate %2"_s.arg(m_keyFile, m_certificateFile);
        ERR_clear_error();
    } else {
        SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
        // Client-started renegotiation costs the server a handshake for each of the client's
        // few bytes; nothing here needs it.
        // A client that closes without TLS's own goodbye has still sent whole requests, as a
        // plain client that closes does.
        SSL_CTX_set_options(ctx, SSL_OP_NO_RENEGOTIATION | SSL_OP_CIPHER_SERVER_PREFERENCE |
                                     SSL_OP_IGNORE_UNEXPECTED_EOF);
        // Answers are written from a buffer that may move between a blocked write and its retry,
        // and in pieces as the socket takes them; an idle connection gives back its buffers.
        SSL_CTX_set_mode(ctx, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER |
                                  SSL_MODE_RELEASE_BUFFERS);
        SSL_CTX_set_num_tickets(ctx, ticketsPerHandshake);
        return ctx;
    }
    SSL_CTX_free(ctx);
    return nullptr;
}

bool TlsContext::reload(QString& error)
{
    SSL_CTX* fresh = make(error);
    if (!fresh)
        return false;
    const std::lock_guard lock(m_mutex);
    unsigned char keys[ticketKeyBytes];
    if (SSL_CTX_get_tlsext_ticket_keys(m_context, keys, sizeof keys) == 1)
        SSL_CTX_set_tlsext_ticket_keys(fresh, keys, sizeof keys);
    OPENSSL_cleanse(keys, sizeof keys);
    // The connections made with the old one hold it until they close.
    SSL_CTX_free(m_context);
    m_context = fresh;
    return true;
}

SSL* TlsContext::newConnection()
{
    const std::lock_guard lock(m_mutex);
    return SSL_new(m_context);
}

QString TlsContext::describe()
{
    const std::lock_guard lock(m_mutex);
    X509* certificate = SSL_CTX_get0_certificate(m_context);
    if (!certificate)
        return {};
    char subject[256] = {};
    X509_NAME_oneline(X509_get_subject_name(certificate), subject, sizeof subject);
    return QString::fromUtf8(subject) + u", valid until "_s +
           timeText(X509_get0_notAfter(certificate));
}

} // namespace server
