#include "TfrmPadraoGrid.h"

#include "ColumnLayoutSettings.h"
#include "DialogContext.h"
#include "EventBoundary.h"
#include "Interaction.h"
#include "Services.h"
#include "TNetConnection.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHash>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QStyle>
#include <QVBoxLayout>
#include <functional>

namespace {

// The Include picture: the style's blank page with a green plus on it.
QPixmap includeImage(QStyle *style)
{
    QPixmap page = style->standardIcon(QStyle::SP_FileIcon).pixmap(16, 16);
    QPainter painter(&page);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 140, 0));
    painter.drawRect(QRectF(8.5, 5, 3, 10));
    painter.drawRect(QRectF(5, 8.5, 10, 3));
    return page;
}

// The toolbar's icons, made once per style: opening a screen again neither decodes the style's
// images nor greys them anew. GUI thread only, as every widget.
constexpr int IncludePicture = -1; // the Include picture, beside the style's StandardPixmaps

QIcon toolbarIcon(QStyle *style, int picture)
{
    static QHash<QPair<QString, int>, QIcon> made;
    const QPair<QString, int> key(style->name(), picture);
    if (const auto it = made.constFind(key); it != made.constEnd())
        return *it;
    const QPixmap image = picture == IncludePicture
                              ? includeImage(style)
                              : style->standardIcon(QStyle::StandardPixmap(picture)).pixmap(16, 16);
    return *made.insert(key, TSpeedButton::iconOf(image));
}

} // namespace

