#pragma once

#include "RemoteArg.h"
#include "Variant.h"

#include <QList>
#include <QString>
#include <functional>

// A save whose connection broke after it was sent may have been stored or not. Before it goes to
// another server, what is stored is read there and set against the save's changes: every change
// found made means the save was stored (its answer is then what the save answers: the list as
// stored); none made, that it was not, and it may be sent again; anything else (another user
// changed the same records meanwhile) tells neither, and it is not sent again.
class SaveRecheck
{
public:
    enum class Found { Stored, NotStored, Unclear };
    // A read on the next server: the method of the same module and its arguments.
    using Read = std::function<Variant(const QString &method, const QList<RemoteArg> &args)>;

    // Whether the call is a save this can check: SetDimensao and setExtras.
    static bool checks(const QString &module, const QString &method);
    // The save's arguments as sent; when Stored, *answer is what the save would have answered.
    static Found check(const QString &method, const QList<RemoteArg> &args, const Read &read,
                       Variant *answer);
};
