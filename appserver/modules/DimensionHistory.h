#pragma once

#include "DataPacket.h"

class Database;

// What the audit trail holds about one dimension: every saved change of the dimension and of
// its extra attributes, newest first. The trail's other rows (logins, other tables) are not
// part of it.
class DimensionHistory
{
public:
    explicit DimensionHistory(Database &db) : m_db(db) {}

    // Fields NRSEQUAUDI, DTALTERACAO (UTC, as stored), NMUSUARIO, IDOPERACAO ("insert",
    // "modify", "delete"), IDTIPOREGISTRO ("dimension" or "extra"), DSREGISTRO (the record's
    // key), DSANTES and DSDEPOIS (the values as JSON, null where the trail has none). A code
    // that is no dimension code, or was never stored, gives no rows.
    packet::Packet of(const QString &code);

    static const QVector<packet::FieldDef> &fields();

private:
    Database &m_db;
};
