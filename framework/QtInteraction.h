#pragma once

#include "Interaction.h"

// The product's modal dialogs: message boxes, the pick list and the find dialog.
class QtInteraction : public Interaction
{
public:
    int messageDialog(const QString &text, TMsgDlgType type, TMsgDlgButtons buttons) override;
    bool pickList(TDataSource *source, const QString &title) override;
    bool find(TClientDataSet *dataSet, const FindFields &fields) override;
};
