#include "HistoryMoment.h"

#include <QRegularExpression>
#include <QTimeZone>

QString HistoryMoment::shown(const QString &stored)
{
    const QDateTime moment = QDateTime::fromString(stored, Qt::ISODateWithMs);
    if (!moment.isValid()) return stored;
    return moment.toLocalTime().toOffsetFromUtc(moment.toLocalTime().offsetFromUtc()).toString(Qt::ISODate);
}

QString HistoryMoment::zoneName()
{
    const int offset = QDateTime::currentDateTime().offsetFromUtc();
    const int minutes = qAbs(offset) / 60;
    return QStringLiteral("horário local, UTC%1%2:%3")
        .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QDateTime HistoryMoment::typed(const QString &text)
{
    const QString trimmed = text.trimmed();
    QDateTime moment = QDateTime::fromString(trimmed, QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    if (!moment.isValid()) moment = QDateTime::fromString(trimmed, Qt::ISODateWithMs);
    if (!moment.isValid()) return {};
    // Whole seconds: the version in force at the end of that second.
    static const QRegularExpression fraction(QStringLiteral(":\\d\\d[.,]\\d"));
    if (!fraction.match(trimmed).hasMatch()) moment = moment.addMSecs(999);
    return moment;
}
