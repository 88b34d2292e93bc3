#pragma once

#include "Role.h"
#include "ServerTables.h"
#include "UserOrigin.h"

#include <QMap>
#include <QString>
#include <QVector>
#include <optional>

class Database;

// The server's record of every login, accepted or refused (table ACESSOSERVIDOR): when, the
// name given, the client's address, the outcome, whether the name was checked locally or in
// the directory, and the role an accepted login got. Never a password.
class LoginRecord
{
public:
    struct Entry
    {
        QString when; // UTC, ISO 8601 with milliseconds
        QString user; // as given, also when no such user exists
        QString address;
        bool accepted = false;
        QString origin; // "local", "directory"
        QString role;   // of an accepted login; empty otherwise
    };

    explicit LoginRecord(Database &db) : m_db(db) {}

    // role: given for an accepted login only.
    void write(const QString &user, const QString &address, UserOrigin origin,
               std::optional<Role> role);

    // The entries in the order they were written, filtered as AuditTrail::read filters.
    static QVector<Entry> read(Database &db, const QString &since, const QString &user);

    // The names that logged in from the directory, each with the role of its last login.
    static QMap<QString, QString> directoryUsers(Database &db);

    static constexpr const char *Table = server_tables::Logins;

private:
    Database &m_db;
};
