#include "LoginJournal.h"

#include "Database.h"
#include "Exceptions.h"

#include <QThread>
#include <chrono>
#include <utility>

LoginJournal::LoginJournal(const DatabaseConfig &config)
    : m_thread(QThread::create([this, config] { run(config); }))
{
    m_thread->setObjectName(QStringLiteral("kzr-logins"));
    m_thread->start();
}

LoginJournal::~LoginJournal()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread->wait();
}

void LoginJournal::record(const QString &user, const QString &address,
                          LoginRecord::Outcome outcome, UserOrigin origin,
                          std::optional<Role> role)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_waiting.size() >= size_t(MaxWaiting)) {
            if (m_dropped++ == 0)
                qWarning("aviso: registros de entrada descartados: %lld esperam ser gravados.",
                         qlonglong(MaxWaiting));
            return;
        }
        m_waiting.push_back(
            {QDateTime::currentDateTimeUtc(), user, address, outcome, origin, role});
    }
    m_wake.notify_one();
}

void LoginJournal::run(const DatabaseConfig &config)
{
    Database db(config, QStringLiteral("kzr-logins"));
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_waiting.empty(); });
        if (m_waiting.empty()) return;
        const std::deque<Entry> batch(m_waiting.begin(), m_waiting.end());
        const bool last = m_stopping;
        lock.unlock();
        bool written = false;
        try {
            db.startRequest();
            // Not announced as a save (PendingWrites): an analysis under way need not give way
            // to it, this thread can wait for the database's lock.
            db.beginWrite();
            try {
                for (const Entry &e : batch)
                    LoginRecord(db).write(e.user, e.address, e.outcome, e.origin, e.role, e.when);
                db.commit();
            } catch (const Exception &) {
                db.rollbackQuietly();
                throw;
            }
            written = true;
        } catch (const Exception &e) {
            qWarning("aviso: registros de entrada não gravados (tentando de novo): %s",
                     qPrintable(e.Message()));
        }
        lock.lock();
        if (written) {
            m_waiting.erase(m_waiting.begin(), m_waiting.begin() + qsizetype(batch.size()));
            if (m_dropped > 0)
                qWarning("aviso: %lld registros de entrada foram descartados.",
                         qlonglong(std::exchange(m_dropped, 0)));
        } else if (last) {
            return;
        } else {
            m_wake.wait_for(lock, std::chrono::seconds(1), [this] { return m_stopping; });
        }
    }
}
