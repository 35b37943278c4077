// Figures of the report-file chain: the whole-file import of a 10,000-record
// report into a database of N records and the export of N checked records,
// each beside what the sqlite3 shell needs for the bare ATTACH + INSERT ...
// SELECT, and a batch of 50 report files of 200 records each. Every figure is
// the best of several rounds, as wall time and as processor time (steadier on
// a busy machine; the shell's is that of its process).

#include "CliInteraction.h"
#include "SyntheticGenerator.h"
#include "app/AppPaths.h"
#include "app/Session.h"
#include "db/Database.h"
#include "db/DefaultDataBuilder.h"
#include "exchange/DataImport.h"
#include "exchange/ImportSource.h"
#include "exchange/ReportExport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <sys/resource.h>

using namespace tq;

namespace {

QTextStream &out()
{
    static QTextStream s(stdout);
    return s;
}

QString surveyDatabase(const QString &path, int count, int firstCode)
{
    QFile::remove(path);
    db::DefaultDataBuilder(QStringLiteral(TQ_DATA_DIR)).build(path);
    db::Database db = db::Database::open(path);
    synth::Options o;
    o.count = count;
    o.firstCode = firstCode;
    o.seed = quint32(firstCode);
    synth::generate(db, o, QStringLiteral(TQ_DATA_DIR "/logic_rules.tsv")); // all pass: RecordState 1
    return path;
}

QString copyOf(const QString &from, const QString &to)
{
    QFile::remove(to);
    QFile::copy(from, to);
    return to;
}

qint64 cpuMs(int who)
{
    rusage u{};
    getrusage(who, &u);
    return (qint64(u.ru_utime.tv_sec) + u.ru_stime.tv_sec) * 1000 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000;
}

struct Time {
    qint64 wall = LLONG_MAX;
    qint64 cpu = LLONG_MAX;
    void keepBest(qint64 w, qint64 c)
    {
        wall = std::min(wall, w);
        cpu = std::min(cpu, c);
    }
};

void measure(Time &best, const std::function<void()> &work)
{
    QElapsedTimer t;
    const qint64 cpu = cpuMs(RUSAGE_SELF);
    t.start();
    work();
    best.keepBest(t.elapsed(), cpuMs(RUSAGE_SELF) - cpu);
}

// The sqlite3 shell running `script` on `db`, start-up included.
void shell(Time &best, const QString &db, const QString &script)
{
    const QString sqlite3 = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (sqlite3.isEmpty())
        return;
    QProcess p;
    const qint64 cpu = cpuMs(RUSAGE_CHILDREN);
    QElapsedTimer t;
    t.start();
    p.start(sqlite3, {db, script});
    p.waitForFinished(-1);
    best.keepBest(t.elapsed(), cpuMs(RUSAGE_CHILDREN) - cpu);
    if (p.exitCode() != 0)
        out() << "sqlite3 failed: " << p.readAllStandardError() << "\n";
}

QString sqlText(const QString &s)
{
    return QLatin1Char('\'') + QString(s).replace(u'\'', QLatin1String("''")) + u'\'';
}

QString ratio(qint64 a, qint64 b)
{
    return b > 0 ? QString::number(double(a) / double(b), 'f', 2) + u'x' : u"-"_qs;
}

void figure(const QString &what, const Time &ours, const QString &shellWhat, const Time &theirs)
{
    if (theirs.wall == LLONG_MAX) {
        out() << what << ": " << ours.wall << " ms (processor " << ours.cpu << " ms); no sqlite3 shell to compare\n";
        return;
    }
    out() << what << ": " << ours.wall << " ms, " << shellWhat << " " << theirs.wall << " ms ("
          << ratio(ours.wall, theirs.wall) << "); processor " << ours.cpu << " ms against " << theirs.cpu << " ms ("
          << ratio(ours.cpu, theirs.cpu) << ")\n";
    out().flush();
}

} // namespace

