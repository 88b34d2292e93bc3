#include "DimensionHistory.h"

#include "Database.h"
#include "DimensionCode.h"
#include "TableLayout.h"

const QVector<packet::FieldDef> &DimensionHistory::fields()
{
    // The values are a whole record as JSON: wide enough for the widest record escaped.
    static const QVector<packet::FieldDef> defs{
        {QStringLiteral("NRSEQUAUDI"), 20},    {QStringLiteral("DTALTERACAO"), 24},
        {QStringLiteral("NMUSUARIO"), 30},     {QStringLiteral("IDOPERACAO"), 6},
        {QStringLiteral("IDTIPOREGISTRO"), 9}, {QStringLiteral("DSREGISTRO"), 40},
        {QStringLiteral("DSANTES"), 4000},     {QStringLiteral("DSDEPOIS"), 4000},
    };
    return defs;
}

packet::Packet DimensionHistory::of(const QString &code)
{
    const std::optional<QString> stored = DimensionCode::storedForm(code);
    if (!stored) {
        packet::Packet empty;
        empty.fields = fields();
        return empty;
    }
    // An extra attribute's record is its dimension's code, "/" and its field: compared by its
    // first six characters rather than with LIKE, whose wildcards would need escaping.
    return m_db.select(
        QStringLiteral("SELECT CAST(NRSEQUAUDI AS VARCHAR(20)), DTALTERACAO, NMUSUARIO, "
                       "IDOPERACAO, CASE WHEN NMTABELA = ? THEN 'dimension' ELSE 'extra' END, "
                       "DSREGISTRO, DSANTES, DSDEPOIS FROM AUDITORIASERVIDOR "
                       "WHERE (NMTABELA = ? AND DSREGISTRO = ?) "
                       "OR (NMTABELA = ? AND SUBSTR(DSREGISTRO, 1, 6) = ?) "
                       "ORDER BY NRSEQUAUDI DESC"),
        {TableLayout::dimensions().table(), TableLayout::dimensions().table(), *stored,
         TableLayout::extras().table(), *stored + QLatin1Char('/')},
        fields());
}
