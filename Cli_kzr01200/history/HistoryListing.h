#pragma once

#include "DimensionVersion.h"
#include "Interaction.h"

class TfrmDimensao;

// The "Histórico" dialog's list: one row per change, newest first: when (local time), who,
// what, and the fields that changed from what to what; below it the selected change's
// values before and after, the changed ones marked.
class HistoryListing
{
public:
    explicit HistoryListing(const TfrmDimensao &form) : m_form(form) {}

    ChoiceList build(const QString &code, const QList<HistoryEntry> &history,
                     bool mayRestore) const;

    // The moment of a change as its reader's clock shows it.
    static QString localTime(const HistoryEntry &change);

private:
    QString what(const HistoryEntry &change) const;
    QString changes(const HistoryEntry &change) const;
    QString details(const HistoryEntry &change) const;
    QString caption(const HistoryEntry &change, const QString &field) const;

    const TfrmDimensao &m_form;
};
