#include "HostMainWindow.h"

#include "EventBoundary.h"
#include "Exceptions.h"
#include "LoginBroadcast.h"
#include "SaveStatus.h"
#include "Services.h"
#include "TNetConnection.h"
#include "TfrmPadraoGrid.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <utility>

namespace {
// In the build tree the screen packages lie beside the program; installed, in the project's
// library folder relative to it.
QString packageDirectory(const HostOptions &options)
{
    if (!options.packageDir.isEmpty())
        return options.packageDir;
    const QDir programDir(QCoreApplication::applicationDirPath());
    const QString installed = programDir.absoluteFilePath(QStringLiteral(KZR_PACKAGE_DIR_FROM_PROGRAM));
    return QDir(installed).exists() ? QDir::cleanPath(installed) : programDir.path();
}
} // namespace

HostMainWindow::HostMainWindow(const HostOptions &options, QWidget *parent)
    : QMainWindow(parent), m_options(options), m_login(options), m_area(new QMdiArea(this)),
      m_placement(new WindowPlacement(options, m_area)), m_packages(packageDirectory(options), this),
      m_cubes(this)
{
    // Unattended, the server checks the password while the window is being built.
    m_login.start();
    setObjectName(QStringLiteral("frmPrincipal"));
    setWindowTitle(QStringLiteral("KZR"));
    m_area->setObjectName(QStringLiteral("mdiArea"));
    m_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_area);

    m_registerMenu = menuBar()->addMenu(QStringLiteral("&Cadastros"));
    m_registerMenu->setObjectName(QStringLiteral("mnuCadastros"));
    m_windowMenu = menuBar()->addMenu(QStringLiteral("&Janela"));
    m_windowMenu->addAction(QStringLiteral("&Cascata"), m_area, &QMdiArea::cascadeSubWindows);
    m_windowMenu->addAction(QStringLiteral("&Lado a lado"), m_area, &QMdiArea::tileSubWindows);
    m_windowMenu->addSeparator();
    m_windowMenu->addAction(QStringLiteral("&Sair"), this, &QWidget::close);

    m_serverLabel = new QLabel(m_options.server.contains(QLatin1Char(','))
                                   ? QStringLiteral("Servidores: %1").arg(m_options.server)
                                   : QStringLiteral("Servidor: %1:%2").arg(m_options.server).arg(m_options.port),
                               this);
    m_saveStatus = new SaveStatus(this);
    statusBar()->addWidget(m_saveStatus, 1);
    m_userLabel = new QLabel(this);
    m_userLabel->setObjectName(QStringLiteral("lblUsuario"));
    statusBar()->addPermanentWidget(m_userLabel);
    statusBar()->addPermanentWidget(m_serverLabel);
    // With several servers the label names the one answering now; told from any thread.
    TNetConnection::SetServerAnsweringHandler([label = m_serverLabel](const QString &server) {
        QMetaObject::invokeMethod(
            label, [label, server] { label->setText(QStringLiteral("Servidor: %1").arg(server)); },
            Qt::QueuedConnection);
    });

    connect(m_area, &QMdiArea::subWindowActivated, this, &HostMainWindow::showFormMenu);

    registerScreen(QStringLiteral("KZR01200"), QStringLiteral("Pkg_kzr01200"), QStringLiteral("&Dimensão"));
    m_cubes.rebuild();
    m_placement->restoreHost(*this);
}

HostMainWindow::~HostMainWindow()
{
    // The area activates other windows while its children go; this object is half gone by then.
    disconnect(m_area, nullptr, this, nullptr);
    TNetConnection::SetServerAnsweringHandler(nullptr);
    if (TApplication::Host() == this)
        TApplication::SetHost(nullptr);
}

void HostMainWindow::registerScreen(const QString &code, const QString &packageName, const QString &caption)
{
    const bool known = m_screens.contains(code);
    m_screens.insert(code, {packageName, caption});
    if (known)
        return;
    QAction *action = m_registerMenu->addAction(caption, this, [this, code] { openScreen(code); });
    action->setObjectName(QStringLiteral("mnu") + code);
}

bool HostMainWindow::openScreen(const QString &code)
{
    const auto found = m_screens.constFind(code.toUpper());
    if (found == m_screens.constEnd()) {
        EventBoundary::run([&] { throw Exception(QStringLiteral("Tela desconhecida: \"%1\".").arg(code)); });
        return false;
    }
    return m_packages.runCreate(found->packageName);
}

