#pragma once

#include <QDateTime>
#include <QString>
#include <QVariantList>
#include <functional>
#include <optional>

namespace tq {
class Interaction;
class Session;
} // namespace tq

namespace tq::logic {

// What the check dialog offers a running check: progress, pause and stop.
class CheckObserver {
public:
    virtual ~CheckObserver() = default;
    virtual void StartProgress(int total, int done) = 0;
    virtual void StepProgress() = 0;
    virtual bool paused() const = 0;
    virtual bool stopRequested() const = 0;
};

// The code range of a range check: both bounds given and not 0, a lower bound
// below 1 raised to 1, an upper bound below the lower one raised to it.
struct CheckRange {
    qint64 low = 0;
    qint64 high = 0;
    bool highRaised = false; // the upper edit must show the lower bound
    static std::optional<CheckRange> resolve(qint64 low, qint64 high);
};

// Runs the rule catalogue over a set of records, marks each checked record as
// passed (1) or failed (2), and writes every failure into the result file in
// the report folder.
class BatchCheck {
public:
    struct Outcome {
        enum Kind { Clean, Failures, Stopped } kind = Clean;
        qint64 checked = 0;
        qint64 failedRecords = 0;
        qint64 failures = 0;
        QString resultFile;
    };

    BatchCheck(Session &session, QString reportFolder, Interaction &ui);

    void setObserver(CheckObserver *observer) { m_observer = observer; }
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    // "2009基层以上-" + label + "-逻辑检查结果.txt" in the report folder;
    // characters no file name can hold are replaced by "_".
    QString resultFilePath() const;

    // Checks the rows of `sql` (complete dt_data rows) in the order the
    // database returns them. Raises db::DbError or FileError; records checked
    // before the failure keep their new state.
    Outcome RunBatchCheck(const QString &sql, const QVariantList &params, bool markPassed);

    static QString statementForCodes(const QList<qint64> &codes);

private:
    Session &m_session;
    QString m_folder;
    Interaction &m_ui;
    CheckObserver *m_observer = nullptr;
    std::function<QDateTime()> m_clock;
};

} // namespace tq::logic
