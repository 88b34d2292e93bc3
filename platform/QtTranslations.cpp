#include "QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool InstallQtTranslations(const QLocale &locale)
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

void SpeakBrazilianPortuguese()
{
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    // A warning of Qt's own, so that a program that routes Qt's messages (the server, to the
    // journal with their level) says it the way it says everything else.
    if (!InstallQtTranslations(QLocale()))
        qWarning("%s: as traduções do Qt para pt_BR não estão instaladas (pacote "
                 "qt6-translations-l10n); os textos do próprio Qt ficam em inglês.",
                 qPrintable(QCoreApplication::applicationName()));
}
