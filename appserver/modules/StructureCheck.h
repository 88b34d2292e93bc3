#pragma once

#include "Catalogue.h"
#include "DataPacket.h"
#include "Variant.h"

#include <QStringList>

class Database;

// Judges an application table and its fields for use in a dimension, from the database's real
// catalogue (see ColumnTypeRule for the accepted column types).
class StructureCheck
{
public:
    explicit StructureCheck(Database &db) : m_db(db) {}

    // Null when the table exists and every non-blank name is a field of it whose type may
    // constitute a dimension; otherwise a one-element array holding the structure-error text
    // of the first problem: "INV_TABELA<table>", "INV_CAMPO<field>.<table>" or
    // "NO_DIME<field>", with the names as given. Blank names place no condition: the screen
    // checks the table before the fields are filled in. Each name found is rewritten as the
    // catalogue spells it.
    Variant verify(const QString &table, QStringList &names);
    // The same judgement of a table already looked up in the catalogue (nullopt: not found).
    Variant judge(const std::optional<Catalogue::Table> &found, const QString &table,
                  QStringList &names);
    // The structure-error text of that judgement; empty when the structure is sound.
    QString errorText(const std::optional<Catalogue::Table> &found, const QString &table,
                      QStringList &names);

    // The fields of the table usable in a dimension, in catalogue order and in the screen's
    // stored form of a name (letters a to z upper-cased), one CDFIELD each. A field whose name
    // is longer than a dimension's field columns (30) cannot be stored and is left out.
    // MethodFailure when the table does not exist.
    // Each with its type as the catalogue declares it (DSTIPO).
    packet::Packet dimensionFields(const QString &table);

private:
    Database &m_db;
};
