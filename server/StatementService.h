#pragma once

#include "exchange/Frame.h"
#include "server/RequestGuard.h"
#include "server/StatementDatabase.h"

#include <optional>
#include <string>
#include <vector>

namespace server {

// Answers one request frame: an OPN frame, one DATA frame per row and an END frame carrying the
// request's command. Only the four request texts are answered; anything else (a value holding
// a NUL byte among it), a request the guard refuses and one the database fails on get END
// alone. A wrong security number gets an empty answer and counts as a failed match; a database
// failure does not.
class StatementService
{
public:
    StatementService(StatementDatabase& db, AccessGuard& guard)
        : m_db(db), m_guard(guard), m_guardInDatabase(guard.keptIn(db))
    {
    }

    enum class Outcome { Answered, Malformed, Refused, DatabaseError };

    struct Answer
    {
        std::string frames;
        int rows = 0;
        Outcome outcome = Outcome::Answered;
    };

    // `request` is a DATA frame; `peer` the client's address.
    Answer answer(const std::string& peer, const exchange::Frame& request, int64_t nowMs);
    // The answers between two endTurn() calls may share a database snapshot; it ends there.
    void readInTurns() { m_db.readInTurns(); }
    void endTurn() { m_db.endTurn(); }
    StatementDatabase& database() { return m_db; }

private:
    // The rows of an answered request; nothing, and `outcome` set, for one that is not.
    std::optional<std::vector<std::string>> rowsFor(const std::string& peer,
                                                    const exchange::Frame& request, int64_t nowMs,
                                                    Outcome& outcome);

    StatementDatabase& m_db;
    AccessGuard& m_guard;
    // Then each lookup checks the guard in the same statement.
    const bool m_guardInDatabase;
};

} // namespace server
