#pragma once

#include "ApiExchange.h"
#include "DataPacket.h"

#include <QJsonObject>
#include <functional>
#include <optional>

class ServerCalls;

// /dimensions and /dimensions/{code}/extras: reads through getDimensao and GetExtras, writes
// as the screen's saves (SetDimensao, setExtras, one delta each), with the stored version as
// ETag and If-Match required for every change of an existing record.
class DimensionRoutes
{
public:
    DimensionRoutes(const ApiRequest &request, ServerCalls &calls)
        : m_request(request), m_calls(calls)
    {
    }

    ApiResponse answer(); // path[0] is "dimensions"

    // The stored dimension of the code, with the fields of its packet; 404 when there is none.
    struct Stored
    {
        QVector<packet::FieldDef> fields;
        packet::Row row;
    };
    static Stored dimension(ServerCalls &calls, const QString &code);

private:
    ApiResponse list();
    ApiResponse create();
    ApiResponse one(const QString &code);
    ApiResponse extras(const QString &code);
    ApiResponse extra(const QString &code, const QString &field);
    Stored storedExtra(const QString &code, const QString &field);
    // A GET of the stored record, or the version check and then its DELETE through the save
    // method; nullopt for a PUT (version checked), whose body the caller reads.
    using Shown = QJsonObject (*)(const packet::Row &);
    std::optional<ApiResponse> readOrDelete(const Stored &current, Shown shown,
                                            const QString &saveMethod,
                                            const std::function<Stored()> &reread);
    // Saves a change of a record read at the version the client named; a change by someone
    // else in between is a 412 with the record as it now is (reread), like a stale If-Match.
    void saveOver(const QString &saveMethod, const packet::Packet &delta,
                  const std::function<Stored()> &reread, Shown shown);
    // 428 without If-Match, 412 with the stored record when it names another version.
    void requireVersion(const packet::Row &stored, const QJsonObject &shown) const;
    QString link(const QString &path) const;

    const ApiRequest &m_request;
    ServerCalls &m_calls;
};
