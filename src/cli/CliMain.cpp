#include "CliMain.h"

#include "CliInteraction.h"
#include "PrintCommand.h"
#include "app/AppPaths.h"
#include "app/Settings.h"
#include "common/Error.h"
#include "app/RecordSelection.h"
#include "logic/BatchCheck.h"
#include "app/Session.h"
#include "app/VersionInfo.h"

#include <QDir>
#include <QTextStream>

namespace tq::cli {

namespace {

const QStringList &commands()
{
    static const QStringList names{QStringLiteral("info"), QStringLiteral("check"), QStringLiteral("print"),
                                   QStringLiteral("help"), QStringLiteral("version")};
    return names;
}

void usage(QTextStream &out)
{
    out << "usage: tallowmere [COMMAND [OPTIONS]]\n"
           "Without a command the desktop program starts on the default database.\n\n"
           "commands:\n"
           "  --version              print the version and build\n"
           "  info [--db FILE]       print the database path, its label and its number of records\n"
           "  check [--db FILE] [--all | --range LO HI | --codes C1,C2,...] [--report-folder DIR]\n"
           "                         check the records against the consistency rules and mark them;\n"
           "                         the last line is the result file; exit 0 clean, 1 failures, 2 error\n"
        << printUsage() << "  help                   this text\n";
}

// Takes "--db FILE" out of the arguments; empty means the default database.
bool takeDb(QStringList &args, QString &db, QTextStream &err)
{
    const qsizetype at = args.indexOf(QStringLiteral("--db"));
    if (at < 0)
        return true;
    if (at + 1 >= args.size()) {
        err << "tallowmere: --db needs a file name\n";
        return false;
    }
    db = args.at(at + 1);
    args.remove(at, 2);
    return true;
}

int info(QStringList args, QTextStream &out, QTextStream &err)
{
    QString dbPath;
    if (!takeDb(args, dbPath, err))
        return 2;
    if (!args.isEmpty()) {
        err << "tallowmere info: unknown argument " << args.first() << "\n";
        return 2;
    }
    Session session;
    try {
        session.openDatabase(dbPath);
        const qint64 n = session.db().scalar(QStringLiteral("SELECT count(*) FROM dt_data")).toLongLong();
        out << "database: " << session.path() << "\n"
            << "label: " << session.label() << "\n"
            << "records: " << n << "\n";
    } catch (const db::DbError &e) {
        err << e.text() << "\n";
        return 2;
    }
    return 0;
}

int check(QStringList args, QTextStream &out, QTextStream &err)
{
    QString dbPath;
    if (!takeDb(args, dbPath, err))
        return 2;
    QString folder;
    RecordSelection selection = RecordSelection::all();
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        if (a == QLatin1String("--all")) {
            selection = RecordSelection::all();
        } else if (a == QLatin1String("--range") && args.size() >= 2) {
            bool okLow = false, okHigh = false;
            const qint64 low = args.takeFirst().toLongLong(&okLow);
            const qint64 high = args.takeFirst().toLongLong(&okHigh);
            const auto range = CodeRange::resolve(okLow ? low : 0, okHigh ? high : 0);
            if (!range) {
                err << "请输入逻辑检查的范围\n";
                return 2;
            }
            selection = RecordSelection::range(*range);
        } else if (a == QLatin1String("--codes") && !args.isEmpty()) {
            QList<qint64> codes;
            for (const QString &part : args.takeFirst().split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                bool ok = false;
                const qint64 c = part.trimmed().toLongLong(&ok);
                if (!ok) {
                    err << "tallowmere check: not an organisation code: " << part << "\n";
                    return 2;
                }
                codes << c;
            }
            if (codes.isEmpty()) {
                err << "tallowmere check: --codes needs at least one code\n";
                return 2;
            }
            selection = RecordSelection::codes(codes);
        } else if (a == QLatin1String("--report-folder") && !args.isEmpty()) {
            folder = args.takeFirst();
        } else {
            err << "tallowmere check: unexpected argument " << a << "\n";
            return 2;
        }
    }
    Session session;
    CliInteraction ui(out);
    try {
        session.openDatabase(dbPath);
        if (folder.isEmpty()) {
            Settings settings;
            folder = AppPaths::reportFolder(settings);
        }
        if (!QDir(folder).exists() && !QDir().mkpath(folder)) {
            err << "无法建立报告文件夹：" << folder << "\n";
            return 2;
        }
        logic::BatchCheck run(session, folder, ui);
        const auto outcome = run.RunBatchCheck(selection, true);
        out << "checked " << outcome.checked << " records, " << outcome.failedRecords << " with errors, "
            << outcome.failures << " errors\n";
        out << QDir::toNativeSeparators(outcome.resultFile) << "\n";
        return outcome.failedRecords > 0 ? 1 : 0;
    } catch (const Error &e) {
        out.flush();
        err << e.text() << "\n";
        return 2;
    }
}

} // namespace

bool wantsHeadless(const QStringList &args)
{
    if (args.isEmpty())
        return false;
    const QString &first = args.first();
    return first == QLatin1String("--version") || first == QLatin1String("-v") || first == QLatin1String("--help") ||
           first == QLatin1String("-h") || commands().contains(first);
}

int run(const QStringList &argsIn, QTextStream &out, QTextStream &err)
{
    QStringList args = argsIn;
    const QString cmd = args.isEmpty() ? QStringLiteral("help") : args.takeFirst();
    int rc = 0;
    if (cmd == QLatin1String("--version") || cmd == QLatin1String("-v") || cmd == QLatin1String("version")) {
        out << "tallowmere " << VersionInfo::current().displayText() << "\n";
    } else if (cmd == QLatin1String("--help") || cmd == QLatin1String("-h") || cmd == QLatin1String("help")) {
        usage(out);
    } else if (cmd == QLatin1String("info")) {
        rc = info(args, out, err);
    } else if (cmd == QLatin1String("print")) {
        rc = runPrint(args, out, err);
    } else if (cmd == QLatin1String("check")) {
        rc = check(args, out, err);
    } else {
        err << "tallowmere: unknown command " << cmd << "\n";
        usage(err);
        rc = 2;
    }
    out.flush();
    err.flush();
    return rc;
}

} // namespace tq::cli
