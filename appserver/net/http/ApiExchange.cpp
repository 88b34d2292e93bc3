#include "ApiExchange.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString title(int status)
{
    switch (status) {
    case 400:
        return QStringLiteral("Requisição inválida");
    case 401:
        return QStringLiteral("Não autenticado");
    case 403:
        return QStringLiteral("Sem permissão");
    case 404:
        return QStringLiteral("Não encontrado");
    case 405:
        return QStringLiteral("Método não permitido");
    case 409:
        return QStringLiteral("Conflito");
    case 411:
        return QStringLiteral("Tamanho exigido");
    case 412:
        return QStringLiteral("Versão desatualizada");
    case 413:
        return QStringLiteral("Corpo grande demais");
    case 415:
        return QStringLiteral("Tipo de conteúdo não suportado");
    case 428:
        return QStringLiteral("Versão exigida");
    case 429:
        return QStringLiteral("Requisições demais");
    case 431:
        return QStringLiteral("Cabeçalhos grandes demais");
    case 503:
        return QStringLiteral("Serviço indisponível");
    default:
        return QStringLiteral("Erro interno");
    }
}

} // namespace

int ApiRequest::limit(int byDefault) const
{
    constexpr int MaxLimit = 1000;
    const QString given = param(QStringLiteral("limit"));
    if (given.isEmpty()) return byDefault;
    bool ok = false;
    const int value = given.toInt(&ok);
    if (!ok || value < 1 || value > MaxLimit)
        throw ApiProblem(400, QStringLiteral("limit deve estar entre 1 e %1, recebeu \"%2\".")
                                  .arg(MaxLimit)
                                  .arg(given));
    return value;
}

ApiResponse ApiResponse::json(const QJsonValue &value, int status)
{
    ApiResponse response;
    response.status = status;
    response.body = value.isArray()
                        ? QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact)
                        : QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    return response;
}

ApiResponse ApiProblem::response() const
{
    QJsonObject problem{{QStringLiteral("type"), QStringLiteral("about:blank")},
                        {QStringLiteral("title"), title(m_status)},
                        {QStringLiteral("status"), m_status},
                        {QStringLiteral("detail"), m_detail}};
    const QJsonObject extra = m_extra.toObject();
    for (auto it = extra.begin(); it != extra.end(); ++it)
        problem.insert(it.key(), it.value());
    ApiResponse response = ApiResponse::json(problem, m_status);
    response.contentType = "application/problem+json";
    return response;
}
