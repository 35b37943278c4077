// Figures for the speed and memory targets, over generated data:
//   tq_bench generate [--records N]   time to generate N records
//   tq_bench list [--records N]       record list: open, scroll to the end, sort by a title click
//   tq_bench check [--records N]      batch logic check of every record
//   tq_bench editor                   page changes and record loads in the record editor
//   tq_bench startup                  main window on the default database
//   tq_bench export [--records N] [--db FILE]
//                                     list export of every table's fields to a workbook and to a
//                                     database file, beside the sqlite3 shell's copy of the same columns
//   tq_bench query [--records N] [--db FILE]
//                                     indicator query: the result list shown
//   tq_bench summary [--records N] [--db FILE]
//                                     summary workbook of all 24 table sheets, by level and by a
//                                     grouping of 50 code ranges, beside the plain scan and the statements
//   tq_bench exchange [--records N]   report export and imports (bench_exchange.cpp)
//   tq_bench maintenance [--records N | --db FILE]
//                                     backup and compaction against cp and the sqlite3 shell's VACUUM INTO
// Every figure is printed; nothing here fails on time.

#include "CliInteraction.h"
#include "SyntheticGenerator.h"
#include "app/AppPaths.h"
#include "app/RecordList.h"
#include "app/RecordListModel.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "app/TMainForm.h"
#include "common/Interaction.h"
#include "db/Database.h"
#include "db/DefaultDataBuilder.h"
#include "db/FieldCatalogue.h"
#include "db/ResultSet.h"
#include "entry/TNumberEdit.h"
#include "entry/TdlgSurveyDataForm.h"
#include "exchange/DatabaseMaintenance.h"
#include "exchange/ExportRows.h"
#include "exchange/ListExport.h"
#include "exchange/ListExportQuery.h"
#include "logic/BatchCheck.h"
#include "query/TdlgQueryListForm.h"
#include "summary/SummaryDefinitions.h"
#include "summary/SummaryFigures.h"
#include "summary/SummaryWorkbook.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QProcess>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <functional>
#include <limits>
#include <sqlite3.h>
#include <sys/resource.h>

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
        out << "SQLite alone steps the list query and reads every cell: " << t.elapsed() << " ms (" << sum % 7 << ")\n";
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
            << outcome.failures << " failures, " << QFileInfo(outcome.resultFile).size() / 1024 << " KiB result file; "
            << QString::number(double(took) / std::max<qint64>(read, 1), 'f', 2) << "x the plain read\n";
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

// One way of doing a piece of work: an untimed preparation, then the work.
struct Contender {
    const char *name;
    std::function<void()> prepare;
    std::function<void()> work;
};

// The median time of each contender over `rounds` rounds. Each round runs
// every contender once, in turn, so that a busy machine weighs on all of them
// alike.
std::vector<qint64> medianMs(int rounds, const std::vector<Contender> &contenders)
{
    std::vector<std::vector<qint64>> times(contenders.size());
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t c = 0; c < contenders.size(); ++c) {
            contenders[c].prepare();
            QElapsedTimer t;
            t.start();
            contenders[c].work();
            times[c].push_back(t.elapsed());
        }
    }
    std::vector<qint64> medians;
    for (auto &list : times) {
        std::sort(list.begin(), list.end());
        medians.push_back(list[list.size() / 2]);
    }
    return medians;
}

void tool(const QString &program, const QStringList &args)
{
    if (QProcess::execute(program, args) != 0)
        throw Error(QStringLiteral("%1 failed").arg(program));
}

