#include "TfrmDimensao.h"

#include "BusyIndicator.h"
#include "RemoteMethods.h"
#include "Services.h"

// An extra attribute must not repeat one of the dimension's own fields.
void TfrmDimensao::sameFieldCheck(TField *attribute, TField *dimensionField)
{
    if (attribute->AsString() == dimensionField->AsString())
        failAbout(attribute, QStringLiteral("CAMPO_IGUAL"),
                  {QStringLiteral("EXTRA_ATRIB"), dimensionField->FieldName()});
}

void TfrmDimensao::cdsExtrasBeforePost(TClientDataSet *)
{
    if (EmptyString(cdsExtrasDSATRIBEXTRDIME->AsString()))
        fail(QStringLiteral("NM_ATRIB_DEVE"));
    if (EmptyString(cdsExtrasCDATRIBEXTRDIME->AsString()))
        fail(QStringLiteral("CD_ATRIB_DEVE"));
    // As typed, before the attribute check brings it to normal form.
    sameFieldCheck(cdsExtrasCDATRIBEXTRDIME, cdsDadosDSPKDIME);
    sameFieldCheck(cdsExtrasCDATRIBEXTRDIME, cdsDadosDSITEMDIME);
    sameFieldCheck(cdsExtrasCDATRIBEXTRDIME, cdsDadosDSPKDIME2);
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
    sameFieldCheck(attribute, cdsDadosDSPKDIME);
    sameFieldCheck(attribute, cdsDadosDSITEMDIME);
    if (!EmptyString(cdsDadosDSPKDIME2->AsString()))
        sameFieldCheck(attribute, cdsDadosDSPKDIME2);

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
        fail(QStringLiteral("CD_ATRIB_JA"));
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
        fail(QStringLiteral("NM_ATRIB_JA"));
}
