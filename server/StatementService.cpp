#include "server/StatementService.h"

#include "exchange/RequestTexts.h"

#include <cstdio>

namespace server {

using exchange::Command;

std::optional<std::vector<std::string>>
StatementService::rowsFor(const std::string& peer, const exchange::Frame& request, int64_t nowMs)
{
    const Command command = exchange::commandOf(request.command);
    const auto match = exchange::matchRequest(command, request.body);
    if (!match)
        return std::nullopt;
    const std::vector<std::string>& v = match->values;
    switch (command) {
    case Command::MakeKey:
        return m_db.companies();
    case Command::MakeCust: {
        if (m_guard.locked(peer, nowMs))
            return std::nullopt;
        std::vector<std::string> rows = m_db.particulars(v[0], v[1]);
        if (rows.empty())
            m_guard.recordFailure(peer, nowMs);
        return rows;
    }
    case Command::MakeDate: {
        if (m_guard.locked(peer, nowMs))
            return std::nullopt;
        if (!m_db.passwordMatches(v[2], v[3])) {
            m_guard.recordFailure(peer, nowMs);
            return std::vector<std::string>();
        }
        std::vector<std::string> rows;
        for (StatementDatabase::TradingDate& d : m_db.tradingDates(v[0], v[1], v[2], v[3])) {
            m_guard.grant(peer, d.date, d.seq, nowMs);
            rows.push_back(std::move(d.row));
        }
        return rows;
    }
    case Command::MakeData:
        if (!m_guard.granted(peer, v[0], match->seq, nowMs))
            return std::nullopt;
        return m_db.statementLines(v[0], match->seq);
    case Command::Other:
        break;
    }
    return std::nullopt;
}

StatementService::Answer StatementService::answer(const std::string& peer,
                                                  const exchange::Frame& request, int64_t nowMs)
{
    // The answer carries the request's own command field, padding and all.
    const std::string command = exchange::paddedField(
        request.header.substr(exchange::lengthFieldBytes), exchange::commandFieldBytes);
    Answer answer;
    if (const auto rows = rowsFor(peer, request, nowMs)) {
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
