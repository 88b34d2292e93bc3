#include "HostMainWindow.h"
#include "HostOptions.h"
#include "QtTranslations.h"
#include "UnattendedInteraction.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <memory>

namespace {
void nameTheProgram()
{
    QCoreApplication::setOrganizationName(QStringLiteral("kzr"));
    QCoreApplication::setApplicationName(QStringLiteral("kzr-host"));
    SpeakBrazilianPortuguese();
}

// Help needs no display: it is answered before the window system is opened. Arguments it cannot
// read yet (the window system's own, such as -platform) are left to the parse that follows.
bool helpGiven(int argc, char **argv)
{
    const QCoreApplication plain(argc, argv);
    nameTheProgram();
    QString error;
    const HostOptions options = HostOptions::fromArguments(QCoreApplication::arguments(), &error);
    if (!error.isEmpty() || options.helpText.isEmpty())
        return false;
    std::fputs(qPrintable(options.helpText), stdout);
    return true;
}
} // namespace

int main(int argc, char **argv)
{
    if (helpGiven(argc, argv))
        return 0;
    QApplication app(argc, argv);
    nameTheProgram();

    QString error;
    const HostOptions options = HostOptions::fromArguments(QCoreApplication::arguments(), &error);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    if (!options.helpText.isEmpty()) {
        std::fputs(qPrintable(options.helpText), stdout);
        return 0;
    }

    // A screenshot run is unattended: its messages go to standard error, and it fails when a
    // screen did not open or anything had to be said.
    UnattendedInteraction *unattended = nullptr;
    if (!options.screenshot.isEmpty()) {
        auto interaction = std::make_unique<UnattendedInteraction>();
        unattended = interaction.get();
        Interaction::install(std::move(interaction));
    }

    HostMainWindow window(options);
    TApplication::SetHost(&window);
    window.show();
    // The keyboard comes with the window, as it does under a window manager: without one the
    // window would not be active, and the screens' shortcuts (Ctrl+Tab between tabs) act only
    // in the active window.
    window.activateWindow();
    if (!window.logIn()) {
        std::fprintf(stderr, "kzr-host: sem sessão no servidor de aplicação; nada aberto\n");
        TApplication::SetHost(nullptr);
        return 1;
    }
    bool allOpen = true;
    for (const QString &code : options.open) {
        if (!window.openScreen(code)) {
            allOpen = false;
            std::fprintf(stderr, "kzr-host: a tela %s não abriu\n", qPrintable(code));
        }
    }

    if (unattended) {
        // Give the window system time to map and paint the window before grabbing it.
        QTimer::singleShot(1500, &window, [&window, &options, unattended, allOpen] {
            const bool saved = window.saveScreenshot(options.screenshot);
            if (!saved)
                std::fprintf(stderr, "kzr-host: could not write %s\n", qPrintable(options.screenshot));
            QCoreApplication::exit(saved && allOpen && unattended->messagesShown() == 0 ? 0 : 1);
        });
    }
    const int status = app.exec();
    TApplication::SetHost(nullptr);
    Interaction::install(nullptr);
    return status;
}