int benchExchange(int records)
{
    QTemporaryDir dir;
    AppPaths::setProgramDir(QStringLiteral(TQ_BIN_DIR)); // view.dll
    cli::CliInteraction ui(out());
    QElapsedTimer t;
    t.start();
    const QString big = surveyDatabase(dir.filePath(QStringLiteral("big.mdb")), records, 100001);
    const QString county = surveyDatabase(dir.filePath(QStringLiteral("county.mdb")), 10000, 5000001);
    out() << "generate " << records << " + 10000 records: " << t.elapsed() << " ms\n";

    // The 10,000-record report, and a plain copy of it for the shell.
    const QString report = dir.filePath(QStringLiteral("county-report.mdb"));
    {
        Session s;
        s.openDatabase(county);
        exchange::ReportExport(s, ui).write(report, QStringLiteral("县总工会"));
    }
    const QString plain = dir.filePath(QStringLiteral("county-plain.mdb"));
    {
        exchange::ImportSource restored(report, true);
        copyOf(restored.copyPath(), plain);
    }

    // The whole-file import as the command runs it, less its two dialogs:
    // the private copy with the restored header and its check, the label,
    // the records in one transaction.
    Time ours, prepare, bare, checked;
    const QString insert = QStringLiteral("INSERT INTO dt_data SELECT * FROM src.dt_data;");
    const QString attach = QStringLiteral("ATTACH %1 AS src; ").arg(sqlText(plain));
    for (int round = 0; round < 5; ++round) {
        const QString target = copyOf(big, dir.filePath(QStringLiteral("import-ours.mdb")));
        Session s;
        s.openDatabase(target);
        exchange::DataImport import(s, dir.path(), ui);
        measure(ours, [&] {
            exchange::ImportSource source(report, true);
            measure(prepare, [&] {
                import.refusal(source);
                source.label();
            });
            if (import.importSource(source).rows != 10000)
                out() << "the import did not add every record\n";
        });
        s.db().close();
        shell(bare, copyOf(big, dir.filePath(QStringLiteral("import-shell.mdb"))), attach + insert);
        shell(checked, copyOf(big, dir.filePath(QStringLiteral("import-shell.mdb"))),
              attach + QStringLiteral("PRAGMA src.quick_check; ") + insert);
    }
    figure(QStringLiteral("whole-file import of 10000 records into %1").arg(records), ours,
           QStringLiteral("shell ATTACH + INSERT ... SELECT"), bare);
    figure(QStringLiteral("  the same"), ours, QStringLiteral("shell with the same quick_check first"), checked);
    {
        // The private copy with its check alone.
        Time copy;
        for (int round = 0; round < 5; ++round)
            measure(copy, [&] { exchange::ImportSource source(report, true); });
        out() << "  of which private copy, restored header and quick_check: " << copy.wall << " ms (processor "
              << copy.cpu << " ms)\n";
    }

    Time exported, plainInsert;
    for (int round = 0; round < 3; ++round) {
        Session s;
        s.openDatabase(big);
        const QString target = dir.filePath(QStringLiteral("up.mdb"));
        measure(exported, [&] {
            if (exchange::ReportExport(s, ui).write(target, QStringLiteral("省总工会")) != records)
                out() << "the export did not write every record\n";
        });
        shell(plainInsert, copyOf(AppPaths::reportTemplatePath(), dir.filePath(QStringLiteral("up-shell.mdb"))),
              QStringLiteral("ATTACH %1 AS w; INSERT INTO dt_data SELECT * FROM w.dt_data WHERE RecordState=1;")
                  .arg(sqlText(big)));
    }
    figure(QStringLiteral("export for reporting of %1 records").arg(records), exported,
           QStringLiteral("shell ATTACH + INSERT ... SELECT into a copy of the template"), plainInsert);

    // 50 report files of 200 records, into the big database.
    QStringList batch;
    for (int i = 0; i < 50; ++i) {
        const QString one = surveyDatabase(dir.filePath(QStringLiteral("c%1.mdb").arg(i)), 200, 6000001 + i * 1000);
        Session s;
        s.openDatabase(one);
        batch << dir.filePath(QStringLiteral("c%1-report.mdb").arg(i));
        exchange::ReportExport(s, ui).write(batch.last(), QStringLiteral("县%1").arg(i));
    }
    {
        const QString target = copyOf(big, dir.filePath(QStringLiteral("batch.mdb")));
        Session s;
        s.openDatabase(target);
        exchange::DataImport::BatchOutcome outcome;
        Time took;
        measure(took, [&] { exchange::DataImport(s, dir.path(), ui).importFiles(batch, outcome); });
        out() << "batch import of 50 files of 200 records into " << records << ": " << took.wall << " ms (processor "
              << took.cpu << " ms), " << outcome.records << " records added\n";
    }
    return 0;
}
