#include "ScreenImport.h"

#include "CollectingInteraction.h"
#include "DimensionCode.h"
#include "TextRules.h"
#include "TfrmDimensao.h"

#include <QSet>

namespace {

QString text(const ImportFile::Value &value)
{
    return value.value_or(QString());
}

} // namespace

ScreenImport::ScreenImport(TfrmDimensao &form, CollectingInteraction &ui, QTextStream &out,
                           bool dryRun)
    : m_form(form), m_ui(ui), m_out(out), m_dryRun(dryRun)
{
}

void ScreenImport::report(const QString &line)
{
    m_out << (m_dryRun ? QStringLiteral("(simulação) ") : QString()) << line << Qt::endl;
}

template <typename Command> bool ScreenImport::attempt(const QString &what, Command command)
{
    m_ui.take();
    QStringList said;
    try {
        command();
    } catch (const EDatabaseError &refused) {
        // A value the record set does not take (longer than its field): refused like any
        // other record, and the import goes on.
        said << refused.Message();
    }
    said = m_ui.take() + said;
    TClientDataSet *dataSet = m_form.mnuExtras->Checked() ? m_form.cdsExtras : m_form.cdsDados;
    const bool stillEditing = dataSet->isEditing();
    if (said.isEmpty() && !stillEditing) return true;
    if (stillEditing) m_form.sbtCancelar->Click(); // its confirmation is answered yes
    // The list shows what the server holds before the next record, as a person would see it
    // after the Refresh command.
    m_form.sbtVerificar->Click();
    m_ui.take();
    ++m_counts.refused;
    QString reason = said.isEmpty() ? QStringLiteral("o registro não foi gravado.")
                                    : said.join(QStringLiteral(" / "));
    reason.replace(QLatin1Char('\n'), QLatin1Char(' '));
    report(QStringLiteral("RECUSADO %1: %2").arg(what, reason));
    return false;
}

bool ScreenImport::locate(const QString &code)
{
    TClientDataSet *ds = m_form.cdsDados;
    for (ds->First(); !ds->Eof(); ds->Next())
        if (m_form.cdsDadosNRSEQUEDIME->AsString() == code) return true;
    return false;
}

void ScreenImport::apply(const ImportFile &file, bool deleteMissing)
{
    QSet<QString> named;
    for (const ImportFile::Dimension &d : file.dimensions) {
        const QString code = Ajusta(text(d.code), DimensionCode::Width);
        named.insert(code);
        if (!applyDimension(d, code)) continue;
        applyFlag(d, code);
        applyExtras(d, code);
    }
    if (!deleteMissing) return;
    QStringList stored;
    for (m_form.cdsDados->First(); !m_form.cdsDados->Eof(); m_form.cdsDados->Next())
        stored << m_form.cdsDadosNRSEQUEDIME->AsString();
    for (const QString &code : stored)
        if (!named.contains(code)) removeDimension(code);
}

bool ScreenImport::applyDimension(const ImportFile::Dimension &d, const QString &code)
{
    const QString label = QStringLiteral("dimensão %1 (%2)").arg(code, d.place);
    const std::pair<TField *, ImportFile::Value> values[] = {
        {m_form.cdsDadosNMITEMDIME, d.name},  {m_form.cdsDadosCDTABELADIME, d.table},
        {m_form.cdsDadosDSPKDIME, d.key},     {m_form.cdsDadosDSITEMDIME, d.attribute},
        {m_form.cdsDadosDSPKDIME2, d.parent},
    };
    if (!locate(code)) {
        const bool done = attempt(label, [&] {
            m_form.sbtIncluir->Click();
            m_form.cdsDadosNRSEQUEDIME->SetText(text(d.code));
            for (const auto &[field, value] : values)
                if (!text(value).isEmpty()) field->SetText(text(value));
            m_form.sbtConfirmar->Click();
        });
        if (!done) return false;
        ++m_counts.included;
        report(QStringLiteral("incluída a dimensão %1 %2").arg(code, text(d.name)));
        return locate(code);
    }

    // Named as the screen's columns name them.
    QStringList changed;
    for (const auto &[field, value] : values)
        if (field->AsString() != text(value)) changed << field->DisplayLabel();
    if (changed.isEmpty()) return true;
    const bool done = attempt(label, [&] {
        m_form.sbtAlterar->Click();
        for (const auto &[field, value] : values)
            if (field->AsString() != text(value)) field->SetText(text(value));
        m_form.sbtConfirmar->Click();
    });
    if (!done) return false;
    ++m_counts.altered;
    report(
        QStringLiteral("alterada a dimensão %1: %2").arg(code, changed.join(QStringLiteral(", "))));
    return locate(code);
}

