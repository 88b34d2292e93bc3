#include "FrameworkTesting.h"
#include "Services.h"
#include "TDataSource.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <functional>

using namespace testing_support;

namespace {

// Acts on the modal dialog once it is up (the product's dialogs run their own event loop).
void whenModal(std::function<void(QWidget *)> act)
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
    QString shownText;
    whenModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        ASSERT_NE(box, nullptr);
        shownText = box->text();
        for (QAbstractButton *button : box->buttons()) {
            if (button->text() == QStringLiteral("&Sim"))
                button->click();
        }
    });
    EXPECT_EQ(Interaction::current().messageDialog(QStringLiteral("Confirma exclusão?"), TMsgDlgType::mtConfirmation, mbYes | mbNo), mrYes);
    EXPECT_EQ(shownText, QStringLiteral("Confirma exclusão?"));

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
        view->setCurrentIndex(view->model()->index(2, 1));
        static_cast<QDialog *>(modal)->accept();
    });
    EXPECT_TRUE(Pesquisar(&source, QStringLiteral("Campos"), false, true));
    EXPECT_EQ(dataSet->RecNo(), 3);

    whenModal([](QWidget *modal) { static_cast<QDialog *>(modal)->reject(); });
    EXPECT_FALSE(Pesquisar(&source, QStringLiteral("Campos"), false, true));
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

// A message shown while the busy window is up is above it and usable: the busy window steps
// aside while the dialog is open and comes back after it; the indicator's state does not change.
TEST(RealDialogs, TheBusyWindowStepsAsideForADialog)
{
    Interaction::install(nullptr);
    QWidget main;
    main.resize(600, 400);
    main.show();
    ActiveShowAvi(&main, 6, QStringLiteral("Validando Estrutura de Dados no Servidor"));
    QWidget *busy = main.findChild<QWidget *>(QStringLiteral("BusyWindow"));
    ASSERT_NE(busy, nullptr);
    ASSERT_TRUE(busy->isVisible());
    bool busyVisibleDuringDialog = true;
    bool stillShownDuringDialog = false;
    whenModal([&](QWidget *modal) {
        busyVisibleDuringDialog = busy->isVisible();
        stillShownDuringDialog = BusyIndicator().shown;
        qobject_cast<QMessageBox *>(modal)->buttons().value(0)->click();
    });
    Interaction::current().messageDialog(QStringLiteral("Tabela \"NAOEXISTE\" inválida."), TMsgDlgType::mtError, mbOK);
    EXPECT_FALSE(busyVisibleDuringDialog);
    EXPECT_TRUE(stillShownDuringDialog);
    EXPECT_TRUE(busy->isVisible());
    DeactiveShowAvi();
    EXPECT_FALSE(busy->isVisible());
}