TfrmPadraoGrid::TfrmPadraoGrid()
{
    setObjectName(QStringLiteral("frmPadraoGrid"));
    setWindowTitle(QStringLiteral("Cadastro"));

    // --- catalogues ----------------------------------------------------------------------------
    msgPadrao = new TMessages(this, QStringLiteral("msgPadrao"));
    msgGeral = new TMessages(this, QStringLiteral("msgGeral"));
    msgGeral->SetLines({QStringLiteral("Excl|Confirma exclusão?"),
                        QStringLiteral("Canc|Confirma o cancelamento das alterações?")});

    // --- operation menu ------------------------------------------------------------------------
    mnuOperacao = new QMenu(QStringLiteral("&Operação"), this);
    mnuOperacao->setObjectName(QStringLiteral("mnuOperacao"));
    auto item = [this](const char *name, const char *caption) {
        auto *menuItem = new TMenuItem(this, QString::fromLatin1(name), QString::fromUtf8(caption));
        mnuOperacao->addAction(menuItem->action());
        return menuItem;
    };
    mnuIncluir = item("mnuIncluir", "&Incluir");
    mnuAlterar = item("mnuAlterar", "&Alterar");
    mnuExcluir = item("mnuExcluir", "&Excluir");
    mnuProcurar = item("mnuProcurar", "&Procurar");
    mnuVerificar = item("mnuVerificar", "Atuali&zar");
    mnuOperacao->addSeparator();
    mnuConfirmar = item("mnuConfirmar", "&Confirmar");
    mnuCancelar = item("mnuCancelar", "Ca&ncelar");
    mnuOperacao->addSeparator();
    mnuListagem = item("mnuListagem", "&Listagem");
    mnuConfigImpressora = item("mnuConfigImpressora", "Configurar i&mpressora");
    mnuOperacao->addSeparator();
    mnuFechar = item("mnuFechar", "&Fechar");

    // --- toolbar -------------------------------------------------------------------------------
    panBotoes = new QWidget(this);
    panBotoes->setObjectName(QStringLiteral("panBotoes"));
    auto *toolbar = new QHBoxLayout(panBotoes);
    toolbar->setContentsMargins(2, 2, 2, 2);
    toolbar->setSpacing(1);
    auto button = [this, toolbar](const char *name, const char *hint, int picture) {
        auto *speedButton = new TSpeedButton(panBotoes, QString::fromLatin1(name), QString::fromUtf8(hint));
        speedButton->setIcon(toolbarIcon(style(), picture));
        speedButton->setToolButtonStyle(Qt::ToolButtonIconOnly);
        toolbar->addWidget(speedButton);
        return speedButton;
    };
    sbtIncluir = button("sbtIncluir", "Incluir", IncludePicture);
    sbtAlterar = button("sbtAlterar", "Alterar", QStyle::SP_FileDialogDetailedView);
    sbtExcluir = button("sbtExcluir", "Excluir", QStyle::SP_TrashIcon);
    sbtProcurar = button("sbtProcurar", "Procurar", QStyle::SP_FileDialogContentsView);
    sbtVerificar = button("sbtVerificar", "Atualizar", QStyle::SP_BrowserReload);
    toolbar->addSpacing(8);
    sbtConfirmar = button("sbtConfirmar", "Confirmar", QStyle::SP_DialogApplyButton);
    sbtCancelar = button("sbtCancelar", "Cancelar", QStyle::SP_DialogCancelButton);
    toolbar->addSpacing(8);
    sbtImprimir = button("sbtImprimir", "Imprimir", QStyle::SP_FileDialogListView);
    toolbar->addStretch(1);
    sbtFechar = button("sbtFechar", "Fechar", QStyle::SP_DialogCloseButton);

    // The keys of the commands, the same in the menu, on the toolbar's tooltips and in the grids.
    const std::tuple<TMenuItem *, TSpeedButton *, QKeySequence> keys[] = {
        {mnuIncluir, sbtIncluir, QKeySequence(Qt::Key_Insert)},
        {mnuAlterar, sbtAlterar, QKeySequence(Qt::Key_F2)},
        {mnuExcluir, sbtExcluir, QKeySequence(Qt::CTRL | Qt::Key_Delete)},
        {mnuProcurar, sbtProcurar, QKeySequence(Qt::CTRL | Qt::Key_F)},
        {mnuVerificar, sbtVerificar, QKeySequence(Qt::Key_F5)},
        {mnuConfirmar, sbtConfirmar, QKeySequence(Qt::CTRL | Qt::Key_Return)},
        {mnuCancelar, sbtCancelar, QKeySequence(Qt::Key_Escape)}};
    for (const auto &[menuItem, speedButton, key] : keys) {
        menuItem->SetShortCut(key, this);
        speedButton->SetHint(speedButton->text(), key);
    }

    // --- page control, grid, data source -------------------------------------------------------
    pgcPadrao = new TPageControl(this, QStringLiteral("pgcPadrao"));
    tshPadrao = new TTabSheet(pgcPadrao, QStringLiteral("tshPadrao"), QStringLiteral("Padrão"));
    dtsPadrao = new TDataSource(this, QStringLiteral("dtsPadrao"));
    dbgPadrao = new TDBGrid(tshPadrao, QStringLiteral("dbgPadrao"));
    dbgPadrao->SetDataSource(dtsPadrao);
    auto *sheetLayout = new QVBoxLayout(tshPadrao);
    sheetLayout->setContentsMargins(0, 0, 0, 0);
    sheetLayout->addWidget(dbgPadrao);

    // --- navigator -----------------------------------------------------------------------------
    panNavegador = new QWidget(this);
    panNavegador->setObjectName(QStringLiteral("panNavegador"));
    dbtNome = new QLabel(panNavegador);
    dbtNome->setObjectName(QStringLiteral("dbtNome"));
    lblCodTela = new QLabel(panNavegador);
    lblCodTela->setObjectName(QStringLiteral("lblCodTela"));
    lblPendentes = new QLabel(panNavegador);
    lblPendentes->setObjectName(QStringLiteral("lblPendentes"));
    lblPendentes->setStyleSheet(QStringLiteral("QLabel { color: #b00000; font-weight: bold; }"));
    lblPendentes->setToolTip(QStringLiteral("Vão com a próxima gravação; Atualizar as descarta."));
    lblPendentes->hide();
    auto *navigator = new QHBoxLayout(panNavegador);
    navigator->setContentsMargins(6, 2, 6, 2);
    navigator->addWidget(dbtNome, 1);
    navigator->addWidget(lblPendentes);
    navigator->addSpacing(12);
    navigator->addWidget(lblCodTela);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(panBotoes);
    layout->addWidget(pgcPadrao, 1);
    layout->addWidget(panNavegador);

    // --- events --------------------------------------------------------------------------------
    // Every command first commits an open cell editor; the handlers are virtual, so a derived
    // form's override runs.
    using Handler = void (TfrmPadraoGrid::*)(QObject *);
    auto command = [this](Handler handler) {
        return [this, handler](QObject *sender) {
            commitEditors();
            (this->*handler)(sender);
            if (handler == &TfrmPadraoGrid::sbtVerificarClick)
                emit refreshed();
            // After Include or Alter the keyboard goes on in the grid, where the record is.
            if (handler == &TfrmPadraoGrid::sbtIncluirClick || handler == &TfrmPadraoGrid::sbtAlterarClick)
                focusActiveGrid();
        };
    };
    auto pair = [&](TMenuItem *menuItem, TSpeedButton *speedButton, Handler handler) {
        menuItem->OnClick = command(handler);
        speedButton->OnClick = command(handler);
    };
    pair(mnuIncluir, sbtIncluir, &TfrmPadraoGrid::sbtIncluirClick);
    pair(mnuAlterar, sbtAlterar, &TfrmPadraoGrid::sbtAlterarClick);
    pair(mnuExcluir, sbtExcluir, &TfrmPadraoGrid::sbtExcluirClick);
    pair(mnuProcurar, sbtProcurar, &TfrmPadraoGrid::sbtProcurarClick);
    pair(mnuVerificar, sbtVerificar, &TfrmPadraoGrid::sbtVerificarClick);
    pair(mnuConfirmar, sbtConfirmar, &TfrmPadraoGrid::sbtConfirmarClick);
    pair(mnuCancelar, sbtCancelar, &TfrmPadraoGrid::sbtCancelarClick);
    mnuFechar->OnClick = [this](QObject *) { Close(); };
    sbtFechar->OnClick = [this](QObject *) { Close(); };

    pgcPadrao->OnChanging = [this](QObject *) { commitEditors(); };
    pgcPadrao->OnChange = [this](QObject *sender) { pgcPadraoChange(sender); };
    dtsPadrao->OnStateChange = [this](QObject *sender) { dtsPadraoStateChange(sender); };
    dbgPadrao->OnKeyDown = [this](QObject *sender, int &key, TShiftState shift) {
        dbgPadraoKeyDown(sender, key, shift);
    };
    connect(dtsPadrao, &TDataSource::dataSetChanged, this, [this] { bindNavigator(); });
}

