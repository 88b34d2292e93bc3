#pragma once

#include "DataPacket.h"
#include "TClientDataSet.h"

#include <QStringList>

// Dimension-like content: code and name, loaded the way the server sends it.
inline packet::Packet dimensionPacket(const QList<QStringList> &rows)
{
    packet::Packet p;
    p.fields = {{"NRSEQUEDIME", 5}, {"NMITEMDIME", 30}};
    for (const QStringList &r : rows) {
        packet::Row row;
        for (const QString &v : r)
            row.append(v == "<null>" ? std::nullopt : std::optional<QString>(v));
        p.rows.append(row);
    }
    return p;
}

inline void declareDimensionFields(TClientDataSet &set)
{
    set.AddField("NRSEQUEDIME", 5)->SetEditMask("!99999;0; ");
    set.AddField("NMITEMDIME", 30);
}

inline QStringList column(const TClientDataSet &set, int field)
{
    QStringList out;
    for (int r = 0; r < set.RecordCount(); ++r)
        out << set.ValueAt(r, field);
    return out;
}
