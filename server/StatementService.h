#pragma once

#include "exchange/Frame.h"
#include "server/RequestGuard.h"
#include "server/StatementDatabase.h"

#include <optional>
#include <string>
#include <vector>

namespace server {

// Answers one request frame: an OPN frame, one DATA frame per row and an END frame carrying the
// request's command. Only the four request texts are answered; anything else, and a request the
// guard refuses, gets END alone. A wrong security number gets an empty answer and counts as a
// failed match.
class StatementService
{
public:
    StatementService(StatementDatabase& db, RequestGuard& guard) : m_db(db), m_guard(guard) {}

    struct Answer
    {
        std::string frames;
        int rows = 0;
    };

    // `request` is a DATA frame; `peer` the client's address.
    Answer answer(const std::string& peer, const exchange::Frame& request, int64_t nowMs);

private:
    // The rows of an answered request; nothing for a request that is not answered.
    std::optional<std::vector<std::string>> rowsFor(const std::string& peer,
                                                    const exchange::Frame& request, int64_t nowMs);

    StatementDatabase& m_db;
    RequestGuard& m_guard;
};

} // namespace server
