#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

// Asks for user name and password to log in to the application server. The password field
// never echoes; the dialog keeps nothing once closed.
class LoginDialog : public QDialog
{
    Q_OBJECT
public:
    LoginDialog(const QString &server, const QString &user, const QString &message,
                QWidget *parent);

    QString user() const;
    QString password() const;

private:
    QLineEdit *m_user;
    QLineEdit *m_password;
};
