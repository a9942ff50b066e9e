#include "server/Schema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

using namespace Qt::StringLiterals;

namespace server {

namespace {

// Dates are "yyyy-mm-dd" texts, as the requests compare them; amounts are 64-bit because
// construction statements pass 2,147,483,647 won.
const char* const tableStatements[] = {
    "CREATE TABLE posts (postkey VARCHAR(10) PRIMARY KEY, postname VARCHAR(100) NOT NULL)",
    "CREATE TABLE custs (custcode VARCHAR(10) PRIMARY KEY, custname VARCHAR(100) NOT NULL,"
    " telno VARCHAR(20) NOT NULL, regitration VARCHAR(20) NOT NULL, chief VARCHAR(50) NOT NULL,"
    " postkey VARCHAR(10) REFERENCES posts (postkey), address VARCHAR(200) NOT NULL,"
    " jobkind VARCHAR(50) NOT NULL, jobitem VARCHAR(50) NOT NULL, userpass VARCHAR(20) NOT NULL,"
    " controls INTEGER NOT NULL DEFAULT 0)",
    "CREATE TABLE items (itemcode VARCHAR(20) PRIMARY KEY, itemname VARCHAR(100) NOT NULL,"
    " unit VARCHAR(10) NOT NULL)",
    "CREATE TABLE subulm (subuldate VARCHAR(10) NOT NULL, subulseq INTEGER NOT NULL,"
    " icustcode VARCHAR(10) NOT NULL REFERENCES custs (custcode), iocode VARCHAR(3) NOT NULL,"
    " PRIMARY KEY (subuldate, subulseq))",
    "CREATE INDEX subulm_customer ON subulm (icustcode, subuldate)",
    "CREATE TABLE subuld (subuldate VARCHAR(10) NOT NULL, subulseq INTEGER NOT NULL,"
    " subulser INTEGER NOT NULL, itemcode VARCHAR(20) REFERENCES items (itemcode),"
    " remark VARCHAR(200) NOT NULL, qty BIGINT NOT NULL, price BIGINT NOT NULL,"
    " amount BIGINT NOT NULL, tax BIGINT NOT NULL, PRIMARY KEY (subuldate, subulseq, subulser),"
    " FOREIGN KEY (subuldate, subulseq) REFERENCES subulm (subuldate, subulseq))",
};

class Inserter
{
public:
    Inserter(QSqlDatabase& db, const QString& statement) : m_query(db)
    {
        m_ok = m_query.prepare(statement);
    }

    bool insert(const QVariantList& values)
    {
        if (!m_ok)
            return false;
        for (int i = 0; i < values.size(); ++i)
            m_query.bindValue(i, values[i]);
        m_ok = m_query.exec();
        return m_ok;
    }

    QString error() const { return m_query.lastError().text(); }

private:
    QSqlQuery m_query;
    bool m_ok = false;
};

bool fill(QSqlDatabase& db, const DemoData& data, QString& error)
{
    for (const char* statement : tableStatements) {
        QSqlQuery query(db);
        if (!query.exec(QString::fromLatin1(statement))) {
            error = query.lastError().text();
            return false;
        }
    }
    Inserter posts(db, u"INSERT INTO posts VALUES (?, ?)"_s);
    for (const DemoPost& p : data.posts) {
        if (!posts.insert({p.key, p.name})) {
            error = posts.error();
            return false;
        }
    }
    Inserter custs(db, u"INSERT INTO custs VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s);
    for (const DemoCompany& c : data.companies) {
        if (!custs.insert({c.code, c.name, c.telno, c.registration, c.chief, c.postKey, c.address,
                           c.jobKind, c.jobItem, c.password, c.controls})) {
            error = custs.error();
            return false;
        }
    }
    Inserter items(db, u"INSERT INTO items VALUES (?, ?, ?)"_s);
    for (const DemoItem& i : data.items) {
        if (!items.insert({i.code, i.name, i.unit})) {
            error = items.error();
            return false;
        }
    }
    Inserter headers(db, u"INSERT INTO subulm VALUES (?, ?, ?, ?)"_s);
    Inserter lines(db, u"INSERT INTO subuld VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"_s);
    for (const DemoStatement& s : data.statements) {
        if (!headers.insert({s.date, s.seq, s.custCode, s.ioCode})) {
            error = headers.error();
            return false;
        }
        int serial = 0;
        for (const DemoLine& l : s.lines) {
            if (!lines.insert({s.date, s.seq, ++serial, l.itemCode, l.remark, qlonglong(l.qty),
                               qlonglong(l.price), qlonglong(l.amount), qlonglong(l.tax)})) {
                error = lines.error();
                return false;
            }
        }
    }
    return true;
}

} // namespace

bool hasStatementTables(const QSqlDatabase& db)
{
    const QStringList tables = db.tables();
    return tables.contains(u"custs"_s, Qt::CaseInsensitive) ||
           tables.contains(u"subulm"_s, Qt::CaseInsensitive);
}

bool createStatementTables(QSqlDatabase& db, const DemoData& data, QString& error)
{
    error.clear();
    if (!db.transaction()) {
        error = db.lastError().text();
        return false;
    }
    if (!fill(db, data, error)) {
        db.rollback();
        return false;
    }
    if (!db.commit()) {
        error = db.lastError().text();
        return false;
    }
    return true;
}

} // namespace server
