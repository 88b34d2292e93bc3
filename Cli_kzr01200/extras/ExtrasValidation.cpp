#include "TfrmDimensao.h"

#include "BusyIndicator.h"
#include "ExtraRules.h"
#include "RemoteMethods.h"
#include "Services.h"

void TfrmDimensao::cdsExtrasBeforePost(TClientDataSet *)
{
    if (const std::optional<RuleBreach> broken = ExtraRules::required(extraRecord()))
        refuse(*broken, cdsExtras);
    // As typed, before the attribute check brings it to normal form.
    if (const std::optional<RuleBreach> broken = ExtraRules::apartFromDimension(extraRecord(), dimensionRecord(), true))
        refuse(*broken, cdsExtras);
    VD_EXTRA_FIELD();
    Vd_Atrib_Extra();
}

void TfrmDimensao::VD_EXTRA_FIELD()
{
    BusyIndicatorHiddenOnFailure guard;
    TField *attribute = cdsExtrasCDATRIBEXTRDIME;
    if (EmptyString(attribute->AsString()))
        return;
    // At rest nothing counts as changed (and nothing may be written): leaving the column of a
    // stored attribute only checks it.
    if (attribute->Changed())
        bringToNormalForm(attribute);
    if (const std::optional<RuleBreach> broken = ExtraRules::apartFromDimension(extraRecord(), dimensionRecord(), false))
        refuse(*broken, cdsExtras);

    Variant fieldNames = VarArrayOf({attribute->AsString()});
    BusyIndicatorShown busy(busyReceiving, msgPadrao->Msg(QStringLiteral("EstValida")));
    CheckOleContents(remote::vdDimensao(netDimensao, cdsDadosCDTABELADIME->AsString(), fieldNames));

    const TDataSetState state = dtsExtras->State();
    const bool lookForClash = state == TDataSetState::dsInsert
        || (state == TDataSetState::dsEdit && attribute->Changed());
    if (!lookForClash)
        return;
    const Variant reply = remote::vdExtras(netDimensao, cdsExtrasNRSEQUEDIME->AsString(),
                                           attribute->AsString(), QString());
    cdsVdExtras->SetData(CheckOleContents(reply));
    if (!cdsVdExtras->IsEmpty())
        refuse(ExtraRules::fieldTaken(), cdsExtras);
}

void TfrmDimensao::Vd_Atrib_Extra()
{
    const TDataSetState state = dtsExtras->State();
    const bool check = state == TDataSetState::dsInsert
        || (state == TDataSetState::dsEdit && cdsExtrasDSATRIBEXTRDIME->Changed());
    if (!check)
        return;
    {
        BusyIndicatorShown busy(busyReceiving, msgPadrao->Msg(QStringLiteral("EstValida")));
        const Variant reply = remote::vdExtras(netDimensao, cdsExtrasNRSEQUEDIME->AsString(), QString(),
                                               cdsExtrasDSATRIBEXTRDIME->AsString());
        cdsVdExtras->SetData(CheckOleContents(reply));
    }
    if (!cdsVdExtras->IsEmpty())
        refuse(ExtraRules::nameTaken(), cdsExtras);
}
