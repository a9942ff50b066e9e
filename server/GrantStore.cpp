#include "server/GrantStore.h"

#include "text/Cp949.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <atomic>
#include <chrono>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace server {

namespace {

// Grants waiting to be written at most; beyond them a grant lives in memory only, and is lost
// at a restart. A file that takes no writes for a while must not grow the process without end.
constexpr size_t maxWaitingGrants = 100000;
// Grants gather this long before a write, so that a busy server commits a few times a second
// rather than once an answer.
constexpr auto gatherTime = std::chrono::milliseconds(50);
// Expired grants are removed once in this many writes, and at every start.
constexpr int writesBetweenCleanups = 256;
// A write that finds the file locked by another program waits this long for it.
constexpr int busyTimeoutMs = 5000;

} // namespace

int64_t GrantStore::wallClockMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::unique_ptr<GrantStore> GrantStore::open(const QString& path, std::vector<Grant>& live,
                                             QString& error)
{
    std::unique_ptr<GrantStore> store(new GrantStore);
    bool opened = false;
    store->m_thread = std::thread(&GrantStore::run, store.get(), path, &live, &error, &opened);
    std::unique_lock lock(store->m_mutex);
    store->m_opened.wait(lock, [&] { return store->m_ready; });
    lock.unlock();
    if (!opened)
        return nullptr;
    return store;
}

GrantStore::~GrantStore()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

void GrantStore::add(std::vector<Grant> grants)
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_waiting.size() + grants.size() > maxWaitingGrants)
            return;
        const bool wasEmpty = m_waiting.empty();
        for (Grant& g : grants)
            m_waiting.push_back(std::move(g));
        if (!wasEmpty)
            return;
    }
    m_wake.notify_one();
}

void GrantStore::run(const QString& path, std::vector<Grant>* live, QString* error, bool* opened)
{
    static std::atomic<int> connections{0};
    const QString name = u"mirola-grants-%1"_s.arg(connections.fetch_add(1));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
        db.setDatabaseName(path);
        db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=%1"_s.arg(busyTimeoutMs));
        QSqlQuery write(db);
        QSqlQuery cleanup(db);
        const int64_t now = wallClockMs();
        bool ok = db.open();
        QSqlQuery setup(db);
        // A grant is worth no disk flush of its own: a power cut may forget the last ones.
        ok = ok && setup.exec(u"PRAGMA synchronous=NORMAL"_s) &&
             setup.exec(u"CREATE TABLE IF NOT EXISTS mirola_guard_grants (peer TEXT NOT NULL,"
                        " subuldate TEXT NOT NULL, subulseq INTEGER NOT NULL,"
                        " expires INTEGER NOT NULL, PRIMARY KEY (peer, subuldate, subulseq))"
                        " WITHOUT ROWID"_s) &&
             cleanup.prepare(u"DELETE FROM mirola_guard_grants WHERE expires < ?"_s);
        if (ok) {
            cleanup.bindValue(0, qlonglong(now));
            ok = cleanup.exec();
        }
        ok = ok &&
             setup.prepare(u"SELECT peer, subuldate, subulseq, expires FROM"
                           " mirola_guard_grants"_s) &&
             setup.exec();
        while (ok && setup.next())
            live->push_back({setup.value(0).toString().toStdString(),
                             text::toCp949(setup.value(1).toString()), setup.value(2).toLongLong(),
                             setup.value(3).toLongLong()});
        setup.finish();
        ok = ok && write.prepare(u"INSERT INTO mirola_guard_grants (peer, subuldate, subulseq,"
                                 " expires) VALUES (?, ?, ?, ?) ON CONFLICT (peer, subuldate,"
                                 " subulseq) DO UPDATE SET expires = excluded.expires"_s);
        if (!ok)
            *error = (db.isOpenError() ? db.lastError() : setup.lastError()).text();
        {
            const std::lock_guard lock(m_mutex);
            *opened = ok;
            m_ready = true;
        }
        m_opened.notify_one();
        int writes = 0;
        while (ok) {
            std::vector<Grant> batch;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [&] { return m_stopping || !m_waiting.empty(); });
                if (!m_stopping) {
                    lock.unlock();
                    std::this_thread::sleep_for(gatherTime);
                    lock.lock();
                }
                batch.swap(m_waiting);
                if (batch.empty() && m_stopping)
                    break;
            }
            // One line a failed write: the next batch tries again, and the grants are still
            // answered from memory.
            bool written = db.transaction();
            for (const Grant& g : batch) {
                if (!written)
                    break;
                write.bindValue(0, QString::fromStdString(g.peer));
                write.bindValue(1, text::fromCp949(g.date));
                write.bindValue(2, qlonglong(g.seq));
                write.bindValue(3, qlonglong(g.expiresMs));
                written = write.exec();
            }
            if (written && ++writes % writesBetweenCleanups == 0) {
                cleanup.bindValue(0, qlonglong(wallClockMs()));
                written = cleanup.exec();
            }
            if (!written || !db.commit()) {
                std::fprintf(stderr, "mirola-server: grants not kept in the database: %s\n",
                             (written ? db.lastError() : write.lastError())
                                 .text()
                                 .toLocal8Bit()
                                 .constData());
                db.rollback();
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace server
