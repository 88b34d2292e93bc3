#pragma once

#include "Exceptions.h"
#include "ServerAccess.h"
#include "TextRules.h" // the platform's text rules: the screens reach them with the services
#include "Variant.h"

#include <QString>
#include <QStringList>

class QWidget;
class TDataSource;
class TClientDataSet;
class TDBGrid;

// A server failure reported in a reply; carries the server's own message.
class EServerFailure : public Exception
{
public:
    using Exception::Exception;
};

// The server answered that the caller's session is over (-32001). It says nothing about the
// call itself: the same call goes through once the user has logged in again.
class ESessionEnded : public EServerFailure
{
public:
    using EServerFailure::EServerFailure;
};

// Shows the text as an error; with abort true then throws EAbort (the current operation
// ends silently). With abort false it only shows.
void MensErro(const QString &text, bool abort);

// Throws EServerFailure when the reply is the server-failure form (ESessionEnded for an ended
// session); otherwise gives the reply
// (the data packet it carries). flag and number are kept for the callers' sake.
Variant CheckResultServ(const Variant &reply, bool flag, int number);

// The busy indicator: a small window with a text over the main form. Kind 6 while receiving
// or validating, 1 while sending. Deactivate when nothing shows does nothing. The state below
// changes at once; the window itself comes up only when the indicator stays on long enough for
// a person to notice (BusyWindow::ShowAfterMs), during a call's wait for the server included.
void ActiveShowAvi(QWidget *mainForm, int kind, const QString &text);
void DeactiveShowAvi();
struct BusyIndicatorState {
    bool shown = false;
    int kind = 0;
    QString text;
    int showCount = 0;      // how many times it was shown since start (for tests)
    int windowShowCount = 0; // how many times the window itself came up (a call long enough)
};
BusyIndicatorState BusyIndicator();
// While alive, the busy window steps aside for a modal dialog (it would stay on top of it and
// hide its buttons); it comes back if the indicator still shows then. The indicator's state,
// and so the order of events, does not change.
class BusyIndicatorAside
{
public:
    BusyIndicatorAside();
    ~BusyIndicatorAside();
    BusyIndicatorAside(const BusyIndicatorAside &) = delete;
    BusyIndicatorAside &operator=(const BusyIndicatorAside &) = delete;

private:
    bool m_wasVisible = false;
};

// Host services (from the host's command line or settings).
QString WebURL();
int WebPort();
// The session and certificate trust of the logged-in user. The framework hands it to every
// TNetConnection when it opens a socket, so screens need nothing beyond host and port.
ServerAccess WebAccess();
void AtualizaLocalCache(const Variant &tableNames);          // a variant array of names
// False when the logged-in user may only read: commands that would write are not offered.
bool MayWrite();
// Why a command that would write is not offered to this user.
QString ReadOnlyHint();

// Modal pick list over a data source (the seam); true when the user chose a row.
bool Pesquisar(TDataSource *source, const QString &title, bool flag1, bool flag2);
// Modal find dialog positioning the record set.
void Procura(TClientDataSet *dataSet);
// The same over the record set a grid shows: its columns by caption, starting on the current
// one; the grid has the focus on the record found.
void Procura(TClientDataSet *dataSet, TDBGrid *grid);

// The screen cursor: the application's override cursor while it is not crDefault.
constexpr int crDefault = 0;
constexpr int crHourGlass = -11;
void SetScreenCursor(int cursor);
