#pragma once

#include "DataPacket.h"

#include <QDateTime>
#include <QString>
#include <QVector>

class Database;
class TableLayout;

// The server's record of every saved change (table AUDITORIASERVIDOR): who, when, which
// table and record, and the values before and after. Written inside the transaction of the
// change it records, so that a change is never stored without its record, nor the other way.
class AuditTrail
{
public:
    struct Entry
    {
        qint64 sequence = 0;
        QString when; // UTC, ISO 8601 with milliseconds
        QString user;
        QString table;
        QString operation; // "insert", "modify", "delete"
        QString record;    // the key values, "/"-separated
        QString before;    // the values as a JSON object; empty for an insert
        QString after;     // empty for a delete
    };

    AuditTrail(Database &db, QString user) : m_db(db), m_user(std::move(user)) {}

    // Rows in the layout's field order; oldRow null for an insert, newRow null for a delete.
    void record(const TableLayout &layout, packet::ChangeOp op, const packet::Row *oldRow,
                const packet::Row *newRow);

    // A row's values as the JSON object an entry keeps (its before and after).
    static QString valuesAsJson(const TableLayout &layout, const packet::Row &row);

    // The entries in the order they were written; since (ISO 8601 date or date and time, UTC)
    // and user, when not empty, keep only those from that moment on or by that user. Throws
    // Exception for a since it cannot read.
    static QVector<Entry> read(Database &db, const QString &since, const QString &user);

    // A moment as entries keep it: UTC, ISO 8601 with milliseconds, one fixed form that
    // compares as text.
    static QString timestamp(const QDateTime &moment);
    // The conditions " AND <whenColumn> >= ? AND NMUSUARIO = ?" for since and user, each only
    // when given, with their values appended: the filter of every listing of the trail. Throws
    // Exception for a since it cannot read.
    static QString sinceAndUser(const QString &whenColumn, const QString &since,
                                const QString &user, QVariantList &values);

private:
    Database &m_db;
    QString m_user;
};
