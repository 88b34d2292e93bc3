#include "DimensionRoutes.h"

#include "ApiJson.h"
#include "DimensaoModule.h"
#include "DimensionCode.h"
#include "ServerCalls.h"

#include <QJsonArray>

namespace {

using packet::ChangeOp;
constexpr const char *Module = DimensaoModule::Name;

ApiProblem notAllowed()
{
    return ApiProblem(405, QStringLiteral("Método não permitido neste recurso."));
}

ApiResponse withVersion(ApiResponse response, const packet::Row &row)
{
    response.headers.append({QByteArrayLiteral("ETag"), api_json::etag(row)});
    return response;
}

QString stored(const QString &code)
{
    return DimensionCode::storedForm(code).value_or(code);
}

} // namespace

ApiResponse DimensionRoutes::answer()
{
    const QStringList &path = m_request.path;
    if (path.size() == 1) {
        if (m_request.method == "GET") return list();
        if (m_request.method == "POST") return create();
        throw notAllowed();
    }
    if (path.size() == 2) return one(path[1]);
    if (path.size() == 3 && path[2] == QLatin1String("extras")) return extras(path[1]);
    if (path.size() == 4 && path[2] == QLatin1String("extras")) return extra(path[1], path[3]);
    throw ApiProblem(404,
                     QStringLiteral("Recurso inexistente: %1").arg(path.join(QLatin1Char('/'))));
}

DimensionRoutes::Stored DimensionRoutes::dimension(ServerCalls &calls, const QString &code)
{
    const packet::Packet found = packet::fromVariant(
        calls.call(Module, QStringLiteral("getDimensao"), {Variant(code), Variant(QString())}));
    const QString wanted = stored(code);
    for (const packet::Row &row : found.rows)
        if (row.value(1) == wanted) return {found.fields, row};
    throw ApiProblem(404, QStringLiteral("A dimensão %1 não existe.").arg(code));
}

ApiResponse DimensionRoutes::list()
{
    const packet::Packet all = packet::fromVariant(m_calls.call(
        Module, QStringLiteral("getDimensao"), {Variant(QString()), Variant(QString())}));
    const QString q = m_request.param(QStringLiteral("q"));
    const QString after = m_request.param(QStringLiteral("after"));
    const int limit = m_request.limit();
    QJsonArray items;
    QString last;
    bool more = false;
    for (const packet::Row &row : all.rows) {
        const QString code = row.value(1).value_or(QString());
        if (!after.isEmpty() && code <= after) continue;
        if (!q.isEmpty() && !code.contains(q, Qt::CaseInsensitive) &&
            !row.value(2).value_or(QString()).contains(q, Qt::CaseInsensitive))
            continue;
        if (items.size() == limit) {
            more = true;
            break;
        }
        items.append(api_json::dimension(row));
        last = code;
    }
    QJsonValue next = QJsonValue::Null;
    if (more) {
        QUrlQuery query;
        if (!q.isEmpty()) query.addQueryItem(QStringLiteral("q"), q);
        query.addQueryItem(QStringLiteral("after"), last);
        query.addQueryItem(QStringLiteral("limit"), QString::number(limit));
        next = link(QStringLiteral("dimensions?") + query.toString(QUrl::FullyEncoded));
    }
    return ApiResponse::json(
        QJsonObject{{QStringLiteral("items"), items}, {QStringLiteral("next"), next}});
}

ApiResponse DimensionRoutes::create()
{
    const QJsonObject body = api_json::object(m_request.body);
    const QJsonValue code = body.value(QStringLiteral("code"));
    if (!code.isString()) throw ApiProblem(400, QStringLiteral("Informe \"code\" como texto."));
    const packet::Packet all = packet::fromVariant(m_calls.call(
        Module, QStringLiteral("getDimensao"), {Variant(QString()), Variant(QString())}));
    const packet::Row row = api_json::dimensionRow(body, code.toString());
    m_calls.call(
        Module, QStringLiteral("SetDimensao"),
        {packet::toVariant(api_json::delta(all.fields, ChangeOp::Insert, std::nullopt, row))});
    const Stored saved = dimension(m_calls, code.toString());
    ApiResponse response =
        withVersion(ApiResponse::json(api_json::dimension(saved.row), 201), saved.row);
    response.headers.append({QByteArrayLiteral("Location"),
                             link(QStringLiteral("dimensions/") + *saved.row.value(1)).toUtf8()});
    return response;
}

ApiResponse DimensionRoutes::one(const QString &code)
{
    const Stored current = dimension(m_calls, code);
    const auto reread = [&] { return dimension(m_calls, code); };
    if (std::optional<ApiResponse> done =
            readOrDelete(current, api_json::dimension, QStringLiteral("SetDimensao"), reread))
        return *done;
    const QJsonObject body = api_json::object(m_request.body);
    const QJsonValue bodyCode = body.value(QStringLiteral("code"));
    if (!bodyCode.isUndefined() && stored(bodyCode.toString()) != *current.row.value(1))
        throw ApiProblem(400, QStringLiteral("O código de uma dimensão não muda por PUT: "
                                             "\"code\" deve ser %1 ou ficar de fora.")
                                  .arg(*current.row.value(1)));
    const packet::Row row = api_json::dimensionRow(body, *current.row.value(1));
    saveOver(QStringLiteral("SetDimensao"),
             api_json::delta(current.fields, ChangeOp::Modify, current.row, row), reread,
             api_json::dimension);
    const Stored saved = dimension(m_calls, code);
    return withVersion(ApiResponse::json(api_json::dimension(saved.row)), saved.row);
}

