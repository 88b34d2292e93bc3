#include "LoginDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

LoginDialog::LoginDialog(const QString &server, const QString &user, const QString &message,
                         QWidget *parent)
    : QDialog(parent), m_user(new QLineEdit(user, this)), m_password(new QLineEdit(this))
{
    setObjectName(QStringLiteral("dlgLogin"));
    setWindowTitle(QStringLiteral("Entrar"));
    m_user->setObjectName(QStringLiteral("edtUsuario"));
    m_password->setObjectName(QStringLiteral("edtSenha"));
    m_password->setEchoMode(QLineEdit::Password);

    auto *layout = new QVBoxLayout(this);
    auto *where = new QLabel(QStringLiteral("Servidor de aplicação %1").arg(server), this);
    layout->addWidget(where);
    if (!message.isEmpty()) {
        auto *why = new QLabel(message, this);
        why->setObjectName(QStringLiteral("lblMensagem"));
        why->setWordWrap(true);
        why->setStyleSheet(QStringLiteral("color: #a00000"));
        layout->addWidget(why);
    }
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Usuário:"), m_user);
    form->addRow(QStringLiteral("&Senha:"), m_password);
    layout->addLayout(form);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Entrar"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancelar"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    // The field still to be filled takes the typing.
    (user.isEmpty() ? m_user : m_password)->setFocus();
    setMinimumWidth(340);
}

QString LoginDialog::user() const
{
    return m_user->text().trimmed();
}

QString LoginDialog::password() const
{
    return m_password->text();
}
