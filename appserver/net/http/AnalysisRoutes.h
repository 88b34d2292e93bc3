#pragma once

#include "ApiExchange.h"
#include "DataPacket.h"

class ServerCalls;

// What the API reads about a dimension's data and past: its profile, its members page by page
// and by search (rdmAnalise), its history and a restore of one of its versions (the audit
// trail, restored through the dry-run module as the screen's restore is), and the check of
// every dimension.
class AnalysisRoutes
{
public:
    AnalysisRoutes(const ApiRequest &request, ServerCalls &calls)
        : m_request(request), m_calls(calls)
    {
    }

    ApiResponse answer(); // path[0] is "dimensions" (with a code and more) or "check"

private:
    ApiResponse profile(const packet::Row &dimension);
    ApiResponse members(const packet::Row &dimension);
    ApiResponse search(const packet::Row &dimension);
    ApiResponse history(const QString &code);
    ApiResponse restore(const QString &code);
    ApiResponse check();
    // The dimension's table and fields as rdmAnalise takes them.
    static QList<Variant> source(const packet::Row &dimension);
    // A reply of rdmAnalise: its packet, or a problem with the screen's words for a
    // structure-error reply.
    static packet::Packet analysed(const Variant &reply);

    const ApiRequest &m_request;
    ServerCalls &m_calls;
};
