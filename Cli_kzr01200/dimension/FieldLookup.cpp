#include "TfrmDimensao.h"

#include "BusyIndicator.h"
#include "DialogContext.h"
#include "RemoteMethods.h"
#include "Services.h"

void TfrmDimensao::dbgPadraoEditButtonClick(QObject *)
{
    BusyIndicatorHiddenOnFailure guard;
    if (EmptyString(cdsDadosCDTABELADIME->AsString()))
        fail(QStringLiteral("NO_TAB_PESQ"));
    TField *field = dbgPadrao->SelectedField();
    if (field == cdsDadosDSPKDIME)
        PesquisaCampos(cdsDadosDSPKDIME);
    if (field == cdsDadosDSPKDIME2)
        PesquisaCampos(cdsDadosDSPKDIME2);
    if (field == cdsDadosDSITEMDIME)
        PesquisaCampos(cdsDadosDSITEMDIME);
}

// Lists the fields of the current dimension's table and writes the one chosen into the field.
// The record is not posted here.
void TfrmDimensao::PesquisaCampos(TField *field)
{
    const QString table = cdsDadosCDTABELADIME->AsString();
    const Variant reply = remote::getFields(netValida, QStringLiteral("D"), table);
    cdsFields->SetData(CheckResultServ(reply));
    DialogContext choices({{}, fieldsInUse(field), field->AsString()});
    if (!Pesquisar(dtsFields, msgPadrao->Msg(QStringLiteral("FIELDS"))))
        return;
    const QString chosen = cdsFieldsCDFIELD->AsString();
    if (field->AsString() == chosen)
        return;
    if (field->DataSet()->State() == TDataSetState::dsBrowse)
        field->DataSet()->Edit();
    field->SetAsString(chosen);
}

QStringList TfrmDimensao::fieldsInUse(const TField *field) const
{
    QStringList used;
    for (const TField *own : {cdsDadosDSPKDIME, cdsDadosDSITEMDIME, cdsDadosDSPKDIME2}) {
        if (own != field)
            used << own->AsString().trimmed();
    }
    if (field == cdsExtrasCDATRIBEXTRDIME) {
        const int attribute = cdsExtrasCDATRIBEXTRDIME->Index();
        for (int row = 0; row < cdsExtras->RecordCount(); ++row) {
            if (row != cdsExtras->RecNo() - 1)
                used << cdsExtras->DisplayTextAt(row, attribute).trimmed();
        }
    }
    used.removeAll(QString());
    return used;
}

