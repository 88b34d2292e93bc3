#include "AnalysisRoutes.h"

#include "AnaliseModule.h"
#include "ApiJson.h"
#include "DimensaoModule.h"
#include "DimensionRoutes.h"
#include "HistoryEntry.h"
#include "ProfileReport.h"
#include "ServerCalls.h"
#include "VersionRestore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QJsonValue text(const std::optional<QString> &value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QJsonValue values(const std::optional<HistoryEntry::Values> &record)
{
    if (!record) return QJsonValue::Null;
    QJsonObject object;
    for (auto it = record->begin(); it != record->end(); ++it)
        object.insert(it.key(), text(it.value()));
    return object;
}

QJsonValue situation(const std::optional<QString> &code)
{
    if (code == QLatin1String("R")) return QStringLiteral("repeated");
    if (code == QLatin1String("C")) return QStringLiteral("cycle");
    if (code == QLatin1String("O")) return QStringLiteral("orphan");
    return QJsonValue::Null;
}

ApiProblem notAllowed()
{
    return ApiProblem(405, QStringLiteral("Método não permitido neste recurso."));
}

} // namespace

ApiResponse AnalysisRoutes::answer()
{
    const QStringList &path = m_request.path;
    if (path.value(0) == QLatin1String("check") && path.size() == 1) {
        if (m_request.method != "GET") throw notAllowed();
        return check();
    }
    const QString what = path.mid(2).join(QLatin1Char('/'));
    if (what == QLatin1String("restore")) {
        if (m_request.method != "POST") throw notAllowed();
        return restore(path[1]);
    }
    if (m_request.method != "GET") throw notAllowed();
    if (what == QLatin1String("history")) return history(path[1]);
    const packet::Row dimension = DimensionRoutes::dimension(m_calls, path[1]).row;
    if (what == QLatin1String("profile")) return profile(dimension);
    if (what == QLatin1String("members")) return members(dimension);
    if (what == QLatin1String("members/search")) return search(dimension);
    throw ApiProblem(
        404, QStringLiteral("Recurso inexistente: /api/v1/%1").arg(path.join(QLatin1Char('/'))));
}

QList<Variant> AnalysisRoutes::source(const packet::Row &dimension)
{
    return {Variant(dimension.value(3).value_or(QString())),
            Variant(dimension.value(4).value_or(QString())),
            Variant(dimension.value(5).value_or(QString())),
            Variant(dimension.value(6).value_or(QString()))};
}

packet::Packet AnalysisRoutes::analysed(const Variant &reply)
{
    if (reply.kind() == Variant::Kind::Array) // the table or a field is not acceptable
        throw ApiProblem(409, ProfileReport(reply).problems().value(0));
    return packet::fromVariant(reply);
}

ApiResponse AnalysisRoutes::profile(const packet::Row &dimension)
{
    const Variant reply =
        m_calls.call(AnaliseModule::Name, QStringLiteral("getPerfil"), source(dimension));
    analysed(reply);
    const ProfileReport report(reply);
    QJsonObject measures = report.toJson();
    const QJsonValue problems = measures.take(QStringLiteral("problemas"));
    return ApiResponse::json(
        QJsonObject{{QStringLiteral("code"), text(dimension.value(1))},
                    {QStringLiteral("summary"), report.summary()},
                    {QStringLiteral("problems"), problems.isArray() ? problems : QJsonArray()},
                    {QStringLiteral("measures"), measures}});
}

ApiResponse AnalysisRoutes::members(const packet::Row &dimension)
{
    const int limit = m_request.limit(200);
    const bool child = m_request.query.hasQueryItem(QStringLiteral("parent"));
    const bool later = m_request.query.hasQueryItem(QStringLiteral("after"));
    QList<Variant> args = source(dimension);
    args << (child ? Variant(m_request.param(QStringLiteral("parent"))) : Variant::Null())
         << (later ? Variant(m_request.param(QStringLiteral("after"))) : Variant::Null())
         << Variant(qint64(limit));
    const packet::Packet page =
        analysed(m_calls.call(AnaliseModule::Name, QStringLiteral("getMembros"), args));
    QJsonArray items;
    QSet<QString> keys;
    for (const packet::Row &row : page.rows) {
        keys.insert(row.value(0).value_or(QString()));
        items.append(
            QJsonObject{{QStringLiteral("key"), text(row.value(0))},
                        {QStringLiteral("name"), text(row.value(1))},
                        {QStringLiteral("parent"), text(row.value(2))},
                        {QStringLiteral("children"), row.value(3).value_or(QString()).toLongLong()},
                        {QStringLiteral("situation"), situation(row.value(4))}});
    }
    QJsonValue next = QJsonValue::Null;
    if (keys.size() == limit) { // a shorter page is the last
        QUrlQuery query;
        if (child)
            query.addQueryItem(QStringLiteral("parent"), m_request.param(QStringLiteral("parent")));
        query.addQueryItem(QStringLiteral("after"), page.rows.last().value(0).value_or(QString()));
        query.addQueryItem(QStringLiteral("limit"), QString::number(limit));
        next = m_request.base + QStringLiteral("/api/v1/dimensions/%1/members?%2")
                                    .arg(*dimension.value(1), query.toString(QUrl::FullyEncoded));
    }
    return ApiResponse::json(
        QJsonObject{{QStringLiteral("items"), items}, {QStringLiteral("next"), next}});
}

