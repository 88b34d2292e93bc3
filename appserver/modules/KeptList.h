#pragma once

#include "EncodedList.h"

#include <QMutex>
#include <QString>
#include <memory>

class Database;

// One table's list as the server last read or saved it, encoded and ready to be answered,
// with the version of the table it shows (TableVersion). Shared by every worker of a server:
// a reply takes the bytes without copying them (QByteArray shares them), and a change makes a
// new list rather than touching the one that replies may still be sending. The lock guards only
// the exchange of lists, never a database wait.
class KeptList
{
public:
    explicit KeptList(QString watchedTable) : m_table(std::move(watchedTable)) {}

    const QString &table() const { return m_table; }

    // Whether the table's version can be trusted: asked of the database once, and again after
    // forget(). A database that cannot say (it does not answer) keeps no list this time.
    bool usable(Database &db);
    // The version could not be read after all: no list is kept until the database says again.
    void forget();

    // The kept list when it shows exactly that version, else null. A version lower than the
    // kept one means the count started over: the kept list is dropped.
    std::shared_ptr<const EncodedList> at(qint64 version);
    // The kept list and its version, whatever it is (null when none).
    std::pair<qint64, std::shared_ptr<const EncodedList>> current() const;
    // Keeps a list known to show that version, unless a newer one is kept already.
    void keep(qint64 version, std::shared_ptr<const EncodedList> list);

private:
    enum class Watch { Unknown, Watched, Unwatched };

    const QString m_table;
    mutable QMutex m_mutex;
    Watch m_watch = Watch::Unknown;
    qint64 m_version = 0;
    std::shared_ptr<const EncodedList> m_list;
};
