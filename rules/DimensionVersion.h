#pragma once

#include "HistoryEntry.h"

#include <QDateTime>

// A dimension as it stood right after one change of its history: its values (none when it
// did not exist then) and its extra attributes, name by field.
struct DimensionVersion
{
    std::optional<HistoryEntry::Values> dimension;
    QMap<QString, QString> extras;

    // history newest first, as getHistorico gives it; index: the change chosen. Replays every
    // change from the oldest up to that one.
    static DimensionVersion after(const QList<HistoryEntry> &history, int index);
    // The newest change made at or before the moment; -1 when none was.
    static int indexAt(const QList<HistoryEntry> &history, const QDateTime &moment);
};