ApiResponse AnalysisRoutes::search(const packet::Row &dimension)
{
    QList<Variant> args = source(dimension);
    args << Variant(m_request.param(QStringLiteral("text")))
         << Variant(qint64(m_request.limit(50)));
    const packet::Packet found =
        analysed(m_calls.call(AnaliseModule::Name, QStringLiteral("procuraMembros"), args));
    QJsonArray items;
    for (const packet::Row &row : found.rows)
        items.append(QJsonObject{
            {QStringLiteral("key"), text(row.value(0))},
            {QStringLiteral("name"), text(row.value(1))},
            {QStringLiteral("parent"), text(row.value(2))},
            {QStringLiteral("path"),
             QJsonDocument::fromJson(row.value(3).value_or(QString()).toUtf8()).array()}});
    return ApiResponse::json(
        QJsonObject{{QStringLiteral("items"), items}, {QStringLiteral("next"), QJsonValue::Null}});
}

ApiResponse AnalysisRoutes::history(const QString &code)
{
    const QList<HistoryEntry> entries = HistoryEntry::listOf(
        m_calls.call(DimensaoModule::Name, QStringLiteral("getHistorico"), {Variant(code)}));
    QJsonArray items;
    for (const HistoryEntry &entry : entries)
        items.append(QJsonObject{
            {QStringLiteral("when"), entry.when},
            {QStringLiteral("user"), entry.user},
            {QStringLiteral("operation"), entry.operation},
            {QStringLiteral("kind"), entry.kind},
            {QStringLiteral("record"), entry.record},
            {QStringLiteral("changed"), QJsonArray::fromStringList(entry.changedFields())},
            {QStringLiteral("before"), values(entry.before)},
            {QStringLiteral("after"), values(entry.after)}});
    return ApiResponse::json(
        QJsonObject{{QStringLiteral("items"), items}, {QStringLiteral("next"), QJsonValue::Null}});
}

ApiResponse AnalysisRoutes::restore(const QString &code)
{
    const QJsonValue at = api_json::object(m_request.body).value(QStringLiteral("at"));
    if (!at.isString())
        throw ApiProblem(400, QStringLiteral("Informe \"at\", o momento da versão, como texto."));
    const QString dryRun = m_request.param(QStringLiteral("dryRun"));
    return VersionRestore(m_calls, code).run(at.toString(), dryRun == QLatin1String("true"));
}

ApiResponse AnalysisRoutes::check()
{
    const packet::Packet all =
        packet::fromVariant(m_calls.call(DimensaoModule::Name, QStringLiteral("getDimensao"),
                                         {Variant(QString()), Variant(QString())}));
    QJsonArray items;
    bool problems = false;
    for (const packet::Row &row : all.rows) {
        const ProfileReport report(m_calls.callKeepingFailure(
            AnaliseModule::Name, QStringLiteral("getPerfil"), source(row)));
        problems = problems || report.hasProblems();
        items.append(QJsonObject{
            {QStringLiteral("code"), text(row.value(1))},
            {QStringLiteral("name"), text(row.value(2))},
            {QStringLiteral("table"), text(row.value(3))},
            {QStringLiteral("ok"), !report.hasProblems()},
            {QStringLiteral("summary"), report.summary()},
            {QStringLiteral("problems"), QJsonArray::fromStringList(report.problems())}});
    }
    return ApiResponse::json(
        QJsonObject{{QStringLiteral("items"), items}, {QStringLiteral("problems"), problems}});
}
