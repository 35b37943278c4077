// The program as a process among others: killed part-way, started twice on one
// database, writing to a full disk.

#include "CrashHarness.h"
#include "Fixtures.h"
#include "SyntheticGenerator.h"
#include "common/AtomicFile.h"
#include "db/Database.h"

#include <QtTest>

#include <csignal>
#include <cstring>

using namespace tq;
using namespace tq::test;

namespace {

const QString kResultName = QStringLiteral("2009基层以上-默认数据库-逻辑检查结果.txt");

QString program()
{
    return QDir(QStringLiteral(TQ_BIN_DIR)).filePath(QStringLiteral("tallowmere"));
}

QString temporaryIn(const QString &folder)
{
    for (const QString &n : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        if (AtomicFile::isTemporaryName(n))
            return QDir(folder).filePath(n);
    }
    return {};
}

QByteArray contentOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList checkArgs(const QString &db, const QString &folder)
{
    return {QStringLiteral("check"),
            QStringLiteral("--db"),
            db,
            QStringLiteral("--all"),
            QStringLiteral("--report-folder"),
            folder};
}

} // namespace

class TestFaults : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_fixture;

    QString copyOfFixture(const QString &name)
    {
        const QString p = m_dir.filePath(name);
        QFile::remove(p);
        if (!QFile::copy(m_fixture, p))
            return {};
        QFile(p).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        return p;
    }
    QString folder(const QString &name)
    {
        QDir(m_dir.path()).mkpath(name);
        return m_dir.filePath(name);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(program()).isExecutable(), qPrintable(program()));
        // A few hundred records, a third of them breaking a rule, none
        // checked yet: a complete check changes every record's state.
        m_fixture = newSurveyDatabase(m_dir, QStringLiteral("fixture.mdb"));
        db::Database db = db::Database::open(m_fixture);
        synth::Options o;
        o.count = 300;
        o.seed = 7;
        o.failShare = 0.33;
        o.markStates = false;
        synth::generate(db, o, dataDir() + QStringLiteral("/logic_rules.tsv"));
    }

    // Killed at moments spread over a run and at the moments it starts to
    // change the database and its output: the database is sound, every
    // record holds its old or its new state, no output is partial, and a
    // run afterwards gives what a clean run gives.
    void killedCommandsLeaveOldOrNewState_data()
    {
        QTest::addColumn<int>("index");
        const QList<CrashCase> cases = CrashHarness::commandCases();
        for (int i = 0; i < cases.size(); ++i)
            QTest::newRow(qPrintable(cases[i].name)) << i;
    }
    void killedCommandsLeaveOldOrNewState()
    {
        QFETCH(int, index);
        const CrashCase c = CrashHarness::commandCases().at(index);
        QTemporaryDir work;
        CrashHarness harness(program(), m_fixture, work.path());
        QString why;
        QVERIFY2(harness.prepare(c, &why), qPrintable(why));
        qInfo("%s: a clean run takes %lld ms", qPrintable(c.name), harness.cleanRunMs());
        int killed = 0;
        for (const KillMoment &m : harness.spreadMoments(10)) {
            const Trial t = harness.run(c, m);
            qInfo("%s", qPrintable(t.summary()));
            QVERIFY2(t.ok(), qPrintable(t.summary()));
            killed += t.killed ? 1 : 0;
        }
        QVERIFY2(killed >= 3, "too few runs were killed before their end to say anything");
    }

    // Two copies of the program check one database into one folder at once:
    // the first completes, the second reports the locked file and leaves the
    // first one's output alone. The first is held (SIGSTOP) while it has the
    // lock and its result file is open, so the overlap is certain.
    void twoCopiesOnOneDatabase()
    {
        // what a check alone gives
        const QString soloDb = copyOfFixture(QStringLiteral("solo.mdb"));
        const QString soloOut = folder(QStringLiteral("solo"));
        QProcess solo;
        solo.setProcessEnvironment(CrashHarness::environment(m_dir.path()));
        solo.start(program(), checkArgs(soloDb, soloOut));
        QVERIFY(solo.waitForFinished(60000));
        QCOMPARE(solo.exitCode(), 1);
        const CrashCase check = CrashHarness::commandCases().first();
        const QByteArray expected = check.normalise(kResultName, contentOf(QDir(soloOut).filePath(kResultName)));
        QVERIFY(expected.endsWith(QByteArray("\r\n")));

        QString db, out, firstTemp;
        QProcess first, second;
        pid_t firstPid = 0;
        // The first is stopped once its temporary file is there; should it
        // have finished in that instant (a busy machine), start over.
        for (int attempt = 0; attempt < 5 && firstPid == 0; ++attempt) {
            db = copyOfFixture(QStringLiteral("shared.mdb"));
            QDir(m_dir.filePath(QStringLiteral("shared"))).removeRecursively();
            out = folder(QStringLiteral("shared"));
            first.setProcessEnvironment(CrashHarness::environment(m_dir.path()));
            first.start(program(), checkArgs(db, out));
            QVERIFY(first.waitForStarted());
            QDeadlineTimer deadline(30000);
            while ((firstTemp = temporaryIn(out)).isEmpty() && !deadline.hasExpired() && !first.waitForFinished(0))
                QThread::usleep(100);
            QVERIFY2(!firstTemp.isEmpty() || first.state() == QProcess::NotRunning,
                     "the first check never opened its result file");
            const pid_t pid = pid_t(first.processId());
            if (pid > 0) { // never 0: that would stop this whole process group
                ::kill(pid, SIGSTOP);
                if (QFileInfo::exists(firstTemp))
                    firstPid = pid;
                else
                    ::kill(pid, SIGCONT);
            }
            if (firstPid == 0)
                first.waitForFinished(60000);
        }
        QVERIFY2(firstPid > 0, "the first check was never caught while it had the database");
        const QByteArray firstSoFar = contentOf(firstTemp);

        second.setProcessEnvironment(CrashHarness::environment(m_dir.path()));
        second.start(program(), checkArgs(db, out));
        QVERIFY(second.waitForFinished(60000));
        const QString secondErr = QString::fromUtf8(second.readAllStandardError());
        QCOMPARE(second.exitCode(), 2);
        QCOMPARE(secondErr.trimmed(), QStringLiteral("数据库文件正被其他程序使用：") + QDir::toNativeSeparators(db));
        QCOMPARE(contentOf(firstTemp), firstSoFar);
        QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList{QFileInfo(firstTemp).fileName()});

        ::kill(firstPid, SIGCONT);
        QVERIFY(first.waitForFinished(60000));
        QCOMPARE(first.exitCode(), 1);
        QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList{kResultName});
        QCOMPARE(check.normalise(kResultName, contentOf(QDir(out).filePath(kResultName))), expected);
        const DatabaseSnapshot got = DatabaseSnapshot::of(db), want = DatabaseSnapshot::of(soloDb);
        QVERIFY(got.records == want.records);
    }

    // A report folder on a full disk: the check says so in the system's
    // words, names the file, and the earlier result file stays as it was.
    // The small disk is a tmpfs in a mount namespace of its own.
    void fullDiskIsReportedWithTheSystemsWords()
    {
        const QString unshare = QStandardPaths::findExecutable(QStringLiteral("unshare"));
        if (unshare.isEmpty())
            QSKIP("unshare is not available");
        const QString full = folder(QStringLiteral("full"));
        if (QProcess::execute(unshare, {QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-c"),
                                        QStringLiteral("mount -t tmpfs -o size=8k tmpfs \"$0\""), full}) != 0)
            QSKIP("no small file system can be mounted here");
        const QString db = copyOfFixture(QStringLiteral("full.mdb"));
        const QString script = QStringLiteral("mount -t tmpfs -o size=8k tmpfs \"$0\" || exit 97\n"
                                              "printf 'an earlier run\\r\\n' > \"$0/$1\"\n"
                                              "\"$2\" check --db \"$3\" --all --report-folder \"$0\"\n"
                                              "echo \"exit=$?\"\n"
                                              "ls -A \"$0\"\n"
                                              "cat \"$0/$1\"\n");
        QProcess p;
        p.setProcessEnvironment(CrashHarness::environment(m_dir.path()));
        p.start(unshare, {QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-c"), script, full, kResultName,
                          program(), db});
        QVERIFY(p.waitForFinished(60000));
        const QString err = QString::fromUtf8(p.readAllStandardError());
        const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n');
        QVERIFY2(lines.contains(QStringLiteral("exit=2")), qPrintable(lines.join(u'\n') + err));
        QCOMPARE(err.trimmed(), QStringLiteral("无法写入逻辑检查结果文件 ") +
                                    QDir::toNativeSeparators(QDir(full).filePath(kResultName)) + QStringLiteral("：") +
                                    QString::fromLocal8Bit(std::strerror(ENOSPC)));
        // the folder holds the earlier file only, untouched
        const qsizetype at = lines.indexOf(QStringLiteral("exit=2"));
        QCOMPARE(lines.mid(at + 1), (QStringList{kResultName, QStringLiteral("an earlier run\r"), QString()}));
    }
};

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
