#pragma once

#include "DimensionRecord.h"
#include "HistoryEntry.h"
#include "RuleBreach.h"
#include "TNetConnection.h"
#include "TfrmPadraoGrid.h"

#include <QFrame>
#include <QHash>
#include <QLabel>
#include <QScrollArea>

class MembersTab;
class ProfileLine;

// The "Dimensão" screen (KZR01200): dimensions of the warehouse cube and their extra
// attributes, on two tabs. The stored definition is built in the constructor (formdata/);
// handlers live in the folders named after what they do (shell/, dimension/, extras/,
// commands/).
class TfrmDimensao : public TfrmPadraoGrid
{
    Q_OBJECT
public:
    TfrmDimensao();
    ~TfrmDimensao() override;

    // --- components of the stored definition ---------------------------------------------
    TTabSheet *tshExtras;
    QFrame *panDbgExtra;
    QScrollArea *scbDbgExtra;
    TDBGrid *dbgExtras;
    TDataSource *dtsExtras;
    TDataSource *dtsFields;

    TClientDataSet *cdsDados;
    TClientDataSet *cdsVDDados;
    TClientDataSet *cdsFields;
    TClientDataSet *cdsExtras;
    TClientDataSet *cdsVdExtras;

    TField *cdsDadosIDDIMENSAODW;
    TField *cdsDadosNRSEQUEDIME;
    TField *cdsDadosNMITEMDIME;
    TField *cdsDadosCDTABELADIME;
    TField *cdsDadosDSPKDIME;
    TField *cdsDadosDSITEMDIME;
    TField *cdsDadosDSPKDIME2;
    TField *cdsExtrasNRSEQUEDIME;
    TField *cdsExtrasCDATRIBEXTRDIME;
    TField *cdsExtrasDSATRIBEXTRDIME;
    TField *cdsFieldsCDFIELD;

    TNetConnection *netDimensao;
    TNetConnection *netValida;

    TMenuItem *mnuDimensao;
    TMenuItem *mnuExtras;
    TMenuItem *mnuDesfazerMarcacao;    // undoes the last bulk toggle
    QLabel *lblDimensaoExtras;         // which dimension the Extras tab shows
    ProfileLine *lblPerfilDimensao;    // under the grid: the current dimension's data in words
    MembersTab *tabMembros;            // the third tab: the current dimension's members (members/)

    TImage *imgCheck;
    TImage *imgUncheck;

    // --- shell ----------------------------------------------------------------------------
    void FormCreate(QObject *sender) override;
    void FormDestroy(QObject *sender) override;
    void FormClose(QObject *sender, TCloseAction &action) override;
    void netDimensaoBeforeConnect(TNetConnection *sender);
    void netValidaBeforeConnect(TNetConnection *sender);

    // --- commands and tabs ----------------------------------------------------------------
    void ControlaBotoes() override;
    void dtsPadraoStateChange(QObject *sender) override;
    void pgcPadraoChange(QObject *sender) override;
    void mnuDimensaoClick(QObject *sender);
    void mnuExtrasClick(QObject *sender);
    void sbtIncluirClick(QObject *sender) override;
    void sbtAlterarClick(QObject *sender) override;
    void sbtExcluirClick(QObject *sender) override;
    void sbtProcurarClick(QObject *sender) override;
    void sbtConfirmarClick(QObject *sender) override;
    void sbtCancelarClick(QObject *sender) override;
    QString RecordDescription(TClientDataSet *dataSet) const override;
    QString PendingChangeName(const TClientDataSet *dataSet, const QHash<QString, QString> &values,
                              bool deleted) const override;
    void ConfirmaTshPrincipal();
    void ConfirmaTshExtras();
    void CancelaTshPrincipal();
    void CancelaTshExtras();
    void reloadUnlessPending(const TClientDataSet *cancelled);

    // --- dimensions -----------------------------------------------------------------------
    void cdsDadosBeforePost(TClientDataSet *dataSet);
    void cdsDadosAfterPost(TClientDataSet *dataSet);
    void sbtVerificarClick(QObject *sender) override;
    void VD_DIMENSAO();
    void VD_TAB_FIELDS();
    Variant CheckOleContents(const Variant &reply);
    void HandleErrorMessage(const QString &text);

    // --- dimension grid and field lookup --------------------------------------------------
    void dbgPadraoDrawColumnCell(QObject *sender, const QRect &rect, int dataCol,
                                 TColumn *column, TGridDrawState state);
    void dbgPadraoCellClick(TColumn *column);
    void dbgPadraoTitleClick(TColumn *column);
    // Puts back the flags as they were before the last bulk toggle, saved at once.
    void mnuDesfazerMarcacaoClick(QObject *sender);
    void dbgPadraoKeyDown(QObject *sender, int &key, TShiftState shift) override;
    void dbgPadraoColEnter(QObject *sender);
    void dbgPadraoColExit(QObject *sender);
    void dbgPadraoEditButtonClick(QObject *sender);
    void PesquisaCampos(TField *field);
    // The fields the lookup for this field offers but does not let be chosen: those the
    // dimension, or another extra attribute, already uses.
    QStringList fieldsInUse(const TField *field) const;

    // --- extra attributes -----------------------------------------------------------------
    void cdsDadosAfterScroll(TClientDataSet *dataSet);
    void dtsExtrasStateChange(QObject *sender);
    void cdsExtrasBeforePost(TClientDataSet *dataSet);
    void cdsExtrasAfterPost(TClientDataSet *dataSet);
    void dbgExtrasEditButtonClick(QObject *sender);
    void dbgExtrasColExit(QObject *sender);
    void VD_EXTRA_FIELD();
    void Vd_Atrib_Extra();

    // --- history (history/) -----------------------------------------------------------------
    TMenuItem *mnuHistorico;
    TSpeedButton *sbtHistorico;
    void mnuHistoricoClick(QObject *sender); // the dialog, and a restore from it
    void buildHistoryCommand();
    void enableHistoryCommand();
    QList<HistoryEntry> HistoryOf(const QString &code); // newest first

private:
    // Stored definition, built once by the constructor (formdata/).
    void buildWindow();
    void buildRecordSets();
    void buildGrids();
    void buildConnections();
    void buildImages();
    void wireEvents();

    // Refusals: the focus moves to the field first, then the message ends the operation.
    [[noreturn]] void fail(const QString &key);
    // A rule of the rules library that the record breaks: the focus on its field (one of
    // records'), then its text, captions fetched before the template.
    [[noreturn]] void refuse(const RuleBreach &breach, TClientDataSet *records);
    DimensionRecord dimensionRecord() const; // the current record of cdsDados
    ExtraRecord extraRecord() const;         // the current record of cdsExtras
    void bringToNormalForm(TField *field);
    bool dimensionTabActive() const;
    // After a save the server refused: what it holds, on the same record where it still exists.
    void reloadDimensionsKeepingPlace();
    void reloadExtrasKeepingPlace();
    // The bulk toggle's copy (cdsVDDados) to the server, then into cdsDados.
    void sendFlagCopy();
    void explainBulkToggle();
    void explainInclude(bool dimensionWithoutTable);
    void showDimensionOfExtras();
    void followCurrentDimension();
    QString dimensionText() const;

    // Which value the next bulk toggle writes: false "N", true "S".
    bool m_marcaTodos = false;
    // The flags by dimension code as they were before the last bulk toggle (empty: no undo).
    QHash<QString, QString> m_flagsBeforeBulkToggle;
    bool m_extrasHeadingQueued = false;
};
