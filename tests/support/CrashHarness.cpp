#include "CrashHarness.h"

#include "common/AtomicFile.h"
#include "common/Gbk.h"
#include "db/Database.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QThread>

#include <algorithm>
#include <sqlite3.h>

namespace tq::test {

namespace {

const QByteArray kEarlierOutput = "an earlier run's file\r\n";

QByteArray rowDigest(const db::Statement &st)
{
    QCryptographicHash h(QCryptographicHash::Md5);
    for (int c = 0; c < st.columnCount(); ++c) {
        const int type = st.columnType(c);
        h.addData(QByteArrayView(reinterpret_cast<const char *>(&type), sizeof type));
        if (type == SQLITE_NULL)
            continue;
        const QByteArray text = st.textValue(c).toUtf8();
        const qsizetype n = text.size();
        h.addData(QByteArrayView(reinterpret_cast<const char *>(&n), sizeof n));
        h.addData(text);
    }
    return h.result();
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct ProcessRun {
    int exitCode = -1;
    bool normalExit = false;
    bool killed = false;
    qint64 ms = 0;
    qint64 killedAtMs = -1;
    QByteArray output;
};

bool momentHasCome(const KillMoment &m, const QElapsedTimer &t, const QString &db, const QString &folder)
{
    switch (m.kind) {
    case KillMoment::AfterMs:
        return t.elapsed() >= m.ms;
    case KillMoment::JournalAppears:
        return QFileInfo::exists(db + QStringLiteral("-journal"));
    case KillMoment::TemporaryFileAppears:
        for (const QString &n : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
            if (AtomicFile::isTemporaryName(n))
                return true;
        }
        return false;
    }
    return false;
}

// Runs the program to its end, or kills it at `moment` when one is given.
ProcessRun runProgram(const QString &program, const QStringList &args, const QString &workDir, const QString &db,
                      const QString &folder, const KillMoment *moment)
{
    ProcessRun r;
    QProcess p;
    p.setProcessEnvironment(CrashHarness::environment(workDir));
    p.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer t;
    p.start(program, args);
    t.start();
    if (!p.waitForStarted(30000)) {
        r.output = p.errorString().toUtf8();
        return r;
    }
    if (moment) {
        for (;;) {
            if (momentHasCome(*moment, t, db, folder)) {
                r.killedAtMs = t.elapsed();
                p.kill(); // SIGKILL: nothing of the program runs after this
                r.killed = true;
                break;
            }
            if (p.waitForFinished(moment->kind == KillMoment::AfterMs ? 1 : 0))
                break;
            if (moment->kind != KillMoment::AfterMs)
                QThread::usleep(200);
        }
    }
    p.waitForFinished(-1);
    r.ms = t.elapsed();
    r.normalExit = p.exitStatus() == QProcess::NormalExit;
    r.exitCode = p.exitCode();
    r.output = p.readAll();
    if (r.killed && r.normalExit) {
        // It ended on its own between the last look and the kill.
        r.killed = false;
        r.killedAtMs = -1;
    }
    return r;
}

} // namespace

// ---------------------------------------------------------------------------

DatabaseSnapshot DatabaseSnapshot::of(const QString &dbPath)
{
    DatabaseSnapshot s;
    db::Database d = db::Database::open(dbPath);
    {
        db::Statement st = d.prepare(QStringLiteral("SELECT typeof(c901) || ':' || c901, * FROM dt_data"));
        while (st.step())
            s.records.insert(st.textValue(0), rowDigest(st));
    }
    for (const QString &table : d.tableNames()) {
        if (table.compare(QLatin1String("dt_data"), Qt::CaseInsensitive) == 0 ||
            d.scalar(QStringLiteral("SELECT type FROM sqlite_master WHERE name = ?"), {table}).toString() !=
                QLatin1String("table"))
            continue;
        QList<QByteArray> rows;
        db::Statement st = d.prepare(QStringLiteral("SELECT * FROM \"%1\"").arg(table));
        while (st.step())
            rows << rowDigest(st);
        std::sort(rows.begin(), rows.end());
        QCryptographicHash h(QCryptographicHash::Md5);
        for (const QByteArray &r : rows)
            h.addData(r);
        s.tables.insert(table, h.result());
    }
    return s;
}

QString KillMoment::describe() const
{
    switch (kind) {
    case AfterMs:
        return QStringLiteral("after %1 ms").arg(ms);
    case TemporaryFileAppears:
        return QStringLiteral("when its temporary file appears");
    case JournalAppears:
        return QStringLiteral("when the database journal appears");
    }
    return {};
}

QString Trial::summary() const
{
    QString s = moment + QStringLiteral(": ");
    s += killed ? QStringLiteral("killed at %1 ms").arg(killedAtMs) : QStringLiteral("finished before the kill");
    s += QStringLiteral("; integrity %1; records %2 old, %3 new, %4 in neither state")
             .arg(integrity)
             .arg(recordsOld)
             .arg(recordsNew)
             .arg(recordsNeither);
    if (tablesNeither)
        s += QStringLiteral("; %1 tables in neither state").arg(tablesNeither);
    s += QStringLiteral("; %1 temporary file(s) left").arg(leftovers);
    s += ok() ? QStringLiteral("; re-run ok") : QStringLiteral("; PROBLEMS: ") + problems.join(QStringLiteral(" | "));
    return s;
}

// ---------------------------------------------------------------------------

CrashHarness::CrashHarness(QString program, QString fixtureDb, QString workDir)
    : m_program(std::move(program)), m_fixture(std::move(fixtureDb)), m_work(std::move(workDir))
{
}

QProcessEnvironment CrashHarness::environment(const QString &workDir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("TALLOWMERE_SETTINGS"), QDir(workDir).filePath(QStringLiteral("settings.ini")));
    return env;
}

QString CrashHarness::freshCopy(const QString &name, const CrashCase &c)
{
    QDir dir(QDir(m_work).filePath(name));
    dir.removeRecursively();
    dir.mkpath(QStringLiteral("out"));
    QFile::copy(m_fixture, dir.filePath(QStringLiteral("survey.mdb")));
    QFile(dir.filePath(QStringLiteral("survey.mdb"))).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    if (c.prepareCopy)
        c.prepareCopy(dir.filePath(QStringLiteral("survey.mdb")));
    return dir.path();
}

QHash<QString, QByteArray> CrashHarness::outputsIn(const QString &folder) const
{
    QHash<QString, QByteArray> files;
    for (const QString &n : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        if (!AtomicFile::isTemporaryName(n))
            files.insert(n, readAll(QDir(folder).filePath(n)));
    }
    return files;
}

bool CrashHarness::prepare(const CrashCase &c, QString *why)
{
    if (c.setUp && !c.setUp(m_work, m_program, m_fixture, why))
        return false;
    const QString dir = freshCopy(QStringLiteral("clean"), c);
    const QString db = QDir(dir).filePath(QStringLiteral("survey.mdb"));
    const QString out = QDir(dir).filePath(QStringLiteral("out"));
    m_old = DatabaseSnapshot::of(db);
    const ProcessRun r = runProgram(m_program, c.arguments(db, out), m_work, db, out, nullptr);
    if (!r.normalExit || r.exitCode != c.exitCode) {
        *why = QStringLiteral("the clean run ended with %1: %2").arg(r.exitCode).arg(QString::fromUtf8(r.output));
        return false;
    }
    m_cleanMs = r.ms;
    m_new = DatabaseSnapshot::of(db);
    m_outputs.clear();
    const auto files = outputsIn(out);
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        m_outputs.insert(it.key(), c.normalise ? c.normalise(it.key(), it.value()) : it.value());
    if (QDir(out).entryList(QDir::Files | QDir::Hidden).size() != files.size()) {
        *why = QStringLiteral("the clean run left a temporary file");
        return false;
    }
    QDir(dir).removeRecursively();
    return true;
}

QList<KillMoment> CrashHarness::spreadMoments(int steps) const
{
    QList<KillMoment> moments;
    for (int i = 0; i <= steps; ++i)
        moments << KillMoment{KillMoment::AfterMs, int(m_cleanMs * i / steps)};
    moments << KillMoment{KillMoment::JournalAppears, 0} << KillMoment{KillMoment::TemporaryFileAppears, 0};
    return moments;
}

Trial CrashHarness::run(const CrashCase &c, const KillMoment &moment)
{
    Trial t;
    t.moment = moment.describe();
    const QString dir = freshCopy(QStringLiteral("trial-%1").arg(++m_trials), c);
    const QString db = QDir(dir).filePath(QStringLiteral("survey.mdb"));
    const QString out = QDir(dir).filePath(QStringLiteral("out"));
    // Each output name starts with an earlier run's file: after the kill it
    // must hold that file or the whole new one.
    for (auto it = m_outputs.cbegin(); it != m_outputs.cend(); ++it) {
        QFile f(QDir(out).filePath(it.key()));
        if (f.open(QIODevice::WriteOnly))
            f.write(kEarlierOutput);
    }

    const ProcessRun r = runProgram(m_program, c.arguments(db, out), m_work, db, out, &moment);
    t.killed = r.killed;
    t.killedAtMs = r.killedAtMs;
    if (!r.killed && (!r.normalExit || r.exitCode != c.exitCode))
        t.problems << QStringLiteral("the run ended with %1: %2").arg(r.exitCode).arg(QString::fromUtf8(r.output));

    // The database as the next program to open it finds it (a hot journal is
    // rolled back on opening).
    try {
        db::Database d = db::Database::open(db);
        t.integrity = d.scalar(QStringLiteral("PRAGMA integrity_check")).toString();
    } catch (const Error &e) {
        t.integrity = e.text();
    }
    if (t.integrity != QLatin1String("ok"))
        t.problems << QStringLiteral("integrity check: ") + t.integrity;
    else {
        const DatabaseSnapshot now = DatabaseSnapshot::of(db);
        QSet<QString> keys(m_old.records.keyBegin(), m_old.records.keyEnd());
        keys.unite(QSet<QString>(m_new.records.keyBegin(), m_new.records.keyEnd()));
        keys.unite(QSet<QString>(now.records.keyBegin(), now.records.keyEnd()));
        for (const QString &k : keys) {
            const QByteArray got = now.records.value(k);
            const bool isOld = got == m_old.records.value(k), isNew = got == m_new.records.value(k);
            if (isOld && isNew)
                continue; // a record the command does not change
            if (isOld)
                ++t.recordsOld;
            else if (isNew)
                ++t.recordsNew;
            else
                ++t.recordsNeither;
        }
        for (auto it = now.tables.cbegin(); it != now.tables.cend(); ++it) {
            if (it.value() != m_old.tables.value(it.key()) && it.value() != m_new.tables.value(it.key()))
                ++t.tablesNeither;
        }
        if (t.recordsNeither || t.tablesNeither)
            t.problems << QStringLiteral("%1 records and %2 tables in neither state")
                              .arg(t.recordsNeither)
                              .arg(t.tablesNeither);
    }

    const auto checkOutputs = [&](bool earlierAllowed, const QString &when) {
        const auto files = outputsIn(out);
        for (auto it = files.cbegin(); it != files.cend(); ++it) {
            const auto expected = m_outputs.constFind(it.key());
            if (expected == m_outputs.cend()) {
                t.problems << when + QStringLiteral(": unexpected file ") + it.key();
                continue;
            }
            const QByteArray got = c.normalise ? c.normalise(it.key(), it.value()) : it.value();
            if (got != *expected && !(earlierAllowed && it.value() == kEarlierOutput))
                t.problems << when + QStringLiteral(": partial or wrong file ") + it.key();
        }
        for (auto it = m_outputs.cbegin(); it != m_outputs.cend(); ++it) {
            if (!files.contains(it.key()))
                t.problems << when + QStringLiteral(": file gone ") + it.key();
        }
    };
    checkOutputs(true, QStringLiteral("after the kill"));
    for (const QString &n : QDir(out).entryList(QDir::Files | QDir::Hidden))
        t.leftovers += AtomicFile::isTemporaryName(n) ? 1 : 0;

    // A run afterwards succeeds and gives what a clean run gives.
    if (t.integrity == QLatin1String("ok") && (c.repeatable || t.recordsNew == 0)) {
        const ProcessRun again = runProgram(m_program, c.arguments(db, out), m_work, db, out, nullptr);
        if (!again.normalExit || again.exitCode != c.exitCode)
            t.problems << QStringLiteral("the re-run ended with %1: %2")
                              .arg(again.exitCode)
                              .arg(QString::fromUtf8(again.output));
        checkOutputs(false, QStringLiteral("after the re-run"));
        const DatabaseSnapshot after = DatabaseSnapshot::of(db);
        if (after.records != m_new.records || after.tables != m_new.tables)
            t.problems << QStringLiteral("the re-run left other states than a clean run");
    }
    QDir(dir).removeRecursively();
    return t;
}

QList<CrashCase> CrashHarness::commandCases()
{
    QList<CrashCase> cases;

    CrashCase check;
    check.name = QStringLiteral("check");
    check.arguments = [](const QString &db, const QString &folder) {
        return QStringList{QStringLiteral("check"),
                           QStringLiteral("--db"),
                           db,
                           QStringLiteral("--all"),
                           QStringLiteral("--report-folder"),
                           folder};
    };
    check.exitCode = 1; // the fixtures hold records with errors
    check.normalise = [](const QString &, const QByteArray &content) {
        // the second line is the time of the run
        QList<QByteArray> lines = content.split('\n');
        if (lines.size() > 1 && lines[1].startsWith(Gbk::encode(QStringLiteral("#检查时间："))))
            lines.removeAt(1);
        return lines.join('\n');
    };
    cases << check;

    // The report export: every record checked, the report file appears
    // whole or not at all; the database is only read.
    const auto allChecked = [](const QString &db) {
        db::Database::open(db).exec(QStringLiteral("UPDATE dt_data SET RecordState = 1"));
    };
    CrashCase report;
    report.name = QStringLiteral("report");
    report.prepareCopy = allChecked;
    report.arguments = [](const QString &db, const QString &folder) {
        return QStringList{QStringLiteral("report"),
                           QStringLiteral("--label"),
                           QStringLiteral("甲县总工会"),
                           QStringLiteral("--out"),
                           QDir(folder).filePath(QStringLiteral("report.mdb")),
                           QStringLiteral("--db"),
                           db};
    };
    cases << report;

    // The import of another county's report: all its records arrive in one
    // transaction or none do.
    const auto inputs = [](const QString &db) {
        return QDir(QFileInfo(db).absolutePath() + QStringLiteral("/../inputs")).absolutePath();
    };
    CrashCase import;
    import.name = QStringLiteral("import");
    import.repeatable = false;
    import.setUp = [allChecked](const QString &workDir, const QString &program, const QString &fixture, QString *why) {
        // The fixture's records under other codes, reported by "another county".
        QDir(workDir).mkpath(QStringLiteral("inputs"));
    const QString source = QDir(workDir).filePath(QStringLiteral("inputs/county.mdb"));
    QFile::remove(source);
    QFile::copy(fixture, source);
    QFile(source).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    allChecked(source);
    db::Database::open(source).exec(QStringLiteral("UPDATE dt_data SET c901 = c901 + 5000000"));
    QProcess p;
    p.setProcessEnvironment(CrashHarness::environment(workDir));
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program,
            {QStringLiteral("report"), QStringLiteral("--label"), QStringLiteral("乙县总工会"), QStringLiteral("--out"),
             QDir(workDir).filePath(QStringLiteral("inputs/report.mdb")), QStringLiteral("--db"), source});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        *why = QStringLiteral("the report to import could not be made: ") + QString::fromUtf8(p.readAll());
        return false;
    }
    return true;
};
import.arguments = [inputs](const QString &db, const QString &folder) {
    return QStringList{QStringLiteral("import"), inputs(db) + QStringLiteral("/report.mdb"), QStringLiteral("--db"), db,
                       QStringLiteral("--report-folder"), folder};
}; // namespace tq::test
cases << import;

// A backup copy appears whole under its name or not at all.
CrashCase backup;
backup.name = QStringLiteral("backup");
backup.arguments = [](const QString &db, const QString &folder) {
    return QStringList{QStringLiteral("backup"), QStringLiteral("--out"),
                       QDir(folder).filePath(QStringLiteral("backup.mdb")), QStringLiteral("--db"), db};
};
cases << backup;

// Compaction swaps the file in one step: killed at any moment, the
// database is the old file or the compact one, with the same records.
CrashCase compact;
compact.name = QStringLiteral("compact");
compact.prepareCopy = [](const QString &db) {
    // free pages for the compaction to give back
    db::Database::open(db).exec(QStringLiteral("DELETE FROM dt_data WHERE c901 % 3 = 0"));
};
compact.arguments = [](const QString &db, const QString &) {
    return QStringList{QStringLiteral("compact"), QStringLiteral("--db"), db};
};
cases << compact;

return cases;
}

} // namespace tq::test
