#pragma once

#include <QLocale>

// Qt's own translations (standard dialog buttons and the like) for the application's language,
// from the folder where Qt keeps them. False when there are none for it.
bool InstallQtTranslations(const QLocale &locale);
