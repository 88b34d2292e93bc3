#include "DimensionCheck.h"

#include "AdminServer.h"
#include "DimensionSource.h"
#include "TNetConnection.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

DimensionCheck DimensionCheck::run(const AdminServer &server)
{
    DimensionCheck check;
    DimensionSource source(server);
    const packet::Packet dimensions = source.dimensions();
    const auto analise = server.connect(QStringLiteral("KZR01200.rdmAnalise"));
    for (const packet::Row &row : dimensions.rows) {
        const auto field = [&](const char *name) {
            return DimensionSource::value(dimensions, row, QString::fromLatin1(name));
        };
        const Variant reply = analise->AppServer().Call(
            QStringLiteral("getPerfil"),
            {field("CDTABELADIME"), field("DSPKDIME"), field("DSITEMDIME"), field("DSPKDIME2")});
        check.m_results.push_back({field("NRSEQUEDIME"), field("NMITEMDIME"), field("CDTABELADIME"),
                                   ProfileReport(reply)});
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
    return !spacedNames().isEmpty();
}

QByteArray DimensionCheck::text() const
{
    QString out;
    int withProblems = 0;
    for (const Result &r : m_results) {
        const bool problem = r.report.hasProblems();
        withProblems += problem ? 1 : 0;
        out += QStringLiteral("%1 %2 %3 (%4): %5\n")
                   .arg(problem ? QStringLiteral("PROBLEMA") : QStringLiteral("OK      "), r.code,
                        r.name, r.table, r.report.summary());
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
            {QStringLiteral("NRSEQUEDIME"), r.code},
            {QStringLiteral("NMITEMDIME"), r.name},
            {QStringLiteral("CDTABELADIME"), r.table},
            {QStringLiteral("resumo"), r.report.summary()},
            {QStringLiteral("perfil"), r.report.toJson()},
        });
    }
    QJsonArray spaced;
    for (const SpacedNames &pair : spacedNames())
        spaced.append(QJsonArray{pair.first->code, pair.second->code});
    return QJsonDocument(QJsonObject{{QStringLiteral("dimensoes"), dimensions},
                                     {QStringLiteral("nomes_com_espacos"), spaced},
                                     {QStringLiteral("problemas"), hasProblems()}})
        .toJson(QJsonDocument::Indented);
}
