#pragma once

#include "exchange/Frame.h"

#include <string>
#include <string_view>

namespace exchange {

// How a connection to the statement server ended.
enum class Outcome {
    Complete,     // every answer arrived to its END frame
    ClosedByUser, // the form closed it (exit, a new search)
    Refused,      // nothing listens at the address
    HostNotFound, // the server's name does not resolve
    TimedOut,     // no connection within the connect bound
    Cut,          // the server closed before the END frame of an answer
    Untrusted,    // the server's certificate was refused; nothing was sent
    Failed        // any other socket error
};

// Why a server's certificate was refused.
enum class CertificateProblem {
    Expired,
    NotYetValid,
    NameMismatch,    // issued for another name than the one connected to
    SelfSigned,      // signed by itself, so by no one trusted
    UntrustedIssuer, // its issuer is not among the trusted ones
    Revoked,
    Missing, // the server sent none
    Other
};

// The texts of the status line and of the failure messages, cp949. `server` is "host:port";
// `rows` counts the answer rows received on the connection.
std::string connectingText(std::string_view server);
// `protection` names the protocol of a TLS connection ("TLSv1.3"), empty for a plain one.
std::string connectedText(std::string_view peer, std::string_view protection = {});
std::string receivingText(std::string_view peer, int rows, std::string_view protection = {});
// What the answer to a request holds, as the messages name it: "거래일자 목록".
std::string answerName(Command request);
// The server closed before the END frame of the answer to `request`, after `rows` of its rows.
std::string cutText(std::string_view server, Command request, int rows);
// The status line once the connection has ended; for a failure, the one-line message. For
// Untrusted, `detail` is certificateProblemText()'s.
std::string endedText(Outcome outcome, std::string_view server, int rows,
                      std::string_view detail = {});
// One reason a certificate was refused, as the refusal names it; `host` is the name connected
// to, `detail` what the certificate library says when the kind is Other.
std::string certificateProblemText(CertificateProblem problem, std::string_view host,
                                   std::string_view detail = {});

} // namespace exchange
