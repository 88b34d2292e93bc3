#include "TfrmDimensao.h"

#include "BusyIndicator.h"
#include "DimensionRules.h"
#include "NameForm.h"
#include "StructureError.h"
#include "RemoteMethods.h"
#include "Services.h"

// Upper case (a to z only) without blanks, written back into the field.
void TfrmDimensao::bringToNormalForm(TField *field)
{
    field->SetAsString(normalName(field->AsString()));
}

// Checks the table and its named fields against the server's database structure.
void TfrmDimensao::VD_TAB_FIELDS()
{
    BusyIndicatorHiddenOnFailure guard;

    if (EmptyString(cdsDadosCDTABELADIME->AsString()))
        return;

    if (cdsDadosCDTABELADIME->Changed()) {
        // A stored dimension with extra attributes keeps its table: the attributes are fields of it.
        if (dtsPadrao->State() == TDataSetState::dsEdit) {
            {
                BusyIndicatorShown busy(busyReceiving, msgPadrao->Msg(QStringLiteral("EstValida")));
                const Variant reply = remote::GetExtras(netDimensao, cdsDadosNRSEQUEDIME->AsString());
                cdsExtras->SetData(CheckResultServ(reply));
            }
            if (!cdsExtras->IsEmpty())
                refuse(DimensionRules::tableKeptWithExtras(), cdsDados);
        }
        bringToNormalForm(cdsDadosCDTABELADIME);
    }

    if (!EmptyString(cdsDadosDSPKDIME->AsString()) && cdsDadosDSPKDIME->Changed())
        bringToNormalForm(cdsDadosDSPKDIME);

    // Each name is brought to normal form just before it is compared with the ones before it.
    if (!EmptyString(cdsDadosDSITEMDIME->AsString()) && cdsDadosDSITEMDIME->Changed())
        bringToNormalForm(cdsDadosDSITEMDIME);
    if (const std::optional<RuleBreach> broken = DimensionRules::attributeApart(dimensionRecord()))
        refuse(*broken, cdsDados);
    if (!EmptyString(cdsDadosDSPKDIME2->AsString()) && cdsDadosDSPKDIME2->Changed())
        bringToNormalForm(cdsDadosDSPKDIME2);
    if (const std::optional<RuleBreach> broken = DimensionRules::parentApart(dimensionRecord()))
        refuse(*broken, cdsDados);

    // Built fresh for every call: whatever the server writes into it stays here.
    QList<Variant> names;
    for (const QString &name : DimensionRules::structureFields(dimensionRecord()))
        names << name;
    Variant fieldNames = VarArrayOf(names);

    BusyIndicatorShown busy(busyReceiving, msgPadrao->Msg(QStringLiteral("EstValida")));
    const Variant reply = remote::vdDimensao(netDimensao, cdsDadosCDTABELADIME->AsString(), fieldNames);
    CheckOleContents(reply);
}

// Gives the reply back, or the empty value after a structure error that let the record pass.
Variant TfrmDimensao::CheckOleContents(const Variant &reply)
{
    CheckResultServ(reply);
    if (VarIsEmpty(reply) || VarIsNull(reply))
        return reply;
    if (VarIsArray(reply)) {
        const Variant first = reply.element(0);
        // A data packet is a byte array: its element 0 is a byte, not text, and it passes.
        if (VarType(first) == Variant::varOleStr) {
            HandleErrorMessage(VarToStr(first));
            return Variant();
        }
    }
    return reply;
}

// A structure-error text is a message key followed at once by its argument text; a text
// with no known key is accepted.
void TfrmDimensao::HandleErrorMessage(const QString &text)
{
    if (const std::optional<RuleBreach> broken = structure_error::breach(text))
        refuse(*broken, cdsDados);
}
