#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class Database;
class SqlDialect;

// The version table VERSAOSERVIDOR: one row per watched table, counted up by triggers on that
// table in the same transaction as every change to it, whoever makes the change (this server,
// another one, any other program). Two reads of the same number saw the same rows. PostgreSQL
// counts once per statement (before it touches any row, so that every writer takes the version
// row's lock first and no two writers wait on each other in opposite order); SQLite, which has
// no statement triggers, once per row.
class TableVersion
{
public:
    static constexpr const char *Table = "VERSAOSERVIDOR";

    // The statements that make the version table, the watched table's row and its triggers;
    // each may run again on a database that has them.
    static QStringList creation(const SqlDialect &dialect, const QString &watchedTable);

    // The version row and the triggers are there: the number can be trusted.
    static bool watched(Database &db, const QString &watchedTable);

    // The table's current number; nullopt when its row is gone. forSave: inside a write
    // transaction, the row stays locked until it ends (PostgreSQL), so that no other writer
    // changes the table meanwhile; SQLite's write transaction already excludes them.
    static std::optional<qint64> read(Database &db, const QString &watchedTable, bool forSave);
};