TfrmPadraoGrid::~TfrmPadraoGrid()
{
    detachHandlers();
}

void TfrmPadraoGrid::detachHandlers()
{
    // The derived form is gone already; its handlers, hooked into the components that are about
    // to be deleted (and that may still signal while they go: focus moves, editors close, record
    // sets cancel), must not run. Every kind of handler a component can hold is dropped here.
    for (TDBGrid *grid : findChildren<TDBGrid *>())
        grid->clearHandlers();
    for (TPageControl *pages : findChildren<TPageControl *>()) {
        pages->OnChange = nullptr;
        pages->OnChanging = nullptr;
    }
    for (TDataSource *source : findChildren<TDataSource *>())
        source->OnStateChange = nullptr;
    for (TClientDataSet *dataSet : findChildren<TClientDataSet *>()) {
        dataSet->BeforePost = nullptr;
        dataSet->AfterPost = nullptr;
        dataSet->BeforeDelete = nullptr;
        dataSet->AfterDelete = nullptr;
        dataSet->AfterScroll = nullptr;
        dataSet->AfterCancel = nullptr;
    }
    for (TNetConnection *connection : findChildren<TNetConnection *>())
        connection->BeforeConnect = nullptr;
    for (TMenuItem *item : findChildren<TMenuItem *>()) {
        item->OnClick = nullptr;
        item->BeforeClick = nullptr;
    }
    for (TSpeedButton *button : findChildren<TSpeedButton *>())
        button->OnClick = nullptr;
    // Signal connections made with the form as context (the navigator, the pending count, a
    // derived form's own) go too: Qt would drop them only once the form's QObject part goes.
    for (QObject *child : findChildren<QObject *>())
        disconnect(child, nullptr, this, nullptr);
}

// --- window ---------------------------------------------------------------------------------

QWidget *TfrmPadraoGrid::frame() const
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        return sub;
    return const_cast<TfrmPadraoGrid *>(this);
}

void TfrmPadraoGrid::SetCaption(const QString &caption)
{
    setWindowTitle(caption);
    if (frame() != this)
        frame()->setWindowTitle(caption);
}

