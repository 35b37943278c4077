#include "CheckCommand.h"

#include "CliInteraction.h"
#include "CommonOptions.h"
#include "app/RecordSelection.h"
#include "app/Session.h"
#include "logic/BatchCheck.h"

#include <QCommandLineParser>
#include <QDir>
#include <QTextStream>

namespace tq::cli {

namespace {
const QString AllOption = QStringLiteral("all");
const QString RangeOption = QStringLiteral("range");
const QString CodesOption = QStringLiteral("codes");
} // namespace

QString CheckCommand::summary() const
{
    return QStringLiteral("check the records against the consistency rules and mark them");
}

QString CheckCommand::synopsis() const
{
    return QStringLiteral("[--db FILE] [--all | --range LO HI | --codes C1,C2,...] [--report-folder DIR]");
}

QString CheckCommand::description() const
{
    return QStringLiteral("The last line is the result file. Exit 0 when every record passes, 1 when some fail, "
                          "2 on an error.");
}

void CheckCommand::configure(QCommandLineParser &parser)
{
    CommonOptions::addDatabase(parser);
    parser.addOption({AllOption, QStringLiteral("Check every record (the default).")});
    parser.addOption(
        {RangeOption, QStringLiteral("Check the records with codes from LO to HI, the two words after the option.")});
    parser.addOption({CodesOption, QStringLiteral("Check the records with these codes."), QStringLiteral("list")});
    CommonOptions::addReportFolder(parser);
}

// The last of --all, --range and --codes given counts; --range takes the first
// two plain words as its bounds.
RecordSelection CheckCommand::selection(const QCommandLineParser &parser)
{
    QStringList words = parser.positionalArguments();
    QStringList bounds;
    if (parser.isSet(RangeOption)) {
        if (words.size() < 2)
            throw ArgumentError(QStringLiteral("--range needs LO and HI"));
        bounds = words.mid(0, 2);
        words.remove(0, 2);
    }
    if (!words.isEmpty())
        throw ArgumentError(QStringLiteral("unexpected argument ") + words.first());

    QString last;
    for (const QString &option : parser.optionNames()) {
        if (option == AllOption || option == RangeOption || option == CodesOption)
            last = option;
    }
    if (last == RangeOption) {
        bool okLow = false, okHigh = false;
        const qint64 low = bounds.at(0).toLongLong(&okLow);
        const qint64 high = bounds.at(1).toLongLong(&okHigh);
        const auto range = CodeRange::resolve(okLow ? low : 0, okHigh ? high : 0);
        if (!range)
            throw Error(QStringLiteral("请输入逻辑检查的范围"));
        return RecordSelection::range(*range);
    }
    if (last == CodesOption) {
        QList<qint64> codes;
        for (const QString &part : parser.values(CodesOption).constLast().split(u',', Qt::SkipEmptyParts)) {
            bool ok = false;
            const qint64 c = part.trimmed().toLongLong(&ok);
            if (!ok)
                throw ArgumentError(QStringLiteral("not an organisation code: ") + part);
            codes << c;
        }
        if (codes.isEmpty())
            throw ArgumentError(QStringLiteral("--codes needs at least one code"));
        return RecordSelection::codes(codes);
    }
    return RecordSelection::all();
}

int CheckCommand::run(const QCommandLineParser &parser, CommandContext &ctx)
{
    const RecordSelection chosen = selection(parser);
    Session session;
    CommonOptions::openDatabase(parser, session);
    const QString folder = CommonOptions::reportFolder(parser);
    CliInteraction ui(ctx.out);
    logic::BatchCheck check(session, folder, ui);
    const auto outcome = check.RunBatchCheck(chosen, true);
    ctx.out << "checked " << outcome.checked << " records, " << outcome.failedRecords << " with errors, "
            << outcome.failures << " errors\n";
    ctx.out << QDir::toNativeSeparators(outcome.resultFile) << "\n";
    return outcome.failedRecords > 0 ? ExitFindings : ExitOk;
}

} // namespace tq::cli
