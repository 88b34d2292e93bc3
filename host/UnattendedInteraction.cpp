#include "UnattendedInteraction.h"

#include <cstdio>

int UnattendedInteraction::messageDialog(const QString &text, TMsgDlgType, TMsgDlgButtons buttons)
{
    ++m_messagesShown;
    std::fprintf(stderr, "kzr-host: %s\n", qPrintable(text));
    std::fflush(stderr);
    // Closing a dialog answers its cancelling button, where it has one.
    if (buttons & mbCancel)
        return mrCancel;
    if (buttons & mbNo)
        return mrNo;
    return mrOk;
}

bool UnattendedInteraction::pickList(TDataSource *, const QString &)
{
    return false;
}

bool UnattendedInteraction::find(TClientDataSet *, const FindFields &)
{
    return false;
}

std::optional<LoginAnswer> UnattendedInteraction::login(const QString &server, const QString &, const QString &message)
{
    ++m_messagesShown;
    std::fprintf(stderr, "kzr-host: entrar em %s pede usuário e senha%s%s\n", qPrintable(server),
                 message.isEmpty() ? "" : ": ", qPrintable(message));
    std::fflush(stderr);
    return std::nullopt;
}
