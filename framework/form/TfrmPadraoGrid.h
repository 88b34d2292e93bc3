#pragma once

#include <QHash>

#include "Keys.h"
#include "TDBGrid.h"
#include "TImage.h"
#include "TMenuItem.h"
#include "TPageControl.h"
#include "TSpeedButton.h"
#include "TTabSheet.h"
#include "TMessages.h"
#include "TClientDataSet.h"
#include "TDataSource.h"

#include <QLabel>
#include <QMenu>
#include <QWidget>

enum class TCloseAction { caNone, caHide, caFree, caMinimize };
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };

// The base grid form. Derived forms build their stored definition in their constructor and
// override the handlers below; an override may call the base one (TfrmPadraoGrid::X).
// The base wires every component event to these virtual handlers, each through the event
// boundary.
//
// Closing: FormClose runs first; an exception there keeps the window open. The base FormClose
// asks about changes the server has not got, then sets caFree: the form then runs FormDestroy
// and is deleted (destroyed() is emitted).
class TfrmPadraoGrid : public QWidget
{
    Q_OBJECT
public:
    TfrmPadraoGrid();
    ~TfrmPadraoGrid() override;

    QString Caption() const { return windowTitle(); }
    void SetCaption(const QString &caption);
    void SetBounds(int left, int top, int width, int height);  // at 96 dpi
    TWindowState WindowState() const;
    void SetWindowState(TWindowState state);
    void Show();                       // shows and brings to the front (the MDI child too)
    bool Close();                      // a close request; false when refused

    // --- inherited components ---------------------------------------------------------------
    TPageControl *pgcPadrao;
    TTabSheet *tshPadrao;
    TDBGrid *dbgPadrao;
    TDataSource *dtsPadrao;
    TMessages *msgPadrao;              // the form's own catalogue (filled by the derived form)
    TMessages *msgGeral;               // the general catalogue: "Excl", "Canc"

    QMenu *mnuOperacao;                // the operation menu
    TMenuItem *mnuIncluir, *mnuAlterar, *mnuExcluir, *mnuProcurar, *mnuVerificar,
        *mnuConfirmar, *mnuCancelar, *mnuFechar, *mnuListagem, *mnuConfigImpressora;
    QWidget *panBotoes;                // the toolbar panel
    TSpeedButton *sbtIncluir, *sbtAlterar, *sbtExcluir, *sbtProcurar, *sbtVerificar,
        *sbtConfirmar, *sbtCancelar, *sbtFechar, *sbtImprimir;
    QWidget *panNavegador;
    QLabel *dbtNome;                   // shows a field of dtsPadrao's current record
    void SetNavigatorField(const QString &fieldName);
    QLabel *lblCodTela;                // the screen code
    QLabel *lblPendentes;              // "1 alteração não gravada": changes the server has not got

    // Inserts a menu item into mnuOperacao ahead of the inherited items (nullptr: separator).
    void InsertOperationItem(int position, TMenuItem *item);

    // --- handlers (defaults act on the record set of dtsPadrao) ---------------------------
    virtual void FormCreate(QObject *sender);
    virtual void FormDestroy(QObject *sender);
    virtual void FormClose(QObject *sender, TCloseAction &action);
    virtual void dbgPadraoKeyDown(QObject *sender, int &key, TShiftState shift);
    virtual void dtsPadraoStateChange(QObject *sender); // runs ControlaBotoes
    virtual void sbtIncluirClick(QObject *sender);    // Insert
    virtual void sbtAlterarClick(QObject *sender);    // Edit
    virtual void sbtExcluirClick(QObject *sender);    // asks "Excl", then Delete
    virtual void sbtProcurarClick(QObject *sender);   // Procura
    virtual void sbtVerificarClick(QObject *sender);  // nothing in the base
    virtual void sbtConfirmarClick(QObject *sender);  // Post
    virtual void sbtCancelarClick(QObject *sender);   // asks "Canc", then Cancel
    virtual void pgcPadraoChange(QObject *sender);    // nothing in the base
    // Sets which commands are enabled; the base applies the commands' rule to the record set of
    // dtsPadrao. A form whose commands act on another record set, or that allows less, overrides
    // it and applies the same rule through EnableCommands.
    virtual void ControlaBotoes();

    // Commits an open cell editor of any grid of the form (before every command).
    void commitEditors();

    // Changes that are in the change logs of the form's record sets but not on the server (a
    // save that did not reach it): shown in lblPendentes and asked about before closing.
    int PendingChangeCount() const;
    // Sends them again; the default runs the after-post handler (the save) of every record set
    // of the form's data sources that holds some.
    virtual void SendPendingChanges();
    // Before a command that replaces the lists given (empty: all of them; a reload, the history,
    // a restore) while their changes wait: the user sends them first (true once none waits),
    // drops them (true), or goes back (false). True at once when none waits.
    bool MayReplacePendingChanges(const QList<TClientDataSet *> &replaced = {});
    // How the question before closing or replacing names one waiting change: the record's
    // field values by field name; deleted tells a waiting delete. The default joins the values.
    virtual QString PendingChangeName(const TClientDataSet *dataSet,
                                      const QHash<QString, QString> &values, bool deleted) const;

    // The window the form lives in: its MDI sub-window, or the form itself when it has none.
    QWidget *frame() const;

    // What a delete confirmation says about the record it deletes (below the question); the
    // default says nothing.
    virtual QString RecordDescription(TClientDataSet *dataSet) const;
    // The grid of the sheet being shown (nullptr when it has none).
    TDBGrid *ActiveGrid() const;

signals:
    // The form is being destroyed (FormDestroy is about to run); it is deleted a little later,
    // once the close in progress has unwound.
    void destroying();
    // The Refresh command went through: the form shows what the server holds.
    void refreshed();

protected:
    void closeEvent(QCloseEvent *event) override;
    // The commands' rule for the record set they act on (nullptr: none): Confirm and Cancel while
    // it is editing; at rest, Include (when the form allows it), the record commands when it holds
    // records, and the close guard (mnuFechar). The menu items first, then each toolbar button
    // copies its item.
    void EnableCommands(TClientDataSet *current, bool mayInclude = true);

private:
    friend class TApplication;
    // FormCreate and what the base sets up after it; a failure destroys the half-made form,
    // with the window the host wrapped it in, and passes on.
    void runCreate();
    void setUpCommandKeys();
    bool takeCommandKey(int key, TShiftState shift);
    void rememberColumnLayouts();
    void focusActiveGrid();
    void runDestroy();                 // FormDestroy, once
    void detachHandlers();             // no handler of the form runs any more
    QList<TClientDataSet *> editedDataSets() const;
    void watchPendingChanges();
    void updatePendingChanges();
    // Before closing with changes the server has not got: send again, discard, or stay.
    bool mayCloseWithPendingChanges();
    // The question both ask: how many changes wait and which; the answer (mrYes sends them).
    int askAboutPendingChanges(const QList<TClientDataSet *> &dataSets, const QString &choices);
    QStringList pendingChangeNames(const QList<TClientDataSet *> &dataSets) const;
    static int pendingIn(const QList<TClientDataSet *> &dataSets);
    void bindNavigator();
    void applyBounds();
    void updateNavigator();
    bool m_destroyRun = false;
    bool m_navigatorPending = false;
    bool m_pendingCountQueued = false;
    QList<QMetaObject::Connection> m_pendingConnections;
    QRect m_bounds;                    // bounds still to give the frame
    QString m_navigatorField;
    QList<QMetaObject::Connection> m_navigatorConnections;
};
