#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

namespace server {

// Whether the database answers, as every connection of the process sees it. Each connection
// that loses the database says so here, and the outage is over when the last one is back: one
// log line when it starts and one when it ends, however many connections notice it.
class DatabaseHealth
{
public:
    // True for the first connection lost in an outage: it alone tells the log.
    bool lost(int64_t nowMs)
    {
        const std::lock_guard lock(m_mutex);
        if (m_lost++ > 0)
            return false;
        m_since = nowMs;
        m_up.store(false);
        return true;
    }

    // How long the outage lasted when this was the last connection to come back; -1 otherwise.
    int64_t restored(int64_t nowMs)
    {
        const std::lock_guard lock(m_mutex);
        if (m_lost == 0 || --m_lost > 0)
            return -1;
        m_up.store(true);
        return nowMs - m_since;
    }

    bool up() const { return m_up.load(); }

private:
    std::mutex m_mutex;
    int m_lost = 0;
    int64_t m_since = 0;
    std::atomic<bool> m_up{true};
};

} // namespace server
