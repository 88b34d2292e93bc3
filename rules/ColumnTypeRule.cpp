#include "ColumnTypeRule.h"

#include <QStringList>

namespace {

// SQLite: the declared type decides the column's affinity by the words it contains, in this
// order (INT, then CHAR/CLOB/TEXT, then BLOB or nothing, then REAL/FLOA/DOUB).
bool sqliteAccepts(const QString &declared)
{
    const QString type = declared.toUpper();
    if (type.contains(QLatin1String("INT"))) return true;
    if (type.contains(QLatin1String("CHAR")) || type.contains(QLatin1String("CLOB")) ||
        type.contains(QLatin1String("TEXT")))
        return true;
    if (type.trimmed().isEmpty() || type.contains(QLatin1String("BLOB"))) return false;
    if (type.contains(QLatin1String("REAL")) || type.contains(QLatin1String("FLOA")) ||
        type.contains(QLatin1String("DOUB")))
        return false;
    // NUMERIC affinity: NUMERIC, DECIMAL, BOOLEAN, DATE, DATETIME and the like.
    return true;
}

bool postgresAccepts(const QString &dataType)
{
    static const QStringList accepted = {
        QStringLiteral("smallint"),
        QStringLiteral("integer"),
        QStringLiteral("bigint"),
        QStringLiteral("numeric"),
        QStringLiteral("character varying"),
        QStringLiteral("character"),
        QStringLiteral("text"),
        QStringLiteral("date"),
        QStringLiteral("boolean"),
        QStringLiteral("uuid"),
    };
    const QString type = dataType.toLower();
    return accepted.contains(type) || type.startsWith(QLatin1String("timestamp")) ||
           type.startsWith(QLatin1String("time"));
}

} // namespace

bool ColumnTypeRule::mayConstituteDimension(bool sqlite, const QString &declaredType)
{
    return sqlite ? sqliteAccepts(declaredType) : postgresAccepts(declaredType);
}
