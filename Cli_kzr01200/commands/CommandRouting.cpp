#include "TfrmDimensao.h"

#include "DialogContext.h"
#include "Interaction.h"
#include "Services.h"

namespace {

bool browsing(const TClientDataSet *dataSet)
{
    return dataSet->State() == TDataSetState::dsBrowse;
}

// Bit 0 of a field's Tag marks where the Include and Alter commands of the extras put the focus.
bool marksFocus(const TField *field)
{
    return field->Tag() & 1;
}

} // namespace

void TfrmDimensao::pgcPadraoChange(QObject *sender)
{
    mnuDimensao->SetChecked(pgcPadrao->ActivePage() == tshPadrao);
    mnuExtras->SetChecked(pgcPadrao->ActivePage() == tshExtras);
    mnuMembros->SetChecked(pgcPadrao->ActivePage() == membersSheet());
    if (mnuExtras->Checked())
        cdsDadosAfterScroll(cdsDados);
    ControlaBotoes();
}

void TfrmDimensao::mnuDimensaoClick(QObject *sender)
{
    pgcPadrao->SetActivePage(tshPadrao);
    pgcPadraoChange(pgcPadrao);
}

void TfrmDimensao::mnuExtrasClick(QObject *sender)
{
    pgcPadrao->SetActivePage(tshExtras);
    pgcPadraoChange(pgcPadrao);
}

void TfrmDimensao::mnuMembrosClick(QObject *)
{
    pgcPadrao->SetActivePage(membersSheet());
    pgcPadraoChange(pgcPadrao);
}

TTabSheet *TfrmDimensao::membersSheet() const
{
    return pgcPadrao->findChild<TTabSheet *>(QStringLiteral("tshMembros"));
}

void TfrmDimensao::sbtIncluirClick(QObject *sender)
{
    if (dimensionTabActive()) {
        TfrmPadraoGrid::sbtIncluirClick(sender);
        return;
    }
    TClientDataSet *extras = dtsExtras->DataSet();
    if (!extras || !browsing(extras))
        return;
    for (int i = 0; i < extras->FieldCount(); ++i) {
        if (marksFocus(extras->Fields(i))) {
            extras->Fields(i)->FocusControl();
            break;
        }
    }
    extras->Insert();
}

void TfrmDimensao::sbtAlterarClick(QObject *sender)
{
    if (dimensionTabActive()) {
        TfrmPadraoGrid::sbtAlterarClick(sender);
        return;
    }
    TClientDataSet *extras = dtsExtras->DataSet();
    if (!extras || !browsing(extras))
        return;
    for (int i = 0; i + 1 < extras->FieldCount(); ++i) {
        if (marksFocus(extras->Fields(i))) {
            extras->Fields(i + 1)->FocusControl();
            break;
        }
    }
    extras->Edit();
}

void TfrmDimensao::sbtExcluirClick(QObject *sender)
{
    if (dimensionTabActive()) {
        TfrmPadraoGrid::sbtExcluirClick(sender);
        return;
    }
    TClientDataSet *extras = dtsExtras->DataSet();
    if (!extras || !browsing(extras))
        return;
    DialogContext about({RecordDescription(extras), {}});
    if (msgGeral->ShowMsg(QStringLiteral("Excl"), TMsgDlgType::mtConfirmation, mbYes | mbNo, 0) == mrYes) {
        extras->Delete();
        dtsExtrasStateChange(dtsExtras);
    }
}

void TfrmDimensao::sbtProcurarClick(QObject *sender)
{
    if (dimensionTabActive()) {
        TfrmPadraoGrid::sbtProcurarClick(sender);
        return;
    }
    TClientDataSet *extras = dtsExtras->DataSet();
    if (extras && extras->Active())
        Procura(extras, dbgExtras);
}

void TfrmDimensao::sbtConfirmarClick(QObject *sender)
{
    if (dimensionTabActive())
        ConfirmaTshPrincipal();
    else
        ConfirmaTshExtras();
}

void TfrmDimensao::sbtCancelarClick(QObject *sender)
{
    if (dimensionTabActive())
        CancelaTshPrincipal();
    else
        CancelaTshExtras();
}

// A refused post passes out of these routines: the record stays editing and the commands are
// not re-evaluated here (the record set's own state change already did that).
void TfrmDimensao::ConfirmaTshPrincipal()
{
    TClientDataSet *dados = dtsPadrao->DataSet();
    if (!dados)
        return;
    if (dados->isEditing())
        dados->Post();
    dtsPadraoStateChange(nullptr);
}

void TfrmDimensao::ConfirmaTshExtras()
{
    TClientDataSet *extras = dtsExtras->DataSet();
    if (!extras)
        return;
    if (extras->isEditing())
        extras->Post();
    dtsPadraoStateChange(nullptr);
}

void TfrmDimensao::CancelaTshPrincipal()
{
    TClientDataSet *dados = dtsPadrao->DataSet();
    if (!dados)
        return;
    if (msgGeral->ShowMsg(QStringLiteral("Canc"), TMsgDlgType::mtConfirmation, mbYes | mbNo, 0) == mrYes) {
        dados->Cancel();
        reloadUnlessPending(dados);
    }
    dtsPadraoStateChange(nullptr);
}

// A cancel gives up the edit in hand only. The reload after it shows what the server holds, but
// it would also drop the changes the server has not got yet: with some pending it is left out,
// and they go with the next save.
void TfrmDimensao::reloadUnlessPending(const TClientDataSet *cancelled)
{
    if (cancelled->ChangeCount() == 0) sbtVerificarClick(sbtVerificar);
}

void TfrmDimensao::CancelaTshExtras()
{
    TClientDataSet *extras = dtsExtras->DataSet();
    if (!extras)
        return;
    if (msgGeral->ShowMsg(QStringLiteral("Canc"), TMsgDlgType::mtConfirmation, mbYes | mbNo, 0) == mrYes) {
        extras->Cancel();
        reloadUnlessPending(extras);
    }
    dtsExtrasStateChange(nullptr);
}
