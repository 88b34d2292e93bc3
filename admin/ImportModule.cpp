#include "ImportModule.h"

#include "AdminTool.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QTextStream>

int ImportModule::run(int argc, char **argv)
{
    QStringList places;
    {
        // Only to learn where the program lies; the module makes the application it needs.
        QCoreApplication probe(argc, argv);
        const QDir bin(QCoreApplication::applicationDirPath());
        // Beside the program in the build tree; in the project's library folder installed.
        places << bin.filePath(QStringLiteral("kzradmin_import"))
               << bin.filePath(QStringLiteral(KZR_LIBDIR_FROM_BINDIR "/kzradmin_import"));
    }
    QStringList problems;
    for (const QString &place : places) {
        QLibrary module(place);
        if (!module.load()) {
            problems << module.errorString();
            continue;
        }
        using Entry = int (*)(int, char **);
        if (const auto entry = reinterpret_cast<Entry>(module.resolve("kzr_admin_import")))
            return entry(argc, argv);
        problems << module.errorString();
    }
    QTextStream err(stderr);
    err << "kzr-admin: o módulo de importação não pôde ser carregado: "
        << problems.join(QStringLiteral("; ")) << Qt::endl;
    return AdminTool::Failed;
}
