#pragma once

#include "Interaction.h"

#include <QStringList>

// The dialogs of an import nobody watches: every message is kept instead of shown, a
// confirmation is answered yes (the import asked for the command it confirms), a pick list or
// find dialog is closed without a choice. take() hands over what was said since the last take.
class CollectingInteraction : public Interaction
{
public:
    int messageDialog(const QString &text, TMsgDlgType type, TMsgDlgButtons buttons) override;
    bool pickList(TDataSource *source, const QString &title) override;
    bool find(TClientDataSet *dataSet, const FindFields &fields) override;
    // The tool logs in before the screen opens; a login asked for later is given up.
    std::optional<LoginAnswer> login(const QString &server, const QString &user,
                                     const QString &message) override;
    // Nothing is chosen from a list nobody reads.
    std::optional<int> chooseRow(const ChoiceList &) override { return std::nullopt; }

    // The messages other than confirmations since the last call.
    QStringList take();

private:
    QStringList m_messages;
};
