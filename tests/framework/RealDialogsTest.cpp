#include "BusyWindow.h"
#include "DialogContext.h"
#include "EarlyKeysIgnored.h"
#include "FrameworkTesting.h"
#include "LoginDialog.h"
#include "QtTranslations.h"
#include "Services.h"
#include "TDataSource.h"

#include <QApplication>
#include <atomic>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSemaphore>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <functional>

using namespace testing_support;

namespace {

// Acts on the modal dialog once it is up (the product's dialogs run their own event loop).
void whenModal(const std::function<void(QWidget *)> &act)
{
    QTimer::singleShot(10, [act] {
        if (QWidget *modal = QApplication::activeModalWidget())
            act(modal);
        else
            whenModal(act);
    });
}

} // namespace

// The product's side of the seam, driven as a user would drive it.
TEST(RealDialogs, MessagePickListAndFindAnswerWhatTheUserDid)
{
    Interaction::install(nullptr);
    // The buttons speak the language of Qt's own translations, as the host installs them.
    const bool translated = InstallQtTranslations(QLocale(QLocale::Portuguese, QLocale::Brazil));
    QString shownText, informativeText, yesText, noText;
    whenModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        ASSERT_NE(box, nullptr);
        shownText = box->text();
        informativeText = box->informativeText();
        // The record it is about takes a line or two, however short the question.
        const auto *about = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel"));
        ASSERT_NE(about, nullptr);
        EXPECT_GE(2 * about->width(), about->fontMetrics().horizontalAdvance(about->text())) << about->width();
        yesText = box->button(QMessageBox::Yes)->text();
        noText = box->button(QMessageBox::No)->text();
        box->button(QMessageBox::Yes)->click();
    });
    {
        DialogContext about({QStringLiteral("Atributo extra DSSEGMENTO (Segmento) da dimensão 00012 – Clientes por segmento"), {}});
        EXPECT_EQ(Interaction::current().messageDialog(QStringLiteral("Confirma exclusão?"), TMsgDlgType::mtConfirmation, mbYes | mbNo), mrYes);
    }
    EXPECT_EQ(shownText, QStringLiteral("Confirma exclusão?"));
    EXPECT_EQ(informativeText, QStringLiteral("Atributo extra DSSEGMENTO (Segmento) da dimensão 00012 – Clientes por segmento"));
    if (translated) {
        EXPECT_EQ(yesText, QStringLiteral("&Sim"));
        EXPECT_EQ(noText, QStringLiteral("&Não"));
    } else {
        ADD_FAILURE() << "Qt's pt_BR translations are not installed (qt6-translations-l10n)";
    }

    auto dataSet = peopleSet({{QStringLiteral("1"), QStringLiteral("Ana")},
                              {QStringLiteral("2"), QStringLiteral("Bruno")},
                              {QStringLiteral("3"), QStringLiteral("Carla")}});
    TDataSource source(nullptr, QStringLiteral("dtsFields"));
    source.SetDataSet(dataSet.get());
    whenModal([](QWidget *modal) {
        auto *view = modal->findChild<QTableView *>();
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->model()->rowCount(), 3);
        EXPECT_EQ(view->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Nome"));
        // A row already in use is marked and cannot be chosen; the list starts on the value held.
        EXPECT_TRUE(view->model()->index(1, 0).data().toString().endsWith(QStringLiteral("2 (já usado)")));
        EXPECT_FALSE(view->model()->flags(view->model()->index(1, 0)) & Qt::ItemIsEnabled);
        EXPECT_FALSE(view->model()->index(2, 0).data().toString().contains(QStringLiteral("já usado")));
        EXPECT_EQ(view->currentIndex().row(), 2);
        view->setCurrentIndex(view->model()->index(2, 1));
        static_cast<QDialog *>(modal)->accept();
    });
    {
        DialogContext used({{}, {QStringLiteral("2")}, QStringLiteral("3")});
        EXPECT_TRUE(Pesquisar(&source, QStringLiteral("Campos")));
    }
    EXPECT_EQ(dataSet->RecNo(), 3);

    whenModal([](QWidget *modal) { static_cast<QDialog *>(modal)->reject(); });
    EXPECT_FALSE(Pesquisar(&source, QStringLiteral("Campos")));
    EXPECT_EQ(dataSet->RecNo(), 3);

    whenModal([](QWidget *modal) {
        auto *field = modal->findChild<QComboBox *>();
        auto *text = modal->findChild<QLineEdit *>();
        ASSERT_NE(field, nullptr);
        ASSERT_NE(text, nullptr);
        field->setCurrentIndex(field->findData(QStringLiteral("NOME")));
        text->setText(QStringLiteral("bru"));
        static_cast<QDialog *>(modal)->accept();
    });
    Procura(dataSet.get());
    EXPECT_EQ(dataSet->RecNo(), 2);
}

