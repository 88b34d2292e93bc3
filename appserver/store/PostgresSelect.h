#pragma once

#include "DataPacket.h"
#include "RecentStatements.h"

#include <QByteArrayList>
#include <QString>
#include <QVariantList>
#include <optional>
#include <variant>

struct pg_conn;

// Runs SELECTs through libpq itself and reads their texts as the database holds them. Qt's
// driver decodes them in a way that drops a leading U+FEFF. Placeholders are written "?",
// values are texts or null. Each statement is prepared once per connection and then only
// executed: no planning per call. The most recently used ones are kept (RecentStatements); one
// pushed out is deallocated before a later call, outside a transaction. Everything one call
// sends goes in one pipeline, answered in one round trip: the reads, each statement's
// preparation the first time, and the statements that answer no rows sent with them (Around).
// Used on the thread that owns the connection only; clear() when the connection closes.
class PostgresSelect
{
public:
    struct Failure
    {
        QString sqlState;
        QString text;
        // The connection is in no known state (it broke, or a pipeline could not be sent or
        // read to its end): it must be closed.
        bool broken = false;
    };

    // One SELECT, its values, and the fields of the packet its rows go into.
    struct Read
    {
        QString sql;
        QVariantList values;
        QVector<packet::FieldDef> fields;
    };

    // Statements without rows and without values sent with the reads, in the same round trip:
    // `before` ahead of them ("BEGIN ...", "SET LOCAL ..."), `after` behind them ("ROLLBACK").
    struct Around
    {
        QByteArrayList before;
        QByteArrayList after;
    };

    // What the reads answered: a packet for each read, in order, up to the first failure.
    // PostgreSQL runs nothing after a failure, not even `after`.
    struct Outcome
    {
        QVector<packet::Packet> packets;
        std::optional<Failure> failure;
    };

    // The reads and what goes around them, in one round trip. A failure leaves the
    // connection's transaction as the call found it: one that `before` began is rolled back.
    Outcome run(pg_conn *connection, const QVector<Read> &reads, const Around &around = {});
    // One read alone: the packet, or the failure the database reported.
    std::variant<packet::Packet, Failure> run(pg_conn *connection, const QString &sql,
                                              const QVariantList &values,
                                              const QVector<packet::FieldDef> &fields);
    void clear();

    // "?" placeholders as PostgreSQL numbers them ("$1", "$2"...), quoted literals left alone.
    static QString numbered(const QString &sql);

private:
    void keep(const QString &sql, const QByteArray &name);
    void deallocateDropped(pg_conn *connection);

    pg_conn *m_connection = nullptr; // the connection the prepared names belong to
    RecentStatements<QByteArray> m_names;
    QByteArrayList m_dropped; // pushed out of m_names, still prepared in the database
    int m_next = 0;
};
