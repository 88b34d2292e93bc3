#pragma once

#include <QtGlobal>
#include <chrono>
#include <mutex>

// What a connection and the workers share: whether the worker has sent the reply itself,
// whether the connection waits to hear of it, and who reads the connection's next bytes.
struct ReplyOutlet
{
    ReplyOutlet() = default;
    ~ReplyOutlet();
    ReplyOutlet(const ReplyOutlet &) = delete;
    ReplyOutlet &operator=(const ReplyOutlet &) = delete;

    // The connection's own descriptor of the client's socket, made once and closed with the
    // last holder of the outlet: whatever the connection's socket does meanwhile, a worker
    // never writes to or reads from a descriptor closed and handed to someone else.
    int descriptor = -1;
    std::mutex mutex;
    // Who reads the connection's next bytes. Between two requests of a plain connection the
    // network thread lends its reading to the workers: the worker that answered waits with the
    // others for the next request and reads it itself, so that the request reaches a worker
    // without a thread in between. Anything but one whole small request goes back.
    enum class Reading {
        Here,      // the network thread
        Worker,    // a worker, answering or reading
        Watched,   // the workers' poll set, until the socket is readable
        Returning, // a worker has handed it back and its message is on the way
    };
    Reading reading = Reading::Here;
    quint64 watchKey = 0;   // in the workers' poll set
    bool answered = false;  // the reply to the request in flight has gone
    bool waitedFor = false; // the connection has more to do once it has
    bool closed = false;
    std::chrono::steady_clock::time_point answeredAt;
};
