// The fault-injection run at full size: the headless commands of the program
// killed with SIGKILL at moments spread over a run, on a generated database.
//   tq_bench_crash [--records N] [--steps K] [--db FILE]
// For every kill moment it prints when the command was killed, the database's
// integrity check, how many records hold their old and their new state, the
// temporary files left and whether a run afterwards gave the clean result.
// The exit code is 1 when any of that did not hold.

#include "CrashHarness.h"
#include "SyntheticGenerator.h"
#include "db/Database.h"
#include "db/DefaultDataBuilder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

using namespace tq;

namespace {

QTextStream out(stdout);

QString option(const QStringList &args, const QString &name, const QString &def)
{
    const qsizetype at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1) : def;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const int records = option(args, QStringLiteral("--records"), QStringLiteral("100000")).toInt();
    const int steps = std::max(1, option(args, QStringLiteral("--steps"), QStringLiteral("20")).toInt());
    QTemporaryDir dir;
    QString fixture = option(args, QStringLiteral("--db"), QString());
    if (fixture.isEmpty()) {
        fixture = dir.filePath(QStringLiteral("fixture.mdb"));
        db::DefaultDataBuilder(QStringLiteral(TQ_DATA_DIR)).build(fixture);
        db::Database db = db::Database::open(fixture);
        synth::Options o;
        o.count = records;
        o.seed = 7;
        o.failShare = 0.33;
        o.markStates = false; // a complete check changes every record
        QElapsedTimer t;
        t.start();
        synth::generate(db, o, QStringLiteral(TQ_DATA_DIR "/logic_rules.tsv"));
        out << "generated " << records << " records (" << QFileInfo(fixture).size() / (1024 * 1024) << " MiB) in "
            << t.elapsed() << " ms\n";
    }
    const QString program = QDir(QStringLiteral(TQ_BIN_DIR)).filePath(QStringLiteral("tallowmere"));

    int trials = 0, killed = 0, sound = 0, failed = 0;
    for (const test::CrashCase &c : test::CrashHarness::commandCases()) {
        test::CrashHarness harness(program, fixture, dir.path());
        QString why;
        out << "== " << c.name << "\n";
        out.flush();
        if (!harness.prepare(c, &why)) {
            out << "the clean run failed: " << why << "\n";
            ++failed;
            continue;
        }
        out << "clean run: " << harness.cleanRunMs() << " ms\n";
        out.flush();
        for (const test::KillMoment &m : harness.spreadMoments(steps)) {
            const test::Trial t = harness.run(c, m);
            out << t.summary() << "\n";
            out.flush();
            ++trials;
            killed += t.killed ? 1 : 0;
            sound += t.integrity == QLatin1String("ok") ? 1 : 0;
            failed += t.ok() ? 0 : 1;
        }
    }
    out << trials << " kill moments tried, " << killed << " killed before their end, integrity ok " << sound << " of "
        << trials << ", " << failed << " with problems\n";
    out.flush();
    return failed == 0 ? 0 : 1;
}
