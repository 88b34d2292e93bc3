#include "CollectingInteraction.h"

int CollectingInteraction::messageDialog(const QString &text, TMsgDlgType type, TMsgDlgButtons)
{
    if (type == TMsgDlgType::mtConfirmation) return mrYes;
    m_messages << text;
    return mrOk;
}

bool CollectingInteraction::pickList(TDataSource *, const QString &)
{
    return false;
}

bool CollectingInteraction::find(TClientDataSet *, const FindFields &)
{
    return false;
}

QStringList CollectingInteraction::take()
{
    QStringList said;
    said.swap(m_messages);
    return said;
}
