#pragma once

#include "Interaction.h"

// The product's modal dialogs: message boxes, the pick list, the find dialog, the login and
// the lists to read and act on.
class QtInteraction : public Interaction
{
public:
    int messageDialog(const QString &text, TMsgDlgType type, TMsgDlgButtons buttons) override;
    bool pickList(TDataSource *source, const QString &title) override;
    bool find(TClientDataSet *dataSet, const FindFields &fields) override;
    std::optional<LoginAnswer> login(const QString &server, const QString &user,
                                     const QString &message) override;
    std::optional<int> chooseRow(const ChoiceList &list) override;
};
