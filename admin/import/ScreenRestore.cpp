#include "ScreenRestore.h"

#include "CollectingInteraction.h"
#include "DimensionCode.h"
#include "Exceptions.h"
#include "HistoryListing.h"
#include "HistoryMoment.h"
#include "TextRules.h"
#include "TfrmDimensao.h"
#include "VersionRestore.h"

bool ScreenRestore::apply(const QString &typed, const QString &at)
{
    const QString code = Ajusta(typed, DimensionCode::Width);
    const QDateTime moment = HistoryMoment::typed(at);
    const QList<HistoryEntry> history = m_form.HistoryOf(code);
    const int index = DimensionVersion::indexAt(history, moment);
    if (index < 0)
        throw Exception(
            QStringLiteral("A dimensão %1 não tem alteração gravada até %2.").arg(code, at));
    const DimensionVersion version = DimensionVersion::after(history, index);
    const QString prefix = m_dryRun ? QStringLiteral("(simulação) ") : QString();
    m_out << prefix
          << QStringLiteral("versão de %1 (%2, %3)")
                 .arg(history[index].when, history[index].user,
                      HistoryListing::localTime(history[index]))
          << Qt::endl;
    VersionRestore restore(m_form);
    m_ui.take();
    const QStringList changes = restore.differences(code, version);
    if (changes.isEmpty() && version.dimension) {
        m_out << prefix << QStringLiteral("a dimensão %1 já está como nessa versão.").arg(code)
              << Qt::endl;
        return true;
    }
    for (const QString &line : changes)
        m_out << prefix << line << Qt::endl;
    const bool done = m_dryRun ? restore.rehearse(code, version) : restore.apply(code, version);
    const QStringList said = m_ui.take();
    if (done) {
        m_out << prefix << QStringLiteral("restaurada a dimensão %1.").arg(code) << Qt::endl;
        return true;
    }
    QString reason = said.join(QStringLiteral(" / "));
    reason.replace(QLatin1Char('\n'), QLatin1Char(' '));
    m_out << prefix << QStringLiteral("RECUSADO dimensão %1: %2").arg(code, reason) << Qt::endl;
    return false;
}