// The flag changes as the screen changes it: a click on the check mark of the record.
void ScreenImport::applyFlag(const ImportFile::Dimension &d, const QString &code)
{
    const QString wanted = text(d.flag);
    if (wanted.isEmpty() || m_form.cdsDadosIDDIMENSAODW->AsString() == wanted) return;
    ++m_counts.altered;
    for (int i = 0; i < m_form.dbgPadrao->ColumnCount(); ++i) {
        TColumn *column = m_form.dbgPadrao->Columns(i);
        if (column->FieldName != m_form.cdsDadosIDDIMENSAODW->FieldName()) continue;
        if (attempt(QStringLiteral("marca da dimensão %1").arg(code), [&] {
                m_form.dbgPadrao->SetSelectedIndex(i);
                m_form.dbgPadraoCellClick(column);
            }))
            report(QStringLiteral("a dimensão %1 %2 do cubo")
                       .arg(code, wanted == QLatin1String("S") ? QStringLiteral("passou a constar")
                                                               : QStringLiteral("deixou de constar")));
        else
            --m_counts.altered;
        locate(code);
        return;
    }
}

void ScreenImport::applyExtras(const ImportFile::Dimension &d, const QString &code)
{
    m_form.mnuExtras->Click();
    TClientDataSet *extras = m_form.cdsExtras;
    const auto find = [&](const QString &field) {
        for (extras->First(); !extras->Eof(); extras->Next())
            if (m_form.cdsExtrasCDATRIBEXTRDIME->AsString() == field) return true;
        return false;
    };
    QSet<QString> named;
    for (const ImportFile::Extra &e : d.extras) {
        named.insert(e.field);
        const QString label = QStringLiteral("atributo extra %1 da dimensão %2").arg(e.field, code);
        if (!find(e.field)) {
            ++m_counts.included;
            if (attempt(label, [&] {
                    m_form.sbtIncluir->Click();
                    m_form.cdsExtrasCDATRIBEXTRDIME->SetText(e.field);
                    m_form.cdsExtrasDSATRIBEXTRDIME->SetText(e.name);
                    m_form.sbtConfirmar->Click();
                }))
                report(QStringLiteral("incluído o %1: %2").arg(label, e.name));
            else
                --m_counts.included;
        } else if (m_form.cdsExtrasDSATRIBEXTRDIME->AsString() != e.name) {
            ++m_counts.altered;
            if (attempt(label, [&] {
                    m_form.sbtAlterar->Click();
                    m_form.cdsExtrasDSATRIBEXTRDIME->SetText(e.name);
                    m_form.sbtConfirmar->Click();
                }))
                report(QStringLiteral("alterado o nome do %1 para %2").arg(label, e.name));
            else
                --m_counts.altered;
        }
    }
    QStringList unnamed;
    for (extras->First(); !extras->Eof(); extras->Next())
        if (!named.contains(m_form.cdsExtrasCDATRIBEXTRDIME->AsString()))
            unnamed << m_form.cdsExtrasCDATRIBEXTRDIME->AsString();
    for (const QString &field : unnamed) {
        const QString label = QStringLiteral("atributo extra %1 da dimensão %2").arg(field, code);
        ++m_counts.removed;
        if (find(field) && attempt(label, [&] { m_form.sbtExcluir->Click(); }))
            report(QStringLiteral("excluído o %1").arg(label));
        else
            --m_counts.removed;
    }
    m_form.mnuDimensao->Click();
}

void ScreenImport::removeDimension(const QString &code)
{
    const QString label = QStringLiteral("dimensão %1").arg(code);
    ++m_counts.removed;
    if (locate(code) && attempt(label, [&] { m_form.sbtExcluir->Click(); }))
        report(QStringLiteral("excluída a %1").arg(label));
    else
        --m_counts.removed;
}

QString ScreenImport::summary() const
{
    return QStringLiteral("%1%2 inclusão(ões), %3 alteração(ões), %4 exclusão(ões), %5 recusa(s).")
        .arg(m_dryRun ? QStringLiteral("(simulação) ") : QString())
        .arg(m_counts.included)
        .arg(m_counts.altered)
        .arg(m_counts.removed)
        .arg(m_counts.refused);
}
