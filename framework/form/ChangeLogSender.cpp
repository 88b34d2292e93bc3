#include "ChangeLogSender.h"

#include "BusyIndicator.h"
#include "EventBoundary.h"
#include "Exceptions.h"
#include "SaveOrTakeBack.h"
#include "TClientDataSet.h"

#include <utility>

ChangeLogSender::ChangeLogSender(TClientDataSet *dataSet, Steps steps)
    : m_dataSet(dataSet), m_steps(std::move(steps))
{
}

Variant ChangeLogSender::sendDelta(const Variant &delta)
{
    BusyIndicatorShown busy(busySending, m_steps.busyText);
    return m_steps.send(delta);
}

void ChangeLogSender::send()
{
    const int pending = m_dataSet->ChangeCount();
    if (pending <= 0)
        return;
    // With several pending, the whole delta's refusal does not say which change it was about;
    // each change's own answer, below, does.
    const bool saved = SaveUnlessRefused(
        [this] {
            {
                BusyIndicatorShown busy(busySending, m_steps.busyText);
                m_steps.load(m_steps.send(m_dataSet->Delta()));
                m_steps.announce();
            }
            if (m_dataSet->LogChanges())
                m_dataSet->MergeChangeLog();
        },
        pending == 1);
    if (saved)
        return;
    if (pending == 1) {
        m_steps.showStored(); // takes the one change out of the log first
    } else {
        sendOneAtATime();
    }
    throw EAbort();
}

void ChangeLogSender::sendOneAtATime()
{
    bool anyTaken = false;
    bool anyRefused = false;
    Variant lastReply;
    try {
        while (m_dataSet->ChangeCount() > 0) {
            if (SaveUnlessRefused([&] { lastReply = sendDelta(m_dataSet->FirstChangeDelta()); })) {
                m_dataSet->MergeFirstChange();
                anyTaken = true;
            } else {
                m_dataSet->RevertFirstChange();
                anyRefused = true;
            }
        }
    } catch (...) {
        // What the server took so far is saved all the same; the rest stays pending.
        if (anyTaken)
            EventBoundary::run([this] { m_steps.announce(); });
        throw;
    }
    if (anyTaken) {
        BusyIndicatorShown busy(busySending, m_steps.busyText);
        m_steps.load(lastReply);
        m_steps.announce();
    }
    // A change taken back shows what it was before, which the server may no longer hold.
    if (anyRefused && (!anyTaken || !m_steps.replyHoldsTheList))
        m_steps.showStored();
}
