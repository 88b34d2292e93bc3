#pragma once

#include "ScreenPackage.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <memory>

// Loads screen packages (shared libraries) at run time and keeps them loaded: the forms they
// create live on in the host's window, so a package is never unloaded.
class PackageLoader : public QObject
{
    Q_OBJECT
public:
    // directory: where the packages are (libNAME.so).
    explicit PackageLoader(const QString &directory, QObject *parent = nullptr);
    ~PackageLoader() override;

    // The package, loaded on first use. Throws Exception with a clear message when the library
    // or one of its entries is missing.
    const ScreenPackage &load(const QString &packageName);
    bool isLoaded(const QString &packageName) const;

    // Calls the package's creation entry inside the event boundary: a missing package, a missing
    // entry and a failing entry are reported, never passed on. False when anything failed.
    bool runCreate(const QString &packageName);

private:
    QString m_directory;
    QHash<QString, std::shared_ptr<ScreenPackage>> m_packages;
};
