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
// runs inside the upgrade's transaction. Version 2 adds only the version table; version 3 the
// origin and role of each login and the table of the sessions an operator ended; version 4 the
// sessions every server on the database shares.
const std::vector<std::function<void(Database &)>> &steps()
{
    static const std::vector<std::function<void(Database &)>> all = {
        [](Database &db) { db.run(creation(db.dialect())); },
        [](Database &db) {
            for (const QString &column : {SchemaInstaller::loginOriginColumn(db.dialect()),
                                          SchemaInstaller::loginRoleColumn(db.dialect())})
                db.run(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2")
                           .arg(QLatin1String(server_tables::Logins), column));
            db.run(SchemaInstaller::sessionEndsTable(db.dialect()));
        },
        [](Database &db) { db.run(SchemaInstaller::sessionsTable(db.dialect())); },
    };
    return all;
}

} // namespace

std::optional<qint64> SchemaVersion::read(Database &db)
{
    if (!Catalogue(db).holds(QLatin1String(Table))) return std::nullopt;
    const QVector<QVariantList> rows = db.rows(
        QStringLiteral("SELECT MIN(NRVERSAO), MAX(NRVERSAO) FROM %1").arg(QLatin1String(Table)),
        {});
    if (rows.isEmpty() || rows.front().value(1).isNull()) return 1;
    // Read whole, as 64-bit numbers: a version is never cut down to one it is not.
    const auto whole = [](const QVariant &value) -> std::optional<qint64> {
        bool ok = false;
        const qint64 number = value.toLongLong(&ok);
        if (!ok || value.toString() != QString::number(number)) return std::nullopt;
        return number;
    };
    const std::optional<qint64> lowest = whole(rows.front().value(0));
    const std::optional<qint64> highest = whole(rows.front().value(1));
    if (!lowest || !highest || *lowest < 1)
        throw Exception(QStringLiteral("O banco de dados registra uma versão desconhecida das "
                                       "tabelas do servidor (%1 em %2; as versões vão de 1 a "
                                       "%3). Nada foi alterado.")
                            .arg(lowest && *lowest < 1 ? rows.front().value(0).toString()
                                                       : rows.front().value(1).toString(),
                                 QLatin1String(Table))
                            .arg(Current));
    return highest;
}

void SchemaVersion::refuseNewer(qint64 version)
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
    const std::optional<qint64> now = read(db);
    if (now && *now > Current) refuseNewer(*now);
    if (now == Current) return false;
    // A database without the server's tables got them just now in today's layout.
    const qint64 from = found.serverTables ? now.value_or(1) : Current;
    for (qint64 version = from + 1; version <= Current; ++version)
        steps()[size_t(version - 2)](db);
    db.run(creation(db.dialect()));
    db.run(QStringLiteral("INSERT INTO %1 (NRVERSAO, DTAPLICACAO) VALUES (?, ?)")
               .arg(QLatin1String(Table)),
           {Current, QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)});
    transaction.commit();
    return from < Current;
}
