#include "ReportCommand.h"

#include "CliInteraction.h"
#include "CommonOptions.h"
#include "app/Session.h"
#include "exchange/ReportExport.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace tq::cli {

namespace {
const QString LabelOption = QStringLiteral("label");
const QString OutOption = QStringLiteral("out");
} // namespace

QString ReportCommand::summary() const
{
    return QStringLiteral("write the report file of the checked records for the level above");
}

QString ReportCommand::synopsis() const
{
    return QStringLiteral("--label NAME --out FILE [--db FILE]");
}

QString ReportCommand::description() const
{
    return QStringLiteral("The file is written under a temporary name and renamed when complete; its path is the "
                          "last line. Exit 0 when written, 1 when some record has not passed the logic check "
                          "(nothing is written), 2 on an error.");
}

void ReportCommand::configure(QCommandLineParser &parser)
{
    parser.addOption(
        {LabelOption, QStringLiteral("The supplier's name written into the report file."), QStringLiteral("name")});
    parser.addOption(
        {OutOption, QStringLiteral("The report file to write (replaced when it exists)."), QStringLiteral("file")});
    CommonOptions::addDatabase(parser);
}

int ReportCommand::run(const QCommandLineParser &parser, CommandContext &ctx)
{
    if (!parser.positionalArguments().isEmpty())
        throw ArgumentError(QStringLiteral("unexpected argument ") + parser.positionalArguments().first());
    if (!parser.isSet(LabelOption))
        throw ArgumentError(QStringLiteral("--label needs the supplier's name"));
    const QString out = parser.value(OutOption);
    if (out.trimmed().isEmpty())
        throw ArgumentError(QStringLiteral("--out needs a file name"));
    const QString label = parser.value(LabelOption);
    if (label == QStringLiteral("默认数据库"))
        throw Error(QStringLiteral("必须修改默认的名称！"));

    Session session;
    CommonOptions::openDatabase(parser, session);
    CliInteraction ui(ctx.out);
    exchange::ReportExport report(session, ui);
    if (report.uncheckedRecords() > 0) {
        ctx.err << exchange::ReportExport::gateMessage() << "\n";
        return ExitFindings;
    }
    const qint64 n = report.write(out, label);
    ctx.out << "reported " << n << " records\n";
    ctx.out << QDir::toNativeSeparators(QFileInfo(out).absoluteFilePath()) << "\n";
    return ExitOk;
}

} // namespace tq::cli
