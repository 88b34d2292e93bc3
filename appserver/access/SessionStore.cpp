#include "SessionStore.h"

#include "Database.h"

#include <QCryptographicHash>
#include <QSqlQuery>

QString SessionStore::tokenHash(const QString &token)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(token.toUtf8(), QCryptographicHash::Sha256).toHex());
}

void SessionStore::add(const QString &token, const Stored &session, qint64 now)
{
    m_db.run(QStringLiteral("INSERT INTO SESSAOSERVIDOR (DSSESSAO, NMUSUARIO, IDPAPEL, "
                            "IDORIGEM, NRULTIMOUSO) VALUES (?, ?, ?, ?, ?)"),
             {tokenHash(token), session.user, roles::name(session.role),
              user_origin::name(session.origin), now});
}

std::optional<SessionStore::Stored> SessionStore::touch(const QString &token, qint64 now,
                                                        qint64 idleMs)
{
    const QString hash = tokenHash(token);
    const QSqlQuery update = m_db.run(
        QStringLiteral("UPDATE SESSAOSERVIDOR SET NRULTIMOUSO = ? WHERE DSSESSAO = ? AND "
                       "NRULTIMOUSO >= ?"),
        {now, hash, now - idleMs});
    if (update.numRowsAffected() < 1) return std::nullopt;
    const QVector<QVariantList> rows = m_db.rows(
        QStringLiteral("SELECT NMUSUARIO, IDPAPEL, IDORIGEM FROM SESSAOSERVIDOR WHERE DSSESSAO = ?"),
        {hash});
    if (rows.isEmpty()) return std::nullopt; // ended between the two
    return Stored{rows.front().value(0).toString(),
                  roles::fromName(rows.front().value(1).toString()).value_or(Role::ReadOnly),
                  rows.front().value(2).toString() == user_origin::name(UserOrigin::Directory)
                      ? UserOrigin::Directory
                      : UserOrigin::Local};
}

void SessionStore::end(const QString &token)
{
    m_db.run(QStringLiteral("DELETE FROM SESSAOSERVIDOR WHERE DSSESSAO = ?"), {tokenHash(token)});
}

int SessionStore::endUser(const QString &user)
{
    return m_db.run(QStringLiteral("DELETE FROM SESSAOSERVIDOR WHERE NMUSUARIO = ?"), {user})
        .numRowsAffected();
}

void SessionStore::forgetIdle(qint64 now, qint64 idleMs)
{
    m_db.run(QStringLiteral("DELETE FROM SESSAOSERVIDOR WHERE NRULTIMOUSO < ?"),
             {now - idleMs});
}
