#include "KeptList.h"

#include "Exceptions.h"
#include "SharedTransaction.h"
#include "TableVersion.h"

#include <utility>

bool KeptList::usable(Database &db)
{
    {
        QMutexLocker lock(&m_mutex);
        if (m_watch != Watch::Unknown) return m_watch == Watch::Watched;
    }
    bool watched = false;
    try {
        watched = TableVersion::watched(db, m_table);
    } catch (const Exception &) {
        return false; // asked again next time
    }
    QMutexLocker lock(&m_mutex);
    m_watch = watched ? Watch::Watched : Watch::Unwatched;
    return watched;
}

void KeptList::forget()
{
    QMutexLocker lock(&m_mutex);
    m_watch = Watch::Unknown;
    m_list.reset();
}

std::shared_ptr<const EncodedList> KeptList::at(qint64 version)
{
    std::shared_ptr<const EncodedList> dropped; // let go of outside the lock
    // Inside a shared transaction versions count changes that may yet be rolled back: no kept
    // list shows them.
    if (SharedTransaction::active()) return nullptr;
    QMutexLocker lock(&m_mutex);
    if (m_list && version == m_version) return m_list;
    if (version < m_version) dropped = std::exchange(m_list, nullptr);
    return nullptr;
}

std::pair<qint64, std::shared_ptr<const EncodedList>> KeptList::current() const
{
    QMutexLocker lock(&m_mutex);
    return {m_version, m_list};
}

void KeptList::keep(qint64 version, std::shared_ptr<const EncodedList> list)
{
    if (SharedTransaction::active()) return;
    std::shared_ptr<const EncodedList> replaced; // let go of outside the lock
    QMutexLocker lock(&m_mutex);
    if (m_list && m_version > version) return;
    replaced = std::exchange(m_list, std::move(list));
    m_version = version;
}
