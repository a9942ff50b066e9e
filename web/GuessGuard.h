#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>

namespace web {

// Failed security-number matches of each visitor within a window. The statement server sees
// only the front's address, so the front bounds each of its visitors itself; a guess under way
// counts against the bound until it ends, so that guesses sent side by side cannot pass it.
// Times are milliseconds of a monotonic clock.
class GuessGuard
{
public:
    struct Limits
    {
        int maxFailures = 10;
        int64_t windowMs = 10 * 60 * 1000;
    };

    explicit GuessGuard(const Limits& limits) : m_limits(limits) {}

    // 0 when the visitor may guess now (the guess is then under way until finish()); otherwise
    // the milliseconds until it may.
    int64_t begin(const std::string& visitor, int64_t nowMs);
    void finish(const std::string& visitor, bool failed, int64_t nowMs);

    // The key of a visitor's address: an IPv6 visitor holds a whole /64 network.
    static std::string visitorOf(const std::string& address);

private:
    struct Visitor
    {
        std::deque<int64_t> failures;
        int underWay = 0;
    };
    void forget(Visitor& v, int64_t nowMs) const;

    const Limits m_limits;
    std::mutex m_mutex;
    std::unordered_map<std::string, Visitor> m_visitors;
};

} // namespace web