void TfrmPadraoGrid::SetBounds(int left, int top, int width, int height)
{
    const double scale = logicalDpiX() / 96.0;
    m_bounds = QRect(int(left * scale), int(top * scale), int(width * scale), int(height * scale));
    applyBounds();
}

void TfrmPadraoGrid::applyBounds()
{
    if (!m_bounds.isValid())
        return;
    QWidget *window = frame();
    window->setGeometry(m_bounds);
    // Bounds set while the form had no frame yet (in a derived constructor) wait for the frame
    // the host gives it; the area would otherwise size the frame to the form's hint.
    if (window != this)
        m_bounds = QRect();
}

TWindowState TfrmPadraoGrid::WindowState() const
{
    const Qt::WindowStates state = frame()->windowState();
    if (state & Qt::WindowMinimized)
        return TWindowState::wsMinimized;
    if (state & Qt::WindowMaximized)
        return TWindowState::wsMaximized;
    return TWindowState::wsNormal;
}

void TfrmPadraoGrid::SetWindowState(TWindowState state)
{
    QWidget *window = frame();
    Qt::WindowStates flags = window->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (state == TWindowState::wsMinimized)
        flags |= Qt::WindowMinimized;
    else if (state == TWindowState::wsMaximized)
        flags |= Qt::WindowMaximized;
    if (!window->isVisible()) {
        window->setWindowState(flags); // takes effect when shown
        return;
    }
    switch (state) {
    case TWindowState::wsNormal: window->showNormal(); break;
    case TWindowState::wsMinimized: window->showMinimized(); break;
    case TWindowState::wsMaximized: window->showMaximized(); break;
    }
}

void TfrmPadraoGrid::Show()
{
    applyBounds();
    QWidget *window = frame();
    if (window != this)
        setVisible(true);
    window->show();
    window->raise();
    if (auto *sub = qobject_cast<QMdiSubWindow *>(window)) {
        if (QMdiArea *area = sub->mdiArea())
            area->setActiveSubWindow(sub);
    } else {
        activateWindow();
    }
    // The keyboard starts in the grid, not on a toolbar or a tab.
    if (!isAncestorOf(QApplication::focusWidget()))
        focusActiveGrid();
}

bool TfrmPadraoGrid::Close()
{
    return frame()->close();
}

void TfrmPadraoGrid::closeEvent(QCloseEvent *event)
{
    TCloseAction action = TCloseAction::caHide;
    const bool handled = EventBoundary::attempt([this, &action] {
        commitEditors();
        FormClose(this, action);
    });
    if (!handled || action == TCloseAction::caNone) {
        event->ignore();
        return;
    }
    switch (action) {
    case TCloseAction::caMinimize:
        event->ignore();
        frame()->showMinimized();
        return;
    case TCloseAction::caHide:
        event->accept();
        return;
    case TCloseAction::caFree:
        event->accept();
        EventBoundary::run([this] { runDestroy(); });
        // Deleting now would pull the widget out from under the close in progress.
        frame()->deleteLater();
        return;
    case TCloseAction::caNone:
        break;
    }
}

void TfrmPadraoGrid::runCreate()
{
    try {
        FormCreate(this);
        setUpCommandKeys();
        rememberColumnLayouts();
    } catch (...) {
        // The half-made form goes, with the window the host wrapped it in (itself when none).
        QWidget *window = frame();
        EventBoundary::run([this] { runDestroy(); });
        delete window;
        throw;
    }
}

void TfrmPadraoGrid::setUpCommandKeys()
{
    for (TDBGrid *grid : findChildren<TDBGrid *>())
        grid->OnCommandKey = [this](int key, TShiftState shift) { return takeCommandKey(key, shift); };
}

bool TfrmPadraoGrid::takeCommandKey(int key, TShiftState shift)
{
    // A command's key is the command's only: when it is disabled the key does nothing, rather
    // than the grid doing something of its own that the command would not allow.
    Qt::KeyboardModifiers modifiers;
    if (shift & ssShift)
        modifiers |= Qt::ShiftModifier;
    if (shift & ssCtrl)
        modifiers |= Qt::ControlModifier;
    if (shift & ssAlt)
        modifiers |= Qt::AltModifier;
    const QKeySequence pressed(QKeyCombination(modifiers, Qt::Key(qtKeyFromVk(key))));
    for (TMenuItem *item : {mnuIncluir, mnuAlterar, mnuExcluir, mnuProcurar, mnuVerificar, mnuConfirmar, mnuCancelar}) {
        if (item->ShortCut() == pressed) {
            item->Click();
            return true;
        }
    }
    return false;
}

