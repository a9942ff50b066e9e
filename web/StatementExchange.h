#pragma once

#include "exchange/Statement.h"
#include "printing/StatementFill.h"

#include <string>
#include <vector>

namespace web {

// Where the statement server is and how long one request chain may take.
struct ServerAddress
{
    std::string host;
    int port = 0;
    int connectTimeoutMs = 10000;
    // TLS, verified against the PEM file `ca` or the system's trusted certificates.
    bool tls = false;
    std::string ca;
    // The whole chain, from connecting to the last answer; a server that connects and then
    // stays silent would otherwise hold the page's request for ever.
    int chainTimeoutMs = 30000;
};

// A search as the page asks for it. Texts are cp949.
struct SearchQuery
{
    std::string company; // the company code
    std::string password;
    int year = 0;
    int fromMonth = 0;
    int toMonth = 0;
    int date = 1; // 1-based trading date whose lines the chain fetches
};

// How a chain ended.
enum class ChainEnd {
    Complete,    // the server answered to the end
    Unreachable, // no connection was made
    Cut,         // the connection ended before the chain reached its last request
    TimedOut,    // the server did not finish in time; the connection was closed
    Refused,     // the form's own check stopped it (a message, nothing sent)
};

// What one chain brought, in the shape the viewer's fields hold it.
struct StatementData
{
    ChainEnd end = ChainEnd::Complete;
    std::string message;                // cp949; the text the viewer would show in its message box
    std::vector<std::string> companies; // company items, "code name", prompt left out
    exchange::Statement statement;
    int selected = 0; // 1-based trading date the lines belong to; 0 for none

    bool hasParticulars() const { return statement.hasParticulars(); }
    // The print command's inputs for the selected statement.
    printing::StatementInputs statementInputs() const;
};

// The company list exchange (MAKEKEY), on a connection of its own.
StatementData fetchCompanies(const ServerAddress& server);
// The search exchange (MAKECUST, MAKEDATE, MAKEDATA) on one connection, the lines being those
// of trading date `query.date` (of the first when the period has fewer dates).
StatementData fetchStatement(const ServerAddress& server, const SearchQuery& query);

} // namespace web
