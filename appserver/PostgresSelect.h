#pragma once

#include "DataPacket.h"

#include <QString>
#include <QVariantList>
#include <variant>

struct pg_conn;

// Runs a SELECT through libpq itself and reads its texts as the database holds them. Qt's
// driver decodes them in a way that drops a leading U+FEFF. Placeholders are written "?",
// values are texts or null.
class PostgresSelect
{
public:
    struct Failure
    {
        QString sqlState;
        QString text;
    };

    // The packet, or the failure the database reported.
    static std::variant<packet::Packet, Failure> run(pg_conn *connection, const QString &sql,
                                                     const QVariantList &values,
                                                     const QVector<packet::FieldDef> &fields);

    // "?" placeholders as PostgreSQL numbers them ("$1", "$2"...), quoted literals left alone.
    static QString numbered(const QString &sql);
};
