#pragma once

#include "Catalogue.h"

#include <QHash>
#include <QString>
#include <optional>

// What one connection has looked up in a SQLite catalogue, by the name asked for, while the
// schema's version stays the one it was read under. SQLite changes that version with every
// change of structure, made by any connection or program.
class CatalogueMemo
{
public:
    // Whether the name was looked up under this version, and what was found then.
    std::optional<std::optional<Catalogue::Table>> find(qint64 schemaVersion,
                                                        const QString &name) const;
    void keep(qint64 schemaVersion, const QString &name,
              const std::optional<Catalogue::Table> &table);
    void clear();

private:
    // Names come from clients: the memo starts afresh rather than grow past this.
    static constexpr qsizetype MostNames = 256;
    qint64 m_version = -1;
    QHash<QString, std::optional<Catalogue::Table>> m_tables;
};
