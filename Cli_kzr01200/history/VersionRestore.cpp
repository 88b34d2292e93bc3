#include "VersionRestore.h"

#include "BusyIndicator.h"
#include "EventBoundary.h"
#include "RestoreRehearsal.h"
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

QMap<QString, QString> VersionRestore::shownExtras()
{
    QMap<QString, QString> shown;
    for (m_form.cdsExtras->First(); !m_form.cdsExtras->Eof(); m_form.cdsExtras->Next())
        shown.insert(m_form.cdsExtrasCDATRIBEXTRDIME->AsString(),
                     m_form.cdsExtrasDSATRIBEXTRDIME->AsString());
    return shown;
}

QMap<QString, QString> VersionRestore::storedExtras(const QString &code)
{
    if (!locate(code)) return {};
    m_form.mnuExtrasClick(nullptr);
    QMap<QString, QString> stored = shownExtras();
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
    return run(code, version, true);
}

bool VersionRestore::rehearse(const QString &code, const DimensionVersion &version)
{
    return run(code, version, false);
}

bool VersionRestore::run(const QString &code, const DimensionVersion &version, bool keep)
{
    const bool done = EventBoundary::attempt([&] {
        if (!version.dimension)
            MensErro(QStringLiteral("A dimensão %1 não existia depois desta alteração; "
                                    "não há versão a restaurar.")
                         .arg(code),
                     true);
        RestoreRehearsal rehearsal(m_form.netDimensao);
        restore(code, version);
        if (!keep) return;
        BusyIndicatorShown busy(busySending, m_form.msgPadrao->Msg(QStringLiteral("SetAtualiza")));
        rehearsal.confirm();
    });
    EventBoundary::run([&] { showStored(code); });
    return done;
}

void VersionRestore::restore(const QString &code, const DimensionVersion &version)
{
    const HistoryEntry::Values &values = *version.dimension;
    // The screen takes another table only from a dimension without attributes (ALT_TDIME_C_ATR):
    // as by hand, they all go first, and the version's come after.
    const bool otherTable = locate(code) && m_form.cdsDadosCDTABELADIME->AsString() !=
                                                wantedText(values, "CDTABELADIME");
    removeExtras(code, otherTable ? QMap<QString, QString>() : version.extras);
    restoreDimension(code, values);
    restoreExtras(code, version.extras);
}

void VersionRestore::removeExtras(const QString &code, const QMap<QString, QString> &kept)
{
    if (!locate(code)) return; // a deleted dimension kept none
    m_form.mnuExtrasClick(nullptr);
    QStringList unwanted = shownExtras().keys();
    unwanted.removeIf([&kept](const QString &field) { return kept.contains(field); });
    for (const QString &field : std::as_const(unwanted))
        if (locateExtra(field)) m_form.cdsExtras->Delete();
    m_form.mnuDimensaoClick(nullptr);
}

void VersionRestore::restoreDimension(const QString &code, const HistoryEntry::Values &values)
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
    // Unchanged, it is checked all the same: today's rules must accept the dimension its
    // attributes are about to be judged against.
    if (changed) {
        m_form.ConfirmaTshPrincipal();
    } else {
        m_form.cdsDadosBeforePost(m_form.cdsDados);
        m_form.cdsDados->Cancel();
    }
    if (!locate(code)) MensErro(QStringLiteral("A dimensão %1 não foi gravada.").arg(code), true);
}

void VersionRestore::restoreExtras(const QString &code, const QMap<QString, QString> &wanted)
{
    m_form.mnuExtrasClick(nullptr);
    TClientDataSet *extras = m_form.cdsExtras;
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
    // Only a version reached whole is saved: an attribute the screen let go of without a word
    // (none is kept without a table) refuses the restore.
    if (shownExtras() != wanted)
        MensErro(QStringLiteral("Os atributos extras da dimensão %1 não ficaram como na versão.")
                     .arg(code),
                 true);
    m_form.mnuDimensaoClick(nullptr);
    locate(code);
}

// Whatever came of the restore: no edit stays open, nothing the rehearsal left in a change log
// can reach the server later, and the screen shows what the server holds.
void VersionRestore::showStored(const QString &code)
{
    for (TClientDataSet *ds : {m_form.cdsExtras, m_form.cdsDados})
        if (ds->isEditing()) ds->Cancel();
    // The user's own changes were sent or dropped before the restore began (the question of
    // the history command): what the logs hold now is the restore's.
    for (TClientDataSet *ds : {m_form.cdsExtras, m_form.cdsDados})
        if (ds->Active()) ds->CancelUpdates();
    m_form.mnuDimensaoClick(nullptr);
    m_form.sbtVerificarClick(nullptr);
    locate(code);
}
