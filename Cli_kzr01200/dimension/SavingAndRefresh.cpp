#include "TfrmDimensao.h"

#include "BusyIndicator.h"
#include "ChangeLogSender.h"
#include "RecordLocator.h"
#include "RemoteMethods.h"
#include "SaveOrTakeBack.h"
#include "Services.h"

// After every post and delete: the pending changes go to the server at once and the list is
// replaced by the server's. A change the server refuses is taken back; the others it takes, and
// one that does not reach it stays in the log for the next save.
void TfrmDimensao::cdsDadosAfterPost(TClientDataSet *)
{
    ChangeLogSender(
        cdsDados,
        {msgPadrao->Msg(QStringLiteral("SetAtualiza")),
         [this](const Variant &delta) { return CheckResultServ(remote::SetDimensao(netDimensao, delta)); },
         [this](const Variant &reply) { cdsDados->SetData(reply); },
         [] { AtualizaLocalCache(VarArrayOf({QStringLiteral("DIMENSAODIME")})); },
         [this] { reloadDimensionsKeepingPlace(); },
         true})
        .send();
}

// After a refused save: the list shows what the server holds, on the same dimension where it
// still exists (else at the same place in the list).
void TfrmDimensao::reloadDimensionsKeepingPlace()
{
    const QString code = cdsDados->IsEmpty() ? QString() : cdsDadosNRSEQUEDIME->AsString();
    const int place = cdsDados->RecNo();
    // Out of the log first: should the reload fail too, no later save carries the refused change.
    cdsDados->CancelUpdates();
    {
        BusyIndicatorShown busy(busyReceiving, msgPadrao->Msg(QStringLiteral("GetAtualiza")));
        const Variant reply = remote::getDimensao(netDimensao, QString(), QString());
        cdsDados->SetData(CheckResultServ(reply));
    }
    RecordLocator::returnTo(cdsDados, cdsDadosNRSEQUEDIME, code, place);
}

// Reloads what the active tab shows; changes it holds that wait for the server are sent first
// or dropped, as the user says.
void TfrmDimensao::sbtVerificarClick(QObject *)
{
    if (!MayReplacePendingChanges({dimensionTabActive() ? cdsDados : cdsExtras}))
        return;
    if (dimensionTabActive()) {
        {
            BusyIndicatorShown busy(busyReceiving, msgPadrao->Msg(QStringLiteral("GetAtualiza")));
            const Variant reply = remote::getDimensao(netDimensao, QString(), QString());
            cdsDados->SetData(CheckResultServ(reply));
        }
        cdsDadosNRSEQUEDIME->FocusControl();
    } else {
        cdsDadosAfterScroll(cdsDados);
    }
}
