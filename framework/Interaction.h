#pragma once

#include "TMessages.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
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

// A list to read and act on: rows under column titles, the details of the selected row below
// them (rich text), and one action for the selected row, which may be withheld
// (actionEnabled false) while the list can still be read.
struct ChoiceList
{
    QString title;
    QStringList columns;
    QList<QStringList> rows;
    QStringList details; // one per row
    QString action;      // the action's caption
    bool actionEnabled = true;
};

// The one seam for modal interaction. The product uses real Qt dialogs unless another
// interaction is installed (an unattended run, a tool that collects messages, a test's script).
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

    // A list shown for reading: the row the action was asked for, nullopt when closed.
    virtual std::optional<int> chooseRow(const ChoiceList &list) = 0;

    static Interaction &current();
    static void install(std::unique_ptr<Interaction> interaction); // nullptr: the Qt dialogs
};
