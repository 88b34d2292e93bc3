#include "TfrmDimensao.h"

#include "BusyIndicator.h"
#include "DimensionRules.h"
#include "Services.h"

// Decides whether a dimension may be posted. The first check that fails shows its message
// and refuses the post; the duplicate checks run before the table rules on purpose, so a
// duplicate is reported ahead of an inconsistent table.
void TfrmDimensao::cdsDadosBeforePost(TClientDataSet *)
{
    BusyIndicatorHiddenOnFailure guard;

    if (const std::optional<RuleBreach> broken = DimensionRules::required(dimensionRecord()))
        refuse(*broken, cdsDados);

    VD_DIMENSAO();

    if (const std::optional<RuleBreach> broken = DimensionRules::fieldsWithTable(dimensionRecord()))
        refuse(*broken, cdsDados);
    // Without a table there is no structure to ask about.
    if (!EmptyString(cdsDadosCDTABELADIME->AsString()))
        VD_TAB_FIELDS();
}
