#pragma once

#include "Role.h"
#include "UserOrigin.h"

#include <QString>
#include <memory>

class Database;
class DirectoryLogin;
struct DirectorySettings;

// Checks a login's name and password. A name in the server's own table of users is checked
// there and nowhere else, whether or not a directory is set up, so a local administrator can
// log in while the directory is down; any other name goes to the directory, when there is one.
// Each check costs the same whatever made it fail: an unknown local name pays a hash of the
// installed cost, a directory refusal the same steps of the directory's.
class LoginCheck
{
public:
    struct Outcome
    {
        enum class Kind { Accepted, Refused, Outage };
        Kind kind = Kind::Refused;
        Role role = Role::ReadOnly; // when accepted
        UserOrigin origin = UserOrigin::Local;

        bool accepted() const { return kind == Kind::Accepted; }
    };

    LoginCheck();
    ~LoginCheck();

    // From now on names not found locally are checked against this directory; before serving.
    void useDirectory(const DirectorySettings &settings);
    bool usesDirectory() const { return m_directory != nullptr; }

    Outcome check(Database &db, const QString &user, const QString &password) const;

    // What a client is told when the directory could not be asked.
    static QString outageText();

private:
    std::unique_ptr<DirectoryLogin> m_directory;
};
