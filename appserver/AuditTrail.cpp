#include "AuditTrail.h"

#include "Database.h"
#include "Exceptions.h"
#include "TableLayout.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace {

QString timestamp(const QDateTime &moment)
{
    return moment.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
}

QVariant json(const TableLayout &layout, const packet::Row *row)
{
    if (!row) return QVariant(QMetaType(QMetaType::QString));
    QJsonObject object;
    for (int i = 0; i < layout.fields().size() && i < row->size(); ++i) {
        const std::optional<QString> &value = (*row)[i];
        object.insert(layout.fields()[i].name, value ? QJsonValue(*value) : QJsonValue());
    }
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString keyOf(const TableLayout &layout, const packet::Row &row)
{
    QStringList parts;
    for (int index : layout.keyFields())
        parts << row.value(index).value_or(QString());
    return parts.join(QLatin1Char('/'));
}

QString operationName(packet::ChangeOp op)
{
    switch (op) {
    case packet::ChangeOp::Insert:
        return QStringLiteral("insert");
    case packet::ChangeOp::Modify:
        return QStringLiteral("modify");
    case packet::ChangeOp::Delete:
        break;
    }
    return QStringLiteral("delete");
}

} // namespace

void AuditTrail::record(const TableLayout &layout, packet::ChangeOp op, const packet::Row *oldRow,
                        const packet::Row *newRow)
{
    // A changed key is recorded under the key the record had.
    const packet::Row &identifying = oldRow ? *oldRow : *newRow;
    m_db.run(QStringLiteral("INSERT INTO AUDITORIASERVIDOR (DTALTERACAO, NMUSUARIO, NMTABELA, "
                            "IDOPERACAO, DSREGISTRO, DSANTES, DSDEPOIS) VALUES (?, ?, ?, ?, ?, ?, ?)"),
             {timestamp(QDateTime::currentDateTimeUtc()), m_user, layout.table(),
              operationName(op), keyOf(layout, identifying), json(layout, oldRow),
              json(layout, newRow)});
}

QVector<AuditTrail::Entry> AuditTrail::read(Database &db, const QString &since,
                                            const QString &user)
{
    QString sql = QStringLiteral("SELECT NRSEQUAUDI, DTALTERACAO, NMUSUARIO, NMTABELA, IDOPERACAO, "
                                 "DSREGISTRO, DSANTES, DSDEPOIS FROM AUDITORIASERVIDOR WHERE 1 = 1");
    QVariantList values;
    if (!since.isEmpty()) {
        QDateTime moment = QDateTime::fromString(since, Qt::ISODateWithMs);
        if (!moment.isValid()) moment = QDateTime(QDate::fromString(since, Qt::ISODate), QTime(0, 0));
        if (!moment.isValid())
            throw Exception(QStringLiteral("--since espera uma data AAAA-MM-DD ou data e hora "
                                           "AAAA-MM-DDTHH:MM[:SS] (UTC), recebeu \"%1\".")
                                .arg(since));
        if (moment.timeSpec() == Qt::LocalTime) moment.setTimeSpec(Qt::UTC);
        // Written in one fixed form, the moments compare as text.
        sql += QStringLiteral(" AND DTALTERACAO >= ?");
        values << timestamp(moment);
    }
    if (!user.isEmpty()) {
        sql += QStringLiteral(" AND NMUSUARIO = ?");
        values << user;
    }
    QSqlQuery query = db.run(sql + QStringLiteral(" ORDER BY NRSEQUAUDI"), values);
    QVector<Entry> entries;
    while (query.next()) {
        entries.push_back({query.value(0).toLongLong(), query.value(1).toString(),
                           query.value(2).toString(), query.value(3).toString(),
                           query.value(4).toString(), query.value(5).toString(),
                           query.value(6).toString(), query.value(7).toString()});
    }
    return entries;
}