ApiResponse DimensionRoutes::extras(const QString &code)
{
    const QString dimensionCode = *dimension(m_calls, code).row.value(1);
    if (m_request.method == "GET") {
        const packet::Packet found = packet::fromVariant(
            m_calls.call(Module, QStringLiteral("GetExtras"), {Variant(dimensionCode)}));
        QJsonArray items;
        for (const packet::Row &row : found.rows)
            items.append(api_json::extra(row));
        return ApiResponse::json(QJsonObject{{QStringLiteral("items"), items},
                                             {QStringLiteral("next"), QJsonValue::Null}});
    }
    if (m_request.method != "POST") throw notAllowed();
    const QJsonObject body = api_json::object(m_request.body);
    const QJsonValue field = body.value(QStringLiteral("field"));
    if (!field.isString()) throw ApiProblem(400, QStringLiteral("Informe \"field\" como texto."));
    const packet::Packet none = packet::fromVariant(
        m_calls.call(Module, QStringLiteral("GetExtras"), {Variant(QString())}));
    m_calls.call(Module, QStringLiteral("setExtras"),
                 {packet::toVariant(
                     api_json::delta(none.fields, ChangeOp::Insert, std::nullopt,
                                     api_json::extraRow(body, dimensionCode, field.toString())))});
    const Stored saved = storedExtra(dimensionCode, field.toString());
    ApiResponse response =
        withVersion(ApiResponse::json(api_json::extra(saved.row), 201), saved.row);
    response.headers.append(
        {QByteArrayLiteral("Location"),
         link(QStringLiteral("dimensions/%1/extras/%2")
                  .arg(dimensionCode, QString::fromUtf8(QUrl::toPercentEncoding(field.toString()))))
             .toUtf8()});
    return response;
}

DimensionRoutes::Stored DimensionRoutes::storedExtra(const QString &code, const QString &field)
{
    const packet::Packet found =
        packet::fromVariant(m_calls.call(Module, QStringLiteral("GetExtras"), {Variant(code)}));
    for (const packet::Row &row : found.rows)
        if (row.value(1) == field) return {found.fields, row};
    throw ApiProblem(404,
                     QStringLiteral("A dimensão %1 não tem o atributo extra %2.").arg(code, field));
}

ApiResponse DimensionRoutes::extra(const QString &code, const QString &field)
{
    const QString dimensionCode = *dimension(m_calls, code).row.value(1);
    const Stored current = storedExtra(dimensionCode, field);
    const auto reread = [&] { return storedExtra(dimensionCode, field); };
    if (std::optional<ApiResponse> done =
            readOrDelete(current, api_json::extra, QStringLiteral("setExtras"), reread))
        return *done;
    const QJsonObject body = api_json::object(m_request.body);
    if (body.contains(QStringLiteral("field")) &&
        body.value(QStringLiteral("field")).toString() != field)
        throw ApiProblem(400, QStringLiteral("O campo de um atributo extra não muda por PUT: "
                                             "exclua-o e inclua o novo."));
    const packet::Row row = api_json::extraRow(body, *current.row.value(0), field);
    saveOver(QStringLiteral("setExtras"),
             api_json::delta(current.fields, ChangeOp::Modify, current.row, row), reread,
             api_json::extra);
    const Stored saved = storedExtra(*current.row.value(0), field);
    return withVersion(ApiResponse::json(api_json::extra(saved.row)), saved.row);
}

std::optional<ApiResponse> DimensionRoutes::readOrDelete(const Stored &current, Shown shown,
                                                         const QString &saveMethod,
                                                         const std::function<Stored()> &reread)
{
    const QByteArray &method = m_request.method;
    if (method == "GET") return withVersion(ApiResponse::json(shown(current.row)), current.row);
    if (method != "PUT" && method != "DELETE") throw notAllowed();
    requireVersion(current.row, shown(current.row));
    if (method == "PUT") return std::nullopt;
    saveOver(saveMethod,
             api_json::delta(current.fields, ChangeOp::Delete, current.row, std::nullopt), reread,
             shown);
    ApiResponse gone;
    gone.status = 204;
    return gone;
}

void DimensionRoutes::saveOver(const QString &saveMethod, const packet::Packet &delta,
                               const std::function<Stored()> &reread, Shown shown)
{
    try {
        m_calls.call(Module, saveMethod, {packet::toVariant(delta)});
    } catch (const ApiProblem &problem) {
        if (problem.status() != 412) throw;
        // Changed by someone else between the version check and the save: the save's own
        // conflict rule refused it; answered as a stale If-Match, with the record as it is now.
        QJsonObject now{{QStringLiteral("current"), QJsonValue::Null}};
        try {
            const Stored stored = reread();
            now = {{QStringLiteral("current"), shown(stored.row)},
                   {QStringLiteral("etag"), QString::fromLatin1(api_json::etag(stored.row))}};
        } catch (const ApiProblem &) { // deleted meanwhile
        }
        throw ApiProblem(412, problem.detail(), now);
    }
}

void DimensionRoutes::requireVersion(const packet::Row &stored, const QJsonObject &shown) const
{
    if (m_request.ifMatch.isEmpty())
        throw ApiProblem(428, QStringLiteral("Informe If-Match com a ETag do registro lido: "
                                             "sem ela a gravação poderia desfazer a de outro "
                                             "usuário."));
    const QByteArray current = api_json::etag(stored);
    for (const QByteArray &tag : m_request.ifMatch.split(','))
        if (tag.trimmed() == current || tag.trimmed() == "*") return;
    throw ApiProblem(412,
                     QStringLiteral("O registro foi alterado por outro usuário desde que foi lido. "
                                    "Atualize os dados e tente novamente."),
                     QJsonObject{{QStringLiteral("current"), shown},
                                 {QStringLiteral("etag"), QString::fromLatin1(current)}});
}

QString DimensionRoutes::link(const QString &path) const
{
    return m_request.base + QStringLiteral("/api/v1/") + path;
}
