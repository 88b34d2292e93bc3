// kzr-admin import and restore, loaded by kzr-admin at run time: the screen needs widgets, the rest
// of the tool does not. The screen runs offscreen with the dialogs collected instead of shown.
#include "AdminHost.h"
#include "AdminOptions.h"
#include "AdminTool.h"
#include "CollectingInteraction.h"
#include "DryRunJournal.h"
#include "FileErrorText.h"
#include "ImportFile.h"
#include "QtTranslations.h"
#include "ScreenImport.h"
#include "ScreenRestore.h"
#include "TfrmDimensao.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <cstdio>

namespace {

ImportFile readFile(const AdminOptions &options)
{
    QFile file(options.input);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Não foi possível ler \"%1\": %2")
                            .arg(options.input, FileErrorText::reading(file)));
    const QByteArray bytes = file.readAll();
    return options.format == AdminOptions::Format::Csv ? ImportFile::fromCsv(bytes)
                                                       : ImportFile::fromJson(bytes);
}

int run(const AdminOptions &options, const ImportFile &file, QTextStream &out)
{
    const bool restoring = options.command == AdminOptions::Command::Restore;
    auto collecting = std::make_unique<CollectingInteraction>();
    CollectingInteraction &ui = *collecting;
    Interaction::install(std::move(collecting));
    AdminHost host(options.server);
    TApplication::SetHost(&host);
    const auto restore = qScopeGuard([] {
        TApplication::SetHost(nullptr);
        Interaction::install(nullptr);
    });

    QPointer<TfrmDimensao> form = TApplication::CreateForm<TfrmDimensao>();
    const QStringList opening = ui.take();
    if (!opening.isEmpty()) {
        delete form.data();
        throw Exception(opening.join(QStringLiteral(" / ")));
    }
    if (restoring) {
        const auto closeForm = qScopeGuard([&form] { delete form.data(); });
        return ScreenRestore(*form, ui, out, options.dryRun).apply(options.code, options.at)
                   ? AdminTool::Done
                   : AdminTool::ProblemsFound;
    }
    // A dry run is the real run whose saves the server rolls back, each step seeing the ones
    // before.
    if (options.dryRun)
        TNetConnection::SetDryRun(
            std::make_shared<DryRunJournal>(QStringList{form->netDimensao->ServerName()}));
    const auto realCallsAgain = qScopeGuard([] { TNetConnection::SetDryRun(nullptr); });
    ScreenImport import(*form, ui, out, options.dryRun);
    import.apply(file, options.deleteMissing);
    delete form.data();
    out << import.summary() << Qt::endl;
    return import.counts().refused > 0 ? AdminTool::ProblemsFound : AdminTool::Done;
}

QtMessageHandler standardHandler = nullptr;

// The offscreen platform says, for every window shown, which window features it lacks;
// nothing an administrator can act on. Everything else Qt says still reaches standard error.
void quietOffscreen(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(QLatin1String("This plugin does not support"))) return;
    // Qt's fallback for a session without a runtime folder (a cron job, a service) works.
    if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"))) return;
    if (standardHandler)
        standardHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

extern "C" __attribute__((visibility("default"))) int kzr_admin_import(int argc, char **argv)
{
    // Nobody sees the screen; it needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    standardHandler = qInstallMessageHandler(quietOffscreen); // before the platform speaks
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kzr-admin"));
    SpeakBrazilianPortuguese();
    QTextStream out(stdout);
    QTextStream err(stderr);
    QString error;
    const AdminOptions options = AdminOptions::fromArguments(app.arguments(), &error);
    if (!error.isEmpty()) {
        err << "kzr-admin: " << error << Qt::endl;
        return AdminTool::BadUsage;
    }
    // A file that cannot be read, or does not hold what its layout says, is the caller's
    // mistake, told apart from a server that failed.
    ImportFile file;
    try {
        if (options.command == AdminOptions::Command::Import)
            file = readFile(options);
    } catch (const Exception &e) {
        err << "kzr-admin: " << e.Message() << Qt::endl;
        return AdminTool::BadUsage;
    }
    try {
        return run(options, file, out);
    } catch (const Exception &e) {
        err << "kzr-admin: " << e.Message() << Qt::endl;
    }
    return AdminTool::Failed;
}
