#pragma once

#include "LoginDialogCheck.h"

#include <QDialog>
#include <memory>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QThread;

// Asks for user name and password to log in to the application server. The password field
// never echoes; the dialog keeps nothing once closed.
//
// With a check, Entrar asks the server before the dialog closes: meanwhile the dialog waits,
// visibly (an hourglass, its buttons disabled, "Aguarde…"), and a refusal is shown in it and asked
// again. The check runs on a thread of its own, so the dialog repaints while the server takes its
// time (it delays its answer after repeated refusals).
class LoginDialog : public QDialog
{
    Q_OBJECT
public:
    LoginDialog(const QString &server, const QString &user, const QString &message,
                QWidget *parent, LoginCheck check = {});
    ~LoginDialog() override;

    QString user() const;
    QString password() const;
    bool waiting() const { return m_checking != nullptr; }

    void accept() override;
    void reject() override; // not while waiting: the answer is on its way

private:
    void showMessage(const QString &text, bool refusal);
    void setWaiting(bool on);
    void checked();

    QLineEdit *m_user;
    QLineEdit *m_password;
    QLabel *m_message;
    QDialogButtonBox *m_buttons;
    LoginCheck m_check;
    std::unique_ptr<QThread> m_checking;
    QString m_refusal; // what the check answered, written on its thread
};
