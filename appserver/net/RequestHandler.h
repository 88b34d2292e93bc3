#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <utility>

class Database;
class Gatekeeper;
class MethodRegistry;
class ServerMetrics;
struct ConnectionSession;

// Turns one request frame into one reply frame: decodes it, finds the method, checks the
// arguments, runs the method, and answers. Whatever goes wrong becomes a reply: a fault when
// the call cannot be made, the server-failure form when the method itself fails. Never throws.
class RequestHandler
{
public:
    // metrics counts every request and how long it took; built on metricNames().
    RequestHandler(const MethodRegistry &registry, Gatekeeper &gatekeeper, ServerMetrics &metrics)
        : m_registry(registry), m_gatekeeper(gatekeeper), m_metrics(metrics)
    {
    }

    // What the requests are counted by: the registry's methods, then the session module's.
    static QVector<std::pair<QString, QString>> metricNames(const MethodRegistry &registry);

    // caller: who is on the connection the request came from; a login changes it. The reply
    // comes whole, length first, ready for the socket.
    QByteArray handle(const QByteArray &requestItem, Database &db, ConnectionSession &caller) const;

    // A fault reply, for faults found before a request reaches a method (an oversize frame).
    static QByteArray faultReply(const QString &text);
    // The frame of a failure reply, for a request answered without being run.
    static QByteArray failureFrame(const QString &text);

private:
    QByteArray answer(const QByteArray &requestItem, Database &db, ConnectionSession &caller) const;

    const MethodRegistry &m_registry;
    Gatekeeper &m_gatekeeper;
    ServerMetrics &m_metrics;
};
