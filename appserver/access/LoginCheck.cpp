#include "LoginCheck.h"

#include "DirectoryLogin.h"
#include "UserStore.h"

LoginCheck::LoginCheck() = default;
LoginCheck::~LoginCheck() = default;

void LoginCheck::useDirectory(const DirectorySettings &settings)
{
    m_directory = std::make_unique<DirectoryLogin>(settings);
}

QString LoginCheck::outageText()
{
    return QStringLiteral("O diretório de usuários não responde. Tente novamente em instantes.");
}

UserOrigin LoginCheck::origin(Database &db, const QString &user) const
{
    return !m_directory || UserStore(db).find(user) ? UserOrigin::Local : UserOrigin::Directory;
}

LoginCheck::Outcome LoginCheck::check(Database &db, const QString &user,
                                      const QString &password) const
{
    if (origin(db, user) == UserOrigin::Local) {
        const std::optional<UserStore::User> local = UserStore(db).authenticate(user, password);
        if (!local) return {};
        return {Outcome::Kind::Accepted, local->role, UserOrigin::Local};
    }
    return m_directory->check(user, password);
}
