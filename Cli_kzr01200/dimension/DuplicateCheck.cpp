#include "TfrmDimensao.h"

#include "BusyIndicator.h"
#include "DimensionCode.h"
#include "DimensionFields.h"
#include "DimensionRules.h"
#include "RemoteMethods.h"
#include "Services.h"

// Refuses a code or name that a stored dimension already has.
void TfrmDimensao::VD_DIMENSAO()
{
    const TDataSetState state = dtsPadrao->State();
    if (state == TDataSetState::dsInsert) {
        // A new code is brought to its stored form before the query; the rewritten code stays
        // in the record even when the query finds a duplicate.
        if (!EmptyString(cdsDadosNRSEQUEDIME->AsString())) {
            const QString withoutBlanks = Replace(QStringLiteral(" "), cdsDadosNRSEQUEDIME->AsString(), QString(), 0);
            cdsDadosNRSEQUEDIME->SetAsString(Ajusta(withoutBlanks, DimensionCode::Width));
        }
        {
            BusyIndicatorShown busy(busyReceiving, msgPadrao->Msg(QStringLiteral("GetValida")));
            const Variant reply = remote::getDimensao(netDimensao, cdsDadosNRSEQUEDIME->AsString(),
                                                      cdsDadosNMITEMDIME->AsString());
            cdsVDDados->SetData(CheckResultServ(reply));
        }
        if (cdsVDDados->IsEmpty())
            return;
        // Only the reply's first record is compared; the server puts a match first.
        cdsVDDados->First();
        if (cdsVDDados->FieldByName(dimension_fields::Code)->AsString() == cdsDadosNRSEQUEDIME->AsString())
            refuse(DimensionRules::codeTaken(), cdsDados);
        if (cdsVDDados->FieldByName(dimension_fields::Name)->AsString() == cdsDadosNMITEMDIME->AsString())
            refuse(DimensionRules::nameTaken(), cdsDados);
    } else if (state == TDataSetState::dsEdit) {
        if (cdsDadosNMITEMDIME->NewValue() == cdsDadosNMITEMDIME->OldValue())
            return;
        {
            BusyIndicatorShown busy(busyReceiving, msgPadrao->Msg(QStringLiteral("GetValida")));
            const Variant reply = remote::getDimensao(netDimensao, QString(), cdsDadosNMITEMDIME->AsString());
            cdsVDDados->SetData(CheckResultServ(reply));
        }
        // Any stored dimension that comes back for the new name is a duplicate.
        if (!cdsVDDados->IsEmpty())
            refuse(DimensionRules::nameTaken(), cdsDados);
    }
}
