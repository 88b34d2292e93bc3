#include "TfrmDimensao.h"

#include "Services.h"

// Commands that start work need the current record set at rest (and, but for Refresh, holding
// records), Confirm and Cancel need it being edited, and the other tab cannot be reached while it is being edited.
void TfrmDimensao::ControlaBotoes()
{
    const bool onDimensions = dimensionTabActive();
    TClientDataSet *current = onDimensions ? cdsDados : cdsExtras;
    const bool e = current->isEditing();
    const bool n = current->IsEmpty();

    // On the extras tab a new attribute needs its dimension's table, read only at rest.
    const bool withoutTable = !onDimensions && !e && EmptyString(cdsDadosCDTABELADIME->AsString());
    EnableCommands(current, !withoutTable);
    // An empty list can still be refreshed: what another user has added since comes in.
    mnuVerificar->SetEnabled(!e);
    sbtVerificar->SetEnabled(mnuVerificar->Enabled());
    if (MayWrite()) explainInclude(withoutTable);
    // Nothing is typed into a list the user may only read.
    const TDBGridOptions extrasOptions = dbgExtras->Options();
    dbgExtras->SetOptions(MayWrite() ? extrasOptions | dgEditing : extrasOptions & ~dgEditing);

    if (onDimensions) {
        tshExtras->SetEnabled(!e && !n);
        mnuExtras->SetEnabled(tshExtras->Enabled());
    } else {
        tshPadrao->SetEnabled(!e);
        mnuDimensao->SetEnabled(tshPadrao->Enabled());
    }
    enableHistoryCommand();
}

void TfrmDimensao::dtsPadraoStateChange(QObject *sender)
{
    // A new dimension starts as taking part in the warehouse.
    if (cdsDados->State() == TDataSetState::dsInsert)
        cdsDadosIDDIMENSAODW->SetAsString(QStringLiteral("S"));
    ControlaBotoes();
    // The code can be typed only while a new dimension is being entered.
    cdsDadosNRSEQUEDIME->SetReadOnly(dtsPadrao->State() != TDataSetState::dsInsert);
}
