#pragma once

#include <QString>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace server {

// The grants of a SQLite server kept in its database file, so that a restart or an upgrade
// loses none. The guard in memory stays what answers; the store is written behind it on a
// thread of its own, in one transaction for whatever came in meanwhile, so that no event loop
// waits for the file. Times are milliseconds of the wall clock, which outlives the process.
class GrantStore
{
public:
    struct Grant
    {
        std::string peer;
        std::string date;
        int64_t seq = 0;
        int64_t expiresMs = 0;
    };

    // Opens the file at `path` on the store's thread, makes the table when it is missing and
    // reads the grants still live; null with `error` set when that fails.
    static std::unique_ptr<GrantStore> open(const QString& path, std::vector<Grant>& live,
                                            QString& error);
    // Writes what is still waiting.
    ~GrantStore();

    GrantStore(const GrantStore&) = delete;
    GrantStore& operator=(const GrantStore&) = delete;

    void add(std::vector<Grant> grants);

    static int64_t wallClockMs();

private:
    GrantStore() = default;
    void run(const QString& path, std::vector<Grant>* live, QString* error, bool* opened);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_opened;
    std::vector<Grant> m_waiting;
    bool m_stopping = false;
    bool m_ready = false;
    std::thread m_thread;
};

} // namespace server
