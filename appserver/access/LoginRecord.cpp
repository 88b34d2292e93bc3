#include "LoginRecord.h"

#include "AuditTrail.h"
#include "Database.h"

void LoginRecord::write(const QString &user, const QString &address, Outcome outcome,
                        const QDateTime &when)
{
    static const QString Names[] = {QStringLiteral("accepted"), QStringLiteral("refused"),
                                    QStringLiteral("backoff")};
    m_db.run(QStringLiteral("INSERT INTO ACESSOSERVIDOR (DTACESSO, NMUSUARIO, DSENDERECO, "
                            "IDRESULTADO) VALUES (?, ?, ?, ?)"),
             {AuditTrail::timestamp(when), user, address,
              Names[int(outcome)]});
}

QVector<LoginRecord::Entry> LoginRecord::read(Database &db, const QString &since,
                                              const QString &user)
{
    QString sql = QStringLiteral("SELECT DTACESSO, NMUSUARIO, DSENDERECO, IDRESULTADO FROM "
                                 "ACESSOSERVIDOR WHERE 1 = 1");
    QVariantList values;
    sql += AuditTrail::sinceAndUser(QStringLiteral("DTACESSO"), since, user, values);
    QSqlQuery query = db.run(sql + QStringLiteral(" ORDER BY NRSEQUACES"), values);
    QVector<Entry> entries;
    while (query.next()) {
        entries.push_back({query.value(0).toString(), query.value(1).toString(),
                           query.value(2).toString(), query.value(3).toString()});
    }
    return entries;
}
