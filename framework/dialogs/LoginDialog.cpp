#include "LoginDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

LoginDialog::LoginDialog(const QString &server, const QString &user, const QString &message,
                         QWidget *parent, LoginCheck check)
    : QDialog(parent), m_user(new QLineEdit(user, this)), m_password(new QLineEdit(this)),
      m_message(new QLabel(this)), m_check(std::move(check))
{
    setObjectName(QStringLiteral("dlgLogin"));
    setWindowTitle(QStringLiteral("Entrar"));
    m_user->setObjectName(QStringLiteral("edtUsuario"));
    m_password->setObjectName(QStringLiteral("edtSenha"));
    m_password->setEchoMode(QLineEdit::Password);

    auto *layout = new QVBoxLayout(this);
    auto *where = new QLabel(QStringLiteral("Servidor de aplicação %1").arg(server), this);
    layout->addWidget(where);
    m_message->setObjectName(QStringLiteral("lblMensagem"));
    m_message->setWordWrap(true);
    layout->addWidget(m_message);
    showMessage(message, true);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Usuário:"), m_user);
    form->addRow(QStringLiteral("&Senha:"), m_password);
    layout->addLayout(form);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Entrar"));
    m_buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancelar"));
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(m_buttons);
    // The field still to be filled takes the typing.
    (user.isEmpty() ? m_user : m_password)->setFocus();
    setMinimumWidth(340);
}

LoginDialog::~LoginDialog()
{
    if (m_checking) m_checking->wait(); // it writes into this dialog
}

QString LoginDialog::user() const
{
    return m_user->text().trimmed();
}

QString LoginDialog::password() const
{
    return m_password->text();
}

void LoginDialog::accept()
{
    if (waiting()) return;
    if (!m_check) {
        QDialog::accept();
        return;
    }
    setWaiting(true);
    m_checking.reset(QThread::create(
        [this, answer = LoginAnswer{user(), password()}] { m_refusal = m_check(answer); }));
    connect(m_checking.get(), &QThread::finished, this, &LoginDialog::checked);
    m_checking->start();
}

void LoginDialog::reject()
{
    if (!waiting()) QDialog::reject();
}

void LoginDialog::checked()
{
    m_checking->wait(); // finished is told just before the thread ends
    m_checking.reset();
    setWaiting(false);
    if (m_refusal.isEmpty()) {
        QDialog::accept();
        return;
    }
    showMessage(m_refusal, true);
    m_password->selectAll();
    m_password->setFocus();
}

void LoginDialog::setWaiting(bool on)
{
    m_buttons->setEnabled(!on);
    m_user->setReadOnly(on);
    m_password->setReadOnly(on);
    if (on) {
        setCursor(Qt::WaitCursor);
        showMessage(QStringLiteral("Aguarde…"), false);
    } else {
        unsetCursor();
    }
}

void LoginDialog::showMessage(const QString &text, bool refusal)
{
    m_message->setText(text);
    m_message->setStyleSheet(refusal ? QStringLiteral("color: #a00000") : QString());
    m_message->setVisible(!text.isEmpty());
}
