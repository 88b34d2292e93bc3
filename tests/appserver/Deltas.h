#pragma once

#include "DataPacket.h"

#include <QString>
#include <optional>

// Rows and change packets as the screen's record sets send them, written out by hand so that
// a test can say exactly which original values a change carries.
namespace deltas {

using packet::Row;

// The fields of the screen's record sets, as the server must send and accept them.
inline const QVector<packet::FieldDef> DimensionFields = {
    {"IDDIMENSAODW", 1}, {"NRSEQUEDIME", 5}, {"NMITEMDIME", 30}, {"CDTABELADIME", 30},
    {"DSPKDIME", 30},    {"DSITEMDIME", 30}, {"DSPKDIME2", 30}};
inline const QVector<packet::FieldDef> ExtraFields = {
    {"NRSEQUEDIME", 5}, {"CDATRIBEXTRDIME", 30}, {"DSATRIBEXTRDIME", 30}};

inline Row dimension(const QString &code, const QString &name, const QString &table = "CLIENTE",
                     const QString &key = "CDCLIENTE", const QString &item = "NMCLIENTE",
                     const std::optional<QString> &parent = std::nullopt,
                     const QString &flag = "S")
{
    return Row{flag, code, name, table, key, item, parent};
}

inline Row extra(const QString &code, const QString &field, const QString &name)
{
    return Row{code, field, name};
}

inline packet::Change insert(const Row &row)
{
    return {packet::ChangeOp::Insert, std::nullopt, row};
}

inline packet::Change modify(const Row &oldRow, const Row &newRow)
{
    return {packet::ChangeOp::Modify, oldRow, newRow};
}

inline packet::Change remove(const Row &oldRow)
{
    return {packet::ChangeOp::Delete, oldRow, std::nullopt};
}

inline Variant of(const QVector<packet::FieldDef> &fields, const QVector<packet::Change> &changes)
{
    packet::Packet delta;
    delta.isDelta = true;
    delta.fields = fields;
    delta.changes = changes;
    return packet::toVariant(delta);
}

inline Variant ofDimensions(const QVector<packet::Change> &changes)
{
    return of(DimensionFields, changes);
}

inline Variant ofExtras(const QVector<packet::Change> &changes)
{
    return of(ExtraFields, changes);
}

} // namespace deltas
