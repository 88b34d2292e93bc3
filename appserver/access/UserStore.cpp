#include "UserStore.h"

#include "Database.h"
#include "Exceptions.h"
#include "PasswordHash.h"
#include "SessionStore.h"
#include "Transaction.h"

namespace {

void requireValidName(const QString &name)
{
    if (name.isEmpty() || name.size() > UserStore::MaxNameLength)
        throw Exception(QStringLiteral("Nome de usuário inválido: \"%1\" (de 1 a %2 caracteres).")
                            .arg(name)
                            .arg(UserStore::MaxNameLength));
    for (QChar c : name) {
        if (c.isSpace() || c.category() == QChar::Other_Control)
            throw Exception(
                QStringLiteral("Nome de usuário inválido: \"%1\" (sem espaços).").arg(name));
    }
}

void requireUsablePassword(const QString &password)
{
    if (password.isEmpty()) throw Exception(QStringLiteral("A senha não pode ser vazia."));
}

} // namespace

void UserStore::add(const QString &name, Role role, const QString &password)
{
    requireValidName(name);
    requireUsablePassword(password);
    const QString hash = PasswordHash::make(password);
    Transaction transaction(m_db);
    if (m_db.exists(QStringLiteral("SELECT 1 FROM USUARIOSERVIDOR WHERE NMUSUARIO = ?"), {name}))
        throw Exception(QStringLiteral("O usuário \"%1\" já existe.").arg(name));
    m_db.run(QStringLiteral("INSERT INTO USUARIOSERVIDOR (NMUSUARIO, IDPAPEL, DSSENHA) "
                            "VALUES (?, ?, ?)"),
             {name, roles::name(role), hash});
    transaction.commit();
}

void UserStore::setPassword(const QString &name, const QString &password)
{
    requireUsablePassword(password);
    const QString hash = PasswordHash::make(password);
    Transaction transaction(m_db);
    requireExisting(name);
    m_db.run(QStringLiteral("UPDATE USUARIOSERVIDOR SET DSSENHA = ? WHERE NMUSUARIO = ?"),
             {hash, name});
    SessionStore(m_db).endUser(name); // whoever knew the old password is out, on every server
    transaction.commit();
}

void UserStore::remove(const QString &name)
{
    Transaction transaction(m_db);
    requireExisting(name);
    m_db.run(QStringLiteral("DELETE FROM USUARIOSERVIDOR WHERE NMUSUARIO = ?"), {name});
    SessionStore(m_db).endUser(name);
    transaction.commit();
}

void UserStore::requireExisting(const QString &name)
{
    if (!m_db.exists(QStringLiteral("SELECT 1 FROM USUARIOSERVIDOR WHERE NMUSUARIO = ?"), {name}))
        throw Exception(QStringLiteral("O usuário \"%1\" não existe.").arg(name));
}

QVector<UserStore::User> UserStore::all()
{
    QVector<User> users;
    QSqlQuery query = m_db.run(
        QStringLiteral("SELECT NMUSUARIO, IDPAPEL, DSSENHA FROM USUARIOSERVIDOR ORDER BY NMUSUARIO"));
    while (query.next()) {
        // The table's check keeps the role to the known names.
        users.push_back({query.value(0).toString(),
                         roles::fromName(query.value(1).toString()).value_or(Role::ReadOnly),
                         query.value(2).toString()});
    }
    return users;
}

std::optional<UserStore::User> UserStore::find(const QString &name)
{
    QSqlQuery query = m_db.run(QStringLiteral("SELECT NMUSUARIO, IDPAPEL, DSSENHA FROM "
                                              "USUARIOSERVIDOR WHERE NMUSUARIO = ?"),
                               {name});
    if (!query.next()) return std::nullopt;
    return User{query.value(0).toString(),
                roles::fromName(query.value(1).toString()).value_or(Role::ReadOnly),
                query.value(2).toString()};
}

std::optional<UserStore::User> UserStore::authenticate(const QString &name, const QString &password)
{
    std::optional<User> user = find(name);
    if (!user) {
        PasswordHash::matchNone(password);
        return std::nullopt;
    }
    if (!PasswordHash::matches(user->passwordHash, password)) return std::nullopt;
    return user;
}
