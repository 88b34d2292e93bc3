#pragma once

#include "CubeRecordSets.h"
#include "HostLogin.h"
#include "HostOptions.h"
#include "PackageLoader.h"
#include "TApplication.h"
#include "WindowPlacement.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>

class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class SaveStatus;

// The host application's main window: the document area for the screens, the menus that open
// them, and the services the framework asks of the host.
class HostMainWindow : public QMainWindow, public HostServices
{
    Q_OBJECT
public:
    explicit HostMainWindow(const HostOptions &options, QWidget *parent = nullptr);
    ~HostMainWindow() override;

    // --- HostServices --------------------------------------------------------------------------
    QString webUrl() const override { return m_options.server; }
    int webPort() const override { return m_options.port; }
    void atualizaLocalCache(const QStringList &tables) override;
    QWidget *mainForm() const override { return const_cast<HostMainWindow *>(this); }
    void adoptForm(TfrmPadraoGrid *form) override;
    void saveFailed(const QString &message) override;
    ServerAccess serverAccess() const override { return m_login.access(); }
    void sessionEnded(const QString &message) override;

    // Asks for user and password (the login dialog) until the server lets the user in; false
    // when the user gave up. Screens are opened only after it.
    bool logIn(const QString &message = QString());

    // Screens by code: which package holds them and how the menu names them.
    void registerScreen(const QString &code, const QString &packageName, const QString &caption);
    // Opens a screen through its package's entry; failures are reported. False when it failed.
    bool openScreen(const QString &code);

    QMdiArea *area() const { return m_area; }
    PackageLoader &packages() { return m_packages; }
    CubeRecordSets &cubes() { return m_cubes; }
    QStringList cacheUpdates() const { return m_cacheUpdates; } // tables, in the order told
    QString statusText() const;
    QString statusTip() const; // the status said in full

    // Grabs the window into a PNG file.
    bool saveScreenshot(const QString &fileName);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void showFormMenu(QMdiSubWindow *window);
    void askLoginWhenNoDialogShows();

    struct Screen {
        QString packageName;
        QString caption;
    };
    HostOptions m_options;
    HostLogin m_login;
    QString m_loginReason;     // set while a new login is due
    QLabel *m_userLabel;
    QMdiArea *m_area;
    WindowPlacement *m_placement;
    PackageLoader m_packages;
    CubeRecordSets m_cubes;
    QHash<QString, Screen> m_screens;
    QMenu *m_registerMenu;
    QMenu *m_windowMenu;
    QPointer<QMenu> m_formMenu;
    QLabel *m_serverLabel;
    SaveStatus *m_saveStatus;
    QStringList m_cacheUpdates;
};
