#pragma once

#include "DataPacket.h"

#include <QHash>
#include <QString>
#include <QVariantList>
#include <variant>

struct pg_conn;

// Runs a SELECT through libpq itself and reads its texts as the database holds them. Qt's
// driver decodes them in a way that drops a leading U+FEFF. Placeholders are written "?",
// values are texts or null. Each statement is prepared once per connection and then only
// executed: one round trip and no planning per call.
// Used on the thread that owns the connection only; clear() when the connection closes.
class PostgresSelect
{
public:
    struct Failure
    {
        QString sqlState;
        QString text;
    };

    // The packet, or the failure the database reported.
    std::variant<packet::Packet, Failure> run(pg_conn *connection, const QString &sql,
                                              const QVariantList &values,
                                              const QVector<packet::FieldDef> &fields);
    void clear();

    // "?" placeholders as PostgreSQL numbers them ("$1", "$2"...), quoted literals left alone.
    static QString numbered(const QString &sql);

private:
    pg_conn *m_connection = nullptr; // the connection the prepared names belong to
    QHash<QString, QByteArray> m_names;
    int m_next = 0;
};
