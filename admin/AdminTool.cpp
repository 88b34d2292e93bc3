#include "AdminTool.h"

#include "AdminOptions.h"
#include "DimensionCheck.h"
#include "DimensionExport.h"
#include "DimensionSource.h"
#include "Exceptions.h"
#include "FileErrorText.h"
#include "HistoryReport.h"
#include "MemberTree.h"

#include <QSaveFile>

namespace {

void write(const AdminOptions &options, const QByteArray &bytes, QTextStream &out)
{
    if (options.output.isEmpty()) {
        out << QString::fromUtf8(bytes);
        out.flush();
        return;
    }
    // Written beside and renamed over at the end: a failure leaves the old file whole.
    QSaveFile file(options.output);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw Exception(QStringLiteral("Não foi possível gravar \"%1\": %2")
                            .arg(options.output, FileErrorText::writing(file)));
}

// The members' tree goes out as each page comes, to `out` or beside the file, which it
// replaces only once whole.
void stream(const AdminOptions &options, MemberTree &tree, QTextStream &out)
{
    QSaveFile file(options.output);
    if (!options.output.isEmpty() && !file.open(QIODevice::WriteOnly))
        throw Exception(QStringLiteral("Não foi possível gravar \"%1\": %2")
                            .arg(options.output, FileErrorText::writing(file)));
    const MemberTree::Sink sink = [&](const QString &text) {
        if (options.output.isEmpty()) {
            out << text;
            return;
        }
        const QByteArray bytes = text.toUtf8();
        if (file.write(bytes) != bytes.size())
            throw Exception(QStringLiteral("Não foi possível gravar \"%1\": %2")
                                .arg(options.output, FileErrorText::writing(file)));
    };
    if (options.format == AdminOptions::Format::Csv)
        tree.writeCsv(sink);
    else
        tree.writeJson(sink);
    out.flush();
    if (!options.output.isEmpty() && !file.commit())
        throw Exception(QStringLiteral("Não foi possível gravar \"%1\": %2")
                            .arg(options.output, FileErrorText::writing(file)));
}

} // namespace

int AdminTool::run(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    QString error;
    bool help = false;
    const AdminOptions options = AdminOptions::fromArguments(arguments, &error, &help);
    if (help) {
        out << error;
        return Done;
    }
    if (!error.isEmpty()) {
        err << "kzr-admin: " << error << Qt::endl;
        return BadUsage;
    }
    try {
        switch (options.command) {
        case AdminOptions::Command::Export: {
            DimensionSource source(options.server);
            const DimensionExport data = DimensionExport::read(source);
            write(options, options.format == AdminOptions::Format::Csv ? data.csv() : data.json(),
                  out);
            return Done;
        }
        case AdminOptions::Command::Check: {
            const DimensionCheck check = DimensionCheck::run(options.server);
            write(options,
                  options.format == AdminOptions::Format::Json ? check.json() : check.text(), out);
            return check.hasProblems() ? ProblemsFound : Done;
        }
        case AdminOptions::Command::Members: {
            MemberTree tree(options.server, options.code);
            stream(options, tree, out);
            return Done;
        }
        case AdminOptions::Command::History: {
            DimensionSource source(options.server);
            const QList<HistoryEntry> history = source.history(options.code);
            // A deleted dimension keeps its history; a code with neither is a mistake.
            if (history.isEmpty() && !source.holds(options.code))
                throw Exception(QStringLiteral("Não há dimensão com o código \"%1\".").arg(options.code));
            const HistoryReport report(history);
            write(options,
                  options.format == AdminOptions::Format::Json ? report.json() : report.text(),
                  out);
            return Done;
        }
        case AdminOptions::Command::Import:
        case AdminOptions::Command::Restore:
            // The screen needs a widget application of its own, made before anything else.
            throw Exception(QStringLiteral("import e restore só rodam pelo programa kzr-admin."));
        }
    } catch (const Exception &e) {
        err << "kzr-admin: " << e.Message() << Qt::endl;
    }
    return Failed;
}
