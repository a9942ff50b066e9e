#include "server/StatementService.h"

#include "exchange/RequestTexts.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace server {

using exchange::Command;

namespace {

using Rows = StatementDatabase::Rows;

} // namespace

StatementDatabase::GuardCheck StatementService::check(const std::string& peer) const
{
    const AccessGuard::Limits& limits = m_guard.limits();
    // A trusted front is never locked; the count in the statement then cannot reach the bound.
    return {peer, m_guard.trustedFront(peer) ? std::numeric_limits<int>::max() : limits.maxFailures,
            limits.failureWindowMs, limits.requireGrants, limits.grantLifetimeMs};
}

StatementService::Lookup StatementService::lookUp(const std::string& peer,
                                                  const exchange::Frame& request, int64_t nowMs)
{
    const Command command = exchange::commandOf(request.command);
    if (command == Command::MakeData && request.body == exchange::socketEnding)
        return {Outcome::NoStatement, {}};
    const auto match = exchange::matchRequest(command, request.body);
    // No value of the four requests holds a NUL byte; PostgreSQL could not even take one.
    if (!match || std::ranges::any_of(match->values, [](const std::string& v) {
            return v.find('\0') != std::string::npos;
        }))
        return {Outcome::Malformed, {}};
    const std::vector<std::string>& v = match->values;
    switch (command) {
    case Command::MakeKey:
        if (Rows rows = m_db.companies())
            return {Outcome::Answered, std::move(*rows)};
        return {Outcome::DatabaseError, {}};
    case Command::MakeCust:
        return particulars(peer, v[0], v[1], nowMs);
    case Command::MakeDate:
        return tradingDates(peer, v, nowMs);
    case Command::MakeData:
        return statementLines(peer, v[0], match->seq, nowMs);
    case Command::Other:
        break;
    }
    return {Outcome::Malformed, {}};
}

// A failed query is the database's fault, not a guess: it answers nothing and counts nothing.
StatementService::Lookup StatementService::particulars(const std::string& peer,
                                                       const std::string& code,
                                                       const std::string& password, int64_t nowMs)
{
    std::optional<StatementDatabase::GuardedRows> found;
    const bool trusted = m_guard.trustedFront(peer);
    if (m_guardInDatabase) {
        found = m_db.guardedParticulars(check(peer), code, password);
    } else if (!trusted && m_memoryGuard->locked(peer, nowMs)) {
        return {Outcome::Refused, {}};
    } else if (Rows rows = m_db.particulars(code, password)) {
        found = StatementDatabase::GuardedRows{false, std::move(*rows)};
    }
    if (!found)
        return {Outcome::DatabaseError, {}};
    if (found->refused)
        return {Outcome::Refused, {}};
    if (found->rows.empty() && !trusted)
        m_guard.recordFailure(peer, nowMs);
    return {Outcome::Answered, std::move(found->rows)};
}

StatementService::Lookup StatementService::tradingDates(const std::string& peer,
                                                        const std::vector<std::string>& v,
                                                        int64_t nowMs)
{
    std::optional<StatementDatabase::TradingDates> dates;
    const bool trusted = m_guard.trustedFront(peer);
    if (m_guardInDatabase)
        dates = m_db.guardedTradingDates(check(peer), v[0], v[1], v[2], v[3]);
    else if (!trusted && m_memoryGuard->locked(peer, nowMs))
        return {Outcome::Refused, {}};
    else
        dates = m_db.tradingDates(v[0], v[1], v[2], v[3]);
    if (!dates)
        return {Outcome::DatabaseError, {}};
    if (dates->refused)
        return {Outcome::Refused, {}};
    if (!dates->matched) {
        if (!trusted)
            m_guard.recordFailure(peer, nowMs);
        return {Outcome::Answered, {}};
    }
    Lookup found;
    std::vector<AccessGuard::Listed> listed;
    for (StatementDatabase::TradingDate& d : dates->dates) {
        listed.emplace_back(std::move(d.date), d.seq);
        found.rows.push_back(std::move(d.row));
    }
    // The guarded lookup granted them itself.
    if (m_memoryGuard)
        m_memoryGuard->grant(peer, listed, nowMs);
    return found;
}

StatementService::Lookup StatementService::statementLines(const std::string& peer,
                                                          const std::string& date, int64_t seq,
                                                          int64_t nowMs)
{
    if (m_guardInDatabase && m_guard.limits().requireGrants) {
        auto lines = m_db.grantedStatementLines(check(peer), date, seq);
        if (!lines)
            return {Outcome::DatabaseError, {}};
        if (lines->refused)
            return {Outcome::Refused, {}};
        return {Outcome::Answered, std::move(lines->rows)};
    }
    if (m_memoryGuard && !m_memoryGuard->granted(peer, date, seq, nowMs))
        return {Outcome::Refused, {}};
    if (Rows rows = m_db.statementLines(date, seq))
        return {Outcome::Answered, std::move(*rows)};
    return {Outcome::DatabaseError, {}};
}

StatementService::Answer StatementService::answer(const std::string& peer,
                                                  const exchange::Frame& request, int64_t nowMs)
{
    // The answer carries the request's own command field, padding and all.
    const std::string command = exchange::paddedField(
        request.header.substr(exchange::lengthFieldBytes), exchange::commandFieldBytes);
    Answer answer;
    const Lookup found = lookUp(peer, request, nowMs);
    answer.outcome = found.outcome;
    if (found.outcome == Outcome::Answered) {
        answer.frames = exchange::formFrame(command + std::string(exchange::openType), {});
        for (const std::string& row : found.rows) {
            const std::string frame =
                exchange::formFrame(command + std::string(exchange::dataType), row);
            if (frame.size() > exchange::maxFrameBytes) {
                std::fprintf(stderr,
                             "mirola-server: a row of %zu bytes does not fit a frame; left out\n",
                             row.size());
                continue;
            }
            answer.frames += frame;
            ++answer.rows;
        }
    }
    answer.frames += exchange::formFrame(command + std::string(exchange::endType), {});
    return answer;
}

} // namespace server
