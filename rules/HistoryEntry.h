#pragma once

#include "Variant.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

// One saved change of a dimension or of one of its extra attributes, as the server's audit
// trail keeps it (the rows of getHistorico).
struct HistoryEntry
{
    // A record's values by field name; nullopt for a null value.
    using Values = QMap<QString, std::optional<QString>>;

    QString when; // UTC, ISO 8601 with milliseconds, as stored
    QString user;
    QString operation;            // "insert", "modify", "delete"
    QString kind;                 // "dimension", "extra"
    QString record;               // the record's key: the code, or code "/" field
    std::optional<Values> before; // none for an insert
    std::optional<Values> after;  // none for a delete

    bool isExtra() const { return kind == QLatin1String("extra"); }
    // The fields whose value differs between before and after (every field of an insert or a
    // delete), in the order of their names.
    QStringList changedFields() const;
    // The values the record has after the change, else before it: what names the record.
    const Values &values() const { return after ? *after : *before; }

    // The entries of a getHistorico packet, in its order (newest first). Throws
    // EDatabaseError for a reply that is no such packet.
    static QList<HistoryEntry> listOf(const Variant &packet);
};
