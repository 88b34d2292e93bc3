#include "AdminTool.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kzr-admin"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    return AdminTool::run(QCoreApplication::arguments(), out, err);
}
