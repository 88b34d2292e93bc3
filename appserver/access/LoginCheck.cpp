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

LoginCheck::Outcome LoginCheck::check(Database &db, const QString &user,
                                      const QString &password) const
{
    UserStore users(db);
    if (!m_directory || users.find(user)) {
        const std::optional<UserStore::User> local = users.authenticate(user, password);
        if (!local) return {};
        return {Outcome::Kind::Accepted, local->role, UserOrigin::Local};
    }
    return m_directory->check(user, password);
}