// Keys typed on as a message comes up do not answer it; once it is answered the window below
// has the keyboard again, on the control that had it.
TEST(RealDialogs, AMessageTakesNoEarlyKeysAndGivesTheKeyboardBack)
{
    Interaction::install(nullptr);
    QWidget window;
    auto *edit = new QLineEdit(&window);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    edit->setFocus();
    bool stillUpAfterEarlySpace = false;
    whenModal([&](QWidget *modal) {
        QTest::keyClick(modal->focusWidget(), Qt::Key_Space);
        QTest::keyClick(modal->focusWidget(), Qt::Key_D);
        stillUpAfterEarlySpace = modal->isVisible();
        QTest::qWait(EarlyKeysIgnored::graceMilliseconds + 50);
        QTest::keyClick(modal->focusWidget(), Qt::Key_Space);
    });
    EXPECT_EQ(Interaction::current().messageDialog(QStringLiteral("Atributo extra deve ser informado."), TMsgDlgType::mtWarning, mbOK), mrOk);
    EXPECT_TRUE(stillUpAfterEarlySpace);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &window; }));
    EXPECT_EQ(QApplication::focusWidget(), edit);
    EXPECT_TRUE(edit->text().isEmpty());
}

// A message shown while the busy window is up is above it and usable: the busy window steps
// aside while the dialog is open and comes back after it; the indicator's state does not change.
// One not up yet does not come up over the dialog, however long it stays open, but after it.
TEST(RealDialogs, TheBusyWindowStepsAsideForADialog)
{
    Interaction::install(nullptr);
    QWidget main;
    main.resize(600, 400);
    main.show();
    ActiveShowAvi(&main, 6, QStringLiteral("Validando Estrutura de Dados no Servidor"));
    QWidget *busy = main.findChild<QWidget *>(QStringLiteral("BusyWindow"));
    ASSERT_NE(busy, nullptr);
    bool busyVisibleDuringDialog = true;
    bool stillShownDuringDialog = false;
    auto answerLate = [&](QWidget *modal) {
        QTest::qWait(BusyWindow::ShowAfterMs + 200);
        busyVisibleDuringDialog = busy->isVisible();
        stillShownDuringDialog = BusyIndicator().shown;
        qobject_cast<QMessageBox *>(modal)->buttons().value(0)->click();
    };
    whenModal(answerLate);
    Interaction::current().messageDialog(QStringLiteral("Tabela \"NAOEXISTE\" inválida."), TMsgDlgType::mtError, mbOK);
    EXPECT_FALSE(busyVisibleDuringDialog);
    EXPECT_TRUE(stillShownDuringDialog);
    EXPECT_TRUE(QTest::qWaitFor([busy] { return busy->isVisible(); }));

    busyVisibleDuringDialog = true;
    whenModal(answerLate);
    Interaction::current().messageDialog(QStringLiteral("Tabela \"NAOEXISTE\" inválida."), TMsgDlgType::mtError, mbOK);
    EXPECT_FALSE(busyVisibleDuringDialog);
    EXPECT_TRUE(busy->isVisible());
    DeactiveShowAvi();
    EXPECT_FALSE(busy->isVisible());
}

// The window a dialog stands on may be destroyed while the dialog is open (and take the dialog
// with it): the call answers as a closed dialog would, and nothing is freed twice.
TEST(RealDialogs, ADialogWhoseWindowGoesWhileItIsOpenAnswersAsClosed)
{
    Interaction::install(nullptr);
    auto dataSet = peopleSet({{QStringLiteral("1"), QStringLiteral("Ana")}});
    TDataSource source(nullptr, QStringLiteral("dtsFields"));
    source.SetDataSet(dataSet.get());
    const std::function<bool()> asks[] = {
        [] {
            return Interaction::current().messageDialog(QStringLiteral("Confirma exclusão?"),
                                                        TMsgDlgType::mtConfirmation, mbYes | mbNo) == mrNo;
        },
        [&] { return !Pesquisar(&source, QStringLiteral("Campos")); },
        [&] { return !Interaction::current().find(dataSet.get(), FindFields::of(dataSet.get())); },
    };
    for (const auto &ask : asks) {
        auto *window = new QWidget;
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        bool onTheWindow = false;
        whenModal([&](QWidget *modal) {
            onTheWindow = modal->parentWidget() == window;
            delete window;
        });
        EXPECT_TRUE(ask());
        EXPECT_TRUE(onTheWindow);
    }
}

