#pragma once

#include "db/Database.h"
#include "logic/ExplanationRenderer.h"

#include <QObject>
#include <QString>

namespace tq {

// Raised when the file to open is not there at all.
class MissingDatabaseError : public db::DbError {
public:
    using db::DbError::DbError;
};

// The program-wide database session: the one working connection, the path of
// the open file and its label. Every window and routine reaches the survey
// database through it.
class Session : public QObject {
    Q_OBJECT
public:
    explicit Session(QObject *parent = nullptr);
    ~Session() override;

    bool isOpen() const { return m_db.isOpen(); }
    db::Database &db();
    const QString &path() const { return m_path; }
    const QString &label() const { return m_label; }
    // Records of the open file whose code is not a whole number (see
    // db::CodeCheck), counted when it was opened.
    qint64 notWholeCodes() const { return m_notWholeCodes; }

    // Opens `path`, or the default database beside the program when empty.
    // The new file must be a survey database (it has ct_label and dt_data);
    // when it is not, or cannot be opened at all, DbError is raised and the
    // database that was open stays open. A missing file raises
    // MissingDatabaseError.
    void openDatabase(const QString &path = QString());

    // Field labels for rendering rule explanations; dropped whenever a
    // database is opened, so that they are read again from the new file.
    logic::FieldHints &fieldHints() { return m_hints; }
    void ResetFieldHints() { m_hints.reset(); }

    // Re-reads the label of the open file.
    void reloadLabel();
    // Stores a new label in ct_label and announces it.
    void setLabel(const QString &label);

    // Closes the connection for file-level work (backup, compaction); reopen()
    // opens the same file again and re-reads its label. Lists are not rebuilt
    // (databaseOpened is not raised): the command that closed the connection
    // re-runs them.
    void closeForMaintenance();
    void reopen();

    // "2009年度全国工会统计年报--基层以上工会调查表 - " + label
    QString windowTitle() const;
    static QString windowTitleFor(const QString &label);

    // Raises DbError when `db` lacks a table the program cannot work without.
    static void requireSurveyTables(db::Database &db);
    // ct_label.db_name of `db`, empty when the table has no row; raises
    // DbError when the table or the column is missing.
    static QString readLabel(db::Database &db);

signals:
    // Another file (or the same one again) has been opened: lists must be
    // rebuilt and cached field hints dropped.
    void databaseOpened();
    void labelChanged(const QString &label);

private:
    db::Database m_db;
    logic::FieldHints m_hints;
    QString m_path;
    QString m_label;
    qint64 m_notWholeCodes = 0;
};

} // namespace tq
