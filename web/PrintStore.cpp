#include "web/PrintStore.h"

#include "report/store/TRpPageList.h"
#include "web/HttpServer.h"

#include <algorithm>

namespace web {

PrintedStatement::PrintedStatement(QByteArray pdf, QByteArray fileName,
                                   std::unique_ptr<QTemporaryDir> dir, const QString& reportFile)
    : m_pdf(std::move(pdf)), m_fileName(std::move(fileName)), m_dir(std::move(dir)),
      m_pages(report::TRpPageList::OpenReportFile(reportFile))
{
}

PrintedStatement::~PrintedStatement() = default;

int PrintedStatement::pageCount() const
{
    const std::lock_guard lock(m_mutex);
    return m_pages->StoredPages();
}

std::optional<std::string> PrintedStatement::page(int n) const
{
    const std::lock_guard lock(m_mutex);
    if (n < 1 || n > m_pages->StoredPages())
        return std::nullopt;
    return m_pages->LoadPage(n);
}

std::shared_ptr<PrintStore::Slot> PrintStore::slot(const QByteArray& key, int64_t nowMs)
{
    const std::lock_guard lock(m_mutex);
    std::erase_if(m_slots,
                  [nowMs](const auto& entry) { return entry.second->lastUsedMs + keepMs < nowMs; });
    auto found = m_slots.find(key);
    if (found == m_slots.end()) {
        if (m_slots.size() >= maxSlots) {
            // The one least recently used goes; a request still reading it keeps its own copy.
            m_slots.erase(std::min_element(m_slots.begin(), m_slots.end(), [](auto& a, auto& b) {
                return a.second->lastUsedMs < b.second->lastUsedMs;
            }));
        }
        found = m_slots.emplace(key, std::make_shared<Slot>()).first;
    }
    found->second->lastUsedMs = nowMs;
    return found->second;
}

void PrintStore::drop(const QByteArray& key, const std::shared_ptr<Slot>& slot)
{
    const std::lock_guard lock(m_mutex);
    const auto it = m_slots.find(key);
    if (it != m_slots.end() && it->second == slot)
        m_slots.erase(it);
}

} // namespace web
