#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace server {

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
    };
    // A statement by trading date and number.
    using Listed = std::pair<std::string, int64_t>;

    explicit AccessGuard(const Limits& limits) : m_limits(limits) {}
    virtual ~AccessGuard() = default;
    const Limits& limits() const { return m_limits; }

    // True while the peer has used up its failed matches for the window.
    virtual bool locked(const std::string& peer, int64_t nowMs) = 0;
    virtual void recordFailure(const std::string& peer, int64_t nowMs) = 0;
    virtual void grant(const std::string& peer, const std::vector<Listed>& listed,
                       int64_t nowMs) = 0;
    virtual bool granted(const std::string& peer, const std::string& date, int64_t seq,
                         int64_t nowMs) = 0;
    // How many addresses are locked now, for the operators' page.
    virtual int lockedAddresses(int64_t nowMs) = 0;
    // True when the guard lives in `db`, whose queries can then check and grant in the same
    // statement as they look up.
    virtual bool keptIn(const StatementDatabase&) const { return false; }

protected:
    Limits m_limits;
};

// The guard of one server process, in its memory; every event loop of the process shares it.
class RequestGuard : public AccessGuard
{
public:
    using AccessGuard::AccessGuard;
    using AccessGuard::grant;

    bool locked(const std::string& peer, int64_t nowMs) override;
    void recordFailure(const std::string& peer, int64_t nowMs) override;
    void grant(const std::string& peer, const std::vector<Listed>& listed, int64_t nowMs) override;
    bool granted(const std::string& peer, const std::string& date, int64_t seq,
                 int64_t nowMs) override;
    int lockedAddresses(int64_t nowMs) override;

    void grant(const std::string& peer, const std::string& date, int64_t seq, int64_t nowMs)
    {
        grant(peer, {{date, seq}}, nowMs);
    }

private:
    using Grants = std::unordered_map<std::string, int64_t>;

    bool lockedLocked(const std::string& peer, int64_t nowMs);
    void forgetStalePeers(int64_t nowMs);

    std::mutex m_mutex;
    std::unordered_map<std::string, std::deque<int64_t>> m_failures;
    std::unordered_map<std::string, Grants> m_grants;
};

// The guard kept in a PostgreSQL database, so that every server instance on it shares the
// grants and the failed matches. Times are the database's own clock, the one all instances
// share; the `nowMs` arguments are not used. Works on the connection of `db`, so one guard a
// thread. When the database fails, an address counts as locked and nothing as granted.
class DatabaseGuard : public AccessGuard
{
public:
    DatabaseGuard(const Limits& limits, StatementDatabase& db) : AccessGuard(limits), m_db(db) {}

    bool locked(const std::string& peer, int64_t nowMs) override;
    void recordFailure(const std::string& peer, int64_t nowMs) override;
    void grant(const std::string& peer, const std::vector<Listed>& listed, int64_t nowMs) override;
    bool granted(const std::string& peer, const std::string& date, int64_t seq,
                 int64_t nowMs) override;
    int lockedAddresses(int64_t nowMs) override;
    bool keptIn(const StatementDatabase& db) const override { return &db == &m_db; }

private:
    StatementDatabase& m_db;
};

} // namespace server
