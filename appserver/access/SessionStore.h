#pragma once

#include "Role.h"
#include "UserOrigin.h"
#include "ServerTables.h"

#include <QString>
#include <optional>

class Database;

// The sessions as the database keeps them (SESSAOSERVIDOR), so that every server on it resumes
// any of them and a restart ends none: the SHA-256 of the token (never the token itself), the
// user, the role, where the user is known and the last use, in milliseconds since 1970 (UTC). Statements in autocommit, each
// one on its own.
class SessionStore
{
public:
    static constexpr const char *Table = server_tables::Sessions;

    struct Stored
    {
        QString user;
        Role role = Role::ReadOnly;
        UserOrigin origin = UserOrigin::Local;
    };

    explicit SessionStore(Database &db) : m_db(db) {}

    // The hex SHA-256 of a token: what the table holds.
    static QString tokenHash(const QString &token);

    void add(const QString &token, const Stored &session, qint64 now);
    // Marks the session used now, when it was used within idleMs; nullopt when it has
    // ended (logged out, its user's password changed or the user removed, idle too long) or
    // never was.
    std::optional<Stored> touch(const QString &token, qint64 now, qint64 idleMs);
    void end(const QString &token);
    // Every session of the user, on every server; the count ended.
    int endUser(const QString &user);
    void forgetIdle(qint64 now, qint64 idleMs);

private:
    Database &m_db;
};
