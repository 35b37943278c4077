#include "SummaryCommand.h"

#include "CliInteraction.h"
#include "CommonOptions.h"
#include "app/Session.h"
#include "summary/SheetList.h"
#include "summary/SummaryDefinitions.h"
#include "summary/SummaryWorkbook.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <set>

namespace tq::cli {

namespace {
const QString OutOption = QStringLiteral("out");
const QString GroupOption = QStringLiteral("group");
const QString SheetsOption = QStringLiteral("sheets");
} // namespace

QString SummaryCommand::summary() const
{
    return QStringLiteral("write the summary workbook by level or by a custom grouping");
}

QString SummaryCommand::description() const
{
    return QStringLiteral("Sheets are numbered as in the workbook: 1 the cover, 2 to 25 the tables.\n"
                          "Exit 0 when the workbook is written, 2 on any error.");
}

void SummaryCommand::configure(QCommandLineParser &parser)
{
    parser.addOption({OutOption, QStringLiteral("The workbook to write."), QStringLiteral("file")});
    CommonOptions::addDatabase(parser);
    parser.addOption({GroupOption,
                      QStringLiteral("Summarise by the code ranges of this grouping (0: of every grouping) "
                                     "instead of by level."),
                      QStringLiteral("id")});
    parser.addOption({SheetsOption,
                      QStringLiteral("The sheets to fill, e.g. 1,2,3; all 24 table sheets when left out."),
                      QStringLiteral("list")});
}

int SummaryCommand::run(const QCommandLineParser &parser, CommandContext &ctx)
{
    if (!parser.positionalArguments().isEmpty())
        throw ArgumentError(QStringLiteral("unexpected argument ") + parser.positionalArguments().first());
    const QString target = parser.value(OutOption);
    if (target.isEmpty()) {
        ctx.err << usageLine() << "\n";
        return ExitError;
    }

    std::set<int> sheets;
    if (parser.isSet(SheetsOption)) {
        for (const QString &part : parser.value(SheetsOption).split(u',', Qt::SkipEmptyParts)) {
            bool ok = false;
            const int n = part.trimmed().toInt(&ok);
            if (!ok || n < 1 || n > summary::SummaryDefinitions::SheetCount)
                throw ArgumentError(QStringLiteral("--sheets takes sheet numbers from 1 to 25, not ") + part);
            sheets.insert(n);
        }
        if (sheets.empty())
            throw ArgumentError(QStringLiteral("--sheets needs at least one sheet number"));
    } else {
        for (int n = summary::SummaryDefinitions::FirstSheet; n <= summary::SummaryDefinitions::LastSheet; ++n)
            sheets.insert(n);
    }

    summary::SummaryMode mode = summary::SummaryMode::ByLevel;
    qint64 group = 0;
    if (parser.isSet(GroupOption)) {
        bool ok = false;
        group = parser.value(GroupOption).trimmed().toLongLong(&ok);
        if (!ok || group < 0)
            throw ArgumentError(QStringLiteral("--group takes the id of a grouping, not ") + parser.value(GroupOption));
        mode = summary::SummaryMode::ByGroup;
    }

    Session session;
    CommonOptions::openDatabase(parser, session);
    if (group != 0 &&
        session.db().scalar(QStringLiteral("select count(*) from ct_group where id=?"), {group}).toLongLong() == 0)
        throw Error(QStringLiteral("数据库中没有编号为 %1 的自定义分组").arg(group));

    summary::SheetList list = summary::SheetList::builtIn();
    for (int i = 0; i < list.size(); ++i)
        if (sheets.count(list.sheetOf(i, summary::SummaryDefinitions::SheetCount)))
            list.entries()[std::size_t(i)].state = summary::SheetListEntry::Ticked;

    // Messages of the run (a template that cannot be opened) are errors here.
    CliInteraction ui(ctx.err);
    if (!summary::SummaryWorkbook(session.db(), ui).saveAs(list, mode, group, target))
        return ExitError;
    ctx.out << QDir::toNativeSeparators(QFileInfo(target).absoluteFilePath()) << "\n";
    return ExitOk;
}

} // namespace tq::cli
