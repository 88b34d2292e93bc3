#pragma once

#include "ServerAccess.h"

#include <QString>
#include <QStringList>

class QWidget;
class TfrmPadraoGrid;

// What the host application gives the framework. The host installs its own; tests install one
// of theirs.
class HostServices
{
public:
    virtual ~HostServices() = default;
    virtual QString webUrl() const = 0;
    virtual int webPort() const = 0;
    virtual void atualizaLocalCache(const QStringList &tables) = 0;
    virtual QWidget *mainForm() const = 0;     // owns the cube record sets ("CDSCUBO...")
    // The extra attributes changed on the server: the cube record sets were built from the old
    // ones. The default destroys every client record set of the main window whose name begins
    // with "CDSCUBO" (any letter case); the host rebuilds them when it needs them.
    virtual void cubeAttributesChanged();
    // Puts a new form into the host's document area (an MDI child) and shows nothing yet.
    virtual void adoptForm(TfrmPadraoGrid *form) = 0;
    // A save did not go through (the message says why); the host may say so where it says
    // what was saved.
    virtual void saveFailed(const QString &message) { Q_UNUSED(message); }
    // The session the user logged in to and how the server's certificate is trusted; every
    // connection takes it when it opens a socket (see WebAccess).
    virtual ServerAccess serverAccess() const { return {}; }
    // The server answered that the session is over; the host asks for a new login. Called
    // while the failing call returns: the screen reports the failure as usual.
    virtual void sessionEnded(const QString &message) { Q_UNUSED(message); }
};
