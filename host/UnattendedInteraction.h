#pragma once

#include "Interaction.h"

// The dialogs of a run nobody watches (--screenshot): every message goes to standard error and
// is answered as if closed, so the run ends on its own instead of waiting for a click.
class UnattendedInteraction : public Interaction
{
public:
    int messageDialog(const QString &text, TMsgDlgType type, TMsgDlgButtons buttons) override;
    bool pickList(TDataSource *source, const QString &title) override;
    bool find(TClientDataSet *dataSet, const FindFields &fields) override;
    // Nobody is there to type a password: the login is given up (use --password-file).
    std::optional<LoginAnswer> login(const QString &server, const QString &user,
                                     const QString &message) override;
    // Nothing is chosen from a list nobody reads.
    std::optional<int> chooseRow(const ChoiceList &) override { return std::nullopt; }

    int messagesShown() const { return m_messagesShown; }

private:
    int m_messagesShown = 0;
};
