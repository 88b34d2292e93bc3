#include "SchemaInstaller.h"

#include "Catalogue.h"
#include "Database.h"
#include "Exceptions.h"
#include "SchemaVersion.h"
#include "ServerTables.h"
#include "TableLayout.h"
#include "TableVersion.h"
#include "Transaction.h"

namespace {

// Unquoted names on purpose: PostgreSQL keeps them in lower case, SQLite as written, and every
// statement of the server names them unquoted as well, so both find the same table.
QString dimensionsTable(const SqlDialect &sql)
{
    return QStringLiteral("CREATE TABLE IF NOT EXISTS DIMENSAODIME ("
                          "IDDIMENSAODW %1 NOT NULL CHECK (IDDIMENSAODW IN ('S', 'N')), "
                          "NRSEQUEDIME %2 NOT NULL PRIMARY KEY, "
                          "NMITEMDIME %3 NOT NULL UNIQUE, "
                          "CDTABELADIME %3, DSPKDIME %3, DSITEMDIME %3, DSPKDIME2 %3)")
        .arg(sql.textType(1), sql.textType(5), sql.textType(30));
}

QString extrasTable(const SqlDialect &sql)
{
    // No cascade: a dimension that still has extra attributes cannot be deleted or recoded.
    return QStringLiteral("CREATE TABLE IF NOT EXISTS ATRIBEXTRADIME ("
                          "NRSEQUEDIME %1 NOT NULL REFERENCES DIMENSAODIME (NRSEQUEDIME) "
                          "ON UPDATE RESTRICT ON DELETE RESTRICT, "
                          "CDATRIBEXTRDIME %2 NOT NULL, "
                          "DSATRIBEXTRDIME %2 NOT NULL, "
                          "PRIMARY KEY (NRSEQUEDIME, CDATRIBEXTRDIME), "
                          "UNIQUE (NRSEQUEDIME, DSATRIBEXTRDIME))")
        .arg(sql.textType(5), sql.textType(30));
}

QString usersTable(const SqlDialect &sql)
{
    return QStringLiteral("CREATE TABLE IF NOT EXISTS USUARIOSERVIDOR ("
                          "NMUSUARIO %1 NOT NULL PRIMARY KEY, "
                          "IDPAPEL %2 NOT NULL CHECK (IDPAPEL IN ('read-only', 'maintain')), "
                          "DSSENHA %3 NOT NULL)")
        .arg(sql.textType(30), sql.textType(10), sql.textType(255));
}

QString auditTable(const SqlDialect &sql)
{
    return QStringLiteral(
               "CREATE TABLE IF NOT EXISTS AUDITORIASERVIDOR ("
               "NRSEQUAUDI %1, "
               "DTALTERACAO %2 NOT NULL, "
               "NMUSUARIO %3 NOT NULL, "
               "NMTABELA %3 NOT NULL, "
               "IDOPERACAO %4 NOT NULL CHECK (IDOPERACAO IN ('insert', 'modify', 'delete')), "
               "DSREGISTRO %5 NOT NULL, "
               "DSANTES TEXT, DSDEPOIS TEXT)")
        .arg(sql.autoKeyType(), sql.textType(24), sql.textType(30), sql.textType(6),
             sql.textType(40));
}

QString loginsTable(const SqlDialect &sql)
{
    return QStringLiteral("CREATE TABLE IF NOT EXISTS ACESSOSERVIDOR ("
                          "NRSEQUACES %1, "
                          "DTACESSO %2 NOT NULL, "
                          "NMUSUARIO %3 NOT NULL, "
                          "DSENDERECO %4 NOT NULL, "
                          "IDRESULTADO %5 NOT NULL CHECK (IDRESULTADO IN ('accepted', 'refused')), "
                          "%6, %7)")
        .arg(sql.autoKeyType(), sql.textType(24), sql.textType(30), sql.textType(64),
             sql.textType(8), SchemaInstaller::loginOriginColumn(sql),
             SchemaInstaller::loginRoleColumn(sql));
}

} // namespace

