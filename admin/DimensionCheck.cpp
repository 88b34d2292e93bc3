#include "DimensionCheck.h"

#include "AdminServer.h"
#include "DimensionFields.h"
#include "DimensionSource.h"
#include "TNetConnection.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace df = dimension_fields;

DimensionCheck DimensionCheck::run(const AdminServer &server)
{
    DimensionCheck check;
    DimensionSource source(server);
    const packet::Packet dimensions = source.dimensions();
    const auto analise = server.connect(QStringLiteral("KZR01200.rdmAnalise"));
    StoredRuleCheck rules(server, dimensions);
    for (const packet::Row &row : dimensions.rows) {
        const auto field = [&](QLatin1String name) {
            return DimensionSource::value(dimensions, row, name);
        };
        const Variant reply =
            analise->AppServer().Call(QStringLiteral("getPerfil"),
                                      {field(df::DimensionTable), field(df::Key),
                                       field(df::Attribute), field(df::Parent)});
        check.m_results.push_back({field(df::Code), field(df::Name), field(df::DimensionTable),
                                   ProfileReport(reply)});
        check.m_breaches += rules.of(row, source);
    }
    return check;
}

QVector<DimensionCheck::SpacedNames> DimensionCheck::spacedNames() const
{
    QVector<SpacedNames> found;
    for (qsizetype i = 0; i < m_results.size(); ++i) {
        for (qsizetype j = i + 1; j < m_results.size(); ++j) {
            const QString &a = m_results[i].name, &b = m_results[j].name;
            if (a != b && a.trimmed() == b.trimmed())
                found.push_back({&m_results[i], &m_results[j]});
        }
    }
    return found;
}

bool DimensionCheck::hasProblems() const
{
    for (const Result &r : m_results)
        if (r.report.hasProblems()) return true;
    return !spacedNames().isEmpty() || !m_breaches.isEmpty();
}

QByteArray DimensionCheck::text() const
{
    QSet<QString> outOfRules;
    for (const StoredRuleCheck::Breach &b : m_breaches)
        outOfRules.insert(b.code);
    QString out;
    int withProblems = 0;
    for (const Result &r : m_results) {
        const bool problem = r.report.hasProblems();
        withProblems += problem || outOfRules.contains(r.code) ? 1 : 0;
        out += QStringLiteral("%1 %2 %3 (%4): %5\n")
                   .arg(problem ? QStringLiteral("PROBLEMA") : QStringLiteral("OK      "), r.code,
                        r.name, r.table, r.report.summary());
    }
    // Stored before the server kept every rule: readable, and to be put right by hand.
    for (const StoredRuleCheck::Breach &b : m_breaches) {
        out += b.extraField.isEmpty()
                   ? QStringLiteral("REGRA    %1: %2\n").arg(b.code, b.rule.text())
                   : QStringLiteral("REGRA    %1 atributo extra %2: %3\n")
                         .arg(b.code, b.extraField, b.rule.text());
    }
    for (const SpacedNames &pair : spacedNames()) {
        out += QStringLiteral("NOME     %1 \"%2\" e %3 \"%4\": diferem só por espaços nas pontas\n")
                   .arg(pair.first->code, pair.first->name, pair.second->code, pair.second->name);
    }
    out += QStringLiteral("%1 dimensão(ões) verificada(s), %2 com problema.\n")
               .arg(m_results.size())
               .arg(withProblems);
    return out.toUtf8();
}

QByteArray DimensionCheck::json() const
{
    QJsonArray dimensions;
    for (const Result &r : m_results) {
        dimensions.append(QJsonObject{
            {df::Code, r.code},
            {df::Name, r.name},
            {df::DimensionTable, r.table},
            {QStringLiteral("resumo"), r.report.summary()},
            {QStringLiteral("perfil"), r.report.toJson()},
        });
    }
    QJsonArray spaced;
    for (const SpacedNames &pair : spacedNames())
        spaced.append(QJsonArray{pair.first->code, pair.second->code});
    QJsonArray rules;
    for (const StoredRuleCheck::Breach &b : m_breaches)
        rules.append(QJsonObject{{df::Code, b.code},
                                 {extra_fields::Field, b.extraField},
                                 {QStringLiteral("regra"), b.rule.key},
                                 {QStringLiteral("texto"), b.rule.text()}});
    return QJsonDocument(QJsonObject{{QStringLiteral("dimensoes"), dimensions},
                                     {QStringLiteral("nomes_com_espacos"), spaced},
                                     {QStringLiteral("fora_das_regras"), rules},
                                     {QStringLiteral("problemas"), hasProblems()}})
        .toJson(QJsonDocument::Indented);
}
