#include "server/UnsentBudget.h"

#include <algorithm>

namespace server {

void UnsentBudget::setBytes(Entry& entry, int64_t bytes)
{
    m_total += bytes - entry.bytes;
    if (entry.condemned)
        m_condemnedBytes += bytes - entry.bytes;
    entry.bytes = bytes;
}

bool UnsentBudget::update(const Reader& reader, int64_t bytes, int64_t sinceMs)
{
    const std::lock_guard lock(m_mutex);
    const auto it = m_entries.find(reader.id);
    if (it == m_entries.end()) {
        if (bytes <= 0)
            return false;
        Entry& entry = m_entries[reader.id];
        entry.loop = reader.loop;
        entry.sinceMs = sinceMs;
        setBytes(entry, bytes);
        m_waiting.emplace(Key{sinceMs, reader.id}, reader.loop);
        return true;
    }
    Entry& entry = it->second;
    setBytes(entry, bytes);
    // Picked already: it goes whatever it sends now.
    if (entry.condemned)
        return true;
    m_waiting.erase(Key{entry.sinceMs, reader.id});
    if (bytes <= 0) {
        m_entries.erase(it);
        return false;
    }
    entry.sinceMs = sinceMs;
    m_waiting.emplace(Key{sinceMs, reader.id}, reader.loop);
    return true;
}

void UnsentBudget::forget(uintptr_t id)
{
    const std::lock_guard lock(m_mutex);
    const auto it = m_entries.find(id);
    if (it == m_entries.end())
        return;
    Entry& entry = it->second;
    setBytes(entry, 0);
    if (entry.condemned)
        std::erase(m_mailboxes[size_t(entry.loop)], id);
    else
        m_waiting.erase(Key{entry.sinceMs, id});
    m_entries.erase(it);
}

std::vector<uintptr_t> UnsentBudget::pick(int loop, std::vector<int>& wake)
{
    std::vector<uintptr_t> own;
    const std::lock_guard lock(m_mutex);
    while (totalBytes() - m_condemnedBytes.load() > m_budgetBytes && !m_waiting.empty()) {
        const auto slowest = m_waiting.begin();
        const uintptr_t id = slowest->first.second;
        const int owner = slowest->second;
        m_waiting.erase(slowest);
        Entry& entry = m_entries[id];
        entry.condemned = true;
        m_condemnedBytes += entry.bytes;
        if (owner == loop) {
            own.push_back(id);
        } else {
            m_mailboxes[size_t(owner)].push_back(id);
            if (std::find(wake.begin(), wake.end(), owner) == wake.end())
                wake.push_back(owner);
        }
    }
    return own;
}

std::vector<uintptr_t> UnsentBudget::mailbox(int loop)
{
    const std::lock_guard lock(m_mutex);
    return std::exchange(m_mailboxes[size_t(loop)], {});
}

} // namespace server
