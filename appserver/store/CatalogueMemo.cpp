#include "CatalogueMemo.h"

std::optional<std::optional<Catalogue::Table>> CatalogueMemo::find(qint64 schemaVersion,
                                                                   const QString &name) const
{
    if (schemaVersion != m_version) return std::nullopt;
    const auto kept = m_tables.constFind(name);
    if (kept == m_tables.cend()) return std::nullopt;
    return *kept;
}

void CatalogueMemo::keep(qint64 schemaVersion, const QString &name,
                         const std::optional<Catalogue::Table> &table)
{
    if (schemaVersion != m_version || m_tables.size() >= MostNames) {
        m_tables.clear();
        m_version = schemaVersion;
    }
    m_tables.insert(name, table);
}

std::optional<Catalogue::Table> CatalogueMemo::lastFound(const QString &name) const
{
    const auto kept = m_lastFound.constFind(name);
    if (kept == m_lastFound.cend()) return std::nullopt;
    return *kept;
}

void CatalogueMemo::keepLastFound(const QString &name, const std::optional<Catalogue::Table> &table)
{
    if (!table) {
        m_lastFound.remove(name);
        return;
    }
    if (m_lastFound.size() >= MostNames && !m_lastFound.contains(name)) m_lastFound.clear();
    m_lastFound.insert(name, *table);
}

void CatalogueMemo::clear()
{
    m_tables.clear();
    m_lastFound.clear();
    m_version = -1;
}
