#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace server {

class GrantStore;
class StatementDatabase;

// What a peer address may ask: a bound on failed security-number matches within a time window,
// and the statements a trading-date answer listed to it, since a statement-line request carries
// no company and no security number of its own. Times are milliseconds of a monotonic clock.
class AccessGuard
{
public:
    struct Limits
    {
        int maxFailures = 10;
        int64_t failureWindowMs = 10 * 60 * 1000;
        // Off: statement lines are answered for any date and number, as the protocol allows.
        bool requireGrants = true;
        int64_t grantLifetimeMs = 30 * 60 * 1000;
        // Addresses of web fronts that carry many visitors' requests and bound each visitor's
        // failed matches themselves: their failures would otherwise lock every visitor at once.
        std::vector<std::string> trustedFronts = {};
    };
    // A statement by trading date and number.
    using Listed = std::pair<std::string, int64_t>;

    explicit AccessGuard(const Limits& limits) : m_limits(limits) {}
    virtual ~AccessGuard() = default;
    const Limits& limits() const { return m_limits; }
    bool trustedFront(const std::string& peer) const;

    virtual void recordFailure(const std::string& peer, int64_t nowMs) = 0;
    // How many addresses are locked now, for the operators' page.
    virtual int lockedAddresses(int64_t nowMs) = 0;
    // The guard that answers its checks from memory; null for the guard kept in the database,
    // whose checks and grants are part of the lookups' own statements.
    virtual class RequestGuard* inMemory() { return nullptr; }

protected:
    Limits m_limits;
};

// The guard of one server process, in its memory; every event loop of the process shares it.
class RequestGuard : public AccessGuard
{
public:
    using AccessGuard::AccessGuard;

    // True while the peer has used up its failed matches for the window.
    bool locked(const std::string& peer, int64_t nowMs);
    void recordFailure(const std::string& peer, int64_t nowMs) override;
    void grant(const std::string& peer, const std::vector<Listed>& listed, int64_t nowMs);
    bool granted(const std::string& peer, const std::string& date, int64_t seq, int64_t nowMs);
    int lockedAddresses(int64_t nowMs) override;
    RequestGuard* inMemory() override { return this; }

    void grant(const std::string& peer, const std::string& date, int64_t seq, int64_t nowMs)
    {
        grant(peer, {{date, seq}}, nowMs);
    }

    // From now on every grant is also written to `store`, which outlives the guard's users.
    void keepGrantsIn(GrantStore* store) { m_store = store; }
    // A grant kept from an earlier run that expires at `expiresWallMs` of the wall clock.
    void restoreGrant(const std::string& peer, const std::string& date, int64_t seq,
                      int64_t expiresWallMs, int64_t nowMs, int64_t nowWallMs);

private:
    struct Grant
    {
        int64_t grantedMs = 0;
        // When it was last given to the store; -1 for never.
        int64_t storedMs = -1;
    };
    using Grants = std::unordered_map<std::string, Grant>;

    bool lockedLocked(const std::string& peer, int64_t nowMs);
    void forgetStalePeers(int64_t nowMs);

    std::mutex m_mutex;
    std::unordered_map<std::string, std::deque<int64_t>> m_failures;
    std::unordered_map<std::string, Grants> m_grants;
    GrantStore* m_store = nullptr;
};

// The guard kept in a PostgreSQL database, so that every server instance on it shares the
// grants and the failed matches. The lookups check and grant in their own statements; what is
// left here is counting a failed match and the locked addresses. Times are the database's own
// clock, the one all instances share; the `nowMs` arguments are not used. Works on the
// connection of `db`, so one guard a thread.
class DatabaseGuard : public AccessGuard
{
public:
    DatabaseGuard(const Limits& limits, StatementDatabase& db) : AccessGuard(limits), m_db(db) {}

    void recordFailure(const std::string& peer, int64_t nowMs) override;
    // 0 when the database fails.
    int lockedAddresses(int64_t nowMs) override;

private:
    StatementDatabase& m_db;
};

} // namespace server