void TfrmPadraoGrid::rememberColumnLayouts()
{
    const QString screen = lblCodTela->text().isEmpty() ? objectName() : lblCodTela->text();
    for (TDBGrid *grid : findChildren<TDBGrid *>()) {
        const QString key = screen + QLatin1Char('/') + grid->objectName();
        ColumnLayoutSettings::restore(grid, key);
        connect(grid, &TDBGrid::columnLayoutChangedByUser, this,
                [grid, key] { ColumnLayoutSettings::save(grid, key); });
    }
}

TDBGrid *TfrmPadraoGrid::ActiveGrid() const
{
    QWidget *sheet = pgcPadrao->currentWidget();
    if (!sheet)
        return nullptr;
    if (auto *grid = qobject_cast<TDBGrid *>(sheet))
        return grid;
    return sheet->findChild<TDBGrid *>();
}

void TfrmPadraoGrid::focusActiveGrid()
{
    TDBGrid *grid = ActiveGrid();
    if (grid && grid->isVisible() && !grid->isAncestorOf(QApplication::focusWidget()))
        grid->setFocus(Qt::OtherFocusReason);
}

QString TfrmPadraoGrid::RecordDescription(TClientDataSet *dataSet) const
{
    Q_UNUSED(dataSet);
    return {};
}

void TfrmPadraoGrid::runDestroy()
{
    if (m_destroyRun)
        return;
    m_destroyRun = true;
    emit destroying();
    FormDestroy(this);
}

// --- components -----------------------------------------------------------------------------

void TfrmPadraoGrid::SetNavigatorField(const QString &fieldName)
{
    m_navigatorField = fieldName;
    bindNavigator();
}

void TfrmPadraoGrid::bindNavigator()
{
    for (const auto &connection : std::as_const(m_navigatorConnections))
        disconnect(connection);
    m_navigatorConnections.clear();
    TClientDataSet *dataSet = dtsPadrao->DataSet();
    if (dataSet) {
        // The label reads the record after the change has settled: a record set in the middle of
        // a change (a cancelled insert going away) is not read from inside its own signal.
        auto refresh = [this] {
            if (m_navigatorPending)
                return;
            m_navigatorPending = true;
            EventBoundary::later(this, [this] {
                m_navigatorPending = false;
                updateNavigator();
            });
        };
        m_navigatorConnections << connect(dataSet, &TClientDataSet::currentChanged, this, refresh)
                               << connect(dataSet, &TClientDataSet::rowChanged, this, refresh)
                               << connect(dataSet, &TClientDataSet::contentReset, this, refresh)
                               << connect(dataSet, &TClientDataSet::stateChanged, this, refresh);
    }
    updateNavigator();
}

void TfrmPadraoGrid::updateNavigator()
{
    TClientDataSet *dataSet = dtsPadrao->DataSet();
    TField *field = (dataSet && !m_navigatorField.isEmpty()) ? dataSet->FindField(m_navigatorField) : nullptr;
    const bool hasRecord = field && dataSet->Active() && !dataSet->IsEmpty();
    dbtNome->setText(hasRecord ? field->DisplayText() : QString());
}

// --- changes the server has not got ---------------------------------------------------------

QList<TClientDataSet *> TfrmPadraoGrid::editedDataSets() const
{
    // What the user edits is what the form's data sources show; scratch copies do not count.
    QList<TClientDataSet *> dataSets;
    for (TDataSource *source : findChildren<TDataSource *>()) {
        TClientDataSet *dataSet = source->DataSet();
        if (dataSet && !dataSets.contains(dataSet))
            dataSets << dataSet;
    }
    return dataSets;
}

int TfrmPadraoGrid::PendingChangeCount() const
{
    return pendingIn(editedDataSets());
}

