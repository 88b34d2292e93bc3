#include "AdminOptions.h"
#include "AdminTool.h"
#include "ImportModule.h"
#include "QtTranslations.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QString error;
    const AdminOptions::Command command = AdminOptions::fromArguments(arguments, &error).command;
    if ((command == AdminOptions::Command::Import || command == AdminOptions::Command::Restore) &&
        error.isEmpty())
        return ImportModule::run(argc, argv);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kzr-admin"));
    SpeakBrazilianPortuguese();
    QTextStream out(stdout);
    QTextStream err(stderr);
    return AdminTool::run(QCoreApplication::arguments(), out, err);
}
