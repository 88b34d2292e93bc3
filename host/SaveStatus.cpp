#include "SaveStatus.h"

namespace {
QString clock(const QTime &at)
{
    return at.toString(QStringLiteral("HH:mm"));
}
} // namespace

QString SaveStatus::wordsFor(const QString &table)
{
    const QString name = table.trimmed().toUpper();
    if (name == QLatin1String("DIMENSAODIME"))
        return QStringLiteral("Dimensões");
    if (name == QLatin1String("ATRIBEXTRADIME"))
        return QStringLiteral("Atributos extras");
    return QStringLiteral("Dados de %1").arg(table.trimmed());
}

QString SaveStatus::saved(const QStringList &tables, const QTime &at)
{
    QStringList words;
    for (const QString &table : tables)
        words << wordsFor(table);
    words.removeDuplicates();
    if (words.isEmpty())
        words << QStringLiteral("Dados");
    // The participle agrees: feminine only when everything named is ("Dimensões").
    const bool feminine = words == QStringList{QStringLiteral("Dimensões")};
    return QStringLiteral("%1 %2 às %3")
        .arg(words.join(QStringLiteral(" e ")), feminine ? QStringLiteral("gravadas") : QStringLiteral("gravados"), clock(at));
}

QString SaveStatus::failed(const QString &message, const QTime &at)
{
    const QString reason = message.section(QLatin1Char('\n'), 0, 0).trimmed();
    return reason.isEmpty() ? QStringLiteral("Falha ao gravar às %1").arg(clock(at))
                            : QStringLiteral("Falha ao gravar às %1: %2").arg(clock(at), reason);
}
