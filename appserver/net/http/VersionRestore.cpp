#include "VersionRestore.h"

#include "ApiJson.h"
#include "DimensaoModule.h"
#include "DimensionCode.h"
#include "DimensionVersion.h"
#include "DryRun.h"
#include "ServerCalls.h"
#include "ServerFailure.h"

#include <QJsonArray>
#include <QTimeZone>

namespace {

using packet::ChangeOp;

QString shown(const std::optional<QString> &value)
{
    return value ? QLatin1Char('"') + *value + QLatin1Char('"') : QStringLiteral("null");
}

// One save of the journal: [module, method, [delta]].
Variant save(const QString &method, const packet::Packet &delta)
{
    return VarArrayOf({Variant(QLatin1String(DimensaoModule::Name)), Variant(method),
                       VarArrayOf({packet::toVariant(delta)})});
}

packet::Packet changes(const QVector<packet::FieldDef> &fields)
{
    packet::Packet delta;
    delta.fields = fields;
    delta.isDelta = true;
    return delta;
}

} // namespace

ApiResponse VersionRestore::run(const QString &at, bool dryRun)
{
    QDateTime moment = QDateTime::fromString(at, Qt::ISODateWithMs);
    if (!moment.isValid())
        throw ApiProblem(400,
                         QStringLiteral("Momento inválido \"%1\": use AAAA-MM-DDTHH:MM:SS[.zzz], "
                                        "em UTC.")
                             .arg(at));
    if (moment.timeSpec() == Qt::LocalTime) moment.setTimeZone(QTimeZone::utc());
    const QString code = DimensionCode::storedForm(m_code).value_or(m_code);
    const QList<HistoryEntry> history = HistoryEntry::listOf(
        m_calls.call(DimensaoModule::Name, QStringLiteral("getHistorico"), {Variant(code)}));
    const int index = DimensionVersion::indexAt(history, moment);
    if (index < 0)
        throw ApiProblem(
            404,
            QStringLiteral("A dimensão %1 não tem alteração registrada até %2.").arg(code, at));
    const DimensionVersion version = DimensionVersion::after(history, index);
    if (!version.dimension)
        throw ApiProblem(409, QStringLiteral("A dimensão %1 não existia em %2: escolha uma versão "
                                             "em que ela existia.")
                                  .arg(code, history[index].when));

    const packet::Packet dimensions = packet::fromVariant(m_calls.call(
        DimensaoModule::Name, QStringLiteral("getDimensao"), {Variant(code), Variant(QString())}));
    std::optional<packet::Row> current;
    for (const packet::Row &row : dimensions.rows)
        if (row.value(1) == code) current = row;
    packet::Row wanted;
    for (const packet::FieldDef &field : dimensions.fields)
        wanted << version.dimension->value(field.name);
    const packet::Packet extras = packet::fromVariant(
        m_calls.call(DimensaoModule::Name, QStringLiteral("GetExtras"), {Variant(code)}));

    QList<Variant> journal;
    QJsonArray steps;
    // Extras the version lacks go first (all of them when the table changes), so that the
    // dimension may change; those it has come after.
    const bool otherTable = current && current->value(3) != wanted.value(3);
    packet::Packet gone = changes(extras.fields);
    QMap<QString, packet::Row> kept;
    for (const packet::Row &row : extras.rows) {
        const QString field = row.value(1).value_or(QString());
        if (otherTable || !version.extras.contains(field)) {
            gone.changes.append({ChangeOp::Delete, row, std::nullopt});
            steps.append(QStringLiteral("atributo extra %1: excluído").arg(field));
        } else {
            kept.insert(field, row);
        }
    }
    if (!gone.changes.isEmpty()) journal << save(QStringLiteral("setExtras"), gone);
    if (!current || *current != wanted) {
        QStringList changed;
        for (qsizetype i = 0; i < wanted.size(); ++i)
            if (!current || current->value(i) != wanted[i])
                changed << QStringLiteral("%1 %2 → %3")
                               .arg(dimensions.fields[i].name,
                                    current ? shown(current->value(i)) : QStringLiteral("-"),
                                    shown(wanted[i]));
        steps.append(
            QStringLiteral("dimensão %1: %2").arg(code, changed.join(QStringLiteral("; "))));
        packet::Packet delta = changes(dimensions.fields);
        delta.changes.append(current ? packet::Change{ChangeOp::Modify, current, wanted}
                                     : packet::Change{ChangeOp::Insert, std::nullopt, wanted});
        journal << save(QStringLiteral("SetDimensao"), delta);
    }
    packet::Packet back = changes(extras.fields);
    for (auto it = version.extras.begin(); it != version.extras.end(); ++it) {
        const packet::Row row{code, it.key(), it.value()};
        if (!kept.contains(it.key())) {
            back.changes.append({ChangeOp::Insert, std::nullopt, row});
            steps.append(
                QStringLiteral("atributo extra %1: incluído \"%2\"").arg(it.key(), it.value()));
        } else if (kept[it.key()] != row) {
            back.changes.append({ChangeOp::Modify, kept[it.key()], row});
            steps.append(
                QStringLiteral("atributo extra %1: nome \"%2\"").arg(it.key(), it.value()));
        }
    }
    if (!back.changes.isEmpty()) journal << save(QStringLiteral("setExtras"), back);

    if (!journal.isEmpty()) {
        if (dryRun) {
            const Variant last = journal.takeLast();
            const Variant answer = m_calls.call(
                DryRun::Module, QStringLiteral("executa"),
                {Variant::fromArray(journal), last.items()[0], last.items()[1], last.items()[2]});
            const Variant reply = answer.items().value(0);
            if (server_failure::is(reply))
                throw ApiProblem(ServerCalls::statusOf(reply), server_failure::message(reply));
        } else {
            m_calls.call(DryRun::Module, QStringLiteral("confirma"), {Variant::fromArray(journal)});
        }
    }
    return ApiResponse::json(
        QJsonObject{{QStringLiteral("dryRun"), dryRun},
                    {QStringLiteral("version"), history[index].when},
                    {QStringLiteral("steps"), steps},
                    {QStringLiteral("dimension"), api_json::dimension(wanted)}});
}
