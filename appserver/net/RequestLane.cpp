#include "RequestLane.h"

#include "AnaliseModule.h"
#include "Gatekeeper.h"
#include "ServerFailure.h"
#include "WireProtocol.h"

#include <algorithm>
#include <climits>

RequestLane::Lane RequestLane::of(const QByteArray &requestItem)
{
    const auto [module, method] = wire::callOf(requestItem);
    if (module == QLatin1String(Gatekeeper::SessionModule) && method == QLatin1String("login"))
        return Login;
    if (module == QLatin1String(AnaliseModule::Name)) return Analysis;
    return General;
}

int RequestLane::share(Lane lane, int workers)
{
    // A quarter of the workers hash passwords and half read for analysis: at least a quarter
    // is left for everything else.
    switch (lane) {
    case Login:
        return std::max(1, workers / 4);
    case Analysis:
        return std::max(1, workers / 2);
    case General:
        break;
    }
    return workers;
}

int RequestLane::waiting(Lane lane, int share)
{
    return lane == Login ? 8 * share : INT_MAX;
}

QByteArray RequestLane::turnedAway(Lane lane)
{
    if (lane != Login) return {};
    wire::Reply reply;
    reply.result = server_failure::make(
        QStringLiteral("O servidor está atendendo entradas demais agora; tente novamente em "
                       "instantes."));
    return wire::encodeReplyFrame(reply);
}