QString SchemaInstaller::sessionsTable(const SqlDialect &sql)
{
    // Only a hash of each token: a copy of the table opens no session.
    return QStringLiteral("CREATE TABLE IF NOT EXISTS SESSAOSERVIDOR ("
                          "DSSESSAO %1 NOT NULL PRIMARY KEY, "
                          "NMUSUARIO %2 NOT NULL, "
                          "IDPAPEL %3 NOT NULL CHECK (IDPAPEL IN ('read-only', 'maintain')), "
                          "IDORIGEM %4 NOT NULL CHECK (IDORIGEM IN ('local', 'directory')), "
                          "NRULTIMOUSO BIGINT NOT NULL)")
        .arg(sql.textType(64), sql.textType(30), sql.textType(10), sql.textType(9));
}

QString SchemaInstaller::sessionEndsTable(const SqlDialect &sql)
{
    return QStringLiteral("CREATE TABLE IF NOT EXISTS FIMSESSAOSERVIDOR ("
                          "NRSEQUFIM %1, "
                          "NMUSUARIO %2 NOT NULL, "
                          "DTPEDIDO %3 NOT NULL)")
        .arg(sql.autoKeyType(), sql.textType(30), sql.textType(24));
}

QString SchemaInstaller::loginOriginColumn(const SqlDialect &sql)
{
    return QStringLiteral("IDORIGEM %1 NOT NULL DEFAULT 'local' "
                          "CHECK (IDORIGEM IN ('local', 'directory'))")
        .arg(sql.textType(9));
}

QString SchemaInstaller::loginRoleColumn(const SqlDialect &sql)
{
    return QStringLiteral("IDPAPEL %1").arg(sql.textType(10));
}

bool SchemaInstaller::install(Database &db)
{
    Catalogue catalogue(db);
    const bool haveDimensions = catalogue.holds(TableLayout::dimensions().table());
    const bool haveExtras = catalogue.holds(TableLayout::extras().table());
    const bool haveUsers = catalogue.holds(QStringLiteral("USUARIOSERVIDOR"));
    const bool haveAudit = catalogue.holds(QStringLiteral("AUDITORIASERVIDOR"));
    const bool haveLogins = catalogue.holds(QLatin1String(server_tables::Logins));
    if (haveDimensions && haveExtras && haveUsers && haveAudit && haveLogins) return false;
    Transaction transaction(db);
    if (!haveDimensions) db.run(dimensionsTable(db.dialect()));
    if (!haveExtras) db.run(extrasTable(db.dialect()));
    if (!haveUsers) db.run(usersTable(db.dialect()));
    if (!haveAudit) db.run(auditTable(db.dialect()));
    if (!haveLogins) db.run(loginsTable(db.dialect()));
    // Added to older tables by the upgrade, under its lock: servers starting together on one
    // PostgreSQL database would otherwise race to create them.
    if (!haveUsers) {
        db.run(sessionEndsTable(db.dialect()));
        db.run(sessionsTable(db.dialect()));
    }
    transaction.commit();
    return true;
}

std::optional<QString> SchemaInstaller::watchLists(Database &db)
{
    const QString &table = TableLayout::dimensions().table();
    try {
        if (TableVersion::watched(db, table)) return std::nullopt;
        Transaction transaction(db);
        for (const QString &statement : TableVersion::creation(db.dialect(), table))
            db.run(statement);
        // A view or other object of that name is no count the server can trust.
        if (!TableVersion::watched(db, table))
            return QStringLiteral("%1 não é uma tabela de versões")
                .arg(QLatin1String(TableVersion::Table));
        transaction.commit();
    } catch (const Exception &e) {
        return e.Message();
    }
    return std::nullopt;
}

QStringList SchemaInstaller::tables()
{
    return {TableLayout::dimensions().table(),  TableLayout::extras().table(),
            QStringLiteral("USUARIOSERVIDOR"),  QStringLiteral("AUDITORIASERVIDOR"),
            QLatin1String(TableVersion::Table), QLatin1String(SchemaVersion::Table),
            QLatin1String(server_tables::Sessions)};
}
