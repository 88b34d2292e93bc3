#include "QtInteraction.h"

#include "BusyIndicator.h"
#include "ChoiceListDialog.h"
#include "DialogContext.h"
#include "EarlyKeysIgnored.h"
#include "FindDialog.h"
#include "FocusReturn.h"
#include "LoginDialog.h"
#include "PickListDialog.h"
#include "TApplication.h"
#include "TDataSource.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace {

// A dialog on the heap under a window that may be destroyed while the dialog is open (a timer,
// a queued close), taking the dialog with it: a dialog on the stack would then be freed twice.
// What it answers is read only while it is still there.
template <typename Dialog>
class Modal
{
public:
    explicit Modal(Dialog *dialog) : m_dialog(dialog) {}
    ~Modal() { delete m_dialog.data(); }
    Modal(const Modal &) = delete;
    Modal &operator=(const Modal &) = delete;
    Dialog *operator->() const { return m_dialog.data(); }
    bool alive() const { return !m_dialog.isNull(); }

private:
    QPointer<Dialog> m_dialog;
};

QWidget *dialogParent()
{
    if (QWidget *active = QApplication::activeWindow())
        return active;
    return TApplication::MainForm();
}

QMessageBox::Icon iconOf(TMsgDlgType type)
{
    switch (type) {
    case TMsgDlgType::mtWarning: return QMessageBox::Warning;
    case TMsgDlgType::mtError: return QMessageBox::Critical;
    case TMsgDlgType::mtInformation: return QMessageBox::Information;
    case TMsgDlgType::mtConfirmation: return QMessageBox::Question;
    case TMsgDlgType::mtCustom: return QMessageBox::NoIcon;
    }
    return QMessageBox::NoIcon;
}

QString titleOf(TMsgDlgType type)
{
    switch (type) {
    case TMsgDlgType::mtWarning: return QStringLiteral("Aviso");
    case TMsgDlgType::mtError: return QStringLiteral("Erro");
    case TMsgDlgType::mtInformation: return QStringLiteral("Informação");
    case TMsgDlgType::mtConfirmation: return QStringLiteral("Confirmação");
    case TMsgDlgType::mtCustom: return QApplication::applicationDisplayName();
    }
    return {};
}

// The product's dialogs are what the seam shows when nothing else is installed.
[[maybe_unused]] const bool qtDialogsAreStandard = [] {
    Interaction::setStandard([]() -> std::unique_ptr<Interaction> { return std::make_unique<QtInteraction>(); });
    return true;
}();

} // namespace

int QtInteraction::messageDialog(const QString &text, TMsgDlgType type, TMsgDlgButtons buttons)
{
    BusyIndicatorAside aside;
    FocusReturn focusBack;
    Modal box(new QMessageBox(iconOf(type), titleOf(type), text, QMessageBox::NoButton, dialogParent()));
    box->setInformativeText(DialogContext::current().informativeText);
    // The buttons' captions are Qt's own, in the language of the translation the host installed.
    struct Pair {
        int flag;
        QMessageBox::StandardButton button;
        int result;
    };
    const Pair pairs[] = {{mbYes, QMessageBox::Yes, mrYes},
                          {mbNo, QMessageBox::No, mrNo},
                          {mbOK, QMessageBox::Ok, mrOk},
                          {mbCancel, QMessageBox::Cancel, mrCancel}};
    if (buttons == 0)
        buttons = mbOK;
    for (const Pair &pair : pairs) {
        if (buttons & pair.flag)
            box->addButton(pair.button);
    }
    // Enter on a question does the harmless thing: staying (Cancelar) or not doing it (Não).
    if (buttons & mbCancel)
        box->setDefaultButton(QMessageBox::Cancel);
    else if (buttons & mbNo)
        box->setDefaultButton(QMessageBox::No);
    auto clicked = QMessageBox::NoButton;
    {
        EarlyKeysIgnored keys(box.operator->());
        clicked = QMessageBox::StandardButton(box->exec());
    }
    for (const Pair &pair : pairs) {
        if (box.alive() && clicked == pair.button)
            return pair.result;
    }
    // Closed with the window's own button, or gone with its window: the answer a "no" or
    // "cancel" would give.
    return (buttons & mbCancel) ? mrCancel : (buttons & mbNo) ? mrNo : mrOk;
}

bool QtInteraction::pickList(TDataSource *source, const QString &title)
{
    if (!source || !source->DataSet())
        return false;
    BusyIndicatorAside aside;
    FocusReturn focusBack;
    const DialogContext::Details &context = DialogContext::current();
    Modal dialog(new PickListDialog(source->DataSet(), title, context.usedChoices, context.currentChoice,
                                    dialogParent()));
    return dialog->exec() == QDialog::Accepted && dialog.alive() && dialog->choose();
}

bool QtInteraction::find(TClientDataSet *dataSet, const FindFields &fields)
{
    if (!dataSet)
        return false;
    BusyIndicatorAside aside;
    FocusReturn focusBack;
    Modal dialog(new FindDialog(dataSet, fields, dialogParent()));
    return dialog->exec() == QDialog::Accepted && dialog.alive();
}

std::optional<LoginAnswer> QtInteraction::login(const QString &server, const QString &user,
                                                const QString &message)
{
    FocusReturn focusBack;
    Modal dialog(new LoginDialog(server, user, message, dialogParent(),
                                 LoginDialogCheck::current()));
    if (dialog->exec() != QDialog::Accepted || !dialog.alive()) return std::nullopt;
    return LoginAnswer{dialog->user(), dialog->password()};
}

std::optional<int> QtInteraction::chooseRow(const ChoiceList &list)
{
    BusyIndicatorAside aside;
    FocusReturn focusBack;
    Modal dialog(new ChoiceListDialog(list, dialogParent()));
    if (dialog->exec() != QDialog::Accepted || !dialog.alive()) return std::nullopt;
    return dialog->chosenRow();
}
