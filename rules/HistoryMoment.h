#pragma once

#include <QDateTime>
#include <QString>

// A moment of a dimension's history as people read it: local time to the second, the way the
// screen's history dialog and `kzr-admin history` show it, with the zone said. Stored moments
// carry milliseconds in UTC; a moment typed to the second stands for the end of that second.
class HistoryMoment
{
public:
    // "2026-12-08T12:42:03-03:00" for a stored "2026-12-08T15:42:03.867Z"; the text as given
    // when it is no moment.
    static QString shown(const QString &stored);
    // The zone the moments are shown in: "horário local, UTC-03:00".
    static QString zoneName();
    // A typed moment: AAAA-MM-DDTHH:MM:SS[.zzz][zona] or DD/MM/AAAA HH:MM:SS (the dialog's), local
    // time unless a zone is given; to the second, the last millisecond of it. Invalid when
    // neither.
    static QDateTime typed(const QString &text);
};
