#pragma once

#include "DataPacket.h"

#include <QByteArray>
#include <QVector>

class DimensionSource;

// Every dimension with its extra attributes, as the server holds them, written as JSON or
// CSV (layouts in docs/admin.md). Fields keep their packet names; a null value stays null.
class DimensionExport
{
public:
    static DimensionExport read(DimensionSource &source);

    QByteArray json() const;
    QByteArray csv() const;

private:
    struct Entry
    {
        packet::Row dimension;
        QVector<packet::Row> extras;
    };
    QVector<packet::FieldDef> m_dimensionFields;
    QVector<packet::FieldDef> m_extraFields;
    QVector<Entry> m_entries;
};
