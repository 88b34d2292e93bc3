#include "FrameworkTesting.h"
#include "Services.h"
#include "TNetConnection.h"
#include "TfrmPadraoGrid.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMainWindow>
#include <QPointer>
#include <QSettings>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

using namespace testing_support;

namespace {

struct Trail {
    int creates = 0;
    int destroys = 0;
    bool failCreate = false;
    bool refuseClose = false;
    bool forbidInclude = false;
};
Trail *trail = nullptr;

// A form as a screen would derive it: its own record set, columns and catalogue.
class PeopleForm : public TfrmPadraoGrid
{
public:
    PeopleForm()
    {
        setObjectName(QStringLiteral("frmPessoas"));
        SetCaption(QStringLiteral("Pessoas"));
        lblCodTela->setText(QStringLiteral("TST00001"));
        people = peopleSet({{QStringLiteral("1"), QStringLiteral("Ana")},
                            {QStringLiteral("2"), QStringLiteral("Bruno")},
                            {QStringLiteral("3"), QStringLiteral("Carla")}});
        dtsPadrao->SetDataSet(people.get());
        dbgPadrao->AddColumn(QStringLiteral("CODIGO"));
        dbgPadrao->AddColumn(QStringLiteral("NOME"));
        SetNavigatorField(QStringLiteral("NOME"));
        SetBounds(168, 195, 662, 397);
    }
    void FormCreate(QObject *sender) override
    {
        TfrmPadraoGrid::FormCreate(sender);
        ++trail->creates;
        if (trail->failCreate)
            throw EServerFailure(QStringLiteral("sem servidor"));
    }
    void FormDestroy(QObject *sender) override
    {
        TfrmPadraoGrid::FormDestroy(sender);
        ++trail->destroys;
    }
    void FormClose(QObject *sender, TCloseAction &action) override
    {
        if (trail->refuseClose)
            MensErro(QStringLiteral("É necessário confirmar ou cancelar a transação de dados antes de fechar a janela."), true);
        TfrmPadraoGrid::FormClose(sender, action);
    }
    // Allows less than the base: the base's state change must ask this rule, not its own.
    void ControlaBotoes() override { EnableCommands(dtsPadrao->DataSet(), !trail->forbidInclude); }
    std::unique_ptr<TClientDataSet> people;
};

} // namespace

class FormTest : public FrameworkTest
{
protected:
    void SetUp() override
    {
        FrameworkTest::SetUp();
        trail = &record;
        TApplication::SetHost(&host);
        host.window->show();
    }
    void TearDown() override
    {
        if (form)
            delete form->frame();
        FrameworkTest::TearDown();
        trail = nullptr;
    }
    PeopleForm *create()
    {
        form = TApplication::CreateForm<PeopleForm>();
        form->Show();
        return form;
    }
    // The form's window active, as a user would have it, so that keys and focus are real.
    void activate()
    {
        host.window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(host.window));
        form->Show();
        settle();
    }
    bool gridHasFocus() const
    {
        QWidget *focus = QApplication::focusWidget();
        return focus && (focus == form->dbgPadrao || form->dbgPadrao->isAncestorOf(focus));
    }
    TClientDataSet *people() const { return form->people.get(); }

    Trail record;
    RecordingHost host;
    QPointer<PeopleForm> form;
};

TEST_F(FormTest, CreationPutsTheFormIntoTheHostsAreaRunsFormCreateAndShowsIt)
{
    create();
    EXPECT_EQ(record.creates, 1);
    ASSERT_EQ(host.area->subWindowList().size(), 1);
    QMdiSubWindow *sub = host.area->subWindowList().first();
    EXPECT_EQ(sub->widget(), form.data());
    EXPECT_EQ(form->frame(), sub);
    EXPECT_TRUE(sub->isVisible());
    EXPECT_EQ(host.area->activeSubWindow(), sub);
    // Bounds given in the constructor, before the host framed the form, are the frame's.
    const double scale = form->logicalDpiX() / 96.0;
    EXPECT_EQ(sub->geometry(), QRect(int(168 * scale), int(195 * scale), int(662 * scale), int(397 * scale)));
    EXPECT_EQ(form->pgcPadrao->ActivePage(), form->tshPadrao);
    settle();
    EXPECT_EQ(form->dbtNome->text(), QStringLiteral("Ana"));
    people()->SetRecNo(3);
    settle();
    EXPECT_EQ(form->dbtNome->text(), QStringLiteral("Carla"));

    // A minimised screen is restored and brought back.
    form->SetWindowState(TWindowState::wsMinimized);
    EXPECT_EQ(form->WindowState(), TWindowState::wsMinimized);
    form->SetWindowState(TWindowState::wsNormal);
    form->Show();
    EXPECT_EQ(form->WindowState(), TWindowState::wsNormal);
    EXPECT_TRUE(sub->isVisible());
}

