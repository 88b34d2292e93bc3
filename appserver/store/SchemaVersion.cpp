#include "SchemaVersion.h"

#include "Catalogue.h"
#include "Database.h"
#include "Exceptions.h"
#include "SchemaInstaller.h"
#include "Transaction.h"

#include <QDateTime>

namespace {

// Any fixed number: the one lock every server of this program takes to upgrade.
constexpr qint64 UpgradeLockKey = 0x4b5a523031323030; // "KZR01200"

QString creation(const SqlDialect &sql)
{
    return QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (NRVERSAO INTEGER NOT NULL PRIMARY KEY, "
                          "DTAPLICACAO %2 NOT NULL)")
        .arg(QLatin1String(SchemaVersion::Table), sql.textType(24));
}

// What each version changes, from the one before it: steps[v - 2] turns v - 1 into v. Each
// runs inside the upgrade's transaction. Version 2 adds only the version table, version 3 the
// sessions every server on the database shares.
const std::vector<std::function<void(Database &)>> &steps()
{
    static const std::vector<std::function<void(Database &)>> all = {
        [](Database &db) { db.run(creation(db.dialect())); },
        [](Database &db) { db.run(SchemaInstaller::sessionsTable(db.dialect())); },
    };
    return all;
}

} // namespace

std::optional<int> SchemaVersion::read(Database &db)
{
    if (!Catalogue(db).holds(QLatin1String(Table))) return std::nullopt;
    const QVector<QVariantList> rows =
        db.rows(QStringLiteral("SELECT MAX(NRVERSAO) FROM %1").arg(QLatin1String(Table)), {});
    return rows.isEmpty() || rows.front().value(0).isNull() ? 1 : rows.front().value(0).toInt();
}

void SchemaVersion::refuseNewer(int version)
{
    throw Exception(QStringLiteral("O banco de dados está na versão %1 das tabelas do servidor, "
                                   "mais nova que a versão %2 que este programa conhece; use um "
                                   "kzr-appserver atualizado. Nada foi alterado.")
                        .arg(version)
                        .arg(Current));
}

SchemaVersion::Found SchemaVersion::inspect(Database &db)
{
    Found found;
    found.version = read(db);
    if (found.version && *found.version > Current) refuseNewer(*found.version);
    found.serverTables = found.version.has_value() ||
                         Catalogue(db).holds(QString::fromLatin1(server_tables::Users));
    return found;
}

bool SchemaVersion::bringUpToDate(Database &db, const Found &found)
{
    if (found.version == Current) return false;
    Transaction transaction(db);
    if (!db.dialect().isSqlite())
        db.run(QStringLiteral("SELECT pg_advisory_xact_lock(?)"), {UpgradeLockKey});
    // Under the lock (on SQLite the write lock): another server may have done it meanwhile.
    const std::optional<int> now = read(db);
    if (now && *now > Current) refuseNewer(*now);
    if (now == Current) return false;
    // A database without the server's tables got them just now in today's layout.
    const int from = found.serverTables ? now.value_or(1) : Current;
    for (int version = from + 1; version <= Current; ++version)
        steps()[size_t(version - 2)](db);
    db.run(creation(db.dialect()));
    db.run(QStringLiteral("INSERT INTO %1 (NRVERSAO, DTAPLICACAO) VALUES (?, ?)")
               .arg(QLatin1String(Table)),
           {Current, QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)});
    transaction.commit();
    return from < Current;
}
