#include "LoginRecord.h"

#include "AuditTrail.h"
#include "Database.h"

void LoginRecord::write(const QString &user, const QString &address, UserOrigin origin,
                        std::optional<Role> role)
{
    m_db.run(QStringLiteral("INSERT INTO ACESSOSERVIDOR (DTACESSO, NMUSUARIO, DSENDERECO, "
                            "IDRESULTADO, IDORIGEM, IDPAPEL) VALUES (?, ?, ?, ?, ?, ?)"),
             {AuditTrail::timestamp(QDateTime::currentDateTimeUtc()), user, address,
              role ? QStringLiteral("accepted") : QStringLiteral("refused"),
              user_origin::name(origin), role ? roles::name(*role) : QVariant()});
}

QVector<LoginRecord::Entry> LoginRecord::read(Database &db, const QString &since,
                                              const QString &user)
{
    QString sql = QStringLiteral("SELECT DTACESSO, NMUSUARIO, DSENDERECO, IDRESULTADO, "
                                 "IDORIGEM, IDPAPEL FROM "
                                 "ACESSOSERVIDOR WHERE 1 = 1");
    QVariantList values;
    sql += AuditTrail::sinceAndUser(QStringLiteral("DTACESSO"), since, user, values);
    QSqlQuery query = db.run(sql + QStringLiteral(" ORDER BY NRSEQUACES"), values);
    QVector<Entry> entries;
    while (query.next()) {
        entries.push_back({query.value(0).toString(), query.value(1).toString(),
                           query.value(2).toString(),
                           query.value(3).toString() == QLatin1String("accepted"),
                           query.value(4).toString(), query.value(5).toString()});
    }
    return entries;
}

QMap<QString, QString> LoginRecord::directoryUsers(Database &db)
{
    QSqlQuery query = db.run(QStringLiteral(
        "SELECT NMUSUARIO, IDPAPEL FROM ACESSOSERVIDOR WHERE IDORIGEM = 'directory' AND "
        "IDRESULTADO = 'accepted' ORDER BY NRSEQUACES"));
    QMap<QString, QString> users;
    while (query.next())
        users.insert(query.value(0).toString(), query.value(1).toString());
    return users;
}
