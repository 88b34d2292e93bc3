#pragma once

#include "BusyIndicator.h" // the screens reach the indicator and the screen cursor with the services
#include "ServerFailures.h"
#include "ServerAccess.h"
#include "TextRules.h" // the platform's text rules: the screens reach them with the services
#include "Variant.h"

#include <QString>
#include <QStringList>

class QWidget;
class TDataSource;
class TClientDataSet;
class TDBGrid;

// Shows the text as an error; with abort true then throws EAbort (the current operation
// ends silently). With abort false it only shows.
void MensErro(const QString &text, bool abort);

// Throws EServerFailure when the reply is the server-failure form (ESessionEnded for an ended
// session); otherwise gives the reply (the data packet it carries).
Variant CheckResultServ(const Variant &reply);

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
bool Pesquisar(TDataSource *source, const QString &title);
// Modal find dialog positioning the record set.
void Procura(TClientDataSet *dataSet);
// The same over the record set a grid shows: its columns by caption, starting on the current
// one; the grid has the focus on the record found.
void Procura(TClientDataSet *dataSet, TDBGrid *grid);
