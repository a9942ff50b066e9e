#include "server/RequestGuard.h"

#include "server/GrantStore.h"
#include "server/StatementDatabase.h"

#include <algorithm>

namespace server {

bool AccessGuard::trustedFront(const std::string& peer) const
{
    return std::ranges::find(m_limits.trustedFronts, peer) != m_limits.trustedFronts.end();
}

namespace {

// Bounds the memory an address-hopping client can make us hold; past these, stale entries are
// dropped first, and a peer's own grants start over when it alone fills its share.
constexpr size_t maxTrackedPeers = 100000;
constexpr size_t maxGrantsPerPeer = 10000;
// A grant listed again is written to the file again only after this long: a busy server lists
// the same statements to the same addresses over and over, and the file then holds each grant
// with an expiry at most this much earlier than the one in memory.
constexpr int64_t storeAgainAfterMs = 5 * 60 * 1000;

std::string grantKey(const std::string& date, int64_t seq)
{
    return date + '#' + std::to_string(seq);
}

void dropOlderThan(std::deque<int64_t>& times, int64_t limitMs)
{
    while (!times.empty() && times.front() < limitMs)
        times.pop_front();
}

} // namespace

bool RequestGuard::locked(const std::string& peer, int64_t nowMs)
{
    const std::lock_guard lock(m_mutex);
    return lockedLocked(peer, nowMs);
}

bool RequestGuard::lockedLocked(const std::string& peer, int64_t nowMs)
{
    const auto it = m_failures.find(peer);
    if (it == m_failures.end())
        return false;
    dropOlderThan(it->second, nowMs - m_limits.failureWindowMs);
    return it->second.size() >= size_t(m_limits.maxFailures);
}

void RequestGuard::recordFailure(const std::string& peer, int64_t nowMs)
{
    const std::lock_guard lock(m_mutex);
    if (m_failures.size() >= maxTrackedPeers)
        forgetStalePeers(nowMs);
    std::deque<int64_t>& times = m_failures[peer];
    dropOlderThan(times, nowMs - m_limits.failureWindowMs);
    times.push_back(nowMs);
    // Only the most recent failures decide the lock.
    while (times.size() > size_t(m_limits.maxFailures))
        times.pop_front();
}

void RequestGuard::grant(const std::string& peer, const std::vector<Listed>& listed, int64_t nowMs)
{
    if (!m_limits.requireGrants || listed.empty())
        return;
    // Made before taking the lock every event loop waits on.
    std::vector<std::string> keys;
    keys.reserve(listed.size());
    for (const Listed& l : listed)
        keys.push_back(grantKey(l.first, l.second));
    std::vector<GrantStore::Grant> kept;
    {
        const std::lock_guard lock(m_mutex);
        if (m_grants.size() >= maxTrackedPeers && !m_grants.count(peer))
            forgetStalePeers(nowMs);
        Grants& grants = m_grants[peer];
        for (size_t i = 0; i < keys.size(); ++i) {
            if (grants.size() >= maxGrantsPerPeer) {
                std::erase_if(grants, [&](const auto& g) {
                    return nowMs - g.second.grantedMs > m_limits.grantLifetimeMs;
                });
                if (grants.size() >= maxGrantsPerPeer)
                    grants.clear();
            }
            Grant& g = grants[std::move(keys[i])];
            g.grantedMs = nowMs;
            if (m_store && (g.storedMs < 0 || nowMs - g.storedMs >= storeAgainAfterMs)) {
                g.storedMs = nowMs;
                kept.push_back({peer, listed[i].first, listed[i].second, 0});
            }
        }
    }
    if (!kept.empty()) {
        const int64_t expires = GrantStore::wallClockMs() + m_limits.grantLifetimeMs;
        for (GrantStore::Grant& g : kept)
            g.expiresMs = expires;
        m_store->add(std::move(kept));
    }
}

void RequestGuard::restoreGrant(const std::string& peer, const std::string& date, int64_t seq,
                                int64_t expiresWallMs, int64_t nowMs, int64_t nowWallMs)
{
    // As if granted so long before now that it expires when it was to.
    const int64_t grantedAt = nowMs - (m_limits.grantLifetimeMs - (expiresWallMs - nowWallMs));
    GrantStore* const store = std::exchange(m_store, nullptr);
    grant(peer, {{date, seq}}, grantedAt);
    m_store = store;
}

bool RequestGuard::granted(const std::string& peer, const std::string& date, int64_t seq,
                           int64_t nowMs)
{
    if (!m_limits.requireGrants)
        return true;
    const std::string key = grantKey(date, seq);
    const std::lock_guard lock(m_mutex);
    const auto peerGrants = m_grants.find(peer);
    if (peerGrants == m_grants.end())
        return false;
    const auto it = peerGrants->second.find(key);
    return it != peerGrants->second.end() &&
           nowMs - it->second.grantedMs <= m_limits.grantLifetimeMs;
}

int RequestGuard::lockedAddresses(int64_t nowMs)
{
    const std::lock_guard lock(m_mutex);
    int count = 0;
    for (const auto& entry : m_failures)
        count += lockedLocked(entry.first, nowMs) ? 1 : 0;
    return count;
}

void RequestGuard::forgetStalePeers(int64_t nowMs)
{
    for (auto it = m_failures.begin(); it != m_failures.end();) {
        dropOlderThan(it->second, nowMs - m_limits.failureWindowMs);
        it = it->second.empty() ? m_failures.erase(it) : std::next(it);
    }
    for (auto it = m_grants.begin(); it != m_grants.end();) {
        std::erase_if(it->second, [&](const auto& g) {
            return nowMs - g.second.grantedMs > m_limits.grantLifetimeMs;
        });
        it = it->second.empty() ? m_grants.erase(it) : std::next(it);
    }
    // Still full of live entries: start over rather than grow without bound.
    if (m_failures.size() >= maxTrackedPeers)
        m_failures.clear();
    if (m_grants.size() >= maxTrackedPeers)
        m_grants.clear();
}

void DatabaseGuard::recordFailure(const std::string& peer, int64_t)
{
    m_db.recordSharedFailure(peer, m_limits.failureWindowMs);
}

int DatabaseGuard::lockedAddresses(int64_t)
{
    return m_db.sharedLockedAddresses(m_limits.maxFailures, m_limits.failureWindowMs).value_or(0);
}

} // namespace server
