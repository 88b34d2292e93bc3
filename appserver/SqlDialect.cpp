#include "SqlDialect.h"

QString SqlDialect::sameValue(const QString &column) const
{
    return isSqlite() ? column + QStringLiteral(" IS ?")
                      : column + QStringLiteral(" IS NOT DISTINCT FROM ?");
}

QString SqlDialect::textType(int width) const
{
    return QStringLiteral("VARCHAR(%1)").arg(width);
}
