#include "HostTesting.h"
#include "QtTranslations.h"
#include "TfrmPadraoGrid.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

namespace {

// kzr-appserver on a free loopback port over a temporary SQLite file.
class AppServer
{
public:
    explicit AppServer(const QString &program)
    {
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(program, {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--database"),
                                  QStringLiteral("sqlite:") + m_data.filePath(QStringLiteral("kzr.sqlite"))});
        QString banner;
        for (int i = 0; i < 100 && !banner.contains(QStringLiteral("pronto")); ++i) {
            m_process.waitForReadyRead(100);
            banner += QString::fromLocal8Bit(m_process.readAll());
        }
        static const QRegularExpression address(QStringLiteral("127\\.0\\.0\\.1:(\\d+)"));
        const auto match = address.match(banner);
        m_port = match.hasMatch() ? match.captured(1).toInt() : 0;
    }
    ~AppServer() { stop(); }
    void stop()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }
    int port() const { return m_port; }

private:
    QTemporaryDir m_data;
    QProcess m_process;
    int m_port = 0;
};

QString binFolder()
{
    return QFileInfo(QStringLiteral(KZR_HOST_PROGRAM)).absolutePath();
}

} // namespace

// The product's screen in this host over a real server, driven through the grid as a user would.
class RealScreen : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString bin = binFolder();
        if (!QFile::exists(bin + QStringLiteral("/libPkg_kzr01200.so")) || !QFile::exists(bin + QStringLiteral("/kzr-appserver")))
            GTEST_SKIP() << "the screen package or kzr-appserver is not built in " << bin.toStdString();
        server = std::make_unique<AppServer>(bin + QStringLiteral("/kzr-appserver"));
        ASSERT_GT(server->port(), 0);
        auto scripted = std::make_unique<ScriptedInteraction>();
        seam = scripted.get();
        Interaction::install(std::move(scripted));
        HostOptions options;
        options.packageDir = bin;
        options.port = server->port();
        options.settingsFile = m_settings.filePath(QStringLiteral("kzr-host.ini"));
        window = std::make_unique<HostMainWindow>(options);
        TApplication::SetHost(window.get());
        window->show();
        seam->loginAnswers.push(LoginAnswer{QStringLiteral("demo"), QStringLiteral("demo")});
        ASSERT_TRUE(window->logIn()) << seam->messages().join('\n').toStdString();
        seam->clear();
        ASSERT_TRUE(window->openScreen(QStringLiteral("KZR01200"))) << seam->messages().join('\n').toStdString();
        form = qobject_cast<TfrmPadraoGrid *>(window->area()->subWindowList().value(0)->widget());
        ASSERT_NE(form, nullptr);
        grid = form->dbgPadrao;
        dimensions = form->dtsPadrao->DataSet();
        ASSERT_GT(dimensions->RecordCount(), 0) << "the server's sample dimensions";
        grid->setFocus();
    }
    void TearDown() override
    {
        window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Interaction::install(nullptr);
        TApplication::SetHost(nullptr);
        server.reset();
    }
    void typeInto(int column, const QString &text)
    {
        grid->setCurrentIndex(grid->model()->index(dimensions->RecNo() - 1, column));
        ASSERT_EQ(grid->SelectedIndex(), column);
        ASSERT_TRUE(grid->openEditor());
        auto *editor = qobject_cast<QLineEdit *>(grid->cellEditor());
        editor->clear();
        QTest::keyClicks(editor, text);
    }
    int fieldIndex(const char *name) const { return dimensions->FieldByName(QString::fromLatin1(name))->Index(); }

    QTemporaryDir m_settings;
    std::unique_ptr<AppServer> server;
    ScriptedInteraction *seam = nullptr;
    std::unique_ptr<HostMainWindow> window;
    TfrmPadraoGrid *form = nullptr;
    TDBGrid *grid = nullptr;
    TClientDataSet *dimensions = nullptr;
};

