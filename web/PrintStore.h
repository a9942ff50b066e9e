#pragma once

#include <QByteArray>
#include <QTemporaryDir>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace report {
class TRpPageList;
}

namespace web {

struct HttpAnswer;

// A statement printed once: the PDF the export writes and the page store its pictures are
// drawn from, both from the same generation.
class PrintedStatement
{
public:
    // Reads the report file back as the page store the pictures come from.
    PrintedStatement(QByteArray pdf, QByteArray fileName, std::unique_ptr<QTemporaryDir> dir,
                     const QString& reportFile);
    ~PrintedStatement();

    const QByteArray& pdf() const { return m_pdf; }
    const QByteArray& fileName() const { return m_fileName; }
    int pageCount() const;
    // Page `n` (1-based) as a metafile; none when there is no such page.
    std::optional<std::string> page(int n) const;

private:
    QByteArray m_pdf;
    QByteArray m_fileName;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<report::TRpPageList> m_pages;
    mutable std::mutex m_mutex; // the page store reads one page at a time
};

// Printed statements held briefly, so that a print's PDF and page pictures, asked for side by
// side, come from one fetch and one generation. Keyed by a digest of the visitor and the whole
// search, security number included: an entry answers only the search that made it.
class PrintStore
{
public:
    struct Slot
    {
        std::mutex mutex; // held while the statement is fetched and generated
        std::shared_ptr<const PrintedStatement> printed;
        std::shared_ptr<const HttpAnswer> failure; // what the ones that waited are told
        int64_t lastUsedMs = 0;
    };

    // A print's pictures follow its PDF within seconds; a few minutes cover a slow reader.
    static constexpr int64_t keepMs = 2 * 60 * 1000;
    // Each holds a PDF and a report file of a few hundred kilobytes.
    static constexpr size_t maxSlots = 64;

    // The slot of `key`, made when missing.
    std::shared_ptr<Slot> slot(const QByteArray& key, int64_t nowMs);
    // Forgets the slot, when its fetch failed, so that the next request tries again.
    void drop(const QByteArray& key, const std::shared_ptr<Slot>& slot);

private:
    std::mutex m_mutex;
    std::map<QByteArray, std::shared_ptr<Slot>> m_slots;
};

} // namespace web
