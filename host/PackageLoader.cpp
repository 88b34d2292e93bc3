#include "PackageLoader.h"

#include "EventBoundary.h"
#include "Exceptions.h"

#include <QDir>
#include <QLibrary>

PackageLoader::PackageLoader(const QString &directory, QObject *parent)
    : QObject(parent), m_directory(directory)
{
}

PackageLoader::~PackageLoader() = default;

bool PackageLoader::isLoaded(const QString &packageName) const
{
    return m_packages.contains(packageName);
}

const ScreenPackage &PackageLoader::load(const QString &packageName)
{
    if (auto found = m_packages.constFind(packageName); found != m_packages.constEnd())
        return **found;

    // Owned by the loader, which never unloads: the library stays mapped to the end.
    auto *library = new QLibrary(QDir(m_directory).filePath(packageName), this);
    if (!library->load()) {
        const QString reason = library->errorString();
        delete library;
        throw Exception(QStringLiteral("Não foi possível carregar o pacote \"%1\" de \"%2\":\n%3")
                            .arg(packageName, m_directory, reason));
    }
    auto resolve = [&](const char *symbol) {
        auto entry = reinterpret_cast<ScreenPackage::Entry>(library->resolve(symbol));
        if (!entry) {
            const QString file = library->fileName();
            library->unload();
            delete library;
            throw Exception(QStringLiteral("O pacote \"%1\" não exporta \"%2\".")
                                .arg(file, QString::fromLatin1(symbol)));
        }
        return entry;
    };
    const ScreenPackage::Entry create = resolve("CRIADIMENSAO");
    const ScreenPackage::Entry iniProc = resolve("IniProc");
    auto package = std::make_shared<ScreenPackage>(library, create, iniProc);
    m_packages.insert(packageName, package);
    return *package;
}

bool PackageLoader::runCreate(const QString &packageName)
{
    return EventBoundary::attempt([this, &packageName] { load(packageName).create()(); });
}
