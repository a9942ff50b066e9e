#include "server/StatementService.h"

#include "exchange/RequestTexts.h"

#include <algorithm>
#include <cstdio>

namespace server {

using exchange::Command;

std::optional<std::vector<std::string>> StatementService::rowsFor(const std::string& peer,
                                                                  const exchange::Frame& request,
                                                                  int64_t nowMs, Outcome& outcome)
{
    const Command command = exchange::commandOf(request.command);
    const auto match = exchange::matchRequest(command, request.body);
    // No value of the four requests holds a NUL byte; PostgreSQL could not even take one.
    if (!match || std::ranges::any_of(match->values, [](const std::string& v) {
            return v.find('\0') != std::string::npos;
        })) {
        outcome = Outcome::Malformed;
        return std::nullopt;
    }
    const std::vector<std::string>& v = match->values;
    // A failed query is the database's fault, not a guess: it answers nothing and counts nothing.
    const auto fromDatabase = [&](auto rows) -> std::optional<std::vector<std::string>> {
        if (!rows)
            outcome = Outcome::DatabaseError;
        return rows;
    };
    const AccessGuard::Limits& limits = m_guard.limits();
    const bool shared = m_guardInDatabase;
    const StatementDatabase::GuardCheck check{peer, limits.maxFailures, limits.failureWindowMs,
                                              limits.requireGrants, limits.grantLifetimeMs};
    switch (command) {
    case Command::MakeKey:
        return fromDatabase(m_db.companies());
    case Command::MakeCust: {
        std::optional<StatementDatabase::GuardedRows> found;
        if (shared)
            found = m_db.guardedParticulars(check, v[0], v[1]);
        else if (m_guard.locked(peer, nowMs))
            break;
        else if (auto rows = m_db.particulars(v[0], v[1]))
            found = StatementDatabase::GuardedRows{false, std::move(*rows)};
        if (!found)
            return fromDatabase(StatementDatabase::Rows());
        if (found->refused)
            break;
        if (found->rows.empty())
            m_guard.recordFailure(peer, nowMs);
        return std::move(found->rows);
    }
    case Command::MakeDate: {
        std::optional<StatementDatabase::TradingDates> dates;
        if (shared)
            dates = m_db.guardedTradingDates(check, v[0], v[1], v[2], v[3]);
        else if (m_guard.locked(peer, nowMs))
            break;
        else
            dates = m_db.tradingDates(v[0], v[1], v[2], v[3]);
        if (!dates)
            return fromDatabase(StatementDatabase::Rows());
        if (dates->refused)
            break;
        if (!dates->matched) {
            m_guard.recordFailure(peer, nowMs);
            return std::vector<std::string>();
        }
        std::vector<std::string> rows;
        std::vector<AccessGuard::Listed> listed;
        for (StatementDatabase::TradingDate& d : dates->dates) {
            listed.emplace_back(std::move(d.date), d.seq);
            rows.push_back(std::move(d.row));
        }
        // The guarded lookup granted them itself.
        if (!shared)
            m_guard.grant(peer, listed, nowMs);
        return rows;
    }
    case Command::MakeData:
        if (shared && limits.requireGrants) {
            auto lines = m_db.grantedStatementLines(check, v[0], match->seq);
            if (!lines)
                return fromDatabase(StatementDatabase::Rows());
            if (lines->refused)
                break;
            return std::move(lines->rows);
        }
        if (!m_guard.granted(peer, v[0], match->seq, nowMs))
            break;
        return fromDatabase(m_db.statementLines(v[0], match->seq));
    case Command::Other:
        outcome = Outcome::Malformed;
        return std::nullopt;
    }
    outcome = Outcome::Refused;
    return std::nullopt;
}

StatementService::Answer StatementService::answer(const std::string& peer,
                                                  const exchange::Frame& request, int64_t nowMs)
{
    // The answer carries the request's own command field, padding and all.
    const std::string command = exchange::paddedField(
        request.header.substr(exchange::lengthFieldBytes), exchange::commandFieldBytes);
    Answer answer;
    if (const auto rows = rowsFor(peer, request, nowMs, answer.outcome)) {
        answer.frames = exchange::formFrame(command + std::string(exchange::openType), {});
        for (const std::string& row : *rows) {
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
