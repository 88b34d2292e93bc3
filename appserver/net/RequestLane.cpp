#include "RequestLane.h"

#include "AnaliseModule.h"
#include "Gatekeeper.h"
#include "WireProtocol.h"

#include <algorithm>

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
