#pragma once

#include "Variant.h"

#include <QString>
#include <functional>

class TClientDataSet;

// How the pending changes of a list go to the server; every list of a form sends its change
// log through here.
//
// The whole log goes in one delta. When the server takes it, the list takes the reply and the
// host hears of it. When it refuses, only the refused change is taken back: with one change
// pending that is the one; with several, they go again one at a time, oldest first, and each the
// server refuses is taken back with its message while each it takes becomes the base. A failure
// that says nothing about a change (no server, an ended session) leaves that change and the ones
// after it pending, shown as such, for the next save or the question before closing.
class ChangeLogSender
{
public:
    struct Steps
    {
        QString busyText;                                  // shown while a delta travels
        std::function<Variant(const Variant &delta)> send; // the call, its reply checked
        std::function<void(const Variant &reply)> load;    // the server took everything pending
        std::function<void()> announce;                    // tells the host what was saved
        std::function<void()> showStored; // after a refusal: drops the log, shows what the server holds
        bool replyHoldsTheList = false; // load() then shows what the server holds, refusals included
    };

    ChangeLogSender(TClientDataSet *dataSet, Steps steps);

    // Does nothing without pending changes. A refusal ends the operation silently (EAbort) once
    // its message is shown; other failures pass on.
    void send();

private:
    Variant sendDelta(const Variant &delta);
    void sendOneAtATime();

    TClientDataSet *m_dataSet;
    Steps m_steps;
};
