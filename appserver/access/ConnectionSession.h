#pragma once

#include "Role.h"
#include "UserOrigin.h"

#include <QString>

// What the server knows about who is on one client connection. Requests of one connection run
// one at a time, so the worker that runs a request may read and write it without a lock.
struct ConnectionSession
{
    QString address; // the client's, as the connection came in; kept for the connection's life
    QString token;   // empty until the connection has logged in or resumed a session
    QString user;
    Role role = Role::ReadOnly;
    UserOrigin origin = UserOrigin::Local;
    // A resumed session takes its user and role from the server's memory; whether the user still
    // exists, and in which role, is read from the database with the first call that uses it.
    bool userConfirmed = false;
    int replyDelayMs = 0; // a refused login: its reply leaves this much later

    // Whoever was logged in on the connection is no longer.
    void end()
    {
        token.clear();
        user.clear();
        role = Role::ReadOnly;
        origin = UserOrigin::Local;
        userConfirmed = false;
    }
};
