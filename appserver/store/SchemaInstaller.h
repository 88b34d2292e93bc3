#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class Database;
class SqlDialect;

// Makes a database ready to serve: creates the server's own tables when they are missing
// (DIMENSAODIME, ATRIBEXTRADIME, the users USUARIOSERVIDOR and the audit trail
// AUDITORIASERVIDOR) and touches nothing else, so that the server can be pointed at an
// existing application database.
class SchemaInstaller
{
public:
    // Returns true when it created the tables.
    static bool install(Database &db);

    // The version table and the triggers that count changes to DIMENSAODIME, where missing, so
    // that the server may keep the list ready between calls. Without the rights to make them
    // the server reads the list every time: the database's reason is returned.
    static std::optional<QString> watchLists(Database &db);

    // The record of logins' columns for where the user is known and the role a login got;
    // added to an older table by the upgrade to version 3.
    static QString loginOriginColumn(const SqlDialect &sql);
    static QString loginRoleColumn(const SqlDialect &sql);
    // FIMSESSAOSERVIDOR, the sessions an operator ended (SessionEnds); also version 3's.
    static QString sessionEndsTable(const SqlDialect &sql);
    // SESSAOSERVIDOR, the sessions every server on the database shares (SessionStore); version
    // 4's.
    static QString sessionsTable(const SqlDialect &sql);

    // Every table of the server's own, as a database keeps it: what a copy must hold.
    static QStringList tables();
};
