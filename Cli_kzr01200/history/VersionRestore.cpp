#include "VersionRestore.h"

#include "EventBoundary.h"
#include "Services.h"
#include "TfrmDimensao.h"

namespace {

// The fields a version sets; the code names the dimension and is typed only when it is new.
const char *const RestoredFields[] = {"NMITEMDIME", "CDTABELADIME", "DSPKDIME",
                                      "DSITEMDIME", "DSPKDIME2",    "IDDIMENSAODW"};

QString wantedText(const HistoryEntry::Values &values, const char *field)
{
    return values.value(QLatin1String(field)).value_or(QString());
}

} // namespace

bool VersionRestore::locate(const QString &code)
{
    TClientDataSet *ds = m_form.cdsDados;
    for (ds->First(); !ds->Eof(); ds->Next())
        if (m_form.cdsDadosNRSEQUEDIME->AsString() == code) return true;
    return false;
}

bool VersionRestore::locateExtra(const QString &field)
{
    TClientDataSet *ds = m_form.cdsExtras;
    for (ds->First(); !ds->Eof(); ds->Next())
        if (m_form.cdsExtrasCDATRIBEXTRDIME->AsString() == field) return true;
    return false;
}

QMap<QString, QString> VersionRestore::storedExtras(const QString &code)
{
    QMap<QString, QString> stored;
    if (!locate(code)) return stored;
    m_form.mnuExtrasClick(nullptr);
    for (m_form.cdsExtras->First(); !m_form.cdsExtras->Eof(); m_form.cdsExtras->Next())
        stored.insert(m_form.cdsExtrasCDATRIBEXTRDIME->AsString(),
                      m_form.cdsExtrasDSATRIBEXTRDIME->AsString());
    m_form.mnuDimensaoClick(nullptr);
    locate(code);
    return stored;
}

QStringList VersionRestore::differences(const QString &code, const DimensionVersion &version)
{
    QStringList lines;
    if (!version.dimension) return lines;
    const bool stored = locate(code);
    for (const char *name : RestoredFields) {
        const QString wanted = wantedText(*version.dimension, name);
        const QString now =
            stored ? m_form.cdsDados->FieldByName(QLatin1String(name))->AsString() : QString();
        if (!stored || now != wanted)
            lines << QStringLiteral("dimensão %1: %2 \"%3\" → \"%4\"")
                         .arg(code, QLatin1String(name), now, wanted);
    }
    const QMap<QString, QString> now = storedExtras(code);
    for (auto it = now.begin(); it != now.end(); ++it)
        if (!version.extras.contains(it.key()))
            lines << QStringLiteral("atributo extra %1: excluído").arg(it.key());
    for (auto it = version.extras.begin(); it != version.extras.end(); ++it) {
        if (!now.contains(it.key()))
            lines << QStringLiteral("atributo extra %1: incluído \"%2\"").arg(it.key(), it.value());
        else if (now.value(it.key()) != it.value())
            lines << QStringLiteral("atributo extra %1: nome \"%2\" → \"%3\"")
                         .arg(it.key(), now.value(it.key()), it.value());
    }
    return lines;
}

bool VersionRestore::apply(const QString &code, const DimensionVersion &version)
{
    const bool done = EventBoundary::attempt([&] {
        if (!version.dimension)
            MensErro(QStringLiteral("A dimensão %1 não existia depois desta alteração; "
                                    "não há versão a restaurar.")
                         .arg(code),
                     true);
        const QMap<QString, QString> stored = storedExtras(code);
        QStringList added;
        for (auto it = version.extras.begin(); it != version.extras.end(); ++it)
            if (!stored.contains(it.key())) added << it.key();
        restoreDimension(code, *version.dimension, added);
        restoreExtras(code, version.extras);
    });
    if (!done) EventBoundary::run([&] { giveUp(code); });
    return done;
}

void VersionRestore::restoreDimension(const QString &code, const HistoryEntry::Values &values,
                                      const QStringList &addedFields)
{
    m_form.mnuDimensaoClick(nullptr);
    const bool stored = locate(code);
    if (stored) {
        m_form.sbtAlterarClick(nullptr);
    } else {
        m_form.sbtIncluirClick(nullptr);
        m_form.cdsDadosNRSEQUEDIME->SetText(code);
    }
    bool changed = !stored;
    for (const char *name : RestoredFields) {
        TField *field = m_form.cdsDados->FieldByName(QLatin1String(name));
        const QString wanted = wantedText(values, name);
        if (field->AsString() == wanted) continue;
        field->SetText(wanted);
        changed = true;
    }
    // The rules must accept the dimension, saved or not, before its extra attributes change;
    // a post checks it itself, but the added fields are checked against it before the save.
    if (!changed || !addedFields.isEmpty()) {
        m_form.cdsDadosBeforePost(m_form.cdsDados);
        checkAddedFields(addedFields);
    }
    if (changed)
        m_form.ConfirmaTshPrincipal();
    else
        m_form.cdsDados->Cancel();
    if (!locate(code)) MensErro(QStringLiteral("A dimensão %1 não foi gravada.").arg(code), true);
}

// Each field as the attribute-field check sees it while the attribute is being included, the
// dimension being edited: its table and fields are those about to be saved.
void VersionRestore::checkAddedFields(const QStringList &fields)
{
    TClientDataSet *extras = m_form.cdsExtras;
    if (!extras->Active()) extras->Open();
    for (const QString &field : fields) {
        extras->Insert();
        if (!extras->isEditing()) return; // a dimension without a table keeps no attributes
        m_form.cdsExtrasCDATRIBEXTRDIME->SetText(field);
        m_form.VD_EXTRA_FIELD();
        extras->Cancel();
    }
}

void VersionRestore::restoreExtras(const QString &code, const QMap<QString, QString> &wanted)
{
    m_form.mnuExtrasClick(nullptr);
    TClientDataSet *extras = m_form.cdsExtras;
    QStringList unwanted;
    for (extras->First(); !extras->Eof(); extras->Next())
        if (!wanted.contains(m_form.cdsExtrasCDATRIBEXTRDIME->AsString()))
            unwanted << m_form.cdsExtrasCDATRIBEXTRDIME->AsString();
    // Deleted first: a name or field they hold may be the one a restored attribute needs.
    for (const QString &field : unwanted)
        if (locateExtra(field)) extras->Delete();
    for (auto it = wanted.begin(); it != wanted.end(); ++it) {
        if (locateExtra(it.key())) {
            if (m_form.cdsExtrasDSATRIBEXTRDIME->AsString() == it.value()) continue;
            extras->Edit();
        } else {
            extras->Insert();
            m_form.cdsExtrasCDATRIBEXTRDIME->SetText(it.key());
        }
        m_form.cdsExtrasDSATRIBEXTRDIME->SetText(it.value());
        m_form.ConfirmaTshExtras();
    }
    m_form.mnuDimensaoClick(nullptr);
    locate(code);
}

// After a refusal: no edit stays open, and the screen shows what the server holds.
void VersionRestore::giveUp(const QString &code)
{
    for (TClientDataSet *ds : {m_form.cdsExtras, m_form.cdsDados})
        if (ds->isEditing()) ds->Cancel();
    m_form.mnuDimensaoClick(nullptr);
    m_form.sbtVerificarClick(nullptr);
    locate(code);
}