int TfrmPadraoGrid::pendingIn(const QList<TClientDataSet *> &dataSets)
{
    int count = 0;
    for (TClientDataSet *dataSet : dataSets)
        count += dataSet->Active() ? dataSet->ChangeCount() : 0;
    return count;
}

void TfrmPadraoGrid::watchPendingChanges()
{
    for (const auto &connection : std::as_const(m_pendingConnections))
        disconnect(connection);
    m_pendingConnections.clear();
    // Counted once the change has settled: a save runs right after the post that logs it.
    auto queue = [this] {
        if (m_pendingCountQueued)
            return;
        m_pendingCountQueued = true;
        EventBoundary::later(this, [this] {
            m_pendingCountQueued = false;
            updatePendingChanges();
        });
    };
    for (TDataSource *source : findChildren<TDataSource *>()) {
        m_pendingConnections << connect(source, &TDataSource::dataSetChanged, this, [this] { watchPendingChanges(); });
        if (TClientDataSet *dataSet = source->DataSet())
            m_pendingConnections << connect(dataSet, &TClientDataSet::changeLogChanged, this, queue);
    }
    updatePendingChanges();
}

void TfrmPadraoGrid::updatePendingChanges()
{
    const int count = PendingChangeCount();
    lblPendentes->setText(count == 1 ? QStringLiteral("1 alteração não gravada")
                                     : QStringLiteral("%1 alterações não gravadas").arg(count));
    lblPendentes->setVisible(count > 0);
}

void TfrmPadraoGrid::SendPendingChanges()
{
    for (TClientDataSet *dataSet : editedDataSets()) {
        if (dataSet->Active() && dataSet->ChangeCount() > 0 && dataSet->AfterPost)
            dataSet->AfterPost(dataSet);
    }
}

QString TfrmPadraoGrid::PendingChangeName(const TClientDataSet *dataSet,
                                          const QHash<QString, QString> &values, bool deleted) const
{
    QStringList shown;
    for (int i = 0; i < dataSet->FieldCount(); ++i)
        shown << values.value(dataSet->Fields(i)->FieldName());
    shown.removeAll(QString());
    return (deleted ? QStringLiteral("exclusão: ") : QStringLiteral("alteração: ")) +
           shown.join(QLatin1Char(' '));
}

QStringList TfrmPadraoGrid::pendingChangeNames(const QList<TClientDataSet *> &dataSets) const
{
    QStringList names;
    for (TClientDataSet *dataSet : dataSets) {
        if (!dataSet->Active() || dataSet->ChangeCount() == 0)
            continue;
        auto name = [&](const std::function<QString(int field)> &text, bool deleted) {
            QHash<QString, QString> values;
            for (int i = 0; i < dataSet->FieldCount(); ++i)
                values.insert(dataSet->Fields(i)->FieldName(), text(i));
            names << PendingChangeName(dataSet, values, deleted);
        };
        for (int row = 0; row < dataSet->RecordCount(); ++row)
            if (dataSet->ChangePendingAt(row))
                name([&](int field) { return dataSet->DisplayTextAt(row, field); }, false);
        for (int gone = 0; gone < dataSet->PendingDeleteCount(); ++gone)
            name([&](int field) { return dataSet->PendingDeleteText(gone, field); }, true);
    }
    return names;
}

int TfrmPadraoGrid::askAboutPendingChanges(const QList<TClientDataSet *> &dataSets, const QString &choices)
{
    const int count = pendingIn(dataSets);
    const QString what = count == 1 ? QStringLiteral("Há 1 alteração não gravada no servidor.")
                                    : QStringLiteral("Há %1 alterações não gravadas no servidor.").arg(count);
    QStringList names = pendingChangeNames(dataSets);
    constexpr int shownNames = 10;
    if (names.size() > shownNames) {
        const qsizetype more = names.size() - shownNames;
        names = names.mid(0, shownNames);
        names << QStringLiteral("… e mais %1").arg(more);
    }
    const QString list = names.isEmpty() ? QString() : QStringLiteral("\n") + names.join(QLatin1Char('\n'));
    return Interaction::current().messageDialog(what + list + QStringLiteral("\n\n") + choices,
                                                TMsgDlgType::mtWarning, mbYes | mbNo | mbCancel);
}

