#include "TfrmDimensao.h"

#include "BusyIndicator.h"
#include "RemoteMethods.h"
#include "SaveOrTakeBack.h"
#include "Services.h"

namespace {

const QString flagField = QStringLiteral("IDDIMENSAODW");
const QString editBeforeBulkToggle =
    QStringLiteral("Confirme ou cancele a dimensão em edição antes de marcar ou desmarcar todas.");

bool isFlag(const TField *field)
{
    return field && field->FieldName() == flagField;
}

} // namespace

// Every data cell is painted here; the flag column shows an image instead of its letter.
void TfrmDimensao::dbgPadraoDrawColumnCell(QObject *, const QRect &rect, int, TColumn *column,
                                           TGridDrawState state)
{
    TCanvas *canvas = dbgPadrao->Canvas();
    canvas->SetBrushColor(clInfoBk);
    canvas->FillRect(rect);
    if (state & gdSelected) {
        canvas->SetBrushColor(clHighlight);
        canvas->FillRect(rect);
        canvas->SetFontColor(clCaptionText);
    }
    TField *field = column ? column->Field() : nullptr;
    if (!field)
        return;
    canvas->TextOut(rect.left() + 2, rect.top() + 2, field->DisplayText());
    if (state & gdFocused)
        canvas->DrawFocusRect(rect);
    if (!isFlag(field))
        return;

    // A null flag, or any value but "S", "N" and the empty text, shows no image.
    TBitmap bitmap;
    if (!field->IsNull()) {
        const QString flag = field->AsString();
        if (flag == QLatin1String("S"))
            bitmap.Assign(imgCheck->Bitmap());
        else if (flag == QLatin1String("N") || flag.isEmpty())
            bitmap.Assign(imgUncheck->Bitmap());
    }
    // Covers the letter and the focus frame drawn above.
    canvas->FillRect(rect);
    if (!bitmap.Empty()) {
        const QRect source(0, 0, bitmap.Width(), rect.height());
        const QRect dest(rect.left() + 1, rect.top(), bitmap.Width(), rect.height());
        canvas->BrushCopy(dest, bitmap, source, clOlive);
    }
}

// Switches the flag of one dimension and posts it, so it is saved at once; a row being
// inserted only takes the value.
void TfrmDimensao::dbgPadraoCellClick(TColumn *)
{
    if (!isFlag(dbgPadrao->SelectedField()) || !MayWrite()) return;
    const QString flag = cdsDadosIDDIMENSAODW->AsString();
    QString toggled;
    if (flag == QLatin1String("N"))
        toggled = QStringLiteral("S");
    else if (flag == QLatin1String("S"))
        toggled = QStringLiteral("N");
    else
        return;
    const bool inserting = cdsDados->State() == TDataSetState::dsInsert;
    if (!inserting)
        cdsDados->Edit();
    cdsDadosIDDIMENSAODW->SetAsString(toggled);
    if (!inserting)
        cdsDados->Post();
}

// Sets the flag of every dimension to one value, alternately "N" and "S", and sends them all
// in one call. The rows are changed in the scratch copy so that none of the main record set's
// events run once per row.
void TfrmDimensao::dbgPadraoTitleClick(TColumn *column)
{
    HourGlassCursor cursor;
    if (!column || column->FieldName != flagField || !MayWrite()) return;
    // The copy sent carries the whole list: changes waiting in it go or are dropped first.
    if (!MayReplacePendingChanges({cdsDados})) return;

    cdsVDDados->SetData(cdsDados->Data());
    TField *copyFlag = cdsVDDados->FieldByName(flagField);
    const QString value = m_marcaTodos ? QStringLiteral("S") : QStringLiteral("N");
    QHash<QString, QString> before; // for the undo
    cdsVDDados->First();
    while (!cdsVDDados->Eof()) {
        // With the main record set being edited the copy is not put into edit state and the
        // command ends there: nothing is sent. The user is told what to do about it, not that
        // the copy refused the write.
        if (dtsPadrao->DataSet()->State() != TDataSetState::dsBrowse)
            MensErro(editBeforeBulkToggle, true);
        before.insert(cdsVDDados->FieldByName(QStringLiteral("NRSEQUEDIME"))->AsString(), copyFlag->AsString());
        cdsVDDados->Edit();
        copyFlag->SetAsString(value);
        cdsVDDados->Next(); // posts the edited row
    }
    cdsVDDados->First();

    sendFlagCopy();
    m_marcaTodos = !m_marcaTodos;
    m_flagsBeforeBulkToggle = before;
    explainBulkToggle();
}

