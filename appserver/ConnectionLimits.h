#pragma once

#include "WireProtocol.h"

#include <QtGlobal>

// What one client connection, and all of them together, may hold of the server. Every limit
// has a command-line option (ServerOptions); the defaults serve a few hundred workstations
// on one machine.
struct ConnectionLimits
{
    int maxConnections = 2000;
    int maxQueuedRequests = 64;    // complete requests waiting on one connection
    quint32 maxFrameBytes = wire::MaxFrameBytes;
    qint64 inputBudgetBytes = qint64(512) * 1024 * 1024; // frames being received or waiting, all connections
    qint64 outputBufferBytes = 8 * 1024 * 1024; // replies not yet taken by one client
    int frameTimeoutMs = 60'000;       // from the first byte of a frame to its last
    int writeStallTimeoutMs = 60'000;  // replies not taken for this long: the client is gone
    int idleTimeoutMs = 3'600'000;     // nothing asked for this long
};
