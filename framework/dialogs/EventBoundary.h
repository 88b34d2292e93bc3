#pragma once

#include <QString>
#include <functional>

class QObject;

// Where the platform calls into our code (a click, a key, a grid event, a tab change, a timer,
// a queued call, a paint). EAbort ends quietly; EServerFailure is shown as the framework's
// server report; anything else is shown as an error. Nothing escapes into Qt's event loop.
namespace EventBoundary {
void run(const std::function<void()> &handler);
// As run, and tells whether the handler finished (false: it threw, and was reported as above).
// For the places where a failure must undo or refuse what the user started.
bool attempt(const std::function<void()> &handler);
// Runs the handler on a later turn of the event loop, inside the boundary; nothing runs when
// the context is gone by then. For timers and queued calls.
void later(QObject *context, std::function<void()> handler);
// Shows the exception being handled as run does (call only inside a catch block).
void reportCurrentException();
}
