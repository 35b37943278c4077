#include "BackupCommand.h"

#include "CliInteraction.h"
#include "CommonOptions.h"
#include "app/Session.h"
#include "exchange/DatabaseMaintenance.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace tq::cli {

namespace {
const QString OutOption = QStringLiteral("out");
} // namespace

QString BackupCommand::summary() const
{
    return QStringLiteral("copy the database file to a backup file");
}

QString BackupCommand::description() const
{
    return QStringLiteral("FILE is written as named and replaces a file of that name only once the copy is "
                          "complete. The last line is the backup file. Exit 0 on success, 2 on an error.");
}

void BackupCommand::configure(QCommandLineParser &parser)
{
    parser.addOption({OutOption, QStringLiteral("The backup file to write."), QStringLiteral("file")});
    CommonOptions::addDatabase(parser);
}

int BackupCommand::run(const QCommandLineParser &parser, CommandContext &ctx)
{
    if (!parser.positionalArguments().isEmpty())
        throw ArgumentError(QStringLiteral("unexpected argument ") + parser.positionalArguments().first());
    const QString target = parser.value(OutOption);
    if (target.isEmpty())
        throw ArgumentError(QStringLiteral("--out needs a file name"));
    Session session;
    CommonOptions::openDatabase(parser, session);
    CliInteraction ui(ctx.out);
    exchange::DatabaseMaintenance(session, ui).backupTo(target);
    ctx.out << "备份成功\n" << QDir::toNativeSeparators(QFileInfo(target).absoluteFilePath()) << "\n";
    return ExitOk;
}

} // namespace tq::cli
