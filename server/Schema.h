#pragma once

#include "server/DemoData.h"

#include <QSqlDatabase>
#include <QString>

namespace server {

// The tables the four requests read: postal areas, companies, items, statement headers and
// statement lines. The same statements serve SQLite and PostgreSQL.
bool hasStatementTables(const QSqlDatabase& db);
// Creates the tables and fills them with `data` in one transaction. Empty `error` on success.
bool createStatementTables(QSqlDatabase& db, const DemoData& data, QString& error);

} // namespace server
