#pragma once

#include "TMessages.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <queue>
#include <vector>

class TDataSource;
class TClientDataSet;

// What a find offers: fields by caption, in the order shown, and the one it starts on.
struct FindFields {
    std::vector<std::pair<QString, QString>> fields; // field name, caption
    QString initial;                                 // field name
    // Every visible field of the record set, by display label, starting on the first.
    static FindFields of(const TClientDataSet *dataSet);
};

// More than a dialog's own arguments say, for the dialogs shown while it is alive: an
// informative text below a message (what a confirmation is about), the rows of a pick list
// already in use.
class DialogContext
{
public:
    struct Details {
        QString informativeText;
        QStringList usedChoices;
    };
    explicit DialogContext(Details details);
    ~DialogContext();
    DialogContext(const DialogContext &) = delete;
    DialogContext &operator=(const DialogContext &) = delete;
    static const Details &current();

private:
    Details m_previous;
};

// What the user typed into the login dialog.
struct LoginAnswer
{
    QString user;
    QString password;
};

// The one seam for modal interaction. The product uses real Qt dialogs; tests install a
// ScriptedInteraction that records what was shown and answers from a queue.
class Interaction
{
public:
    virtual ~Interaction() = default;
    virtual int messageDialog(const QString &text, TMsgDlgType type, TMsgDlgButtons buttons) = 0;
    // Pick list over the data source's record set: true when a row was chosen (it is then the
    // current row of the record set).
    virtual bool pickList(TDataSource *source, const QString &title) = 0;
    // Find dialog: positions the record set on the found record; false when cancelled.
    virtual bool find(TClientDataSet *dataSet, const FindFields &fields) = 0;
    // Login dialog for the given server, the user name filled in, and a message above the
    // fields (why it asks again; empty the first time); nullopt when cancelled.
    virtual std::optional<LoginAnswer> login(const QString &server, const QString &user,
                                             const QString &message) = 0;

    static Interaction &current();
    static void install(std::unique_ptr<Interaction> interaction); // nullptr: the Qt dialogs
};

class ScriptedInteraction : public Interaction
{
public:
    struct Shown {
        enum Kind { Message, PickList, Find, Login } kind;
        QString text;           // message text, pick-list title, or the login dialog's message
        TMsgDlgType type = TMsgDlgType::mtInformation;
        QString informativeText;
        QStringList choices;    // find: the captions offered; pick list: the rows marked used
        QString initial;        // find: the field it starts on
    };
    // Answers, used in order; an empty queue answers mrNo / no choice / cancel.
    std::queue<int> dialogAnswers;
    // For a pick list: the 0-based row to choose, or nullopt for closing without a choice.
    std::queue<std::optional<int>> pickAnswers;
    // For the find dialog: the field name and text to look for, or nullopt for cancel.
    std::queue<std::optional<std::pair<QString, QString>>> findAnswers;
    // For the login dialog: what the user types, or nullopt for cancel (also when empty).
    std::queue<std::optional<LoginAnswer>> loginAnswers;
    std::vector<Shown> shown;

    int messageDialog(const QString &text, TMsgDlgType type, TMsgDlgButtons buttons) override;
    bool pickList(TDataSource *source, const QString &title) override;
    bool find(TClientDataSet *dataSet, const FindFields &fields) override;
    std::optional<LoginAnswer> login(const QString &server, const QString &user,
                                     const QString &message) override;

    QStringList messages() const;   // texts of every message dialog shown, in order
    void clear() { shown.clear(); }
};