void HostMainWindow::atualizaLocalCache(const QStringList &tables)
{
    m_cacheUpdates << tables;
    m_saveStatus->saved(tables, QTime::currentTime());
    // The cubes built from what changed are gone (the screen discards them right after telling
    // this); they are built again once the screen's save is over.
    QTimer::singleShot(0, this, [this] { m_cubes.rebuild(); });
}

void HostMainWindow::saveFailed(const QString &message)
{
    m_saveStatus->failed(message, QTime::currentTime());
}

QString HostMainWindow::statusText() const
{
    return m_saveStatus->text();
}

QString HostMainWindow::statusTip() const
{
    return m_saveStatus->toolTip();
}

void HostMainWindow::adoptForm(TfrmPadraoGrid *form)
{
    // The form's own close handler decides whether it is freed, hidden or minimised.
    auto *frame = new QMdiSubWindow;
    frame->setWidget(form);
    frame->setAttribute(Qt::WA_DeleteOnClose, false);
    frame->setWindowIcon(windowIcon());
    m_area->addSubWindow(frame);
    m_placement->follow(frame, form->lblCodTela->text());
    // A refresh shows what the server holds: a failed save said before no longer stands.
    connect(form, &TfrmPadraoGrid::refreshed, m_saveStatus, &SaveStatus::succeeded);
}

void HostMainWindow::showFormMenu(QMdiSubWindow *window)
{
    // The active screen's operation menu sits in the menu bar, before the window menu.
    auto *form = window ? qobject_cast<TfrmPadraoGrid *>(window->widget()) : nullptr;
    QMenu *menu = form ? form->mnuOperacao : nullptr;
    if (menu == m_formMenu)
        return;
    if (m_formMenu)
        menuBar()->removeAction(m_formMenu->menuAction());
    m_formMenu = menu;
    if (menu)
        menuBar()->insertMenu(m_windowMenu->menuAction(), menu);
}

bool HostMainWindow::saveScreenshot(const QString &fileName)
{
    return grab().save(fileName, "PNG");
}

void HostMainWindow::closeEvent(QCloseEvent *event)
{
    // Each screen gets its own close handler; one that refuses keeps the application open.
    m_area->closeAllSubWindows();
    const QList<QMdiSubWindow *> windows = m_area->subWindowList();
    for (QMdiSubWindow *window : windows) {
        if (window->isVisible()) {
            event->ignore();
            return;
        }
    }
    m_placement->rememberHost(*this);
    event->accept();
}

bool HostMainWindow::logIn(const QString &message)
{
    // While the server checks the password sent at start, the packages of the screens to open
    // are loaded: loading runs none of their entries, and one that fails to load is reported
    // when its screen opens, as ever.
    if (m_login.sent()) {
        for (const QString &code : std::as_const(m_options.open)) {
            const auto found = m_screens.constFind(code.toUpper());
            if (found == m_screens.constEnd()) continue;
            try {
                m_packages.load(found->packageName);
            } catch (const Exception &) {
                // reported by openScreen, which loads it again
            }
        }
    }
    const bool in = m_login.logIn(message);
    m_userLabel->setText(in ? QStringLiteral("Usuário: %1 (%2)").arg(m_login.user(), m_login.roleInWords())
                            : QStringLiteral("Sem sessão"));
    if (in) {
        m_saveStatus->succeeded();
        LoginBroadcast::instance().announce();
    }
    return in;
}

void HostMainWindow::sessionEnded(const QString &message)
{
    // Called in the middle of a screen's call, which goes on to report the failure: the login
    // comes afterwards, once no dialog shows any more, and only once however many calls fail.
    const bool due = !m_loginReason.isEmpty();
    m_loginReason = message;
    if (!due) QTimer::singleShot(0, this, &HostMainWindow::askLoginWhenNoDialogShows);
}

void HostMainWindow::askLoginWhenNoDialogShows()
{
    if (QApplication::activeModalWidget()) {
        QTimer::singleShot(100, this, &HostMainWindow::askLoginWhenNoDialogShows);
        return;
    }
    const QString reason = std::exchange(m_loginReason, QString());
    logIn(reason);
}
