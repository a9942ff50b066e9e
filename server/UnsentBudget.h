#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

namespace server {

// The answers waiting for slow readers, counted for the whole process. When they are over the
// budget the slowest readers go, those whose answers have waited longest, on whichever event
// loop they are: a loop holding one slightly slow reader must not drop it while the clients
// that never read sit on another loop. Only connections with unsent answers are known here, so
// the answers that go out at once cost nothing.
class UnsentBudget
{
public:
    // A connection by the event loop that owns it and an identity unique among the open ones.
    struct Reader
    {
        int loop = 0;
        uintptr_t id = 0;
    };

    explicit UnsentBudget(int64_t budgetBytes, int loops = 1)
        : m_budgetBytes(budgetBytes), m_mailboxes(size_t(loops))
    {
    }

    // Before the loops start.
    void setLoops(int loops) { m_mailboxes.assign(size_t(loops), {}); }

    // The connection's unsent bytes now and since when they wait. Returns whether it is known
    // here afterwards, and so must be forgotten when it closes.
    bool update(const Reader& reader, int64_t bytes, int64_t sinceMs);
    // The connection closed.
    void forget(uintptr_t id);

    int64_t totalBytes() const { return m_total.load(std::memory_order_relaxed); }
    bool over() const { return totalBytes() - m_condemnedBytes.load() > m_budgetBytes; }

    // Picks the slowest readers until the others fit the budget. Those of `loop` are returned
    // for it to drop; those of other loops wait in their loop's mailbox, and their loops are
    // returned in `wake`.
    std::vector<uintptr_t> pick(int loop, std::vector<int>& wake);
    // What other loops picked on `loop` to drop.
    std::vector<uintptr_t> mailbox(int loop);

private:
    using Key = std::pair<int64_t, uintptr_t>;
    struct Entry
    {
        int loop = 0;
        int64_t bytes = 0;
        int64_t sinceMs = 0;
        bool condemned = false;
    };

    void setBytes(Entry& entry, int64_t bytes);

    const int64_t m_budgetBytes;
    std::mutex m_mutex;
    std::unordered_map<uintptr_t, Entry> m_entries;
    // The readers not yet picked, the longest waiting first.
    std::map<Key, int> m_waiting;
    std::vector<std::vector<uintptr_t>> m_mailboxes;
    std::atomic<int64_t> m_total{0};
    // Bytes of readers picked but not yet dropped by their loop.
    std::atomic<int64_t> m_condemnedBytes{0};
};

} // namespace server
