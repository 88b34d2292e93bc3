#pragma once

#include "DataPacket.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// Records of the stored tables in the API's JSON, and back; the ETag of a record.
namespace api_json {

// {"code", "name", "table", "keyField", "attributeField", "parentField", "inWarehouse"} from
// a row of the dimension fields (IDDIMENSAODW, NRSEQUEDIME, NMITEMDIME, CDTABELADIME,
// DSPKDIME, DSITEMDIME, DSPKDIME2).
QJsonObject dimension(const packet::Row &row);
// The row a client's dimension stands for, with the code given; 400 (ApiProblem) for a member
// of the wrong kind, a missing name or flag, or a member the API does not know.
packet::Row dimensionRow(const QJsonObject &body, const QString &code);

// {"field", "name"} from a row of the extra fields (NRSEQUEDIME, CDATRIBEXTRDIME,
// DSATRIBEXTRDIME), and back.
QJsonObject extra(const packet::Row &row);
packet::Row extraRow(const QJsonObject &body, const QString &code, const QString &field);

// The stored version of a record: a digest of every value, null apart from empty; quoted, as
// an ETag header carries it.
QByteArray etag(const packet::Row &row);

// The body as a JSON object; 400 when it is none.
QJsonObject object(const QByteArray &body);

// A one-change delta over the fields of a content packet.
packet::Packet delta(const QVector<packet::FieldDef> &fields, packet::ChangeOp op,
                     std::optional<packet::Row> oldRow, std::optional<packet::Row> newRow);

} // namespace api_json
