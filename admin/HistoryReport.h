#pragma once

#include "HistoryEntry.h"

#include <QByteArray>

// kzr-admin history: a dimension's changes, newest first, as text (one line each: when in
// UTC, who, what, which record, the fields changed from what to what) or as JSON (every value
// before and after).
class HistoryReport
{
public:
    explicit HistoryReport(QList<HistoryEntry> history) : m_history(std::move(history)) {}

    QByteArray text() const;
    QByteArray json() const;

private:
    QList<HistoryEntry> m_history;
};
