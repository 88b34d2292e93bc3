#pragma once

#include "DialogRequests.h"

#include <QString>
#include <functional>

// Asks the server about what was typed into the login dialog (on a thread of the dialog's): an
// empty text lets the dialog close, anything else is why the dialog asks again.
using LoginCheck = std::function<QString(const LoginAnswer &)>;

// While alive, the login dialogs shown check what is typed with it before they close (the
// product's own dialog, through the interaction seam; other interactions leave it unused).
class LoginDialogCheck
{
public:
    explicit LoginDialogCheck(LoginCheck check);
    ~LoginDialogCheck();
    LoginDialogCheck(const LoginDialogCheck &) = delete;
    LoginDialogCheck &operator=(const LoginDialogCheck &) = delete;
    static const LoginCheck &current();

private:
    LoginCheck m_previous;
};
