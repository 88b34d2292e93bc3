#pragma once

#include <QObject>

// Tells whatever shows something it asked of the server that a user has just logged in (again):
// what failed for want of a session can be asked again. The host announces every login.
class LoginBroadcast : public QObject
{
    Q_OBJECT
public:
    static LoginBroadcast &instance();
    void announce() { emit loggedIn(); }

signals:
    void loggedIn();
};
