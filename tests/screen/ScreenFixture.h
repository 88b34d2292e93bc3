#pragma once

#include "CallRecorder.h"
#include "ScriptedInteraction.h"
#include "ServerProcess.h"
#include "TApplication.h"
#include "TfrmDimensao.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

// Readable failures.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

// What the host gives the screen: the fixture server's address, a main window, and a record
// of the cache notices.
class TestHost : public HostServices
{
public:
    QString url = QStringLiteral("127.0.0.1");
    int port = 0;
    QStringList cacheNotices;              // one entry per notice, names joined by ","
    std::unique_ptr<QWidget> main = std::make_unique<QWidget>();
    ServerAccess access; // the fixture user's session

    QString webUrl() const override { return url; }
    int webPort() const override { return port; }
    void atualizaLocalCache(const QStringList &tables) override { cacheNotices << tables.join(QLatin1Char(',')); }
    QWidget *mainForm() const override { return main.get(); }
    void adoptForm(TfrmPadraoGrid *) override {}
    ServerAccess serverAccess() const override { return access; }
};

// The scripted seam, also writing every message into the fixture's timeline so that tests can
// tell what happened before what (focus moves, server calls, messages).
class TimelineInteraction : public ScriptedInteraction
{
public:
    explicit TimelineInteraction(QStringList *timeline) : m_timeline(timeline) {}
    int messageDialog(const QString &text, TMsgDlgType type, TMsgDlgButtons buttons) override
    {
        m_timeline->append(QStringLiteral("msg:") + text);
        return ScriptedInteraction::messageDialog(text, type, buttons);
    }

private:
    QStringList *m_timeline;
};

class ScreenTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the server on the given database (default: a new one with the demo content) and
    // points the host at it.
    void startServer(const QString &databaseUrl = QString(), const QStringList &serverArgs = {});
    // A database file that exists but holds nothing: the server adds only its own two tables.
    QString emptyDatabaseUrl();
    // Creates the screen as the package does, and watches its calls, focus moves and busy state.
    TfrmDimensao *openScreen();
    void watch(TfrmDimensao *screen);

    // Test data on the server, read and written through a connection of the test's own.
    QStringList storedDimensions(); // "code|name|table|pk|item|pk2|flag" per dimension
    QStringList storedCodes();
    void storeExtra(const QString &code, const QString &field, const QString &name);
    void removeExtrasOf(const QString &code);

    // Typing into the current record as a person would (edit mask applied).
    void type(TField *field, const QString &text) { field->SetText(text); }
    // Moves the dimension list to the record with this code.
    void goTo(const QString &code);
    // Include, then the values typed in; empty texts are left untyped.
    void include(const QString &code, const QString &name, const QString &table = QString(),
                 const QString &pk = QString(), const QString &item = QString(),
                 const QString &pk2 = QString());
    void confirm() { form->sbtConfirmar->Click(); }
    // Points the screen's dimension connection at nobody (a server that cannot be reached) or
    // back at the fixture's server, as a changed address would.
    void reachServer(bool reachable);
    // Deletes the dimension while the server cannot be reached, then reaches it again: the
    // delete waits, unsent.
    void deleteUnsent(const QString &code)
    {
        goTo(code);
        reachServer(false);
        ui->dialogAnswers.push(mrYes);
        form->sbtExcluir->Click();
        ASSERT_EQ(form->cdsDados->ChangeCount(), 1);
        reachServer(true);
    }
    // Forgets what happened so far (calls, timeline, messages, notices).
    void forget();
    bool editing() const { return form->cdsDados->isEditing(); }

    QStringList messages() const { return ui->messages(); }
    QStringList callsMade() const; // "method" per remote call, in order
    int calls(const QString &method) const { return recorder->count(method); }
    QStringList enabledCommands() const; // names of the enabled menu items, fixed order

    ServerProcess server;
    TestHost host;
    QStringList timeline;            // "focus:FIELD", "call:method[kind:text]", "msg:text"
    TimelineInteraction *ui = nullptr;
    std::unique_ptr<CallRecorder> recorder;
    QPointer<TfrmDimensao> form;
};

// The screen on the Extras tab of demo dimension 00001 (table CLIENTE, key CDCLIENTE, main
// attribute NMCLIENTE; extras CDCIDADE, DSSEGMENTO, DTCADASTRO).
class ExtrasTabTest : public ScreenTest
{
protected:
    void SetUp() override;
};
