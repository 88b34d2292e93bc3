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

std::optional<LoginAnswer> CollectingInteraction::login(const QString &, const QString &,
                                                        const QString &message)
{
    m_messages << message;
    return std::nullopt;
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
