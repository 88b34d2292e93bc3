#pragma once

#include "Catalogue.h"
#include "ProfileQueries.h"
#include "Variant.h"

#include <optional>

// The table and fields of a dimension named by a client, judged as vdDimensao judges them and
// then found in the catalogue, so that only the catalogue's own names ever reach a statement.
// Every reading method of rdmAnalise starts here.
class DimensionColumns
{
public:
    // MethodFailure when the key or the main attribute is blank. The catalogue is asked once,
    // for the judgement and the names alike.
    DimensionColumns(Database &db, const QString &table, const QString &key,
                     const QString &attribute, const QString &parent);
    // The same, judged against a catalogue answer in hand (Catalogue::table()'s).
    DimensionColumns(Database &db, const std::optional<Catalogue::Table> &found,
                     const QString &table, const QString &key, const QString &attribute,
                     const QString &parent);

    // Null when the names are acceptable; otherwise the structure-error reply to give
    // ("INV_TABELA..." and the like), and nothing else here is set.
    const Variant &verdict() const { return m_verdict; }

    const QString &table() const { return m_table; }
    const ProfileQueries::Column &key() const { return m_key; }
    const ProfileQueries::Column &attribute() const { return m_attribute; }
    // An empty name for a flat dimension.
    const ProfileQueries::Column &parent() const { return m_parent; }
    bool isFlat() const { return m_parent.name.isEmpty(); }

private:
    static void requireKeyAndAttribute(const QString &key, const QString &attribute);
    static std::optional<Catalogue::Table> lookedUp(Database &db, const QString &table,
                                                    const QString &key, const QString &attribute);

    Variant m_verdict;
    QString m_table;
    ProfileQueries::Column m_key;
    ProfileQueries::Column m_attribute;
    ProfileQueries::Column m_parent;
};
