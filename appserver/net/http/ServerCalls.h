#pragma once

#include "Variant.h"

#include <QList>
#include <QString>

class Database;
class RequestHandler;
struct ConnectionSession;

// The remote-method calls of one HTTP request, made on the worker that runs it, each one
// through the server's RequestHandler as a request of the clients' port is: the same gate,
// session, rights, argument checks, rules, transaction, audit and counts. A call that does not
// answer normally ends the HTTP request with its ApiProblem (the screen's own text).
class ServerCalls
{
public:
    ServerCalls(const RequestHandler &handler, Database &db, ConnectionSession &caller)
        : m_handler(handler), m_db(db), m_caller(caller)
    {
    }

    // Joins the session of the token (the session module's resume); 401 when there is none.
    void resume(const QString &token);
    // The method's result; a fault, a server failure or a refusal is thrown as ApiProblem.
    Variant call(const char *module, const QString &method, const QList<Variant> &args);
    // The same, keeping a server failure as the answer (a dry run reports it, not throws it).
    Variant callKeepingFailure(const char *module, const QString &method,
                               const QList<Variant> &args);

    ConnectionSession &caller() { return m_caller; }

    // The HTTP status that means the refusal in this server-failure text.
    static int statusOf(const Variant &failure);

private:
    const RequestHandler &m_handler;
    Database &m_db;
    ConnectionSession &m_caller;
};
