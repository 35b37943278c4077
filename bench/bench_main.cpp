// Figures for the speed and memory targets, over generated data:
//   tq_bench generate [--records N]   time to generate N records
//   tq_bench list [--records N]       record list: open, scroll to the end, sort by a title click
//   tq_bench check [--records N]      batch logic check of every record
//   tq_bench editor                   page changes and record loads in the record editor
//   tq_bench startup                  main window on the default database
//   tq_bench exchange [--records N]   report export and imports (bench_exchange.cpp)
// Every figure is printed; nothing here fails on time.

#include "CliInteraction.h"
#include "SyntheticGenerator.h"
#include "app/AppPaths.h"
#include "app/RecordListModel.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "app/TMainForm.h"
#include "entry/TdlgSurveyDataForm.h"
#include "entry/TNumberEdit.h"
#include "common/Interaction.h"
#include "db/Database.h"
#include "db/DefaultDataBuilder.h"
#include "app/RecordList.h"
#include "db/ResultSet.h"
#include "logic/BatchCheck.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <sqlite3.h>

using namespace tq;

namespace {

QTextStream out(stdout);

long rssKb(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(int(strlen(key))).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// Messages of the commands go to the terminal beside the figures.
using QuietInteraction = cli::CliInteraction;

QString makeDatabase(const QTemporaryDir &dir, int records)
{
    const QString path = dir.filePath(QStringLiteral("2009NB_tq.mdb"));
    db::DefaultDataBuilder(QStringLiteral(TQ_DATA_DIR)).build(path);
    if (records > 0) {
        db::Database db = db::Database::open(path);
        synth::Options o;
        o.count = records;
        o.failShare = 0.33;
        QElapsedTimer t;
        t.start();
        synth::generate(db, o, QStringLiteral(TQ_DATA_DIR "/logic_rules.tsv"));
        out << "generate " << records << " records: " << t.elapsed() << " ms\n";
    }
    out.flush();
    return path;
}

int records(const QStringList &args, int def)
{
    const qsizetype at = args.indexOf(QStringLiteral("--records"));
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1).toInt() : def;
}

void settle()
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

int benchList(int n)
{
    QTemporaryDir dir;
    makeDatabase(dir, n);
    AppPaths::setProgramDir(dir.path());
    Settings settings(dir.filePath(QStringLiteral("bench.ini")));
    QuietInteraction ui(out);
    Preferences prefs;
    Session session;
    session.openDatabase();
    const long before = rssKb("VmRSS:");

    QElapsedTimer t;
    t.start();
    gui::TMainForm w(session, settings, ui, prefs);
    w.resize(1366, 768);
    w.show();
    w.recordGrid()->repaint();
    settle();
    const qint64 open = t.elapsed();
    out << "list open (query + first screen) over " << w.recordList().rowCount() << " records: " << open << " ms\n";
    out << "  list cells: " << w.recordList().memoryUsage() / (1024 * 1024) << " MiB; resident memory "
        << rssKb("VmRSS:") / 1024 << " MiB\n";

    // What the engine alone needs for the same statement, for comparison.
    t.restart();
    {
        db::Statement st = session.db().prepare(w.recordList().query().sql);
        const int n = st.columnCount();
        qint64 sum = 0;
        sqlite3_stmt *h = st.handle();
        while (st.step())
            for (int c = 0; c < n; ++c)
                sum += sqlite3_column_type(h, c) == SQLITE_INTEGER ? sqlite3_column_int64(h, c) : 1;
        out << "SQLite alone steps the list query and reads every cell: " << t.elapsed() << " ms (" << sum % 7
            << ")\n";
    }

    t.restart();
    w.recordGrid()->scrollToBottom();
    w.recordGrid()->selectRow(w.recordList().rowCount() - 1);
    w.recordGrid()->repaint();
    settle();
    out << "scroll to the end: " << t.elapsed() << " ms\n";

    const auto &cols = w.recordModel()->columns();
    int nameCol = 0;
    for (int i = 0; i < int(cols.size()); ++i)
        if (cols[std::size_t(i)].field == QLatin1String("c902"))
            nameCol = i;
    for (const char *what : {"sort by name (title click)", "sort by name again", "sort by code"}) {
        t.restart();
        w.recordModel()->sortByColumn(what[8] == 'c' ? 0 : nameCol);
        w.recordGrid()->repaint();
        settle();
        out << what << ": " << t.elapsed() << " ms\n";
    }
    t.restart();
    w.requeryAndReturn();
    w.recordGrid()->repaint();
    settle();
    out << "re-run and return: " << t.elapsed() << " ms\n";
    out << "resident memory: " << rssKb("VmRSS:") / 1024 << " MiB now, " << rssKb("VmHWM:") / 1024
        << " MiB peak (before the window: " << before / 1024 << " MiB)\n";
    return 0;
}

int benchStartup()
{
    QTemporaryDir dir;
    makeDatabase(dir, 0);
    AppPaths::setProgramDir(dir.path());
    QElapsedTimer t;
    t.start();
    Settings settings(dir.filePath(QStringLiteral("bench.ini")));
    QuietInteraction ui(out);
    Preferences prefs;
    Session session;
    session.openDatabase();
    gui::TMainForm w(session, settings, ui, prefs);
    w.show();
    settle();
    out << "start-up to a usable main window (default database, no splash): " << t.elapsed() << " ms\n";
    return 0;
}

int benchCheck(int n, QString path)
{
    QTemporaryDir dir;
    if (path.isEmpty())
        path = makeDatabase(dir, n);
    Session session;
    session.openDatabase(path);
    QElapsedTimer t;
    t.start();
    {
        db::Statement st = session.db().prepare(QStringLiteral("SELECT * FROM dt_data"));
        qint64 rows = 0;
        while (st.step())
            ++rows;
        out << "SQLite steps SELECT * FROM dt_data over " << rows << " rows: " << t.elapsed() << " ms\n";
    }
    const qint64 read = t.elapsed();
    QuietInteraction ui(out);
    logic::BatchCheck check(session, dir.path(), ui);
    // First as after an import (every state 0, so every row is written), then
    // again (every state already right).
    session.db().exec(QStringLiteral("UPDATE dt_data SET RecordState = 0"));
    for (const char *what : {"first check, all states 0", "second check, states unchanged"}) {
        t.restart();
        const auto outcome = check.RunBatchCheck(QStringLiteral("select * from dt_data"), {}, true);
        const qint64 took = t.elapsed();
        out << "batch check (" << what << "): " << took << " ms, " << outcome.failedRecords << " records with "
            << outcome.failures << " failures, " << QFileInfo(outcome.resultFile).size() / 1024
            << " KiB result file; " << QString::number(double(took) / std::max<qint64>(read, 1), 'f', 2)
            << "x the plain read\n";
    }
    return 0;
}

// Typing speed: a page change with its rule checks, and loading a record.
int benchEditor()
{
    QTemporaryDir dir;
    const QString path = makeDatabase(dir, 2000);
    AppPaths::setProgramDir(dir.path());
    Settings settings(dir.filePath(QStringLiteral("bench.ini")));
    QuietInteraction ui(out);
    Preferences prefs;
    Session session;
    session.openDatabase(path);
    RecordList list(ListQuery(QStringLiteral("SELECT c901, c904 from view_data order by c901 asc")));
    list.open(session.db());
    // a county union: most boxes open
    for (int r = 0; r < list.rowCount(); ++r)
        if (list.intValue(r, 1) == 3 && list.setCurrentRow(r))
            break;
    gui::TdlgSurveyDataForm form(session, settings, ui, prefs);
    form.setRecordList(list, {});
    form.setAdding(false);
    QElapsedTimer t;
    t.start();
    form.FormShow();
    form.show();
    settle();
    out << "open the editor on a record: " << t.elapsed() << " ms\n";
    qint64 worst = 0, total = 0;
    int changes = 0;
    for (int round = 0; round < 3; ++round) {
        for (int page = 1; page <= 13; ++page) {
            t.restart();
            form.changePage(page);
            settle();
            const qint64 took = t.elapsed();
            worst = std::max(worst, took);
            total += took;
            ++changes;
        }
        form.changePage(1);
    }
    out << "page change with its rule checks: " << QString::number(double(total) / changes, 'f', 1)
        << " ms on average, " << worst << " ms at the worst, over " << changes << " changes\n";
    t.restart();
    for (int i = 0; i < 20; ++i) {
        list.next();
        form.LoadRecord();
    }
    out << "load a record: " << QString::number(t.elapsed() / 20.0, 'f', 1) << " ms\n";
    return 0;
}

} // namespace

int benchExchange(int records);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                     : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QString what = args.value(0, QStringLiteral("list"));
    int rc = 2;
    if (what == QLatin1String("list"))
        rc = benchList(records(args, 100000));
    else if (what == QLatin1String("check"))
        rc = benchCheck(records(args, 100000),
                        args.indexOf(QStringLiteral("--db")) > 0 ? args.value(args.indexOf(QStringLiteral("--db")) + 1)
                                                                 : QString());
    else if (what == QLatin1String("editor"))
        rc = benchEditor();
    else if (what == QLatin1String("startup"))
        rc = benchStartup();
    else if (what == QLatin1String("exchange"))
        rc = benchExchange(records(args, 100000));
    else if (what == QLatin1String("generate")) {
        QTemporaryDir dir;
        makeDatabase(dir, records(args, 100000));
        rc = 0;
    } else
        out << "usage: tq_bench list|check|editor|startup|exchange|generate [--records N]\n";
    out.flush();
    return rc;
}
