#pragma once

#include "RemoteArg.h"
#include "Variant.h"

#include <QList>
#include <QString>
#include <initializer_list>

class TNetConnection;

// The application-server object of a connection: methods called by name, arguments by position.
class AppServerDispatch
{
public:
    explicit AppServerDispatch(TNetConnection *connection) : m_connection(connection) {}
    // Calls the method exactly as named. Throws EConnectionError when the call cannot be made
    // (no server, dropped connection, time limit, a fault reply such as an unknown method).
    Variant Call(const QString &method, std::initializer_list<RemoteArg> args) const;
    Variant Call(const QString &method, const QList<RemoteArg> &args) const;

private:
    TNetConnection *m_connection;
};
