#include "ScriptedInteraction.h"

#include "DialogContext.h"
#include "RecordLocator.h"
#include "TClientDataSet.h"
#include "TDataSource.h"

int ScriptedInteraction::messageDialog(const QString &text, TMsgDlgType type, TMsgDlgButtons buttons)
{
    Q_UNUSED(buttons);
    shown.push_back({Shown::Message, text, type, DialogContext::current().informativeText, {}, {}});
    if (dialogAnswers.empty())
        return mrNo;
    const int answer = dialogAnswers.front();
    dialogAnswers.pop();
    return answer;
}

bool ScriptedInteraction::pickList(TDataSource *source, const QString &title)
{
    shown.push_back({Shown::PickList, title, TMsgDlgType::mtInformation, {}, DialogContext::current().usedChoices,
                     DialogContext::current().currentChoice});
    if (pickAnswers.empty())
        return false;
    const std::optional<int> row = pickAnswers.front();
    pickAnswers.pop();
    TClientDataSet *dataSet = source ? source->DataSet() : nullptr;
    if (!row || !dataSet || *row < 0 || *row >= dataSet->RecordCount())
        return false;
    dataSet->SetRecNo(*row + 1);
    return true;
}

bool ScriptedInteraction::find(TClientDataSet *dataSet, const FindFields &fields)
{
    QStringList captions;
    for (const auto &[name, caption] : fields.fields)
        captions << caption;
    shown.push_back({Shown::Find, dataSet ? dataSet->objectName() : QString(),
                     TMsgDlgType::mtInformation, {}, captions, fields.initial});
    if (findAnswers.empty())
        return false;
    const auto answer = findAnswers.front();
    findAnswers.pop();
    if (!answer)
        return false;
    return RecordLocator::locate(dataSet, answer->first, answer->second);
}

std::optional<LoginAnswer> ScriptedInteraction::login(const QString &server, const QString &user,
                                                      const QString &message)
{
    Q_UNUSED(server);
    Q_UNUSED(user);
    shown.push_back({Shown::Login, message, TMsgDlgType::mtInformation});
    if (loginAnswers.empty())
        return std::nullopt;
    std::optional<LoginAnswer> answer = loginAnswers.front();
    loginAnswers.pop();
    return answer;
}

std::optional<int> ScriptedInteraction::chooseRow(const ChoiceList &list)
{
    shown.push_back({Shown::Choice, list.title, TMsgDlgType::mtInformation, {}, {}, {}});
    lastChoiceList = list;
    if (choiceAnswers.empty()) return std::nullopt;
    const std::optional<int> answer = choiceAnswers.front();
    choiceAnswers.pop();
    // As the real dialog: the action cannot be asked for when it is withheld.
    return list.actionEnabled ? answer : std::nullopt;
}

QStringList ScriptedInteraction::messages() const
{
    QStringList texts;
    for (const Shown &entry : shown) {
        if (entry.kind == Shown::Message)
            texts << entry.text;
    }
    return texts;
}
