#include "TableVersion.h"

#include "Database.h"
#include "SqlDialect.h"

namespace {

// VERSAOSERVIDOR_DIMENSAODIME on PostgreSQL; one per event on SQLite (..._INSERT).
QString triggerName(const QString &watchedTable, const char *event = nullptr)
{
    const QString name = QLatin1String(TableVersion::Table) + QLatin1Char('_') + watchedTable;
    return event ? name + QLatin1Char('_') + QLatin1String(event) : name;
}

constexpr const char *SqliteEvents[] = {"INSERT", "UPDATE", "DELETE"};

} // namespace

QStringList TableVersion::creation(const SqlDialect &dialect, const QString &watchedTable)
{
    QStringList statements{
        QStringLiteral("CREATE TABLE IF NOT EXISTS VERSAOSERVIDOR (NMTABELA %1 NOT NULL PRIMARY "
                       "KEY, NRVERSAO BIGINT NOT NULL)")
            .arg(dialect.textType(30)),
        QStringLiteral("INSERT INTO VERSAOSERVIDOR (NMTABELA, NRVERSAO) SELECT '%1', 0 WHERE NOT "
                       "EXISTS (SELECT 1 FROM VERSAOSERVIDOR WHERE NMTABELA = '%1')")
            .arg(watchedTable)};
    if (dialect.isSqlite()) {
        for (const char *event : SqliteEvents)
            statements << QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1 AFTER %2 ON %3 BEGIN "
                                         "UPDATE VERSAOSERVIDOR SET NRVERSAO = NRVERSAO + 1 "
                                         "WHERE NMTABELA = '%3'; END")
                              .arg(triggerName(watchedTable, event), QLatin1String(event),
                                   watchedTable);
        return statements;
    }
    // The function runs with its owner's rights and the schema it was made in, so that another
    // program writing the watched table needs no rights on the version table, and finds it.
    statements << QStringLiteral(
                      "CREATE OR REPLACE FUNCTION versaoservidor_conta() RETURNS trigger "
                      "LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $$ "
                      "BEGIN UPDATE versaoservidor SET nrversao = nrversao + 1 "
                      "WHERE nmtabela = upper(TG_TABLE_NAME); RETURN NULL; END $$")
               << QStringLiteral("DROP TRIGGER IF EXISTS %1 ON %2")
                      .arg(triggerName(watchedTable), watchedTable)
               << QStringLiteral("CREATE TRIGGER %1 BEFORE INSERT OR UPDATE OR DELETE OR TRUNCATE "
                                 "ON %2 FOR EACH STATEMENT EXECUTE FUNCTION versaoservidor_conta()")
                      .arg(triggerName(watchedTable), watchedTable);
    return statements;
}

bool TableVersion::watched(Database &db, const QString &watchedTable)
{
    int expected = 1;
    QString triggers;
    QVariantList values;
    if (db.dialect().isSqlite()) {
        triggers = QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'trigger' AND "
                                  "upper(tbl_name) = ? AND name IN (?, ?, ?)");
        values << watchedTable;
        for (const char *event : SqliteEvents)
            values << triggerName(watchedTable, event);
        expected = 3;
    } else {
        triggers = QStringLiteral("SELECT count(*) FROM pg_catalog.pg_trigger WHERE tgrelid = "
                                  "to_regclass(?) AND tgname = ? AND tgenabled <> 'D'");
        values << watchedTable.toLower() << triggerName(watchedTable).toLower();
    }
    const QVector<QVariantList> found = db.rows(triggers, values);
    if (found.isEmpty() || found.first().value(0).toInt() != expected) return false;
    const QVector<QVariantList> table = db.rows(
        db.dialect().isSqlite()
            ? QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?")
            : QStringLiteral("SELECT 1 FROM pg_catalog.pg_class WHERE oid = to_regclass(?) AND "
                             "relkind IN ('r', 'p')"),
        {db.dialect().isSqlite() ? QString::fromLatin1(Table)
                                 : QString::fromLatin1(Table).toLower()});
    return !table.isEmpty() && read(db, watchedTable, false).has_value();
}

std::optional<qint64> TableVersion::read(Database &db, const QString &watchedTable, bool forSave)
{
    const QVector<QVariantList> rows =
        db.rows(forSave && !db.dialect().isSqlite()
                    ? QStringLiteral("SELECT NRVERSAO FROM VERSAOSERVIDOR WHERE NMTABELA = ? FOR "
                                     "UPDATE")
                    : QStringLiteral("SELECT NRVERSAO FROM VERSAOSERVIDOR WHERE NMTABELA = ?"),
                {watchedTable});
    if (rows.isEmpty()) return std::nullopt;
    return rows.first().value(0).toLongLong();
}
