#include "TfrmDimensao.h"

#include "EventBoundary.h"

// What the screen tells about its commands beyond whether they are enabled.

QString TfrmDimensao::dimensionText() const
{
    if (!cdsDados->Active() || cdsDados->IsEmpty())
        return {};
    return QStringLiteral("%1 – %2").arg(cdsDadosNRSEQUEDIME->DisplayText(), cdsDadosNMITEMDIME->AsString());
}

QString TfrmDimensao::RecordDescription(TClientDataSet *dataSet) const
{
    if (dataSet == cdsDados)
        return QStringLiteral("Dimensão %1").arg(dimensionText());
    if (dataSet == cdsExtras) {
        return QStringLiteral("Atributo extra %1 (%2) da dimensão %3")
            .arg(cdsExtrasCDATRIBEXTRDIME->AsString(), cdsExtrasDSATRIBEXTRDIME->AsString(), dimensionText());
    }
    return {};
}

QString TfrmDimensao::PendingChangeName(const TClientDataSet *dataSet,
                                        const QHash<QString, QString> &values, bool deleted) const
{
    const QString code = values.value(QStringLiteral("NRSEQUEDIME"));
    const QString what =
        dataSet == cdsExtras
            ? QStringLiteral("atributo extra %1 (%2) da dimensão %3")
                  .arg(values.value(QStringLiteral("CDATRIBEXTRDIME")),
                       values.value(QStringLiteral("DSATRIBEXTRDIME")), code)
            : QStringLiteral("dimensão %1 – %2").arg(code, values.value(QStringLiteral("NMITEMDIME")));
    return (deleted ? QStringLiteral("Exclusão: ") : QStringLiteral("Alteração: ")) + what;
}

void TfrmDimensao::explainInclude(bool dimensionWithoutTable)
{
    if (dimensionWithoutTable) {
        sbtIncluir->setToolTip(QStringLiteral("Incluir: esta dimensão não tem \"Tabela Dimensão\"; informe a tabela "
                                              "na aba Dimensão para poder incluir atributos extras."));
    } else {
        sbtIncluir->SetHint(QStringLiteral("Incluir"), mnuIncluir->ShortCut());
    }
}

// The Extras tab names the dimension whose attributes it shows, and the profile line describes
// it; read once the list has settled (a delete whose save failed moves the list without a
// scroll event).
void TfrmDimensao::showDimensionOfExtras()
{
    if (m_extrasHeadingQueued)
        return;
    m_extrasHeadingQueued = true;
    EventBoundary::later(this, [this] {
        m_extrasHeadingQueued = false;
        followCurrentDimension();
        const QString dimension = dimensionText();
        lblDimensaoExtras->setText(dimension.isEmpty() ? QString()
                                                       : QStringLiteral("Dimensão: %1").arg(dimension));
    });
}
