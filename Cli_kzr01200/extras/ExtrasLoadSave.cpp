#include "TfrmDimensao.h"

#include "Interaction.h"
#include "BusyIndicator.h"
#include "ChangeLogSender.h"
#include "HostServices.h"
#include "ProfileLine.h"
#include "RecordLocator.h"
#include "RemoteMethods.h"
#include "SaveOrTakeBack.h"
#include "Services.h"
#include "TApplication.h"

#include <QWidget>

// The profile line follows the current dimension; a new one has no stored data yet, and one
// being edited keeps its line until the edit ends.
void TfrmDimensao::followCurrentDimension()
{
    if (!cdsDados->Active() || cdsDados->IsEmpty() || cdsDados->State() == TDataSetState::dsInsert)
        lblPerfilDimensao->follow(std::nullopt);
    else if (cdsDados->State() == TDataSetState::dsBrowse)
        lblPerfilDimensao->follow(ProfileLine::Dimension{
            cdsDadosCDTABELADIME->AsString(), cdsDadosDSPKDIME->AsString(),
            cdsDadosDSITEMDIME->AsString(), cdsDadosDSPKDIME2->AsString()});
}

// The extras are fetched only while their tab shows: moving through dimensions on the
// Dimension tab costs no server call.
void TfrmDimensao::cdsDadosAfterScroll(TClientDataSet *)
{
    followCurrentDimension();
    if (pgcPadrao->ActivePage() != tshExtras)
        return;
    // Attributes that did not reach the server go before the list that holds them is replaced;
    // nothing is dropped without a word (the Refresh command drops them itself, first).
    if (cdsExtras->Active() && cdsExtras->ChangeCount() > 0)
        cdsExtrasAfterPost(cdsExtras);
    BusyIndicatorShown busy(busyReceiving, msgPadrao->Msg(QStringLiteral("GetAtualiza")));
    const QString code = cdsDados->IsEmpty() ? QString() : cdsDadosNRSEQUEDIME->AsString();
    const Variant reply = remote::GetExtras(netDimensao, code);
    cdsExtras->SetData(CheckResultServ(reply));
}

void TfrmDimensao::dtsExtrasStateChange(QObject *)
{
    const TDataSetState state = cdsExtras->State();
    // A new attribute belongs to the dimension current when the insert began.
    if (state == TDataSetState::dsInsert)
        cdsExtrasNRSEQUEDIME->SetAsString(cdsDadosNRSEQUEDIME->AsString());
    // Attributes are fields of the dimension's table: without a table there is nothing to edit.
    if (cdsExtras->isEditing() && EmptyString(cdsDadosCDTABELADIME->AsString()))
        cdsExtras->Cancel();
    ControlaBotoes();
}

void TfrmDimensao::cdsExtrasAfterPost(TClientDataSet *)
{
    ChangeLogSender(
        cdsExtras,
        {msgPadrao->Msg(QStringLiteral("SetAtualiza")),
         [this](const Variant &delta) { return CheckResultServ(remote::setExtras(netDimensao, delta)); },
         [](const Variant &) {}, // nothing comes back to load
         [] {
             AtualizaLocalCache(VarArrayOf({QStringLiteral("ATRIBEXTRADIME")}));
             // The host's cube record sets were built from the old attributes; it rebuilds them.
             if (HostServices *host = TApplication::Host())
                 host->cubeAttributesChanged();
         },
         [this] { reloadExtrasKeepingPlace(); }})
        .send();
}

// After a refused save: the extras show what the server holds, on the same attribute where it
// still exists.
void TfrmDimensao::reloadExtrasKeepingPlace()
{
    const QString attribute = cdsExtras->IsEmpty() ? QString() : cdsExtrasCDATRIBEXTRDIME->AsString();
    const int place = cdsExtras->RecNo();
    // Out of the log first: should the reload fail too, no later save carries the refused change.
    cdsExtras->CancelUpdates();
    cdsDadosAfterScroll(cdsDados); // reloads while the Extras tab shows; their next showing does otherwise
    RecordLocator::returnTo(cdsExtras, cdsExtrasCDATRIBEXTRDIME, attribute, place);
}

void TfrmDimensao::dbgExtrasEditButtonClick(QObject *)
{
    // The Include command is enabled only while the extras are at rest and the dimension has a
    // table: the lookup acts while an attribute is being edited, or to say the table is missing.
    if (sbtIncluir->Enabled())
        return;
    BusyIndicatorHiddenOnFailure guard;
    if (EmptyString(cdsDadosCDTABELADIME->AsString()))
        fail(QStringLiteral("NO_TAB_PESQ"));
    if (dbgExtras->SelectedField() != cdsExtrasCDATRIBEXTRDIME)
        return;
    PesquisaCampos(cdsExtrasCDATRIBEXTRDIME);
}

void TfrmDimensao::dbgExtrasColExit(QObject *)
{
    TField *field = dbgExtras->SelectedField();
    if (!field)
        return;
    if (field->FieldName() == QLatin1String("CDATRIBEXTRDIME"))
        VD_EXTRA_FIELD();
    else
        Vd_Atrib_Extra();
}