bool TfrmPadraoGrid::mayCloseWithPendingChanges()
{
    if (PendingChangeCount() == 0)
        return true;
    const int answer = askAboutPendingChanges(
        editedDataSets(), QStringLiteral("Sim: enviar novamente.\nNão: descartar e fechar.\nCancelar: voltar à janela."));
    if (answer == mrNo)
        return true;
    if (answer != mrYes)
        return false;
    // A send that fails again says so and the window stays.
    SendPendingChanges();
    updatePendingChanges();
    return PendingChangeCount() == 0;
}

bool TfrmPadraoGrid::MayReplacePendingChanges(const QList<TClientDataSet *> &replaced)
{
    const QList<TClientDataSet *> dataSets = replaced.isEmpty() ? editedDataSets() : replaced;
    if (pendingIn(dataSets) == 0)
        return true;
    const int answer = askAboutPendingChanges(
        dataSets, QStringLiteral("Sim: enviar antes.\nNão: descartar.\nCancelar: voltar à janela."));
    if (answer == mrNo) {
        for (TClientDataSet *dataSet : dataSets)
            if (dataSet->Active() && dataSet->ChangeCount() > 0)
                dataSet->CancelUpdates();
        return true;
    }
    if (answer != mrYes)
        return false;
    // A send that fails says so, and the command does not go on.
    SendPendingChanges();
    updatePendingChanges();
    return pendingIn(dataSets) == 0;
}

void TfrmPadraoGrid::InsertOperationItem(int position, TMenuItem *item)
{
    const QList<QAction *> actions = mnuOperacao->actions();
    QAction *before = (position >= 0 && position < actions.size()) ? actions.at(position) : nullptr;
    QAction *action = item ? item->action() : nullptr;
    if (item) // a form's own commands, too, never lose typed text
        item->BeforeClick = [this] { commitEditors(); };
    if (!action) {
        action = new QAction(mnuOperacao);
        action->setSeparator(true);
    }
    mnuOperacao->insertAction(before, action);
}

void TfrmPadraoGrid::commitEditors()
{
    const QList<TDBGrid *> grids = findChildren<TDBGrid *>();
    for (TDBGrid *grid : grids)
        grid->commitEditor();
}

// --- default handlers -----------------------------------------------------------------------

void TfrmPadraoGrid::FormCreate(QObject *sender)
{
    Q_UNUSED(sender);
    // A form opens on its first sheet; choosing it here is no user's tab change.
    pgcPadrao->SetActivePage(tshPadrao);
    bindNavigator();
    watchPendingChanges();
}

void TfrmPadraoGrid::FormDestroy(QObject *sender)
{
    Q_UNUSED(sender);
    // Nothing is left half-edited in a form that goes away: pending cell text is dropped.
    const QList<TDBGrid *> grids = findChildren<TDBGrid *>();
    for (TDBGrid *grid : grids)
        grid->SetDataSource(nullptr);
}

void TfrmPadraoGrid::FormClose(QObject *sender, TCloseAction &action)
{
    Q_UNUSED(sender);
    // Nothing the server has not got goes away without the user's word.
    if (!mayCloseWithPendingChanges()) {
        action = TCloseAction::caNone;
        return;
    }
    action = TCloseAction::caFree;
}

void TfrmPadraoGrid::dbgPadraoKeyDown(QObject *sender, int &key, TShiftState shift)
{
    // The grid's own keys (moving, editing, Escape) need nothing from the form.
    Q_UNUSED(sender);
    Q_UNUSED(key);
    Q_UNUSED(shift);
}

void TfrmPadraoGrid::dtsPadraoStateChange(QObject *sender)
{
    Q_UNUSED(sender);
    ControlaBotoes();
}

void TfrmPadraoGrid::ControlaBotoes()
{
    EnableCommands(dtsPadrao->DataSet());
}

