#include "TfrmDimensao.h"

#include "BusyIndicatorShown.h"
#include "RemoteMethods.h"

// After every post and delete: the pending changes go to the server at once and the list is
// replaced by the server's. A failed save leaves its change in the log, unmerged, so that it
// goes again with the next save.
void TfrmDimensao::cdsDadosAfterPost(TClientDataSet *)
{
    if (cdsDados->ChangeCount() <= 0)
        return;
    {
        BusyIndicatorShown busy(busySending, msgPadrao->Msg(QStringLiteral("SetAtualiza")));
        const Variant reply = remote::SetDimensao(netDimensao, cdsDados->Delta());
        cdsDados->SetData(CheckResultServ(reply, true, 0));
        AtualizaLocalCache(VarArrayOf({QStringLiteral("DIMENSAODIME")}));
    }
    if (cdsDados->LogChanges())
        cdsDados->MergeChangeLog();
}

// Reloads what the active tab shows; pending changes are discarded.
void TfrmDimensao::sbtVerificarClick(QObject *)
{
    if (dimensionTabActive()) {
        {
            BusyIndicatorShown busy(busyReceiving, msgPadrao->Msg(QStringLiteral("GetAtualiza")));
            const Variant reply = remote::getDimensao(netDimensao, QString(), QString());
            cdsDados->SetData(CheckResultServ(reply, true, 0));
        }
        cdsDadosNRSEQUEDIME->FocusControl();
    } else {
        cdsDadosAfterScroll(cdsDados);
    }
}
