#pragma once

#include "DataPacket.h"

#include <QString>
#include <QStringList>
#include <optional>

// What the data of one dimension looks like: the answer of rdmAnalise's getPerfil. The
// hierarchy measures are absent for a flat dimension (no parent field).
struct DimensionProfile
{
    qint64 rows = 0;
    qint64 distinctKeys = 0;
    qint64 nullKeys = 0;
    qint64 repeatedKeys = 0; // key values held by more than one row
    QStringList repeatedKeyExamples;
    qint64 blankAttributes = 0; // main attribute null or blank
    int depth = 0;              // levels of the hierarchy; 1 for a flat dimension with rows
    QString keyType;

    struct Hierarchy
    {
        qint64 orphans = 0; // rows whose parent matches no key
        QStringList orphanExamples;
        int cycles = 0;
        QStringList cycleExample; // a path that ends where it starts
        QString parentType;
        bool parentTypeDiffers = false;
    };
    std::optional<Hierarchy> hierarchy;

    // One row per measure, CDMEDIDA and VLMEDIDA, in a fixed order; a list gives one row per
    // item under its own measure name (docs/remote-methods.md has the layout).
    packet::Packet toPacket() const;

    // An example longer than this is cut and ends in "…", so that one odd value cannot make
    // the answer unreadable; the cut is visible, never silent.
    static constexpr int ExampleWidth = 200;
};
