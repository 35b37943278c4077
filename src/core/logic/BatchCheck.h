#pragma once

#include <QDateTime>
#include <QString>
#include <QVariantList>
#include <functional>

namespace tq {
class Interaction;
class RecordSelection;
class Session;
} // namespace tq

namespace tq::logic {

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

    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    // "2009基层以上-" + label + "-逻辑检查结果.txt" in the report folder;
    // characters no file name can hold are replaced by "_".
    QString resultFilePath() const;

    // Checks the rows of `sql` (complete dt_data rows) in the order the
    // database returns them. The interaction's progress follows every record;
    // a pause of the progress window holds the run and a stop request ends it.
    // Raises db::DbError or FileError; records checked before the failure keep
    // their new state.
    Outcome RunBatchCheck(const QString &sql, const QVariantList &params, bool markPassed);
    // The same over the dt_data rows of a selection.
    Outcome RunBatchCheck(const RecordSelection &selection, bool markPassed);

private:
    Session &m_session;
    QString m_folder;
    Interaction &m_ui;
    std::function<QDateTime()> m_clock;
};

} // namespace tq::logic
