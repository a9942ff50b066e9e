#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>

namespace server {

// What a peer address may ask: a bound on failed security-number matches within a time window,
// and the statements a trading-date answer listed to it, since a statement-line request carries
// no company and no security number of its own. Times are milliseconds of a monotonic clock.
class RequestGuard
{
public:
    struct Limits
    {
        int maxFailures = 10;
        int64_t failureWindowMs = 10 * 60 * 1000;
        // Off: statement lines are answered for any date and number, as the protocol allows.
        bool requireGrants = true;
        int64_t grantLifetimeMs = 30 * 60 * 1000;
    };

    explicit RequestGuard(const Limits& limits) : m_limits(limits) {}
    const Limits& limits() const { return m_limits; }

    // True while the peer has used up its failed matches for the window.
    bool locked(const std::string& peer, int64_t nowMs);
    void recordFailure(const std::string& peer, int64_t nowMs);

    void grant(const std::string& peer, const std::string& date, int64_t seq, int64_t nowMs);
    bool granted(const std::string& peer, const std::string& date, int64_t seq, int64_t nowMs);

private:
    using Grants = std::unordered_map<std::string, int64_t>;

    void forgetStalePeers(int64_t nowMs);

    Limits m_limits;
    std::unordered_map<std::string, std::deque<int64_t>> m_failures;
    std::unordered_map<std::string, Grants> m_grants;
};

} // namespace server