// Backup and compaction of a whole survey database beside what the system's
// own tools take for the same work: cp for the byte copy (cp does not flush to
// disk, so cp + sync as well), the sqlite3 shell's VACUUM INTO for the
// compaction. Warm cache; the median of eleven interleaved rounds.
int benchMaintenance(int n, const QString &given)
{
    QTemporaryDir dir;
    QString source = dir.filePath(QStringLiteral("source.mdb"));
    if (given.isEmpty()) {
        QFile::rename(makeDatabase(dir, n), source);
        // Compaction has something to give back once records were deleted.
        db::Database::open(source).exec(QStringLiteral("DELETE FROM dt_data WHERE c901 % 10 = 0"));
    } else {
        QFile::copy(given, source);
    }
    const QString copy = dir.filePath(QStringLiteral("copy.mdb"));
    const QString work = dir.filePath(QStringLiteral("work.mdb"));
    const auto fresh = [&] { QFile::remove(copy); };
    const auto workCopy = [&] {
        QFile::remove(work);
        QFile::copy(source, work);
    };
    out << "database: " << QFileInfo(source).size() / (1024 * 1024) << " MiB, "
        << db::Database::open(source).scalar(QStringLiteral("SELECT count(*) FROM dt_data")).toLongLong()
        << " records\n";
    out.flush();
    constexpr int kRounds = 11;
    const auto report = [](const char *what, const std::vector<Contender> &contenders, const std::vector<qint64> &ms) {
        out << what << ":";
        for (std::size_t c = 0; c < contenders.size(); ++c)
            out << (c ? ", " : " ") << contenders[c].name << " " << ms[c] << " ms";
        out << "\n  the command takes";
        for (std::size_t c = 0; c + 1 < contenders.size(); ++c)
            out << (c ? ", " : " ") << QString::number(double(ms.back()) / double(std::max<qint64>(ms[c], 1)), 'f', 2)
                << "x " << contenders[c].name;
        out << "\n";
        out.flush();
    };
    QuietInteraction ui(out);

    Session session;
    session.openDatabase(source);
    const std::vector<Contender> backup{
        {"cp", fresh,
         [&] {
             tool(QStringLiteral("cp"), {source, copy});
         }},
        {"cp + sync", fresh,
         [&] {
             tool(QStringLiteral("cp"), {source, copy});
             tool(QStringLiteral("sync"), {copy});
         }},
        {"the backup command (close, copy, flush, rename, reopen)", fresh,
         [&] { exchange::DatabaseMaintenance(session, ui).backupTo(copy); }},
    };
    report("backup", backup, medianMs(kRounds, backup));
    session.closeForMaintenance();

    Session workSession;
    const std::vector<Contender> compaction{
        {"sqlite3 shell VACUUM INTO", fresh,
         [&] {
             tool(QStringLiteral("sqlite3"), {source, QStringLiteral("VACUUM INTO '%1'").arg(copy)});
         }},
        {"the compaction command (close, VACUUM INTO, check, flush, rename, reopen)",
         [&] {
             workSession.closeForMaintenance();
             workCopy();
             workSession.openDatabase(work);
         },
         [&] { exchange::DatabaseMaintenance(workSession, ui).compactOpenFile(); }},
    };
    report("compaction", compaction, medianMs(kRounds, compaction));
    return 0;
}

} // namespace

// The summary workbook against the cost of reading the records once.
int benchSummary(int n, const QString &existing)
{
    QTemporaryDir dir;
    const QString path = existing.isEmpty() ? makeDatabase(dir, n) : existing;
    db::Database db = db::Database::open(path);
    const auto time = [](const std::function<void()> &work) {
        QElapsedTimer t;
        t.start();
        work();
        return t.elapsed();
    };
    const auto plainScan = [&] {
        db::Statement st = db.prepare(QStringLiteral("SELECT * FROM dt_data"));
        qint64 rows = 0;
        while (st.step())
            ++rows;
        return rows;
    };
    plainScan(); // the file in the page cache, as it is after the list has been shown
    qint64 rows = 0;
    qint64 scan = std::numeric_limits<qint64>::max();
    for (int i = 0; i < 3; ++i)
        scan = std::min(scan, time([&] { rows = plainScan(); }));
    out << "plain scan, SQLite steps SELECT * FROM dt_data over " << rows << " rows: " << scan << " ms\n";

    const summary::SummaryDefinitions &defs = summary::InitSummaryDefinitions();
    const qint64 statements = time([&] {
        for (int sheet = 2; sheet <= 25; ++sheet) {
            db::Statement st = db.prepare(defs.levelStatement(sheet));
            while (st.step()) {
            }
        }
    });
    out << "the 24 level statements one after the other in SQLite: " << statements << " ms ("
        << QString::number(double(statements) / std::max<qint64>(scan, 1), 'f', 2) << "x the plain scan)\n";

    QuietInteraction ui(out);
    summary::SheetList all = summary::SheetList::builtIn();
    all.tickAll(true);
    const QString templatePath = QStringLiteral(TQ_BIN_DIR "/2009基层以上汇总表.xltx");
    const QString target = dir.filePath(QStringLiteral("summary.xlsx"));
    // The machine is shared: each figure is the best of three runs.
    const auto whole = [&](summary::SummaryMode mode, qint64 group, const char *what) {
        qint64 best = std::numeric_limits<qint64>::max();
        for (int i = 0; i < 3; ++i) {
            QFile::remove(target);
            best = std::min(
                best, time([&] { summary::SummaryWorkbook(db, ui, templatePath).saveAs(all, mode, group, target); }));
            scan = std::min(scan, time([&] { plainScan(); }));
        }
        out << "program, " << what << ", all 24 table sheets, workbook saved: " << best << " ms ("
            << QString::number(double(best) / std::max<qint64>(scan, 1), 'f', 2) << "x the best plain scan, " << scan
            << " ms), " << QFileInfo(target).size() / 1024 << " KiB\n";
    };
    whole(summary::SummaryMode::ByLevel, 0, "by level");

    // A grouping of 50 equal code ranges over the codes in use.
    const qint64 low = db.scalar(QStringLiteral("SELECT min(c901) FROM dt_data")).toLongLong();
    const qint64 high = db.scalar(QStringLiteral("SELECT max(c901) FROM dt_data")).toLongLong() + 1;
    {
        db::Transaction t(db);
        db.exec(QStringLiteral("INSERT INTO ct_group (name) VALUES ('bench')"));
        const qint64 group = db.lastInsertId();
        for (int i = 0; i < 50; ++i)
            db.exec(QStringLiteral("INSERT INTO DT_GroupItem (GroupID, Title, LowBoundary, HighBoundary, LowSymbol, "
                                   "HighSymbol) VALUES (?, ?, ?, ?, '>=', '<')"),
                    {group, QStringLiteral("第%1组").arg(i + 1), low + (high - low) * i / 50,
                     low + (high - low) * (i + 1) / 50});
        t.commit();
        const std::vector<summary::GroupItem> items = summary::readGroupItems(db, group);
        const qint64 itemStatements = time([&] {
            int i = 0;
            for (const summary::GroupItem &item : items) {
                ++i;
                for (int sheet = 2; sheet <= 25; ++sheet) {
                    const summary::BoundStatement b = defs.itemStatement(sheet, item, i);
                    db::Statement st = db.prepare(b.sql);
                    st.bindAll(b.params);
                    while (st.step()) {
                    }
                }
            }
        });
        out << "the 24 x 50 item statements one after the other in SQLite: " << itemStatements << " ms ("
            << QString::number(double(itemStatements) / std::max<qint64>(scan, 1), 'f', 2) << "x the plain scan)\n";
        whole(summary::SummaryMode::ByGroup, group, "by a grouping of 50 code ranges");
        db.exec(QStringLiteral("DELETE FROM DT_GroupItem WHERE GroupID = ?"), {group});
        db.exec(QStringLiteral("DELETE FROM ct_group WHERE id = ?"), {group});
    }
    return 0;
}
int benchExchange(int records);

