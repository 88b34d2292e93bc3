#pragma once

#include <QString>
#include <QStringList>
#include <QTime>

// What the status line says about the last save, in words and with its time:
// "Dimensões gravadas às 10:42", or that it failed.
class SaveStatus
{
public:
    static QString saved(const QStringList &tables, const QTime &at);
    static QString failed(const QString &message, const QTime &at);
    // How the user calls what a server table holds ("Dimensões" for DIMENSAODIME).
    static QString wordsFor(const QString &table);
};
