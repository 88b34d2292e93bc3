#pragma once

#include "ServerTables.h"

#include <QDateTime>
#include <QString>
#include <QVector>

class Database;

// The server's record of every login, accepted or refused (table ACESSOSERVIDOR): when, the
// name given, the client's address and the outcome. Never a password.
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
    };

    explicit LoginRecord(Database &db) : m_db(db) {}

    // when: the moment of the login, now unless written later.
    void write(const QString &user, const QString &address, Outcome outcome,
               const QDateTime &when = QDateTime::currentDateTimeUtc());

    // The entries in the order they were written, filtered as AuditTrail::read filters.
    static QVector<Entry> read(Database &db, const QString &since, const QString &user);

    static constexpr const char *Table = server_tables::Logins;

private:
    Database &m_db;
};
