#pragma once

#include <QString>

// Where a user is known: the server's own table of users, or the company's directory.
enum class UserOrigin { Local, Directory };

namespace user_origin {

// As stored in the record of logins and printed by the administration commands.
inline QString name(UserOrigin origin)
{
    return origin == UserOrigin::Directory ? QStringLiteral("directory") : QStringLiteral("local");
}

} // namespace user_origin
