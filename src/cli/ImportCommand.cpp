#include "ImportCommand.h"

#include "CliInteraction.h"
#include "CommonOptions.h"
#include "app/Session.h"
#include "exchange/DataImport.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace tq::cli {

QString ImportCommand::summary() const
{
    return QStringLiteral("import report files into the database");
}

QString ImportCommand::synopsis() const
{
    return QStringLiteral("FILE... [--db FILE] [--report-folder DIR]");
}

QString ImportCommand::description() const
{
    return QStringLiteral("Each file is imported whole or not at all. When codes clash, the last line is the "
                          "conflict report. Exit 0 when every file was imported, 1 when some file had clashing "
                          "codes, 2 on an error.");
}

void ImportCommand::configure(QCommandLineParser &parser)
{
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("A report file to import."),
                                 QStringLiteral("FILE..."));
    CommonOptions::addDatabase(parser);
    CommonOptions::addReportFolder(parser);
}

int ImportCommand::run(const QCommandLineParser &parser, CommandContext &ctx)
{
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty())
        throw ArgumentError(QStringLiteral("import needs at least one report file"));
    // Every file is there before the first one is imported.
    for (const QString &f : files) {
        if (!QFileInfo(f).isFile())
            throw Error(QStringLiteral("您选择的文件名为【") + QDir::toNativeSeparators(f) +
                        QStringLiteral("】的文件并不存在，请选择其它文件。"));
    }
    Session session;
    CommonOptions::openDatabase(parser, session);
    const QString folder = CommonOptions::reportFolder(parser);
    CliInteraction ui(ctx.out);
    exchange::DataImport import(session, folder, ui);
    exchange::DataImport::BatchOutcome outcome;
    const auto summary = [&] {
        for (const QString &f : outcome.imported)
            ctx.out << "imported " << QDir::toNativeSeparators(f) << "\n";
        for (const QString &f : outcome.conflicting)
            ctx.out << "conflicts " << QDir::toNativeSeparators(f) << "\n";
        for (qsizetype i = 0; i < outcome.failed.size(); ++i)
            ctx.out << "failed " << QDir::toNativeSeparators(outcome.failed.at(i)) << ": " << outcome.failures.value(i)
                    << "\n";
        for (const QString &f : outcome.refused)
            ctx.out << "refused " << QDir::toNativeSeparators(f) << "\n";
        ctx.out << "added " << outcome.records << " records\n";
        if (outcome.reportHasBlocks())
            ctx.out << QDir::toNativeSeparators(outcome.report) << "\n";
    };
    try {
        import.importFiles(files, outcome);
    } catch (const Error &) {
        // The files before the one that failed stay imported: say which.
        summary();
        throw;
    }
    summary();
    if (!outcome.failed.isEmpty() || !outcome.refused.isEmpty())
        return ExitError;
    return outcome.conflicting.isEmpty() ? ExitOk : ExitFindings;
}

} // namespace tq::cli