void TfrmDimensao::mnuDesfazerMarcacaoClick(QObject *)
{
    if (m_flagsBeforeBulkToggle.isEmpty())
        return;
    HourGlassCursor cursor;
    if (dtsPadrao->DataSet()->State() != TDataSetState::dsBrowse)
        MensErro(editBeforeBulkToggle, true);
    if (!MayReplacePendingChanges({cdsDados})) return;
    cdsVDDados->SetData(cdsDados->Data());
    TField *copyFlag = cdsVDDados->FieldByName(flagField);
    TField *copyCode = cdsVDDados->FieldByName(QStringLiteral("NRSEQUEDIME"));
    cdsVDDados->First();
    while (!cdsVDDados->Eof()) {
        // A dimension added since keeps its flag; one whose flag is as it was is not sent.
        const auto before = m_flagsBeforeBulkToggle.constFind(copyCode->AsString());
        if (before != m_flagsBeforeBulkToggle.constEnd() && copyFlag->AsString() != *before) {
            cdsVDDados->Edit();
            copyFlag->SetAsString(*before);
        }
        cdsVDDados->Next();
    }
    cdsVDDados->First();

    sendFlagCopy();
    // The next click does again what the one undone did.
    m_marcaTodos = !m_marcaTodos;
    m_flagsBeforeBulkToggle.clear();
    explainBulkToggle();
}

void TfrmDimensao::sendFlagCopy()
{
    SaveOrTakeBack(
        [this] {
            {
                BusyIndicatorShown busy(busySending, msgPadrao->Msg(QStringLiteral("SetAtualiza")));
                const Variant reply = remote::SetDimensao(netDimensao, cdsVDDados->Delta());
                CheckResultServ(reply);
                AtualizaLocalCache(VarArrayOf({QStringLiteral("DIMENSAODIME")}));
            }
            if (cdsVDDados->LogChanges())
                cdsVDDados->MergeChangeLog();
            cdsDados->SetData(cdsVDDados->Data());
        },
        // The list may hold changes the refused call carried along (unsent ones).
        [this] { reloadDimensionsKeepingPlace(); });
}

// The title of the flag column says what a click on it will do, and the undo what it undoes.
void TfrmDimensao::explainBulkToggle()
{
    const QString hint =
        !MayWrite()    ? ReadOnlyHint()
        : m_marcaTodos ? QStringLiteral("Clique para marcar todas as dimensões (Ctrl+Espaço)")
                       : QStringLiteral("Clique para desmarcar todas as dimensões (Ctrl+Espaço)");
    for (int i = 0; i < dbgPadrao->ColumnCount(); ++i) {
        if (dbgPadrao->Columns(i)->FieldName == flagField)
            dbgPadrao->Columns(i)->Title.Hint = hint;
    }
    mnuDesfazerMarcacao->SetEnabled(!m_flagsBeforeBulkToggle.isEmpty());
}

void TfrmDimensao::dbgPadraoKeyDown(QObject *sender, int &key, TShiftState shift)
{
    TfrmPadraoGrid::dbgPadraoKeyDown(sender, key, shift);
    if (key != VK_SPACE)
        return;
    if (shift & ssCtrl)
        dbgPadraoTitleClick(dbgPadrao->Columns(0));
    if (shift & ssShift)
        dbgPadraoCellClick(nullptr);
}

// No typing into the flag column, nor anywhere for a user who may only read; every other column
// edits in place.
void TfrmDimensao::dbgPadraoColEnter(QObject *)
{
    const TDBGridOptions options = dbgPadrao->Options();
    if (isFlag(dbgPadrao->SelectedField()) || !MayWrite())
        dbgPadrao->SetOptions(options & ~dgEditing);
    else
        dbgPadrao->SetOptions(options | dgEditing);
}

// Leaving a column while editing checks what was just typed; a refusal keeps the grid in the
// column.
void TfrmDimensao::dbgPadraoColExit(QObject *)
{
    const TClientDataSet *shown = dtsPadrao->DataSet(); // as the data source reports it
    if (!shown || !shown->isEditing())
        return;
    TField *field = dbgPadrao->SelectedField();
    if (!field)
        return;
    if (field == cdsDadosNRSEQUEDIME || field == cdsDadosNMITEMDIME) {
        if (!EmptyString(cdsDadosNRSEQUEDIME->AsString()) || !EmptyString(cdsDadosNMITEMDIME->AsString()))
            VD_DIMENSAO();
    } else if (field == cdsDadosCDTABELADIME || field == cdsDadosDSPKDIME
               || field == cdsDadosDSPKDIME2 || field == cdsDadosDSITEMDIME) {
        if (!EmptyString(field->AsString()))
            VD_TAB_FIELDS();
    }
}
