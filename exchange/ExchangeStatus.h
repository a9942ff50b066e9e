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
    Failed        // any other socket error
};

// The texts of the status line and of the failure messages, cp949. `server` is "host:port";
// `rows` counts the answer rows received on the connection.
std::string connectingText(std::string_view server);
std::string connectedText(std::string_view peer);
std::string receivingText(std::string_view peer, int rows);
// What the answer to a request holds, as the messages name it: "거래일자 목록".
std::string answerName(Command request);
// The server closed before the END frame of the answer to `request`, after `rows` of its rows.
std::string cutText(std::string_view server, Command request, int rows);
// The status line once the connection has ended; for a failure, the one-line message.
std::string endedText(Outcome outcome, std::string_view server, int rows,
                      std::string_view detail = {});

} // namespace exchange
