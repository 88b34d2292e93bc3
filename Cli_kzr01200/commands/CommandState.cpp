#include "TfrmDimensao.h"

#include "RecordState.h"
#include "Services.h"

// Commands that start work need the current record set at rest, Confirm and Cancel need it
// being edited, and the other tab cannot be reached while it is being edited.
void TfrmDimensao::ControlaBotoes()
{
    const bool onDimensions = dimensionTabActive();
    TClientDataSet *current = onDimensions ? cdsDados : cdsExtras;
    const bool e = isEditing(current);
    const bool n = current->IsEmpty();

    mnuConfirmar->SetEnabled(e);
    mnuCancelar->SetEnabled(e);
    bool withoutTable = false;
    if (onDimensions) {
        mnuIncluir->SetEnabled(!e);
    } else { // the table is read only when the extras are at rest
        withoutTable = !e && EmptyString(cdsDadosCDTABELADIME->AsString());
        mnuIncluir->SetEnabled(!e && !withoutTable);
    }
    for (TMenuItem *item : {mnuAlterar, mnuExcluir, mnuProcurar, mnuVerificar})
        item->SetEnabled(!e && !n);
    mnuFechar->SetEnabled(!e);

    const std::pair<TSpeedButton *, TMenuItem *> pairs[] = {
        {sbtConfirmar, mnuConfirmar}, {sbtCancelar, mnuCancelar}, {sbtIncluir, mnuIncluir},
        {sbtAlterar, mnuAlterar},     {sbtExcluir, mnuExcluir},   {sbtProcurar, mnuProcurar},
        {sbtVerificar, mnuVerificar}, {sbtFechar, mnuFechar},
    };
    for (const auto &[button, item] : pairs)
        button->SetEnabled(item->Enabled());
    explainInclude(withoutTable);

    if (onDimensions) {
        tshExtras->SetEnabled(!e && !n);
        mnuExtras->SetEnabled(tshExtras->Enabled());
    } else {
        tshPadrao->SetEnabled(!e);
        mnuDimensao->SetEnabled(tshPadrao->Enabled());
    }
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
