#include "TfrmDimensao.h"

#include "BusyIndicator.h"
#include "RemoteMethods.h"
#include "Services.h"

// Upper case (a to z only) without blanks, written back into the field.
void TfrmDimensao::bringToNormalForm(TField *field)
{
    field->SetAsString(Replace(QStringLiteral(" "), UpperCase(field->AsString()), QString(), 0));
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
                fail(QStringLiteral("ALT_TDIME_C_ATR"));
        }
        bringToNormalForm(cdsDadosCDTABELADIME);
    }

    if (!EmptyString(cdsDadosDSPKDIME->AsString()) && cdsDadosDSPKDIME->Changed())
        bringToNormalForm(cdsDadosDSPKDIME);

    if (!EmptyString(cdsDadosDSITEMDIME->AsString())) {
        if (cdsDadosDSITEMDIME->Changed())
            bringToNormalForm(cdsDadosDSITEMDIME);
        if (cdsDadosDSITEMDIME->AsString() == cdsDadosDSPKDIME->AsString())
            failAbout(cdsDadosDSITEMDIME, QStringLiteral("CAMPO_IGUAL"), {QStringLiteral("DSITEMDIME"), QStringLiteral("DSPKDIME")});
    }

    if (!EmptyString(cdsDadosDSPKDIME2->AsString())) {
        if (cdsDadosDSPKDIME2->Changed())
            bringToNormalForm(cdsDadosDSPKDIME2);
        if (cdsDadosDSPKDIME2->AsString() == cdsDadosDSPKDIME->AsString())
            failAbout(cdsDadosDSPKDIME2, QStringLiteral("CAMPO_IGUAL"), {QStringLiteral("DSPKDIME2"), QStringLiteral("DSPKDIME")});
        if (cdsDadosDSPKDIME2->AsString() == cdsDadosDSITEMDIME->AsString())
            failAbout(cdsDadosDSPKDIME2, QStringLiteral("CAMPO_IGUAL"), {QStringLiteral("DSPKDIME2"), QStringLiteral("DSITEMDIME")});
    }

    // Built fresh for every call: whatever the server writes into it stays here. A
    // self-relationship of blanks only is not empty, so it is sent.
    QList<Variant> names = {cdsDadosDSPKDIME->AsString(), cdsDadosDSITEMDIME->AsString()};
    if (!cdsDadosDSPKDIME2->AsString().isEmpty())
        names << cdsDadosDSPKDIME2->AsString();
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
    const QString invTabela = QStringLiteral("INV_TABELA");
    const QString invCampo = QStringLiteral("INV_CAMPO");
    const QString noDime = QStringLiteral("NO_DIME");

    if (text.left(invTabela.size()) == invTabela) {
        MensErro(Format(msgPadrao->Msg(invTabela), {text.mid(invTabela.size())}), true);
    } else if (text.left(invCampo.size()) == invCampo) {
        // field "." table; the field is what stands before the first point.
        const QString rest = text.mid(invCampo.size());
        const qsizetype point = rest.indexOf(QLatin1Char('.'));
        const QString field = point < 0 ? QString() : rest.left(point);
        const QString table = point < 0 ? rest : rest.mid(point + 1);
        MensErro(Format(msgPadrao->Msg(invCampo), {field, table}), true);
    } else if (text.left(noDime.size()) == noDime) {
        MensErro(Format(msgPadrao->Msg(noDime), {text.mid(noDime.size())}), true);
    }
}
