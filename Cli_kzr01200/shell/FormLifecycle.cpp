#include "TfrmDimensao.h"

#include "BusyIndicator.h"
#include "RemoteMethods.h"
#include "Services.h"

void TfrmDimensao::FormCreate(QObject *sender)
{
    TfrmPadraoGrid::FormCreate(sender);
    netDimensao->SetConnected(true);
    netValida->SetConnected(true);
    m_marcaTodos = false;
    pgcPadraoChange(pgcPadrao);

    {
        BusyIndicatorShown busy(busyReceiving, msgPadrao->Msg(QStringLiteral("GetAtualiza")));
        const Variant reply = remote::getDimensao(netDimensao, QString(), QString());
        cdsDados->SetData(CheckResultServ(reply));
    }

    // Selecting the page this way runs no tab change.
    pgcPadrao->SetActivePage(tshPadrao);
    dtsPadraoStateChange(dtsPadrao);
}

void TfrmDimensao::FormDestroy(QObject *sender)
{
    TfrmPadraoGrid::FormDestroy(sender);
    netDimensao->SetConnected(false);
    netValida->SetConnected(false);
}

void TfrmDimensao::FormClose(QObject *sender, TCloseAction &action)
{
    // The close guard is disabled exactly while the current tab's record is being edited.
    if (!sbtFechar->Enabled())
        MensErro(msgPadrao->Msg(QStringLiteral("confirmar")), true);
    TfrmPadraoGrid::FormClose(sender, action);
}

// The server's address is read at every connect, so a changed address takes effect on the
// next connection.
void TfrmDimensao::netDimensaoBeforeConnect(TNetConnection *sender)
{
    netDimensao->SetHost(WebURL());
    netDimensao->SetPort(WebPort());
}

void TfrmDimensao::netValidaBeforeConnect(TNetConnection *sender)
{
    netValida->SetHost(WebURL());
    netValida->SetPort(WebPort());
}

void TfrmDimensao::fail(const QString &key)
{
    MensErro(msgPadrao->Msg(key), true);
    throw EAbort(); // MensErro with abort never returns; this keeps the compiler informed
}

void TfrmDimensao::refuse(const RuleBreach &breach, TClientDataSet *records)
{
    if (!breach.field.isEmpty())
        records->FieldByName(breach.field)->FocusControl();
    QStringList arguments;
    for (const QString &caption : breach.captionKeys)
        arguments << msgPadrao->Msg(caption);
    const QString templ = msgPadrao->Msg(breach.key);
    arguments += breach.values;
    MensErro(arguments.isEmpty() ? templ : Format(templ, arguments), true);
    throw EAbort();
}

DimensionRecord TfrmDimensao::dimensionRecord() const
{
    return {cdsDadosIDDIMENSAODW->AsString(), cdsDadosNRSEQUEDIME->AsString(), cdsDadosNMITEMDIME->AsString(),
            cdsDadosCDTABELADIME->AsString(), cdsDadosDSPKDIME->AsString(),    cdsDadosDSITEMDIME->AsString(),
            cdsDadosDSPKDIME2->AsString()};
}

ExtraRecord TfrmDimensao::extraRecord() const
{
    return {cdsExtrasNRSEQUEDIME->AsString(), cdsExtrasCDATRIBEXTRDIME->AsString(),
            cdsExtrasDSATRIBEXTRDIME->AsString()};
}

// The Members tab shows the current dimension, so its commands act on the dimension list.
bool TfrmDimensao::dimensionTabActive() const
{
    return pgcPadrao->ActivePage() != tshExtras;
}