void TfrmPadraoGrid::EnableCommands(TClientDataSet *current, bool mayInclude)
{
    const bool editing = current && current->isEditing();
    const bool empty = !current || current->IsEmpty(); // a closed set holds no records
    const bool mayWrite = MayWrite();
    mnuConfirmar->SetEnabled(editing);
    mnuCancelar->SetEnabled(editing);
    mnuIncluir->SetEnabled(current && !editing && mayInclude && mayWrite);
    for (TMenuItem *record : {mnuAlterar, mnuExcluir, mnuProcurar, mnuVerificar})
        record->SetEnabled(!editing && !empty);
    for (TMenuItem *writing : {mnuAlterar, mnuExcluir})
        writing->SetEnabled(writing->Enabled() && mayWrite);
    mnuFechar->SetEnabled(!editing);
    const std::pair<TMenuItem *, TSpeedButton *> pairs[] = {
        {mnuConfirmar, sbtConfirmar}, {mnuCancelar, sbtCancelar},   {mnuIncluir, sbtIncluir},
        {mnuAlterar, sbtAlterar},     {mnuExcluir, sbtExcluir},     {mnuProcurar, sbtProcurar},
        {mnuVerificar, sbtVerificar}, {mnuFechar, sbtFechar}};
    for (const auto &[menuItem, speedButton] : pairs)
        speedButton->SetEnabled(menuItem->Enabled());
    // A user who may only read is told why the commands that write stay off.
    for (const auto &[menuItem, speedButton] : {pairs[2], pairs[3], pairs[4]}) {
        if (mayWrite)
            speedButton->SetHint(speedButton->text(), menuItem->ShortCut());
        else
            speedButton->setToolTip(ReadOnlyHint());
    }
}

void TfrmPadraoGrid::sbtIncluirClick(QObject *sender)
{
    Q_UNUSED(sender);
    TClientDataSet *dataSet = dtsPadrao->DataSet();
    if (!dataSet)
        return;
    if (!dataSet->Active())
        dataSet->Open();
    if (dataSet->State() != TDataSetState::dsBrowse)
        return;
    dataSet->Insert();
    // A new record starts where typing works: its first column that takes it.
    dbgPadrao->SelectFirstTypeableColumn();
    if (dbgPadrao->isVisible())
        dbgPadrao->setFocus(Qt::OtherFocusReason);
}

void TfrmPadraoGrid::sbtAlterarClick(QObject *sender)
{
    Q_UNUSED(sender);
    TClientDataSet *dataSet = dtsPadrao->DataSet();
    if (!dataSet || !dataSet->Active() || dataSet->IsEmpty() || dataSet->State() != TDataSetState::dsBrowse)
        return;
    dataSet->Edit();
    if (dbgPadrao->isVisible())
        dbgPadrao->setFocus(Qt::OtherFocusReason);
}

void TfrmPadraoGrid::sbtExcluirClick(QObject *sender)
{
    Q_UNUSED(sender);
    TClientDataSet *dataSet = dtsPadrao->DataSet();
    if (!dataSet || !dataSet->Active() || dataSet->IsEmpty() || dataSet->State() != TDataSetState::dsBrowse)
        return;
    DialogContext about({RecordDescription(dataSet), {}});
    if (msgGeral->ShowMsg(QStringLiteral("Excl"), TMsgDlgType::mtConfirmation, mbYes | mbNo, 0) == mrYes)
        dataSet->Delete();
}

void TfrmPadraoGrid::sbtProcurarClick(QObject *sender)
{
    Q_UNUSED(sender);
    TClientDataSet *dataSet = dtsPadrao->DataSet();
    if (dataSet && dataSet->Active())
        Procura(dataSet, dbgPadrao);
}

void TfrmPadraoGrid::sbtVerificarClick(QObject *sender)
{
    // Reloading belongs to the form that knows where its data comes from.
    Q_UNUSED(sender);
}

void TfrmPadraoGrid::sbtConfirmarClick(QObject *sender)
{
    Q_UNUSED(sender);
    TClientDataSet *dataSet = dtsPadrao->DataSet();
    if (dataSet && dataSet->isEditing())
        dataSet->Post();
}

void TfrmPadraoGrid::sbtCancelarClick(QObject *sender)
{
    Q_UNUSED(sender);
    TClientDataSet *dataSet = dtsPadrao->DataSet();
    if (!dataSet || !dataSet->isEditing())
        return;
    if (msgGeral->ShowMsg(QStringLiteral("Canc"), TMsgDlgType::mtConfirmation, mbYes | mbNo, 0) == mrYes)
        dataSet->Cancel();
}

void TfrmPadraoGrid::pgcPadraoChange(QObject *sender)
{
    // Forms with more than one sheet decide what a tab change means.
    Q_UNUSED(sender);
}
