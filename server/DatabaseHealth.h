#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

namespace server {

// Whether the database answers, as the connections of the process last saw it. The first
// connection to lose it starts an outage and the first to reach it again ends it: one log line
// each way, however many connections notice. A connection that stays idle through the return
// must not keep the outage open, so the state follows the latest word, not a count.
class DatabaseHealth
{
public:
    // True when this loss starts an outage: the caller alone tells the log.
    bool lost(int64_t nowMs)
    {
        const std::lock_guard lock(m_mutex);
        if (!m_up.load())
            return false;
        m_since = nowMs;
        m_up.store(false);
        return true;
    }

    // How long the outage lasted when this return ends it; -1 when it was already over.
    int64_t restored(int64_t nowMs)
    {
        const std::lock_guard lock(m_mutex);
        if (m_up.load())
            return -1;
        m_up.store(true);
        return nowMs - m_since;
    }

    bool up() const { return m_up.load(); }

private:
    std::mutex m_mutex;
    int64_t m_since = 0;
    std::atomic<bool> m_up{true};
};

} // namespace server