// A list to read: the selected row's details below it; its action answers that row, and a
// withheld action cannot be asked for.
TEST(RealDialogs, AChoiceListShowsTheSelectedRowsDetailsAndAnswersItsAction)
{
    Interaction::install(nullptr);
    ChoiceList list{QStringLiteral("Histórico"),
                    {QStringLiteral("Quando"), QStringLiteral("Quem")},
                    {{QStringLiteral("ontem"), QStringLiteral("ana")},
                     {QStringLiteral("hoje"), QStringLiteral("bia")}},
                    {QStringLiteral("<b>primeira</b>"), QStringLiteral("<b>segunda</b>")},
                    QStringLiteral("Restaurar esta versão")};
    for (const bool enabled : {true, false}) {
        list.actionEnabled = enabled;
        QString details;
        bool actionEnabled = !enabled;
        whenModal([&](QWidget *modal) {
            modal->findChild<QTableWidget *>()->selectRow(1);
            details = modal->findChild<QTextBrowser *>()->toPlainText();
            QPushButton *action = nullptr, *close = nullptr;
            for (QAbstractButton *button : modal->findChild<QDialogButtonBox *>()->buttons())
                (button->text() == QStringLiteral("Fechar") ? close : action) =
                    qobject_cast<QPushButton *>(button);
            actionEnabled = action->isEnabled();
            (enabled ? action : close)->click();
        });
        EXPECT_EQ(Interaction::current().chooseRow(list),
                  enabled ? std::optional(1) : std::nullopt);
        EXPECT_EQ(details, QStringLiteral("segunda"));
        EXPECT_EQ(actionEnabled, enabled);
    }
}

// While the server weighs what was typed (it delays a refusal after several), the dialog shows
// it is waiting, then says the refusal itself and asks again.
TEST(RealDialogs, TheLoginDialogWaitsVisiblyForTheServersVerdict)
{
    Interaction::install(nullptr);
    QSemaphore answered;
    QStringList verdicts{QStringLiteral("Usuário ou senha inválidos."), QString()};
    std::atomic<int> checked{0};
    const LoginDialogCheck check([&](const LoginAnswer &) {
        answered.acquire();
        QString verdict = verdicts.takeFirst();
        ++checked;
        return verdict;
    });
    whenModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<LoginDialog *>(modal);
        ASSERT_NE(dialog, nullptr);
        auto *password = dialog->findChild<QLineEdit *>(QStringLiteral("edtSenha"));
        auto *message = dialog->findChild<QLabel *>(QStringLiteral("lblMensagem"));
        QPushButton *enter = dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
        password->setText(QStringLiteral("errada"));
        enter->click();
        EXPECT_EQ(dialog->cursor().shape(), Qt::WaitCursor);
        EXPECT_FALSE(enter->isEnabled());
        EXPECT_EQ(message->text(), QStringLiteral("Aguarde…"));
        answered.release();
        ASSERT_TRUE(QTest::qWaitFor([dialog] { return !dialog->waiting(); }));
        EXPECT_EQ(message->text(), QStringLiteral("Usuário ou senha inválidos."));
        EXPECT_TRUE(enter->isEnabled() && dialog->isVisible());
        password->setText(QStringLiteral("certa"));
        answered.release();
        enter->click();
    });
    const std::optional<LoginAnswer> typed =
        Interaction::current().login(QStringLiteral("127.0.0.1:21201"), QStringLiteral("ana"), QString());
    ASSERT_TRUE(typed.has_value());
    EXPECT_EQ(typed->password, QStringLiteral("certa"));

    // Cancelar works while the answer is held back: the dialog closes at once, with no answer.
    verdicts << QStringLiteral("Usuário ou senha inválidos.");
    whenModal([&](QWidget *modal) {
        auto *buttons = modal->findChild<QDialogButtonBox *>();
        buttons->button(QDialogButtonBox::Ok)->click();
        QPushButton *cancel = buttons->button(QDialogButtonBox::Cancel);
        EXPECT_TRUE(cancel->isEnabled());
        cancel->click();
    });
    EXPECT_FALSE(Interaction::current().login(QStringLiteral("127.0.0.1:21201"), QStringLiteral("ana"), QString()));
    EXPECT_EQ(checked, 2);
    answered.release(); // the answer comes after all, to no one
    EXPECT_TRUE(QTest::qWaitFor([&] { return checked == 3; }));
}
