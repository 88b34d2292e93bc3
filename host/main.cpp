#include "HostMainWindow.h"
#include "HostOptions.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("kzr"));
    QCoreApplication::setApplicationName(QStringLiteral("kzr-host"));

    QString error;
    const HostOptions options = HostOptions::fromArguments(QCoreApplication::arguments(), &error);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }

    HostMainWindow window(options);
    TApplication::SetHost(&window);
    window.show();
    for (const QString &code : options.open)
        window.openScreen(code);

    if (!options.screenshot.isEmpty()) {
        // Give the window system time to map and paint the window before grabbing it.
        QTimer::singleShot(1500, &window, [&window, &options] {
            const bool saved = window.saveScreenshot(options.screenshot);
            if (!saved)
                std::fprintf(stderr, "kzr-host: could not write %s\n", qPrintable(options.screenshot));
            QCoreApplication::exit(saved ? 0 : 1);
        });
    }
    const int status = app.exec();
    TApplication::SetHost(nullptr);
    return status;
}
