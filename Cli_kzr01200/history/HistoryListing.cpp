#include "HistoryListing.h"

#include "HistoryMoment.h"

#include "TfrmDimensao.h"

namespace {

QString shown(const std::optional<HistoryEntry::Values> &values, const QString &field)
{
    if (!values) return QString();
    return values->value(field).value_or(QString());
}

} // namespace

QString HistoryListing::localTime(const HistoryEntry &change)
{
    const QDateTime moment = QDateTime::fromString(change.when, Qt::ISODateWithMs);
    return moment.isValid() ? moment.toLocalTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"))
                            : change.when;
}

ChoiceList HistoryListing::build(const QString &code, const QList<HistoryEntry> &history,
                                 bool mayRestore) const
{
    ChoiceList list;
    list.title = QStringLiteral("Histórico da dimensão %1").arg(code);
    list.columns = {QStringLiteral("Quando (%1)").arg(HistoryMoment::zoneName()), QStringLiteral("Usuário"), QStringLiteral("O quê"),
                    QStringLiteral("Alterações")};
    list.action = QStringLiteral("Restaurar esta versão");
    list.actionEnabled = mayRestore;
    for (const HistoryEntry &change : history) {
        list.rows << QStringList{localTime(change), change.user, what(change), changes(change)};
        list.details << details(change);
    }
    return list;
}

QString HistoryListing::what(const HistoryEntry &change) const
{
    const QString action = change.operation == QLatin1String("insert") ? QStringLiteral("Inclusão")
                           : change.operation == QLatin1String("delete")
                               ? QStringLiteral("Exclusão")
                               : QStringLiteral("Alteração");
    if (!change.isExtra()) return action + QStringLiteral(" da dimensão");
    return action +
           QStringLiteral(" do atributo extra %1")
               .arg(change.values().value(QStringLiteral("CDATRIBEXTRDIME")).value_or(QString()));
}

QString HistoryListing::changes(const HistoryEntry &change) const
{
    QStringList parts;
    for (const QString &field : change.changedFields())
        parts << QStringLiteral("%1: \"%2\" → \"%3\"")
                     .arg(caption(change, field), shown(change.before, field),
                          shown(change.after, field));
    return parts.join(QStringLiteral("; "));
}

QString HistoryListing::details(const HistoryEntry &change) const
{
    const QStringList changed = change.changedFields();
    QString html =
        QStringLiteral("<p><b>%1</b> — %2, %3</p><table cellpadding=\"3\">"
                       "<tr><th align=\"left\">Campo</th><th align=\"left\">Antes</th>"
                       "<th align=\"left\">Depois</th></tr>")
            .arg(what(change).toHtmlEscaped(), change.user.toHtmlEscaped(), localTime(change));
    const HistoryEntry::Values &values = change.values();
    for (auto it = values.keyBegin(); it != values.keyEnd(); ++it) {
        const QString &field = *it;
        // The changed values stand out; the others are there to read the record whole.
        const bool mark = changed.contains(field);
        const QString cell = mark
                                 ? QStringLiteral("<td style=\"background:#fff2a8\"><b>%1</b></td>")
                                 : QStringLiteral("<td>%1</td>");
        html += QStringLiteral("<tr><td>%1</td>").arg(caption(change, field).toHtmlEscaped()) +
                cell.arg(shown(change.before, field).toHtmlEscaped()) +
                cell.arg(shown(change.after, field).toHtmlEscaped()) + QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

QString HistoryListing::caption(const HistoryEntry &change, const QString &field) const
{
    const TClientDataSet *dataSet = change.isExtra() ? m_form.cdsExtras : m_form.cdsDados;
    const TField *known = dataSet->FindField(field);
    return known ? known->DisplayLabel() : field;
}
