#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>

namespace tq::test {

// Runs a headless command of the program as a child process, kills it with
// SIGKILL at chosen moments and checks what it leaves behind: the database
// passes its integrity check, every record is in its state before the command
// or in the state a complete run gives it, no output file is partial, and a
// run afterwards succeeds with the result of a clean run.
//
// A command is described by a CrashCase; the check is the first, the save,
// import, export and compaction commands follow the same pattern.
struct CrashCase {
    QString name;
    // The command line after the program's name, for the database file `db`
    // and the folder `folder` that receives the command's output files.
    std::function<QStringList(const QString &db, const QString &folder)> arguments;
    // The exit code of a complete run.
    int exitCode = 0;
    // Turns an output file into what must be equal between two complete runs
    // (e.g. without the time of the run). Identity when not set.
    std::function<QByteArray(const QString &name, const QByteArray &content)> normalise;
    // Run once before the clean run, in the harness's work folder (e.g. to
    // build the files a command reads). Not set: nothing to prepare.
    std::function<bool(const QString &workDir, const QString &program, const QString &fixture, QString *why)> setUp;
    // Applied to every fresh copy of the fixture before the command runs.
    std::function<void(const QString &db)> prepareCopy;
    // A command that can run again over its own result (a check) is re-run
    // after every kill; one that cannot (an import adds what it imported, a
    // second time it only finds clashes) is re-run only where the kill left
    // the database as it was.
    bool repeatable = true;
};

// The content of a survey database, for comparing states: every dt_data
// record by its code (as stored), every other table as a whole.
struct DatabaseSnapshot {
    QHash<QString, QByteArray> records;
    QHash<QString, QByteArray> tables;
    static DatabaseSnapshot of(const QString &dbPath);
};

// How one kill moment went.
struct Trial {
    QString moment;      // "after 40 ms", "temporary file appears", ...
    bool killed = false; // false: the command had finished before the kill
    qint64 killedAtMs = -1;
    QString integrity; // PRAGMA integrity_check
    int recordsOld = 0, recordsNew = 0, recordsNeither = 0;
    int tablesNeither = 0;
    int leftovers = 0;    // temporary files of the killed run
    QStringList problems; // empty when everything holds
    bool ok() const { return problems.isEmpty(); }
    // One line for a log: moment, whether and when it was killed, integrity, states, outcome.
    QString summary() const;
};

// Kill moments: a delay after the start, or the moment a file appears.
struct KillMoment {
    enum Kind { AfterMs, TemporaryFileAppears, JournalAppears } kind = AfterMs;
    int ms = 0;
    QString describe() const;
};

class CrashHarness {
public:
    // `fixtureDb` is copied afresh for every run; it is never changed.
    CrashHarness(QString program, QString fixtureDb, QString workDir);

    // The complete run every trial is compared with. Returns false (and
    // fills `why`) when it does not succeed.
    bool prepare(const CrashCase &c, QString *why);
    qint64 cleanRunMs() const { return m_cleanMs; }
    // The delays 0..cleanRunMs in `steps` equal parts, then the two events.
    QList<KillMoment> spreadMoments(int steps) const;

    Trial run(const CrashCase &c, const KillMoment &moment);

    // The commands tried: the check, the report export, the import of a
    // report, backup and compaction; a further command is one more entry.
    static QList<CrashCase> commandCases();

    // The environment the program runs in: no display, its own settings file.
    static QProcessEnvironment environment(const QString &workDir);

private:
    QString freshCopy(const QString &name, const CrashCase &c);
    QHash<QString, QByteArray> outputsIn(const QString &folder) const;

    QString m_program;
    QString m_fixture;
    QString m_work;
    qint64 m_cleanMs = 0;
    DatabaseSnapshot m_old, m_new;
    QHash<QString, QByteArray> m_outputs; // the complete run's files, as they are
    int m_trials = 0;
};

} // namespace tq::test
