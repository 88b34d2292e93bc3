#include "QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>

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
    if (!InstallQtTranslations(QLocale()))
        std::fprintf(stderr, "%s: Qt's translations for pt_BR are not installed (qt6-translations-l10n)\n",
                     qPrintable(QCoreApplication::applicationName()));
}
