#pragma once

#include "ServerTables.h"

#include <QString>
#include <QVector>

class Database;

// The server's record of every login, accepted or refused (table ACESSOSERVIDOR): when, the
// name given, the client's address and the outcome. Never a password.
class LoginRecord
{
public:
    struct Entry
    {
        QString when; // UTC, ISO 8601 with milliseconds
        QString user; // as given, also when no such user exists
        QString address;
        bool accepted = false;
    };

    explicit LoginRecord(Database &db) : m_db(db) {}

    void write(const QString &user, const QString &address, bool accepted);

    // The entries in the order they were written, filtered as AuditTrail::read filters.
    static QVector<Entry> read(Database &db, const QString &since, const QString &user);

    static constexpr const char *Table = server_tables::Logins;

private:
    Database &m_db;
};
