#pragma once

#include "ApiExchange.h"

class Database;
class RequestHandler;
struct ConnectionSession;

// Answers one request of the API on the worker that runs it: the session resources here, the
// rest by the routes of their resource. Every call goes through ServerCalls, so nothing here
// decides what a user may do or what may be stored.
class ApiRouter
{
public:
    static ApiResponse answer(const ApiRequest &request, const RequestHandler &handler,
                              Database &db, ConnectionSession &caller);

private:
    static ApiResponse sessions(const ApiRequest &request, class ServerCalls &calls);
};
