#include "DimensionSource.h"

#include "AdminServer.h"
#include "ServerFailure.h"
#include "TNetConnection.h"

namespace {

packet::Packet packetOf(const Variant &reply)
{
    if (server_failure::is(reply)) throw Exception(server_failure::message(reply));
    return packet::fromVariant(reply);
}

} // namespace

DimensionSource::DimensionSource(const AdminServer &server)
    : m_dimensao(server.connect(QStringLiteral("KZR01200.rdmDimensao")))
{
}

DimensionSource::~DimensionSource() = default;

packet::Packet DimensionSource::dimensions()
{
    return packetOf(m_dimensao->AppServer().Call(QStringLiteral("getDimensao"), {"", ""}));
}

packet::Packet DimensionSource::extras(const QString &code)
{
    return packetOf(m_dimensao->AppServer().Call(QStringLiteral("GetExtras"), {code}));
}

QList<HistoryEntry> DimensionSource::history(const QString &code)
{
    const Variant reply = m_dimensao->AppServer().Call(QStringLiteral("getHistorico"), {code});
    if (server_failure::is(reply)) throw Exception(server_failure::message(reply));
    return HistoryEntry::listOf(reply);
}

bool DimensionSource::holds(const QString &code)
{
    const packet::Packet all = dimensions();
    for (const packet::Row &row : all.rows)
        if (value(all, row, QStringLiteral("NRSEQUEDIME")) == code) return true;
    return false;
}

QString DimensionSource::value(const packet::Packet &p, const packet::Row &row,
                               const QString &field)
{
    for (int i = 0; i < p.fields.size(); ++i)
        if (p.fields[i].name == field) return row.value(i).value_or(QString());
    throw Exception(QStringLiteral("O pacote do servidor não tem o campo %1.").arg(field));
}