QString dbOption(const QStringList &args)
{
    const qsizetype at = args.indexOf(QStringLiteral("--db"));
    return at > 0 ? args.value(at + 1) : QString();
}

// The list of the list-export dialog with all twelve tables ticked.
ListQuery fullList(db::Database &db)
{
    const db::FieldCatalogue catalogue = db::FieldCatalogue::load(db);
    QList<int> tables;
    for (int i = 0; i < 12; ++i)
        tables << i;
    return exchange::ListExportQuery::build(
        exchange::ListExportQuery::fieldsOf(catalogue, db.columnNames(QStringLiteral("dt_data")), tables));
}

int benchExport(int n, QString path)
{
    QTemporaryDir dir;
    if (path.isEmpty())
        path = makeDatabase(dir, n);
    AppPaths::setProgramDir(dir.path());
    Settings settings(dir.filePath(QStringLiteral("bench.ini")));
    QuietInteraction ui(out);
    Preferences prefs;
    Session session;
    session.openDatabase(path);
    // The whole program: the main window with its list, then the export.
    gui::TMainForm w(session, settings, ui, prefs);
    w.show();
    settle();
    const long before = rssKb("VmRSS:");
    const ListQuery query = fullList(session.db());

    const QString book = dir.filePath(QStringLiteral("list.xlsx"));
    QElapsedTimer t;
    t.start();
    {
        exchange::StatementRows rows(session.db(), query);
        exchange::ListExport::writeWorkbook(rows, QStringLiteral("默认数据库数据列表"),
                                            exchange::ListExport::allColumns(rows), book, ui);
        out << "list export to a workbook: " << rows.rowCount() << " records x " << rows.columnCount()
            << " columns = " << qint64(rows.rowCount()) * rows.columnCount() << " cells\n";
    }
    out << "  " << t.elapsed() << " ms, file " << QFileInfo(book).size() / 1024 << " KiB; resident memory "
        << before / 1024 << " MiB before, " << rssKb("VmHWM:") / 1024 << " MiB peak\n";

    // Best of three each, so that a busy disk does not decide the ratio.
    qint64 ours = std::numeric_limits<qint64>::max(), theirs = ours;
    for (int run = 0; run < 3; ++run) {
        const QString table = dir.filePath(QStringLiteral("list%1.mdb").arg(run));
        t.restart();
        exchange::ListExport::writeDatabase(session.db(), query, QStringLiteral("默认数据库数据列表"), table, ui);
        ours = std::min(ours, t.elapsed());

        // The same columns copied by the sqlite3 shell in one statement.
        const QString shellTarget = dir.filePath(QStringLiteral("shell%1.mdb").arg(run));
        QProcess shell;
        t.restart();
        shell.start(QStringLiteral("sqlite3"),
                    {path, QStringLiteral("ATTACH '%1' AS o; CREATE TABLE o.t AS %2;").arg(shellTarget, query.sql)});
        if (!shell.waitForFinished(600000) || shell.exitCode() != 0) {
            out << "  sqlite3 shell not available: " << shell.readAllStandardError() << "\n";
            theirs = 0;
            break;
        }
        theirs = std::min(theirs, t.elapsed());
    }
    out << "list export to a database file: " << ours << " ms (best of 3)\n";
    if (theirs > 0)
        out << "  sqlite3 shell, ATTACH + CREATE TABLE AS SELECT of the same columns: " << theirs
            << " ms (best of 3; ratio " << QString::number(double(ours) / double(theirs), 'f', 2) << ")\n";

    // The headless command as a program of its own, with its own peak memory.
    const QString cliBook = dir.filePath(QStringLiteral("cli.xlsx"));
    QProcess cli;
    t.restart();
    cli.start(QStringLiteral(TQ_BIN_DIR "/tallowmere"),
              {QStringLiteral("list"), QStringLiteral("--db"), path, QStringLiteral("--tables"),
               QStringLiteral("1,2,3,4,5,6,7,8,9,10,11,12"), QStringLiteral("--out"), cliBook});
    if (cli.waitForFinished(600000) && cli.exitCode() == 0) {
        rusage usage{};
        getrusage(RUSAGE_CHILDREN, &usage);
        out << "tallowmere list (all tables) to a workbook: " << t.elapsed() << " ms, peak resident memory "
            << usage.ru_maxrss / 1024 << " MiB\n";
    } else {
        out << "tallowmere list failed: " << cli.readAllStandardError() << "\n";
    }
    return 0;
}