TEST_F(RealScreen, ADimensionTypedIntoTheGridIsSavedWhenConfirmed)
{
    const int before = dimensions->RecordCount();
    form->sbtIncluir->Click();
    ASSERT_EQ(dimensions->State(), TDataSetState::dsInsert);
    typeInto(1, QStringLiteral("77"));
    typeInto(2, QStringLiteral("Teste de grade")); // leaving the code runs the duplicate check
    form->sbtConfirmar->Click();

    EXPECT_TRUE(seam->messages().isEmpty()) << seam->messages().join('\n').toStdString();
    EXPECT_EQ(dimensions->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(dimensions->RecordCount(), before + 1);
    bool found = false;
    for (int row = 0; row < dimensions->RecordCount(); ++row)
        found = found || dimensions->ValueAt(row, fieldIndex("NMITEMDIME")) == QStringLiteral("Teste de grade");
    EXPECT_TRUE(found);
    EXPECT_TRUE(window->cacheUpdates().contains(QStringLiteral("DIMENSAODIME")));
}

TEST_F(RealScreen, ARefusedColumnExitKeepsTheGridInTheColumnAndCancelGivesTheRowUp)
{
    const QString taken = dimensions->ValueAt(0, fieldIndex("NMITEMDIME"));
    const int before = dimensions->RecordCount();
    form->sbtIncluir->Click();
    typeInto(1, QStringLiteral("78"));
    typeInto(2, taken);
    // Leaving the name column: the duplicate check refuses, and the grid stays where it was.
    grid->setCurrentIndex(grid->model()->index(dimensions->RecNo() - 1, 3));
    ASSERT_EQ(seam->messages().size(), 1);
    EXPECT_FALSE(seam->messages()[0].isEmpty());
    EXPECT_EQ(grid->SelectedIndex(), 2);
    EXPECT_EQ(dimensions->State(), TDataSetState::dsInsert);

    seam->dialogAnswers.push(mrYes);
    form->sbtCancelar->Click();
    EXPECT_EQ(dimensions->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(dimensions->RecordCount(), before);
}

TEST_F(RealScreen, AClickOnACheckMarkSwitchesTheFlagAndSavesIt)
{
    const int flag = fieldIndex("IDDIMENSAODW");
    const int code = fieldIndex("NRSEQUEDIME");
    const QString wanted = dimensions->ValueAt(1, code);
    const QString was = dimensions->ValueAt(1, flag);
    ASSERT_TRUE(was == QStringLiteral("S") || was == QStringLiteral("N"));
    const QRect cell = grid->visualRect(grid->model()->index(1, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_TRUE(seam->messages().isEmpty()) << seam->messages().join('\n').toStdString();
    EXPECT_EQ(dimensions->State(), TDataSetState::dsBrowse);
    // The list came back from the server: find the dimension again by its code.
    int row = -1;
    for (int i = 0; i < dimensions->RecordCount(); ++i)
        row = dimensions->ValueAt(i, code) == wanted ? i : row;
    ASSERT_GE(row, 0);
    EXPECT_NE(dimensions->ValueAt(row, flag), was);
}

TEST_F(RealScreen, TheEllipsisOfAKeyColumnPicksAFieldOfTheTableFromTheServer)
{
    const int key = fieldIndex("DSPKDIME");
    const QString before = dimensions->ValueAt(0, key);
    grid->setCurrentIndex(grid->model()->index(0, 4));
    ASSERT_EQ(grid->SelectedField()->FieldName(), QStringLiteral("DSPKDIME"));
    ASSERT_TRUE(grid->openEditor());
    EXPECT_EQ(dimensions->State(), TDataSetState::dsBrowse); // opening the editor changes nothing
    auto *button = grid->cellEditor()->findChild<QToolButton *>(QStringLiteral("EllipsisButton"));
    ASSERT_NE(button, nullptr);
    seam->pickAnswers.push(1);
    button->click();
    QCoreApplication::processEvents();
    ASSERT_EQ(seam->shown.size(), 1u) << seam->messages().join('\n').toStdString();
    EXPECT_EQ(seam->shown[0].kind, ScriptedInteraction::Shown::PickList);
    // The chosen field of the table is written into the key column; the row waits in edit state
    // (unless the choice is what the column held already).
    auto *fields = form->findChild<TDataSource *>(QStringLiteral("dtsFields"));
    ASSERT_NE(fields, nullptr);
    const QString chosen = fields->DataSet()->FieldByName(QStringLiteral("CDFIELD"))->AsString();
    ASSERT_FALSE(chosen.isEmpty());
    EXPECT_EQ(dimensions->ValueAt(0, key), chosen);
    EXPECT_EQ(dimensions->State(), chosen == before ? TDataSetState::dsBrowse : TDataSetState::dsEdit);
    EXPECT_EQ(grid->model()->data(grid->model()->index(0, 4)).toString(), chosen);
}

namespace {

// Acts on the next modal dialog once it is up (it runs its own event loop).
void whenModal(const std::function<void(QMessageBox *)> &act)
{
    QTimer::singleShot(50, [act] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            act(box);
        else
            whenModal(act);
    });
}

void press(QMessageBox *box, const QString &caption)
{
    for (QAbstractButton *button : box->buttons()) {
        if (button->text() == caption) {
            button->click();
            return;
        }
    }
    ADD_FAILURE() << "no button " << caption.toStdString() << " in: " << box->text().toStdString();
    box->done(QMessageBox::Cancel); // an unexpected dialog must not hang the run
}

} // namespace

// Run by HostUnderXvfb in a process of its own on a virtual display, with the real dialogs: the
// refused delete and the change that did not reach the server, from the toolbar to the close.
TEST(RealScreenOnDisplay, ARefusedDeleteAndAnUnsentChange)
{
    if (qEnvironmentVariableIsEmpty("KZR_ON_DISPLAY"))
        GTEST_SKIP() << "runs on a virtual display, started by HostUnderXvfb";
    const QString bin = binFolder();
    AppServer server(bin + QStringLiteral("/kzr-appserver"));
    ASSERT_GT(server.port(), 0);
    Interaction::install(nullptr);
    // As the host does: Qt's own captions for the standard buttons, in Portuguese.
    ASSERT_TRUE(InstallQtTranslations(QLocale(QLocale::Portuguese, QLocale::Brazil)));
    // The demo user logs in from a password file, as scripts/run does: no dialog for it.
    QTemporaryDir private_;
    QFile password(private_.filePath(QStringLiteral("senha")));
    ASSERT_TRUE(password.open(QIODevice::WriteOnly));
    password.write("demo\n");
    password.close();
    HostOptions options;
    options.packageDir = bin;
    options.port = server.port();
    options.user = QStringLiteral("demo");
    options.passwordFile = password.fileName();
    options.settingsFile = private_.filePath(QStringLiteral("kzr-host.ini"));
    HostMainWindow window(options);
    TApplication::SetHost(&window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(window.logIn());
    ASSERT_TRUE(window.openScreen(QStringLiteral("KZR01200")));
    auto *form = qobject_cast<TfrmPadraoGrid *>(window.area()->subWindowList().value(0)->widget());
    ASSERT_NE(form, nullptr);
    form->frame()->resize(760, 360);
    TClientDataSet *dimensions = form->dtsPadrao->DataSet();
    const int code = dimensions->FieldByName(QStringLiteral("NRSEQUEDIME"))->Index();
    QStringList seen;

    // Excluir on 00001, which has extra attributes: the server refuses, the row stays.
    dimensions->First();
    whenModal([&](QMessageBox *question) {
        seen << question->text();
        EXPECT_EQ(question->informativeText(), QStringLiteral("Dimensão 00001 – Clientes"));
        whenModal([&](QMessageBox *refusal) {
            seen << refusal->text();
            press(refusal, QStringLiteral("OK"));
        });
        press(question, QStringLiteral("&Sim"));
    });
    QTest::mouseClick(form->sbtExcluir, Qt::LeftButton);
    ASSERT_EQ(seen.size(), 2);
    EXPECT_TRUE(seen[1].contains(QStringLiteral("00001")));
    EXPECT_EQ(dimensions->ValueAt(0, code), QStringLiteral("00001"));
    EXPECT_EQ(dimensions->ChangeCount(), 0);

    // A dimension without a table (its check mark is saved with no check call before), then the
    // server goes away: a click on that check mark is kept, marked and counted.
    form->sbtIncluir->Click();
    dimensions->FieldByName(QStringLiteral("NRSEQUEDIME"))->SetText(QStringLiteral("61"));
    dimensions->FieldByName(QStringLiteral("NMITEMDIME"))->SetText(QStringLiteral("Sem tabela"));
    form->sbtConfirmar->Click();
    int row = -1;
    for (int i = 0; i < dimensions->RecordCount(); ++i)
        row = dimensions->ValueAt(i, code) == QStringLiteral("00061") ? i : row;
    ASSERT_GE(row, 0);
    server.stop();
    seen.clear();
    whenModal([&](QMessageBox *failure) {
        seen << failure->text();
        press(failure, QStringLiteral("OK"));
    });
    TDBGrid *grid = form->dbgPadrao;
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(row, 0)).center());
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(dimensions->ChangeCount(), 1);
    QTest::qWait(200);
    EXPECT_TRUE(form->lblPendentes->isVisible());
    EXPECT_EQ(form->lblPendentes->text(), QStringLiteral("1 alteração não gravada"));
    EXPECT_TRUE(window.statusText().startsWith(QStringLiteral("Falha ao gravar às "))) << window.statusText().toStdString();
    QDir().mkpath(QStringLiteral(KZR_ARTIFACT_DIR));
    EXPECT_TRUE(window.saveScreenshot(QStringLiteral(KZR_ARTIFACT_DIR "/kzr-host-unsent-change.png")));

    // Closing the host asks: stay keeps it open; discard closes.
    seen.clear();
    whenModal([&](QMessageBox *question) {
        seen << question->text();
        QTest::qWait(200);
        question->screen()->grabWindow(0).save(QStringLiteral(KZR_ARTIFACT_DIR "/kzr-host-close-question.png"));
        press(question, QStringLiteral("Cancelar"));
    });
    window.close();
    ASSERT_EQ(seen.size(), 1);
    EXPECT_TRUE(seen[0].startsWith(QStringLiteral("Há 1 alteração não gravada no servidor.")));
    EXPECT_TRUE(window.isVisible());
    whenModal([&](QMessageBox *question) { press(question, QStringLiteral("&Não")); });
    window.close();
    EXPECT_FALSE(window.isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Interaction::install(nullptr);
    TApplication::SetHost(nullptr);
}
