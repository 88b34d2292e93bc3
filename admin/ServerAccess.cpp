#include "ServerAccess.h"

#include "TNetConnection.h"

std::unique_ptr<TNetConnection> ServerAccess::connect(const QString &module) const
{
    auto connection = std::make_unique<TNetConnection>(nullptr, module);
    connection->SetServerName(module);
    connection->SetHost(host);
    connection->SetPort(port);
    connection->SetTimeoutMs(timeoutMs);
    connection->SetThrowException(true);
    connection->SetConnected(true);
    return connection;
}