int benchQuery(int n, QString path)
{
    QTemporaryDir dir;
    if (path.isEmpty())
        path = makeDatabase(dir, n);
    QuietInteraction ui(out);
    Session session;
    session.openDatabase(path);
    const struct {
        const char *what;
        query::SqlCondition condition;
    } cases[] = {{"z001 >= 5", {QStringLiteral("where \"z001\">=?"), {5}}},
                 {"c901 > 0 (every record)", {QStringLiteral("where c901>?"), {0}}}};
    for (const auto &c : cases) {
        QElapsedTimer t;
        t.start();
        gui::TdlgQueryListForm dlg(session, ui, {});
        dlg.open(c.condition);
        dlg.show();
        dlg.grid()->repaint();
        settle();
        out << "indicator query " << c.what << ": " << dlg.recordList().rowCount() << " records listed in "
            << t.elapsed() << " ms (" << dlg.countLabel()->text() << ")\n";
    }
    out << "resident memory peak: " << rssKb("VmHWM:") / 1024 << " MiB\n";
    return 0;
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QString what = args.value(0, QStringLiteral("list"));
    int rc = 2;
    if (what == QLatin1String("list"))
        rc = benchList(records(args, 100000));
    else if (what == QLatin1String("check"))
        rc = benchCheck(records(args, 100000), args.indexOf(QStringLiteral("--db")) > 0
                                                   ? args.value(args.indexOf(QStringLiteral("--db")) + 1)
                                                   : QString());
    else if (what == QLatin1String("summary"))
        rc = benchSummary(records(args, 100000), args.indexOf(QStringLiteral("--db")) > 0
                                                     ? args.value(args.indexOf(QStringLiteral("--db")) + 1)
                                                     : QString());
    else if (what == QLatin1String("export"))
        rc = benchExport(records(args, 100000), dbOption(args));
    else if (what == QLatin1String("query"))
        rc = benchQuery(records(args, 100000), dbOption(args));
    else if (what == QLatin1String("editor"))
        rc = benchEditor();
    else if (what == QLatin1String("startup"))
        rc = benchStartup();
    else if (what == QLatin1String("exchange"))
        rc = benchExchange(records(args, 100000));
    else if (what == QLatin1String("maintenance"))
        rc = benchMaintenance(records(args, 100000), args.indexOf(QStringLiteral("--db")) > 0
                                                         ? args.value(args.indexOf(QStringLiteral("--db")) + 1)
                                                         : QString());
    else if (what == QLatin1String("generate")) {
        QTemporaryDir dir;
        makeDatabase(dir, records(args, 100000));
        rc = 0;
    } else
        out << "usage: tq_bench list|check|export|query|summary|editor|startup|exchange|maintenance|generate "
               "[--records N]\n";
    out.flush();
    return rc;
}
