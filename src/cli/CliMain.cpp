#include "CliMain.h"

#include "app/AppPaths.h"
#include "app/Session.h"
#include "app/VersionInfo.h"

#include <QTextStream>

namespace tq::cli {

namespace {

const QStringList &commands()
{
    static const QStringList names{QStringLiteral("info"), QStringLiteral("help"), QStringLiteral("version")};
    return names;
}

void usage(QTextStream &out)
{
    out << "usage: tallowmere [COMMAND [OPTIONS]]\n"
           "Without a command the desktop program starts on the default database.\n\n"
           "commands:\n"
           "  --version              print the version and build\n"
           "  info [--db FILE]       print the database path, its label and its number of records\n"
           "  help                   this text\n";
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
