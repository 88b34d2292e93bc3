#pragma once

#include "Role.h"

#include <QString>
#include <QVector>
#include <optional>

class Database;

// The server's users (table USUARIOSERVIDOR): a name, a role and a salted password hash.
// Passwords themselves are never stored. Each change runs in its own transaction.
class UserStore
{
public:
    struct User
    {
        QString name;
        Role role = Role::ReadOnly;
        QString passwordHash;
    };

    explicit UserStore(Database &db) : m_db(db) {}

    // Each throws Exception with a Portuguese text when the change cannot be made (an invalid
    // or taken name, an unknown user, an empty password). A new password and a removal end the
    // user's sessions on every server.
    void add(const QString &name, Role role, const QString &password);
    void setPassword(const QString &name, const QString &password);
    void remove(const QString &name);

    QVector<User> all(); // ordered by name
    std::optional<User> find(const QString &name);
    // The user when the name and password match one; nullopt otherwise.
    std::optional<User> authenticate(const QString &name, const QString &password);

    static constexpr int MaxNameLength = 30;

private:
    void requireExisting(const QString &name);

    Database &m_db;
};
