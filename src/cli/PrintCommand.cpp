#include "PrintCommand.h"

#include "CliInteraction.h"
#include "CommonOptions.h"
#include "app/Session.h"
#include "entry/RecordPrintout.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace tq::cli {

namespace {
const QString OutOption = QStringLiteral("out");
} // namespace

QString PrintCommand::summary() const
{
    return QStringLiteral("write the annual-report print-out of record CODE to a workbook");
}

void PrintCommand::configure(QCommandLineParser &parser)
{
    parser.addOption({OutOption, QStringLiteral("The workbook to write."), QStringLiteral("file")});
    CommonOptions::addDatabase(parser);
    parser.addPositionalArgument(QStringLiteral("CODE"), QStringLiteral("The organisation code of the record."));
}

int PrintCommand::run(const QCommandLineParser &parser, CommandContext &ctx)
{
    const QStringList words = parser.positionalArguments();
    if (words.size() > 1)
        throw ArgumentError(QStringLiteral("unexpected argument ") + words.at(1));
    const QString target = parser.value(OutOption);
    if (words.isEmpty() || target.isEmpty()) {
        ctx.err << usageLine() << "\n";
        return ExitError;
    }
    // Any whole number can be a stored code, 0 and negative ones included;
    // whether it is one, the database says.
    const QString code = words.first();
    bool ok = false;
    const qint64 c901 = code.toLongLong(&ok);
    if (!ok)
        throw Error(QStringLiteral("单位编码“") + code + QStringLiteral("”无效"));

    Session session;
    CommonOptions::openDatabase(parser, session);
    if (session.db().scalar(QStringLiteral("select count(*) from dt_data where c901=?"), {c901}).toLongLong() == 0)
        throw Error(QStringLiteral("数据库中没有单位编码为 %1 的记录").arg(c901));
    // Messages of the print-out (a template that cannot be opened) are errors here.
    CliInteraction ui(ctx.err);
    entry::RecordPrintout printout(session.db(), ui);
    if (!printout.saveAs(entry::RecordPrintout::mainWindowTemplate(), QString::number(c901), target))
        return ExitError;
    ctx.out << QDir::toNativeSeparators(QFileInfo(target).absoluteFilePath()) << "\n";
    return ExitOk;
}

} // namespace tq::cli
