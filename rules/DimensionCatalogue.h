#pragma once

#include "DimensionRecord.h"

#include <QString>
#include <QStringList>
#include <optional>

// What the rules of a dimension need to know beyond the record itself: the application's
// tables as the database declares them, and what is stored. The server answers from its
// catalogue and its tables inside the save's transaction; the screen and kzr-admin from the
// server's answers.
class DimensionCatalogue
{
public:
    virtual ~DimensionCatalogue() = default;

    // The structure-error text (StructureError) of a table and names of its fields; empty
    // when the table is one of the application's (never the server's own) and every non-blank
    // name is a field of it of a type that may constitute a dimension.
    virtual QString structureError(const QString &table, const QStringList &fields) = 0;
    // A stored dimension, by its code in stored form.
    virtual std::optional<DimensionRecord> dimension(const QString &code) = 0;
    virtual bool codeTaken(const QString &code) = 0;
    virtual bool nameTaken(const QString &name) = 0;
    virtual bool hasExtras(const QString &code) = 0;
    // Whether the dimension already has an extra attribute with the field, or with the name.
    virtual bool extraFieldTaken(const QString &code, const QString &field) = 0;
    virtual bool extraNameTaken(const QString &code, const QString &name) = 0;
};
