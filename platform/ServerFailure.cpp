#include "ServerFailure.h"

#include <optional>

namespace server_failure {

Variant make(const QString &message)
{
    return VarArrayOf({Variant(Marker), Variant(message)});
}

Variant sessionEnded(const QString &message)
{
    return VarArrayOf({Variant(SessionMarker), Variant(message)});
}

namespace {

std::optional<qint64> markerOf(const Variant &reply)
{
    if (reply.kind() != Variant::Kind::Array) return std::nullopt;
    const QList<Variant> &items = reply.items();
    if (items.size() != 2 || items[0].kind() != Variant::Kind::Integer ||
        items[1].kind() != Variant::Kind::Text)
        return std::nullopt;
    return items[0].toInteger();
}

} // namespace

bool is(const Variant &reply)
{
    const std::optional<qint64> marker = markerOf(reply);
    return marker == Marker || marker == SessionMarker;
}

bool isSessionEnded(const Variant &reply)
{
    return markerOf(reply) == SessionMarker;
}

QString message(const Variant &reply)
{
    return is(reply) ? reply.items()[1].toString() : QString();
}

} // namespace server_failure
