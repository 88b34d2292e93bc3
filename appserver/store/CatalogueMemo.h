#pragma once

#include "Catalogue.h"

#include <QHash>
#include <QString>
#include <optional>

// What one connection has looked up in its catalogue, by the name asked for. On SQLite, an
// answer while the schema's version stays the one it was read under: SQLite changes that
// version with every change of structure, made by any connection or program. On PostgreSQL,
// which has no such version, the table last found under a name: a guess, never an answer
// (Catalogue::lastFound).
class CatalogueMemo
{
public:
    // Whether the name was looked up under this version, and what was found then.
    std::optional<std::optional<Catalogue::Table>> find(qint64 schemaVersion,
                                                        const QString &name) const;
    void keep(qint64 schemaVersion, const QString &name,
              const std::optional<Catalogue::Table> &table);

    // The table the last look-up of the name found; nullopt when it found none, or when the
    // name was not looked up.
    std::optional<Catalogue::Table> lastFound(const QString &name) const;
    void keepLastFound(const QString &name, const std::optional<Catalogue::Table> &table);

    void clear();

private:
    // Names come from clients: the memo starts afresh rather than grow past this.
    static constexpr qsizetype MostNames = 256;
    qint64 m_version = -1;
    QHash<QString, std::optional<Catalogue::Table>> m_tables;
    QHash<QString, Catalogue::Table> m_lastFound;
};
