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
    // With a guard kept in the database, `db` holds its statements too.
    StatementService(StatementDatabase& db, AccessGuard& guard)
        : m_db(db), m_guard(guard), m_memoryGuard(guard.inMemory()),
          m_guardInDatabase(!m_memoryGuard)
    {
    }

    // As the operators' page counts requests. NoStatement: the lines request the viewer sends
    // for an empty period ("SOCKET ENDING"), which follows every search that finds no date.
    enum class Outcome { Answered, Malformed, Refused, DatabaseError, NoStatement };

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
    // What a request is answered with: rows only when it is Answered.
    struct Lookup
    {
        Outcome outcome = Outcome::Answered;
        std::vector<std::string> rows;
    };

    Lookup lookUp(const std::string& peer, const exchange::Frame& request, int64_t nowMs);
    Lookup particulars(const std::string& peer, const std::string& code,
                       const std::string& password, int64_t nowMs);
    Lookup tradingDates(const std::string& peer, const std::vector<std::string>& values,
                        int64_t nowMs);
    Lookup statementLines(const std::string& peer, const std::string& date, int64_t seq,
                          int64_t nowMs);
    StatementDatabase::GuardCheck check(const std::string& peer) const;

    StatementDatabase& m_db;
    AccessGuard& m_guard;
    RequestGuard* const m_memoryGuard;
    // Then each lookup checks the guard in the same statement.
    const bool m_guardInDatabase;
};

} // namespace server
