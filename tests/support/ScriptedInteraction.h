#pragma once

#include "Interaction.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <queue>
#include <vector>

// The test side of the interaction seam: records every dialog the product would have shown and
// answers from queues instead of waiting for a user.
class ScriptedInteraction : public Interaction
{
public:
    struct Shown {
        enum Kind { Message, PickList, Find, Login, Choice } kind;
        QString text;           // message text, pick-list title, or the login dialog's message
        TMsgDlgType type = TMsgDlgType::mtInformation;
        QString informativeText;
        QStringList choices;    // find: the captions offered; pick list: the rows marked used
        QString initial;        // find: the field it starts on; pick list: the value
    };
    // Answers, used in order; an empty queue answers mrNo / no choice / cancel.
    std::queue<int> dialogAnswers;
    // For a pick list: the 0-based row to choose, or nullopt for closing without a choice.
    std::queue<std::optional<int>> pickAnswers;
    // For the find dialog: the field name and text to look for, or nullopt for cancel.
    std::queue<std::optional<std::pair<QString, QString>>> findAnswers;
    // For the login dialog: what the user types, or nullopt for cancel (also when empty).
    std::queue<std::optional<LoginAnswer>> loginAnswers;
    // For a list to act on: the row to act on, or nullopt for closing it.
    std::queue<std::optional<int>> choiceAnswers;
    std::vector<Shown> shown;
    std::optional<ChoiceList> lastChoiceList; // the last list shown, as it was given

    int messageDialog(const QString &text, TMsgDlgType type, TMsgDlgButtons buttons) override;
    bool pickList(TDataSource *source, const QString &title) override;
    bool find(TClientDataSet *dataSet, const FindFields &fields) override;
    std::optional<LoginAnswer> login(const QString &server, const QString &user,
                                     const QString &message) override;
    std::optional<int> chooseRow(const ChoiceList &list) override;

    QStringList messages() const;   // texts of every message dialog shown, in order
    void clear() { shown.clear(); }
};

// What the framework shows for a failure the server reported, as the user reads it.
inline QString serverFailureReport(const QString &serverMessage)
{
    return QStringLiteral("Erro no servidor de aplicação:\n") + serverMessage;
}
