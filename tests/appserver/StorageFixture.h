#pragma once

#include "DatabaseConfig.h"
#include "RequirePostgres.h"
#include "ServerProcess.h"
#include "TestClient.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <atomic>
#include <gtest/gtest.h>

// A server of its own for each case, on an existing but empty application database: an empty
// SQLite file, or a new database in the PostgreSQL the tests start. Only the server's two
// tables are created, so each case starts with no dimensions.
class StorageFixture : public ::testing::TestWithParam<const char *>
{
protected:
    void SetUp() override
    {
        if (QString(GetParam()) == "postgresql") {
            REQUIRE_POSTGRES(pg)
            static std::atomic<int> next{0};
            const QString url = pg->createDatabase(QString("kzr_case_%1").arg(next++));
            ASSERT_FALSE(url.isEmpty()) << pg->error().toStdString();
            ASSERT_TRUE(server.start(url)) << server.error().toStdString();
        } else {
            const QString path = server.tempPath("application.sqlite");
            QFile empty(path);
            ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
            empty.close();
            ASSERT_TRUE(server.start("sqlite:" + path)) << server.error().toStdString();
        }
        client = std::make_unique<TestClient>(server);
    }

    bool isPostgres() const { return QString(GetParam()) == "postgresql"; }

    // A few application tables for dimensions to name, as another application keeps them.
    QString createApplicationTables()
    {
        const QString blob = isPostgres() ? "BYTEA" : "BLOB";
        const QString client = "CREATE TABLE CLIENTE (CDCLIENTE INTEGER PRIMARY KEY, NMCLIENTE "
                               "VARCHAR(60), CDCIDADE INTEGER, CDUF CHAR(2), DSUF VARCHAR(20), "
                               "VLSALDO REAL, IMFOTO " + blob + ")";
        const QString city = "CREATE TABLE CIDADE (CDCIDADE INTEGER PRIMARY KEY, NMCIDADE "
                             "VARCHAR(60), SGUF CHAR(2), CDREGIAO INTEGER)";
        const QString group = "CREATE TABLE GRUPO (CDGRUPO INTEGER PRIMARY KEY, NMGRUPO "
                              "VARCHAR(40), CDPAI INTEGER, NMGRUPO2 VARCHAR(40))";
        // Tables that only change a dimension's table: CLIENTE's key and name under other names.
        const QString product = "CREATE TABLE PRODUTO (CDCLIENTE INTEGER, NMCLIENTE VARCHAR(60))";
        const QString item = "CREATE TABLE ITEM (CDCLIENTE INTEGER, NMCLIENTE VARCHAR(60))";
        return executeDirectly({client, city, group, product, item});
    }

    // Runs statements on the server's database through a connection of the test's own, as
    // another application sharing the database would. Returns the first error, "" when none.
    QString executeDirectly(const QStringList &statements)
    {
        QString error;
        {
            QSqlDatabase db = DatabaseConfig::parse(server.databaseUrl()).addConnection("direct");
            if (!db.open()) error = db.lastError().text();
            for (const QString &sql : statements) {
                QSqlQuery query(db);
                if (error.isEmpty() && !query.exec(sql))
                    error = sql + ": " + query.lastError().text();
            }
        }
        QSqlDatabase::removeDatabase("direct");
        return error;
    }

    // Every dimension as stored, in code order, one line of values per row ("<null>" for a
    // null), read through a connection of the test's own.
    QStringList dimensionsDirectly()
    {
        QStringList lines;
        {
            QSqlDatabase db = DatabaseConfig::parse(server.databaseUrl()).addConnection("direct");
            EXPECT_TRUE(db.open()) << db.lastError().text();
            QSqlQuery query("SELECT IDDIMENSAODW, NRSEQUEDIME, NMITEMDIME, CDTABELADIME, DSPKDIME, "
                            "DSITEMDIME, DSPKDIME2 FROM DIMENSAODIME ORDER BY NRSEQUEDIME",
                            db);
            while (query.next()) {
                QStringList values;
                for (int i = 0; i < 7; ++i)
                    values << (query.isNull(i) ? "<null>" : query.value(i).toString());
                lines << values.join('|');
            }
        }
        QSqlDatabase::removeDatabase("direct");
        return lines;
    }

    // How many rows a table holds, read through a connection of the test's own.
    qint64 countDirectly(const QString &table)
    {
        qint64 count = -1;
        {
            QSqlDatabase db = DatabaseConfig::parse(server.databaseUrl()).addConnection("direct");
            EXPECT_TRUE(db.open()) << db.lastError().text();
            QSqlQuery query("SELECT COUNT(*) FROM " + table, db);
            if (query.next()) count = query.value(0).toLongLong();
        }
        QSqlDatabase::removeDatabase("direct");
        return count;
    }

    // A packet's rows written as dimensionsDirectly() writes them.
    static QStringList lines(const packet::Packet &p)
    {
        QStringList result;
        for (const packet::Row &row : p.rows) {
            QStringList values;
            for (const std::optional<QString> &value : row)
                values << value.value_or("<null>");
            result << values.join('|');
        }
        return result;
    }

    ServerProcess server;
    std::unique_ptr<TestClient> client;
};
