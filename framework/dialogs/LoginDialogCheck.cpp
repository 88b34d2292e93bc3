#include "LoginDialogCheck.h"

#include <utility>

namespace {
LoginCheck &installedCheck()
{
    static LoginCheck check;
    return check;
}
} // namespace

LoginDialogCheck::LoginDialogCheck(LoginCheck check) : m_previous(std::move(installedCheck()))
{
    installedCheck() = std::move(check);
}

LoginDialogCheck::~LoginDialogCheck()
{
    installedCheck() = std::move(m_previous);
}

const LoginCheck &LoginDialogCheck::current()
{
    return installedCheck();
}
