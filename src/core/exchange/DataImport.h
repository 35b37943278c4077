#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <optional>

namespace tq {
class Interaction;
class Session;
} // namespace tq

namespace tq::exchange {

class ImportSource;

// Brings survey records of other database files into dt_data of the working
// database: whole report files one at a time or as a batch, and the rows of
// any file of the survey's schema one by one. No import overwrites: a record
// whose c901 is already there is a conflict, and a file's records land all
// together or not at all. The conflict report goes into the report folder.
class DataImport {
public:
    // A record of the source whose code is already taken: its c901 and c902.
    struct Conflict {
        QVariant code;
        QString name;
        bool operator==(const Conflict &) const = default;
    };

    // What became of one source file.
    struct FileOutcome {
        bool imported = false;
        qint64 rows = 0; // records added
        QString error;   // the engine's text when the copy failed
        // The source's records that clash with existing ones; nullopt when
        // they could not be listed.
        std::optional<QList<Conflict>> conflicts;
    };

    // What became of a batch: every file lands in one of the lists.
    struct BatchOutcome {
        QStringList imported;
        QStringList conflicting; // records clash with existing ones, see the report
        QStringList failed;      // the copy failed for another reason
        QStringList failures;    // the engine's text for each of `failed`
        QStringList refused;     // not imported for a missing table or column
        qint64 records = 0;      // records added
        QString report;          // the conflict report, whether or not it has blocks
        bool reportHasBlocks() const { return !conflicting.isEmpty() || !failed.isEmpty(); }
    };

    DataImport(Session &session, QString reportFolder, Interaction &ui);

    // "数据导入编号冲突.txt" in the report folder.
    QString conflictReportPath() const;
    // The message after a failed copy, naming the conflict report.
    static QString failureMessage(const QString &reportPath);
    // A chosen file name with ".mdb" appended when it is longer than four
    // characters and does not end in ".mdb".
    static QString completeName(const QString &name);

    // The whole-file import: choose, confirm the supplier's label, copy.
    // true when records were added.
    bool FastImport();

    // The batch import's browse: several files, each checked and its label
    // read. nullopt when cancelled or when a file failed (the user was told).
    struct Chosen {
        QStringList labels;
        QStringList paths;
    };
    std::optional<Chosen> chooseFiles();
    // Imports the files one after another, each in its own transaction, and
    // writes the batch form of the conflict report. `percent` follows the
    // files done. A file that cannot be opened ends the batch (FileError or
    // DbError); `outcome` then holds the files done before it.
    void importFiles(const QStringList &paths, BatchOutcome &outcome, const std::function<void(int)> &percent = {});
    // The batch import's "导  入": importFiles and its closing message.
    BatchOutcome MultiImport(const QStringList &paths, const std::function<void(int)> &percent = {});

    // The record-by-record import: every row of the chosen file in one
    // transaction; a failing row is skipped when `skipFailures` and the user
    // agrees, else the whole run is undone. true when it was committed.
    bool ImportRecords(bool skipFailures);

    // Copies every record of `source` into dt_data in one transaction. When
    // that fails, the clashing records are gathered in the work table
    // dt_data_dt_data and listed. Raises DbError only when the source cannot
    // be attached.
    FileOutcome importSource(ImportSource &source);
    // Why `source` cannot be copied into dt_data (missing table or column), or
    // nullopt when it can.
    std::optional<QString> refusal(ImportSource &source);

private:
    QStringList dataColumns();
    // Why a source whose codes are not all whole numbers is refused.
    static std::optional<QString> notWholeCodes(ImportSource &source);
    void writeReport(const QByteArray &bytes);

    Session &m_session;
    QString m_folder;
    Interaction &m_ui;
};

} // namespace tq::exchange
