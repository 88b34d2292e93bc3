#pragma once

#include "Role.h"
#include "ServerTables.h"
#include "UserOrigin.h"

#include <QDateTime>
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
    // Refused: the password did not match; held back: refused by the throttle, unchecked.
    enum class Outcome { Accepted, Refused, HeldBack };

    struct Entry
    {
        QString when; // UTC, ISO 8601 with milliseconds
        QString user; // as given, also when no such user exists
        QString address;
        QString outcome; // as stored: accepted, refused, backoff
        QString origin;  // "local", "directory"
        QString role;    // of an accepted login; empty otherwise
    };

    explicit LoginRecord(Database &db) : m_db(db) {}

    // role: given for an accepted login only. when: the moment of the login, now unless
    // written later.
    void write(const QString &user, const QString &address, Outcome outcome, UserOrigin origin,
               std::optional<Role> role,
               const QDateTime &when = QDateTime::currentDateTimeUtc());

    // The entries in the order they were written, filtered as AuditTrail::read filters.
    static QVector<Entry> read(Database &db, const QString &since, const QString &user);

    // The names that logged in from the directory, each with the role of its last login.
    static QMap<QString, QString> directoryUsers(Database &db);

    static constexpr const char *Table = server_tables::Logins;

private:
    Database &m_db;
};
