#pragma once

#include "DialogRequests.h"
#include "TMessages.h"

#include <QString>
#include <memory>
#include <optional>

class TDataSource;
class TClientDataSet;

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
    static void install(std::unique_ptr<Interaction> interaction); // nullptr: the standard one
    // What current() makes when none is installed: the product's Qt dialogs, which name
    // themselves here as the library loads (the seam knows no dialog).
    static void setStandard(std::unique_ptr<Interaction> (*make)());
};
