#pragma once

#include <QLocale>

// Qt's own translations (command-line help, standard dialog buttons and the like) for the
// application's language, from the folder where Qt keeps them (Debian: qt6-translations-l10n).
// False when there are none for it.
bool InstallQtTranslations(const QLocale &locale);

// The programs speak Brazilian Portuguese, Qt's own texts included: the default locale and Qt's
// translations for it. Without them the program goes on in Qt's English, after saying so in a
// warning of Qt's. Called once the application object exists.
void SpeakBrazilianPortuguese();
