#pragma once

#include "ServerTables.h"

#include <QMutex>
#include <QString>
#include <QStringList>
#include <atomic>

class Database;

// Sessions ended by an operator ("kzr-appserver sessions end USER"), for every server on the
// database: the command writes a row into FIMSESSAOSERVIDOR, and each running server looks for
// new rows at most once a second, from a call that is being let through its gate, and ends the
// named user's sessions it knows. The stored sessions (SessionStore) go at once; the row reaches
// the servers that would otherwise answer from memory until their next look at the database.
class SessionEnds
{
public:
    SessionEnds();

    static constexpr const char *Table = server_tables::SessionEnds;

    // Asks every server on this database to end the user's sessions.
    static void request(Database &db, const QString &user);

    // The users whose sessions were asked to end since the last look (on the first, since this
    // object was made); nothing when another look was made within the second. Throws Exception
    // when the database cannot be read (the next call looks again).
    QStringList due(Database &db);

private:
    const QString m_since;
    std::atomic<qint64> m_nextLookMs{0};
    QMutex m_mutex;
    qint64 m_seen = 0;
};
