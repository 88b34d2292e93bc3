#include "StoredRuleCheck.h"

#include "AdminServer.h"
#include "DimensionFields.h"
#include "DimensionRules.h"
#include "DimensionSource.h"
#include "Exceptions.h"
#include "ExtraRules.h"
#include "ServerFailure.h"
#include "TNetConnection.h"

namespace df = dimension_fields;
namespace ef = extra_fields;

StoredRuleCheck::StoredRuleCheck(const AdminServer &server, const packet::Packet &dimensions)
    : m_dimensions(dimensions), m_dimensao(server.connect(QStringLiteral("KZR01200.rdmDimensao")))
{
    for (const packet::Row &row : dimensions.rows) {
        const DimensionRecord record = recordOf(row);
        m_byCode.insert(record.code, record);
    }
}

StoredRuleCheck::~StoredRuleCheck() = default;

DimensionRecord StoredRuleCheck::recordOf(const packet::Row &row) const
{
    const auto field = [&](QLatin1String name) {
        return DimensionSource::value(m_dimensions, row, name);
    };
    return DimensionRecord{field(df::Flag),  field(df::Code), field(df::Name),     field(df::DimensionTable),
                           field(df::Key),   field(df::Attribute), field(df::Parent)};
}

QVector<StoredRuleCheck::Breach> StoredRuleCheck::of(const packet::Row &row,
                                                     DimensionSource &source)
{
    QVector<Breach> found;
    const DimensionRecord dimension = recordOf(row);
    if (const auto broken = DimensionRules::check(&dimension, dimension, *this))
        found.push_back({dimension.code, QString(), *broken});
    const packet::Packet extras = source.extras(dimension.code);
    for (const packet::Row &extraRow : extras.rows) {
        const auto field = [&](QLatin1String name) {
            return DimensionSource::value(extras, extraRow, name);
        };
        const ExtraRecord extra{field(ef::Code), field(ef::Field), field(ef::Name)};
        if (const auto broken = ExtraRules::check(&extra, extra, *this))
            found.push_back({dimension.code, extra.field, *broken});
    }
    return found;
}

QString StoredRuleCheck::structureError(const QString &table, const QStringList &fields)
{
    QList<Variant> names;
    for (const QString &name : fields)
        names << Variant(name);
    Variant list = Variant::fromArray(names);
    const Variant reply = m_dimensao->AppServer().Call(QStringLiteral("vdDimensao"),
                                                       {table, RemoteArg::ByRef(list)});
    if (server_failure::is(reply)) throw Exception(server_failure::message(reply));
    if (reply.kind() != Variant::Kind::Array || reply.items().isEmpty()) return QString();
    const Variant &first = reply.items().first();
    return first.kind() == Variant::Kind::Text ? first.toString() : QString();
}

std::optional<DimensionRecord> StoredRuleCheck::dimension(const QString &code)
{
    const auto found = m_byCode.constFind(code);
    if (found == m_byCode.cend()) return std::nullopt;
    return *found;
}