TEST_F(FormTest, AFailingCreationDestroysTheHalfMadeFormAndPassesTheFailureOn)
{
    record.failCreate = true;
    EXPECT_THROW(TApplication::CreateForm<PeopleForm>(), EServerFailure);
    settle();
    EXPECT_TRUE(host.area->subWindowList().isEmpty());
    EXPECT_EQ(record.creates, 1);
    EXPECT_EQ(record.destroys, 1);
}

TEST_F(FormTest, DefaultCommandsActOnTheRecordSetOfTheDataSource)
{
    create();
    form->dtsPadraoStateChange(form->dtsPadrao);
    EXPECT_TRUE(form->sbtIncluir->Enabled());
    EXPECT_FALSE(form->sbtConfirmar->Enabled());

    form->sbtIncluir->Click();
    EXPECT_EQ(people()->State(), TDataSetState::dsInsert);
    // The state change reached the form's handler: only confirm and cancel are open now.
    EXPECT_FALSE(form->sbtIncluir->Enabled());
    EXPECT_FALSE(form->mnuFechar->Enabled());
    EXPECT_TRUE(form->sbtConfirmar->Enabled());

    // Cancel asks "Canc": no keeps the insert, yes drops it.
    form->sbtCancelar->Click();
    EXPECT_EQ(people()->State(), TDataSetState::dsInsert);
    seam->dialogAnswers.push(mrYes);
    form->mnuCancelar->Click();
    EXPECT_EQ(people()->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(people()->RecordCount(), 3);
    ASSERT_EQ(seam->messages().size(), 2);
    EXPECT_EQ(seam->messages()[0], form->msgGeral->Msg(QStringLiteral("Canc")));
    EXPECT_FALSE(seam->messages()[0].isEmpty());

    // Delete asks "Excl": no deletes nothing, yes deletes the current record.
    seam->clear();
    people()->SetRecNo(2);
    form->sbtExcluir->Click();
    EXPECT_EQ(people()->RecordCount(), 3);
    seam->dialogAnswers.push(mrYes);
    form->sbtExcluir->Click();
    EXPECT_EQ(people()->RecordCount(), 2);
    EXPECT_EQ(seam->messages(), (QStringList{QStringLiteral("Confirma exclusão?"), QStringLiteral("Confirma exclusão?")}));
    EXPECT_EQ(seam->shown[0].type, TMsgDlgType::mtConfirmation);

    // Alter then Confirm posts.
    form->sbtAlterar->Click();
    EXPECT_EQ(people()->State(), TDataSetState::dsEdit);
    people()->FieldByName(QStringLiteral("NOME"))->SetAsString(QStringLiteral("Carlota"));
    form->sbtConfirmar->Click();
    EXPECT_EQ(people()->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(people()->FieldByName(QStringLiteral("NOME"))->AsString(), QStringLiteral("Carlota"));

    // A form's own rule decides at every state change; the base's applies only where it has none.
    record.forbidInclude = true;
    form->sbtAlterar->Click();
    form->sbtConfirmar->Click();
    EXPECT_FALSE(form->sbtIncluir->Enabled());
    EXPECT_FALSE(form->mnuIncluir->Enabled());
    EXPECT_TRUE(form->sbtAlterar->Enabled());
    record.forbidInclude = false;

    // Search opens the find dialog on the record set.
    seam->clear();
    seam->findAnswers.push(std::make_pair(QStringLiteral("NOME"), QStringLiteral("ana")));
    form->sbtProcurar->Click();
    EXPECT_EQ(people()->RecNo(), 1);
    ASSERT_EQ(seam->shown.size(), 1u);
    EXPECT_EQ(seam->shown[0].kind, ScriptedInteraction::Shown::Find);
}

TEST_F(FormTest, EveryCommandAndTabChangeFirstCommitsTheOpenCellEditor)
{
    create();
    auto *extra = new TTabSheet(form->pgcPadrao, QStringLiteral("tshExtras"), QStringLiteral("Extras"));
    Q_UNUSED(extra);
    people()->SetRecNo(2);
    form->dbgPadrao->setCurrentIndex(form->dbgPadrao->model()->index(1, 1));
    ASSERT_TRUE(form->dbgPadrao->openEditor());
    auto *editor = qobject_cast<QLineEdit *>(form->dbgPadrao->cellEditor());
    editor->clear();
    QTest::keyClicks(editor, QStringLiteral("Beto"));
    form->sbtConfirmar->Click();
    EXPECT_EQ(form->dbgPadrao->cellEditor(), nullptr);
    EXPECT_EQ(people()->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(people()->FieldByName(QStringLiteral("NOME"))->AsString(), QStringLiteral("Beto"));

    ASSERT_TRUE(form->dbgPadrao->openEditor());
    editor = qobject_cast<QLineEdit *>(form->dbgPadrao->cellEditor());
    editor->clear();
    QTest::keyClicks(editor, QStringLiteral("Bia"));
    QTabBar *tabs = form->pgcPadrao->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    EXPECT_EQ(form->pgcPadrao->currentIndex(), 1);
    EXPECT_EQ(people()->FieldByName(QStringLiteral("NOME"))->AsString(), QStringLiteral("Bia"));
    EXPECT_EQ(people()->State(), TDataSetState::dsEdit);
}

TEST_F(FormTest, ClosingFreesTheFormUnlessItsCloseHandlerRefuses)
{
    create();
    record.refuseClose = true;
    EXPECT_FALSE(form->Close());
    settle();
    ASSERT_FALSE(form.isNull());
    EXPECT_TRUE(form->frame()->isVisible());
    EXPECT_EQ(record.destroys, 0);
    EXPECT_EQ(seam->messages().size(), 1);

    record.refuseClose = false;
    bool destroyedSignal = false;
    QObject::connect(form.data(), &QObject::destroyed, [&] { destroyedSignal = true; });
    EXPECT_TRUE(form->Close());
    EXPECT_EQ(record.destroys, 1);
    settle();
    EXPECT_TRUE(form.isNull());
    EXPECT_TRUE(destroyedSignal);
    EXPECT_TRUE(host.area->subWindowList().isEmpty());
}

namespace {

// Moves a record set while it is being deleted, as a grid or an editor may while they go.
class MovesWhileGoing : public QObject
{
public:
    MovesWhileGoing(QObject *owner, TClientDataSet *dataSet, TNetConnection *connection)
        : QObject(owner), m_dataSet(dataSet), m_connection(connection) {}
    ~MovesWhileGoing() override
    {
        m_dataSet->Last();
        m_connection->SetConnected(true);
    }

private:
    TClientDataSet *m_dataSet;
    TNetConnection *m_connection;
};

// A form whose handlers note whether they ran after the form had started going.
bool *ranLate = nullptr;
class WatchedForm : public PeopleForm
{
public:
    WatchedForm()
    {
        scratch = new TClientDataSet(nullptr, QStringLiteral("cdsScratch"));
        connection = new TNetConnection(nullptr, QStringLiteral("netScratch"));
        connection->SetThrowException(false);
        // Children go in the order they came: the mover first, then what it moves.
        new MovesWhileGoing(this, scratch, connection);
        scratch->setParent(this);
        connection->setParent(this);
        scratch->SetData(people->Data());
        scratch->AfterScroll = [this](TClientDataSet *) { *ranLate |= m_gone; };
        connection->BeforeConnect = [this](TNetConnection *) { *ranLate |= m_gone; };
        connect(scratch, &TClientDataSet::currentChanged, this, [this] { *ranLate |= m_gone; });
    }
    ~WatchedForm() override { m_gone = true; }
    TClientDataSet *scratch;
    TNetConnection *connection;

private:
    bool m_gone = false;
};

} // namespace

// A form deleted without being closed: no handler of it runs while its components go.
TEST_F(FormTest, AFormDestroyedWithoutClosingDetachesEveryHandlerFirst)
{
    bool late = false;
    ranLate = &late;
    auto *watched = TApplication::CreateForm<WatchedForm>();
    watched->Show();
    watched->scratch->Last(); // the handlers are live until then
    ASSERT_FALSE(late);
    delete watched->frame();
    EXPECT_FALSE(late);
}

TEST_F(FormTest, ItemsGoAheadOfTheInheritedOperationItems)
{
    create();
    auto *own = new TMenuItem(form, QStringLiteral("mnuDimensao"), QStringLiteral("Dimensão"));
    form->InsertOperationItem(0, own);
    form->InsertOperationItem(1, nullptr);
    const QList<QAction *> actions = form->mnuOperacao->actions();
    ASSERT_GE(actions.size(), 3);
    EXPECT_EQ(actions[0], own->action());
    EXPECT_TRUE(actions[1]->isSeparator());
    EXPECT_EQ(actions[2], form->mnuIncluir->action());

    // The form's own items commit an open cell editor before their handler runs, as commands do.
    QString seen;
    own->OnClick = [&](QObject *) { seen = form->people->FieldByName(QStringLiteral("NOME"))->AsString(); };
    form->dbgPadrao->setCurrentIndex(form->dbgPadrao->model()->index(0, 1));
    ASSERT_TRUE(form->dbgPadrao->openEditor());
    auto *editor = qobject_cast<QLineEdit *>(form->dbgPadrao->cellEditor());
    editor->clear();
    QTest::keyClicks(editor, QStringLiteral("Dora"));
    own->action()->trigger();
    EXPECT_EQ(seen, QStringLiteral("Dora"));
    EXPECT_EQ(form->dbgPadrao->cellEditor(), nullptr);
}

// The commands' keys work from the grid, say so in the menu and on the toolbar, and take the
// very path of the command: the same question, nothing when the command is disabled.
TEST_F(FormTest, KeysRunTheCommandsThemselvesAndTheGridStartsWithTheFocus)
{
    create();
    form->dbgPadrao->Columns(0)->ReadOnly = true; // as a picture column would be
    form->dtsPadraoStateChange(form->dtsPadrao);
    activate();
    EXPECT_TRUE(gridHasFocus());
    EXPECT_EQ(form->mnuExcluir->action()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Delete));
    EXPECT_TRUE(form->sbtVerificar->toolTip().contains(QStringLiteral("F5"))) << form->sbtVerificar->toolTip().toStdString();
    QTest::qWait(20);

    // Insert includes and starts on the first column that takes typing.
    QTest::keyClick(form->dbgPadrao, Qt::Key_Insert);
    EXPECT_EQ(people()->State(), TDataSetState::dsInsert);
    EXPECT_EQ(form->dbgPadrao->SelectedIndex(), 1);
    EXPECT_TRUE(gridHasFocus());
    // Insert again: the command is disabled while inserting, and the grid does not insert either.
    QTest::keyClick(form->dbgPadrao, Qt::Key_Insert);
    EXPECT_EQ(people()->RecordCount(), 4);

    // Escape asks what Cancel asks; no keeps the new record.
    QTest::keyClick(form->dbgPadrao, Qt::Key_Escape);
    EXPECT_EQ(people()->State(), TDataSetState::dsInsert);
    seam->dialogAnswers.push(mrYes);
    QTest::keyClick(form->dbgPadrao, Qt::Key_Escape);
    EXPECT_EQ(people()->State(), TDataSetState::dsBrowse);
    const QString canc = form->msgGeral->Msg(QStringLiteral("Canc"));
    EXPECT_EQ(seam->messages(), (QStringList{canc, canc}));

    // Ctrl+Delete asks the toolbar's question.
    seam->clear();
    QTest::keyClick(form->dbgPadrao, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(seam->messages(), QStringList{QStringLiteral("Confirma exclusão?")});
    EXPECT_EQ(people()->RecordCount(), 3);

    // Typing into the picture column goes to the first column that takes it; Ctrl+Enter confirms.
    form->dbgPadrao->SetSelectedIndex(0);
    QTest::keyClick(form->dbgPadrao, 'Z');
    EXPECT_EQ(form->dbgPadrao->SelectedIndex(), 1);
    ASSERT_NE(form->dbgPadrao->cellEditor(), nullptr);
    QTest::keyClicks(form->dbgPadrao->cellEditor(), QStringLiteral("eca"));
    QTest::keyClick(form->dbgPadrao->cellEditor(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(people()->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(people()->FieldByName(QStringLiteral("NOME"))->AsString(), QStringLiteral("Zeca"));

    // Ctrl+F offers the grid's columns by caption, starting on the current one.
    seam->clear();
    seam->findAnswers.push(std::make_pair(QStringLiteral("CODIGO"), QStringLiteral("3")));
    QTest::keyClick(form->dbgPadrao, Qt::Key_F, Qt::ControlModifier);
    ASSERT_EQ(seam->shown.size(), 1u);
    EXPECT_EQ(seam->shown[0].choices, (QStringList{QStringLiteral("Código"), QStringLiteral("Nome")}));
    EXPECT_EQ(seam->shown[0].initial, QStringLiteral("NOME"));
    EXPECT_EQ(people()->FieldByName(QStringLiteral("CODIGO"))->AsString(), QStringLiteral("3"));
}

// A user's column order and widths come back the next time the screen opens, until the
// defaults are asked back.
TEST_F(FormTest, ColumnsAreRememberedPerScreenUntilTheDefaultsAreAskedBack)
{
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings().clear();
    create();
    form->dbgPadrao->horizontalHeader()->moveSection(1, 0); // as a user dragging the title
    settle();
    ASSERT_EQ(form->dbgPadrao->Columns(0)->FieldName, QStringLiteral("NOME"));
    delete form->frame();
    settle();

    create();
    EXPECT_EQ(form->dbgPadrao->Columns(0)->FieldName, QStringLiteral("NOME"));
    form->dbgPadrao->RestoreDefaultColumns();
    EXPECT_EQ(form->dbgPadrao->Columns(0)->FieldName, QStringLiteral("CODIGO"));
    delete form->frame();
    settle();
    create();
    EXPECT_EQ(form->dbgPadrao->Columns(0)->FieldName, QStringLiteral("CODIGO"));
    QSettings().clear();
}
