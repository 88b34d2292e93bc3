#include "DimensionExport.h"

#include "CsvCell.h"
#include "DimensionSource.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString CodeField = QStringLiteral("NRSEQUEDIME");

QJsonObject objectOf(const QVector<packet::FieldDef> &fields, const packet::Row &row,
                     const QString &leaveOut = QString())
{
    QJsonObject object;
    for (int i = 0; i < fields.size(); ++i) {
        if (fields[i].name == leaveOut) continue;
        const std::optional<QString> &value = row.value(i);
        object.insert(fields[i].name, value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null));
    }
    return object;
}

} // namespace

DimensionExport DimensionExport::read(DimensionSource &source)
{
    DimensionExport result;
    const packet::Packet dimensions = source.dimensions();
    result.m_dimensionFields = dimensions.fields;
    for (const packet::Row &row : dimensions.rows) {
        const packet::Packet extras =
            source.extras(DimensionSource::value(dimensions, row, CodeField));
        if (result.m_extraFields.isEmpty()) result.m_extraFields = extras.fields;
        result.m_entries.push_back({row, extras.rows});
    }
    return result;
}

QByteArray DimensionExport::json() const
{
    QJsonArray dimensions;
    for (const Entry &entry : m_entries) {
        QJsonObject dimension = objectOf(m_dimensionFields, entry.dimension);
        QJsonArray extras;
        for (const packet::Row &extra : entry.extras)
            extras.append(objectOf(m_extraFields, extra, CodeField));
        dimension.insert(QStringLiteral("extras"), extras);
        dimensions.append(dimension);
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("dimensoes"), dimensions}})
        .toJson(QJsonDocument::Indented);
}

QByteArray DimensionExport::csv() const
{
    // One table for both kinds of record: REGISTRO says which; an extra attribute carries its
    // dimension's code and leaves the other dimension fields null.
    QStringList header{QStringLiteral("REGISTRO")};
    for (const packet::FieldDef &f : m_dimensionFields)
        header << f.name;
    int codeColumn = -1;
    for (int i = 0; i < m_extraFields.size(); ++i) {
        if (m_extraFields[i].name == CodeField)
            codeColumn = i;
        else
            header << m_extraFields[i].name;
    }
    const int dimensionCode = [&] {
        for (int i = 0; i < m_dimensionFields.size(); ++i)
            if (m_dimensionFields[i].name == CodeField) return i;
        return -1;
    }();

    QString out = header.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    const auto line = [&](const QString &kind, const packet::Row &dimension,
                          const packet::Row &extra) {
        QStringList cells{kind};
        for (int i = 0; i < m_dimensionFields.size(); ++i)
            cells << csvCell(dimension.value(i));
        for (int i = 0; i < m_extraFields.size(); ++i)
            if (i != codeColumn) cells << csvCell(extra.value(i));
        out += cells.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    };
    for (const Entry &entry : m_entries) {
        line(QStringLiteral("DIMENSAO"), entry.dimension, packet::Row(m_extraFields.size()));
        for (const packet::Row &extra : entry.extras) {
            packet::Row codeOnly(m_dimensionFields.size());
            if (dimensionCode >= 0) codeOnly[dimensionCode] = entry.dimension.value(dimensionCode);
            line(QStringLiteral("EXTRA"), codeOnly, extra);
        }
    }
    return out.toUtf8();
}
