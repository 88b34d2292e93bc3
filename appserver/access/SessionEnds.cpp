#include "SessionEnds.h"

#include "AuditTrail.h"
#include "Database.h"
#include "SessionStore.h"
#include "Transaction.h"

#include <QDateTime>
#include <chrono>

namespace {

qint64 steadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

SessionEnds::SessionEnds() : m_since(AuditTrail::timestamp(QDateTime::currentDateTimeUtc())) {}

void SessionEnds::request(Database &db, const QString &user)
{
    Transaction transaction(db);
    SessionStore(db).endUser(user); // no server resumes them any more
    db.run(QStringLiteral("INSERT INTO FIMSESSAOSERVIDOR (NMUSUARIO, DTPEDIDO) VALUES (?, ?)"),
           {user, AuditTrail::timestamp(QDateTime::currentDateTimeUtc())});
    transaction.commit();
}

QStringList SessionEnds::due(Database &db)
{
    const qint64 now = steadyMs();
    qint64 next = m_nextLookMs.load(std::memory_order_relaxed);
    // One caller a second looks; the others go on at the cost of this test.
    if (now < next || !m_nextLookMs.compare_exchange_strong(next, now + 1000)) return {};
    QMutexLocker lock(&m_mutex);
    const QVector<QVariantList> rows = db.rows(
        QStringLiteral("SELECT NRSEQUFIM, NMUSUARIO FROM FIMSESSAOSERVIDOR "
                       "WHERE NRSEQUFIM > ? AND DTPEDIDO >= ? ORDER BY NRSEQUFIM"),
        {m_seen, m_since});
    QStringList users;
    for (const QVariantList &row : rows) {
        m_seen = std::max(m_seen, row.value(0).toLongLong());
        users << row.value(1).toString();
    }
    return users;
}
