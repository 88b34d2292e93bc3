#pragma once

#include "DataPacket.h"
#include "QueryDeadline.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

// Every row of one read under a deadline, as texts (null kept), its first `columns` columns,
// through the connection's kept statements. A read cut short by the time limit is
// MethodFailure with the deadline's text; any other database error is MethodFailure with the
// database's. `then` as in QueryDeadline::select.
QVector<packet::Row> pageRows(QueryDeadline &reads, const QString &sql, const QVariantList &values,
                              int columns,
                              QueryDeadline::Then then = QueryDeadline::Then::ReadMore);

// A content packet of those rows under the given field names, each field as wide as its
// widest value (a record set refuses a value longer than its field).
packet::Packet pagePacket(const QStringList &names, QVector<packet::Row> rows);
