#include "TfrmDimensao.h"

#include "BusyIndicator.h"
#include "Services.h"

// Decides whether a dimension may be posted. The first check that fails shows its message
// and refuses the post; the duplicate checks run before the table rules on purpose, so a
// duplicate is reported ahead of an inconsistent table.
void TfrmDimensao::cdsDadosBeforePost(TClientDataSet *)
{
    BusyIndicatorHiddenOnFailure guard;

    if (EmptyString(cdsDadosNRSEQUEDIME->AsString()))
        fail(cdsDadosNRSEQUEDIME, QStringLiteral("COD_DEVE"));
    if (EmptyString(cdsDadosNMITEMDIME->AsString()))
        fail(cdsDadosNMITEMDIME, QStringLiteral("NOME_DEVE"));

    VD_DIMENSAO();

    TField *const keyFields[] = {cdsDadosDSPKDIME, cdsDadosDSITEMDIME, cdsDadosDSPKDIME2};
    if (EmptyString(cdsDadosCDTABELADIME->AsString())) {
        // Without a table no field of it may be named.
        for (TField *field : keyFields)
            if (!EmptyString(field->AsString()))
                failAbout(field, QStringLiteral("CAMPO_TABELA"), {field->FieldName()});
        return;
    }

    // The self-relationship field is optional.
    for (TField *field : {cdsDadosDSPKDIME, cdsDadosDSITEMDIME})
        if (EmptyString(field->AsString()))
            failAbout(field, QStringLiteral("CAMPO_DEVE"), {field->FieldName()});
    VD_TAB_FIELDS();
}
