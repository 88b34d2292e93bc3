#include "SaveCatalogue.h"

#include "Database.h"
#include "DimensionFields.h"
#include "StructureCheck.h"
#include "TableLayout.h"

namespace df = dimension_fields;
namespace ef = extra_fields;

QString SaveCatalogue::structureError(const QString &table, const QStringList &fields)
{
    auto found = m_tables.find(table);
    if (found == m_tables.end()) found = m_tables.insert(table, Catalogue(m_db).table(table));
    QStringList names = fields;
    return StructureCheck(m_db).errorText(*found, table, names);
}

std::optional<DimensionRecord> SaveCatalogue::dimension(const QString &code)
{
    static const QString sql =
        TableLayout::dimensions().selectAll() + QStringLiteral(" WHERE %1 = ?").arg(df::Code);
    const packet::Packet found = m_db.select(sql, {code}, TableLayout::dimensions().fieldDefs());
    if (found.rows.isEmpty()) return std::nullopt;
    const packet::Row &row = found.rows.first();
    const auto text = [&](int field) { return row.value(field).value_or(QString()); };
    return DimensionRecord{text(0), text(1), text(2), text(3), text(4), text(5), text(6)};
}

bool SaveCatalogue::codeTaken(const QString &code)
{
    static const QString sql = QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ?").arg(df::Table, df::Code);
    return m_db.exists(sql, {code});
}

bool SaveCatalogue::nameTaken(const QString &name)
{
    static const QString sql = QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ?").arg(df::Table, df::Name);
    return m_db.exists(sql, {name});
}

bool SaveCatalogue::hasExtras(const QString &code)
{
    static const QString sql = QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ?").arg(ef::Table, ef::Code);
    return m_db.exists(sql, {code});
}

bool SaveCatalogue::extraFieldTaken(const QString &code, const QString &field)
{
    static const QString sql =
        QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ? AND %3 = ?").arg(ef::Table, ef::Code, ef::Field);
    return m_db.exists(sql, {code, field});
}

bool SaveCatalogue::extraNameTaken(const QString &code, const QString &name)
{
    static const QString sql =
        QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ? AND %3 = ?").arg(ef::Table, ef::Code, ef::Name);
    return m_db.exists(sql, {code, name});
}
