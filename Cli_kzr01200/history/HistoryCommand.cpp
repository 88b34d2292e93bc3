#include "BusyIndicator.h"
#include "HistoryListing.h"
#include "RemoteMethods.h"
#include "Services.h"
#include "TfrmDimensao.h"
#include "VersionRestore.h"

#include <QBoxLayout>
#include <QStyle>

void TfrmDimensao::buildHistoryCommand()
{
    const QKeySequence key(Qt::CTRL | Qt::Key_H);
    mnuHistorico =
        new TMenuItem(this, QStringLiteral("mnuHistorico"), QStringLiteral("&Histórico"));
    mnuHistorico->SetShortCut(key, this);
    mnuHistorico->OnClick = [this](QObject *sender) { mnuHistoricoClick(sender); };
    InsertOperationItem(9, mnuHistorico); // after the undo of the bulk toggle

    sbtHistorico =
        new TSpeedButton(panBotoes, QStringLiteral("sbtHistorico"), QStringLiteral("Histórico"));
    sbtHistorico->setIcon(style()->standardIcon(QStyle::SP_FileDialogInfoView));
    sbtHistorico->setToolButtonStyle(Qt::ToolButtonIconOnly);
    sbtHistorico->SetHint(QStringLiteral("Histórico"), key);
    sbtHistorico->OnClick = [this](QObject *) { mnuHistorico->Click(); };
    auto *toolbar = qobject_cast<QBoxLayout *>(panBotoes->layout());
    toolbar->insertWidget(toolbar->indexOf(sbtImprimir) + 1, sbtHistorico);
    mnuHistorico->SetEnabled(false); // until the commands are first set
    sbtHistorico->SetEnabled(false);
}

// A history belongs to a stored dimension, and a restore must not meet an edit in progress.
void TfrmDimensao::enableHistoryCommand()
{
    const bool atRest = !cdsDados->isEditing() && !cdsExtras->isEditing();
    mnuHistorico->SetEnabled(atRest && cdsDados->Active() && !cdsDados->IsEmpty());
    sbtHistorico->SetEnabled(mnuHistorico->Enabled());
}

QList<HistoryEntry> TfrmDimensao::HistoryOf(const QString &code)
{
    BusyIndicatorShown busy(busyReceiving, msgPadrao->Msg(QStringLiteral("GetAtualiza")));
    return HistoryEntry::listOf(CheckResultServ(remote::getHistorico(netDimensao, code)));
}

void TfrmDimensao::mnuHistoricoClick(QObject *)
{
    if (!mnuHistorico->Enabled()) return; // the key reaches here whatever the state
    // A restore replaces both lists and sends only what the dialog chose: whatever waits is
    // sent or dropped first, as the user says.
    if (!MayReplacePendingChanges()) return;
    const QString code = cdsDadosNRSEQUEDIME->AsString();
    const QList<HistoryEntry> history = HistoryOf(code);
    const std::optional<int> chosen = Interaction::current().chooseRow(
        HistoryListing(*this).build(code, history, MayWrite()));
    if (chosen && MayWrite())
        VersionRestore(*this).apply(code, DimensionVersion::after(history, *chosen));
}
