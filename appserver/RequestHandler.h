#pragma once

#include <QByteArray>

class Database;
class MethodRegistry;

// Turns one request frame into one reply item: decodes it, finds the method, checks the
// arguments, runs the method, and answers. Whatever goes wrong becomes a reply: a fault when
// the call cannot be made, the server-failure form when the method itself fails. Never throws.
class RequestHandler
{
public:
    explicit RequestHandler(const MethodRegistry &registry) : m_registry(registry) {}

    QByteArray handle(const QByteArray &requestItem, Database &db) const;

    // A fault reply, for faults found before a request reaches a method (an oversize frame).
    static QByteArray faultReply(const QString &text);

private:
    const MethodRegistry &m_registry;
};
