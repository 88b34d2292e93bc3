#pragma once

#include "WireProtocol.h"

#include <QtGlobal>

// What one client connection, and all of them together, may hold of the server. Every limit
// has a command-line option (LimitOptions); the defaults serve a few hundred workstations on
// one machine. A time limit of 0 means none.
struct ConnectionLimits
{
    int maxConnections = 2000;
    // Complete requests waiting on one connection.
    int maxQueuedRequests = 64;
    quint32 maxFrameBytes = wire::MaxFrameBytes;
    // Frames being received or waiting, all connections together.
    qint64 inputBudgetBytes = qint64(512) * 1024 * 1024;
    // Replies one client has not read yet.
    qint64 outputBufferBytes = 8 * 1024 * 1024;
    // Replies not read yet, all connections together (OutputBudget).
    qint64 outputBudgetBytes = qint64(256) * 1024 * 1024;
    // From the first byte of a frame to its last.
    int frameTimeoutMs = 60'000;
    // Replies not taken for this long: the client is gone.
    int writeStallTimeoutMs = 60'000;
    // Nothing asked for this long.
    int idleTimeoutMs = 3'600'000;
};
