#include "TfrmDimensao.h"

#include "BusyIndicator.h"
#include "RecordLocator.h"
#include "RemoteMethods.h"
#include "SaveOrTakeBack.h"
#include "Services.h"

// After every post and delete: the pending changes go to the server at once and the list is
// replaced by the server's. A save that does not reach the server leaves its change in the log,
// unmerged, so that it goes again with the next save; one the server refuses is taken back.
void TfrmDimensao::cdsDadosAfterPost(TClientDataSet *)
{
    if (cdsDados->ChangeCount() <= 0)
        return;
    SaveOrTakeBack(
        [this] {
            {
                BusyIndicatorShown busy(busySending, msgPadrao->Msg(QStringLiteral("SetAtualiza")));
                const Variant reply = remote::SetDimensao(netDimensao, cdsDados->Delta());
                cdsDados->SetData(CheckResultServ(reply));
                AtualizaLocalCache(VarArrayOf({QStringLiteral("DIMENSAODIME")}));
            }
            if (cdsDados->LogChanges())
                cdsDados->MergeChangeLog();
        },
        [this] { reloadDimensionsKeepingPlace(); });
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

// Reloads what the active tab shows; pending changes are discarded.
void TfrmDimensao::sbtVerificarClick(QObject *)
{
    if (dimensionTabActive()) {
        {
            BusyIndicatorShown busy(busyReceiving, msgPadrao->Msg(QStringLiteral("GetAtualiza")));
            const Variant reply = remote::getDimensao(netDimensao, QString(), QString());
            cdsDados->SetData(CheckResultServ(reply));
        }
        cdsDadosNRSEQUEDIME->FocusControl();
    } else {
        if (cdsExtras->Active())
            cdsExtras->CancelUpdates(); // a refresh is how unsent changes are given up
        cdsDadosAfterScroll(cdsDados);
    }
}
