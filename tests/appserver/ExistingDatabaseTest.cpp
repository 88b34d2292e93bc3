// Pointed at an existing application database (a copy of the public Chinook sample), the
// server adds its own tables and touches nothing else; the application's mixed-case names are
// found whatever their case, and its self-relationship can make a hierarchical dimension.
#include "Deltas.h"
#include "ServerProcess.h"
#include "TestClient.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

// Every catalogue entry with its SQL, and a digest of every table's rows, in one map.
QMap<QString, QString> snapshot(const QString &path)
{
    QMap<QString, QString> result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "snapshot");
        db.setDatabaseName(path);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        if (!db.open()) return result;
        QSqlQuery entries("SELECT type, name, sql FROM sqlite_master ORDER BY name", db);
        QStringList tables;
        while (entries.next()) {
            result["schema " + entries.value(1).toString()] =
                entries.value(0).toString() + ": " + entries.value(2).toString();
            if (entries.value(0).toString() == "table") tables << entries.value(1).toString();
        }
        for (const QString &table : tables) {
            QCryptographicHash digest(QCryptographicHash::Sha256);
            QSqlQuery rows(QString("SELECT * FROM \"%1\" ORDER BY rowid").arg(table), db);
            int count = 0;
            while (rows.next()) {
                ++count;
                for (int i = 0; i < rows.record().count(); ++i)
                    digest.addData(rows.value(i).toString().toUtf8() + '\x1f');
            }
            result["rows " + table] =
                QString("%1 %2").arg(count).arg(QString(digest.result().toHex()));
        }
        QSqlQuery mode("PRAGMA journal_mode", db);
        mode.next();
        result["journal_mode"] = mode.value(0).toString();
    }
    QSqlDatabase::removeDatabase("snapshot");
    return result;
}

TEST(ExistingDatabase, OnlyTheServersTablesAreAddedAndMixedCaseNamesAreFound)
{
    const QString chinook = KZR_CHINOOK_SQLITE;
    if (!QFile::exists(chinook))
        GTEST_SKIP() << "the Chinook sample database is not at " << chinook.toStdString();
    ServerProcess server;
    const QString copy = server.tempPath("Chinook.sqlite");
    ASSERT_TRUE(QFile::copy(chinook, copy));
    // The original may be read-only; its copy is ours to write.
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
    const QMap<QString, QString> before = snapshot(copy);
    ASSERT_TRUE(before.contains("rows Employee"));

    ASSERT_TRUE(server.start("sqlite:" + copy)) << server.error().toStdString();
    TestClient client(server);
    EXPECT_TRUE(client.dimensions().rows.isEmpty()); // no demo content in someone else's database

    Variant names = VarArrayOf({Variant(QString("EMPLOYEEID")), Variant(QString("LASTNAME")),
                                Variant(QString("REPORTSTO"))});
    EXPECT_TRUE(client.dimensao("vdDimensao", {"EMPLOYEE", RemoteArg::ByRef(names)}).isNull());
    EXPECT_EQ(names.element(2).toString(), "ReportsTo");
    Variant track = VarArrayOf({Variant(QString("TRACKID")), Variant(QString("UNITPRICE"))});
    EXPECT_TRUE(client.dimensao("vdDimensao", {"TRACK", RemoteArg::ByRef(track)}).isNull());
    const QStringList fields = TestClient::column(
        TestClient::packetOf(client.estrutura("getFields", {"D", "EMPLOYEE"})), "CDFIELD");
    EXPECT_EQ(fields.size(), 15);
    EXPECT_TRUE(fields.contains("REPORTSTO"));

    ASSERT_EQ(
        client.saveDimensions(deltas::ofDimensions({deltas::insert(deltas::dimension(
            "1", "Funcionários", "EMPLOYEE", "EMPLOYEEID", "LASTNAME", QString("REPORTSTO")))})),
        "");
    ASSERT_EQ(client.saveExtras(
                  deltas::ofExtras({deltas::insert(deltas::extra("00001", "CITY", "Cidade"))})),
              "");
    server.stop();

    // A restart finds its tables and leaves them be.
    ASSERT_TRUE(server.start("sqlite:" + copy)) << server.error().toStdString();
    EXPECT_EQ(TestClient(server).codes(), QStringList{"00001"});
    server.stop();

    QMap<QString, QString> after = snapshot(copy);
    for (const char *added : {"DIMENSAODIME", "ATRIBEXTRADIME", "USUARIOSERVIDOR",
                              "AUDITORIASERVIDOR", "ACESSOSERVIDOR", "VERSAOSERVIDOR", "ESQUEMASERVIDOR",
                              "FIMSESSAOSERVIDOR", "SESSAOSERVIDOR"}) {
        EXPECT_TRUE(after.remove("schema " + QString(added)) == 1) << added;
        EXPECT_TRUE(after.remove("rows " + QString(added)) == 1) << added;
    }
    // Their key and unique indexes are the server's too, and the triggers that count changes.
    const QStringList servers = {
        "schema sqlite_autoindex_DIMENSAODIME", "schema sqlite_autoindex_ATRIBEXTRADIME",
        "schema sqlite_autoindex_USUARIOSERVIDOR", "schema sqlite_autoindex_VERSAOSERVIDOR",
        "schema VERSAOSERVIDOR_DIMENSAODIME_"};
    int triggers = 0;
    after.removeIf([&](QMap<QString, QString>::iterator it) {
        const bool ours = std::any_of(servers.begin(), servers.end(), [&](const QString &prefix) {
            return it.key().startsWith(prefix);
        });
        triggers += ours && it.value().startsWith("trigger: ");
        return ours;
    });
    EXPECT_EQ(triggers, 3);
    EXPECT_EQ(after, before);
}

} // namespace
