#include "web/GuessGuard.h"

#include <arpa/inet.h>
#include <cstring>

namespace web {

namespace {

// A visitor whose guess is under way waits this long before the next one, when only guesses
// under way stand in its way: they end within a chain's time, usually within a second.
constexpr int64_t underWayPauseMs = 1000;

} // namespace

void GuessGuard::forget(Visitor& v, int64_t nowMs) const
{
    while (!v.failures.empty() && v.failures.front() <= nowMs - m_limits.windowMs)
        v.failures.pop_front();
}

int64_t GuessGuard::begin(const std::string& visitor, int64_t nowMs)
{
    const std::lock_guard lock(m_mutex);
    Visitor& v = m_visitors[visitor];
    forget(v, nowMs);
    if (int(v.failures.size()) + v.underWay < m_limits.maxFailures) {
        ++v.underWay;
        return 0;
    }
    if (int(v.failures.size()) < m_limits.maxFailures)
        return underWayPauseMs;
    return v.failures.front() + m_limits.windowMs - nowMs;
}

void GuessGuard::finish(const std::string& visitor, bool failed, int64_t nowMs)
{
    const std::lock_guard lock(m_mutex);
    const auto it = m_visitors.find(visitor);
    if (it == m_visitors.end())
        return;
    Visitor& v = it->second;
    --v.underWay;
    if (failed)
        v.failures.push_back(nowMs);
    forget(v, nowMs);
    // Only visitors with failures in the window are kept: the map holds no one for long.
    if (v.failures.empty() && v.underWay == 0)
        m_visitors.erase(it);
}

std::string GuessGuard::visitorOf(const std::string& address)
{
    in6_addr a6{};
    if (address.find(':') == std::string::npos || inet_pton(AF_INET6, address.c_str(), &a6) != 1)
        return address;
    if (IN6_IS_ADDR_V4MAPPED(&a6)) {
        char text[INET_ADDRSTRLEN] = {};
        return inet_ntop(AF_INET, &a6.s6_addr[12], text, sizeof text) ? text : address;
    }
    std::memset(&a6.s6_addr[8], 0, 8);
    char text[INET6_ADDRSTRLEN] = {};
    return inet_ntop(AF_INET6, &a6, text, sizeof text) ? std::string(text) + "/64" : address;
}

} // namespace web
