#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <optional>

// A file of dimensions to apply, in the layouts export writes (docs/admin.md): JSON, or CSV
// with REGISTRO telling dimensions from extra attributes. Fields keep their packet names.
struct ImportFile
{
    using Value = std::optional<QString>; // nullopt: null

    struct Extra
    {
        QString field; // CDATRIBEXTRDIME
        QString name;  // DSATRIBEXTRDIME
    };
    struct Dimension
    {
        QString place; // where in the file, for messages ("linha 3", "item 2")
        Value flag, code, name, table, key, attribute, parent;
        QVector<Extra> extras;
    };

    QVector<Dimension> dimensions;

    // Exception naming the place when the file does not hold what the layout says.
    static ImportFile fromJson(const QByteArray &bytes);
    static ImportFile fromCsv(const QByteArray &bytes);
};
