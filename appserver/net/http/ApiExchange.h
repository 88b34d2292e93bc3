#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrlQuery>
#include <utility>

// One HTTP request of the API as a worker sees it, taken off Qt's request on the network
// thread, and the answer the worker gives back: plain values that cross threads.
struct ApiRequest
{
    QByteArray method; // "GET", "PUT", ...
    QStringList path;  // the segments after /api/v1, decoded
    QUrlQuery query;
    QString bearer;     // the token of "Authorization: Bearer ..."; empty when none
    QByteArray ifMatch; // as sent; empty when none
    QByteArray body;
    QString address; // the client's
    QString base;    // scheme, host and port the client used, for the links in answers

    QString param(const QString &name) const
    {
        return query.queryItemValue(name, QUrl::FullyDecoded);
    }
    // ?limit= of a page: 1 to 1000, else 400 (ApiProblem).
    int limit(int byDefault = 100) const;
};

struct ApiResponse
{
    int status = 200;
    QByteArray contentType = "application/json";
    QByteArray body;
    QList<std::pair<QByteArray, QByteArray>> headers; // beyond type and length
    int delayMs = 0;                                  // a refused login is answered this much later

    static ApiResponse json(const QJsonValue &value, int status = 200);
};

// What ends a request with an error (RFC 9457, application/problem+json): the HTTP status and
// the text the screen shows for the same refusal. extra is added to the problem's members (the
// stored record of a 412).
class ApiProblem
{
public:
    ApiProblem(int status, QString detail, QJsonValue extra = QJsonValue())
        : m_status(status), m_detail(std::move(detail)), m_extra(std::move(extra))
    {
    }
    ApiResponse response() const;
    int status() const { return m_status; }
    const QString &detail() const { return m_detail; }

private:
    int m_status;
    QString m_detail;
    QJsonValue m_extra;
};
