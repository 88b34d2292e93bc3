#include "ServerFailure.h"

namespace server_failure {

Variant make(const QString &message)
{
    return VarArrayOf({Variant(Marker), Variant(message)});
}

bool is(const Variant &reply)
{
    if (reply.kind() != Variant::Kind::Array) return false;
    const QList<Variant> &items = reply.items();
    return items.size() == 2 && items[0].kind() == Variant::Kind::Integer &&
           items[0].toInteger() == Marker && items[1].kind() == Variant::Kind::Text;
}

QString message(const Variant &reply)
{
    return is(reply) ? reply.items()[1].toString() : QString();
}

} // namespace server_failure
