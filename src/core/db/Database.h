#pragma once

#include "db/DbError.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

struct sqlite3;
struct sqlite3_stmt;

namespace tq::db {

class Statement;

// One connection to one SQLite database file. Opening never creates a file;
// `int()` (the next whole number downwards) is registered on every connection
// because the summary and rule expressions rely on it.
class Database {
public:
    Database() = default;
    ~Database();
    Database(Database &&other) noexcept;
    Database &operator=(Database &&other) noexcept;
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // Opens an existing file. A missing file, a folder or a file that is not an
    // SQLite database raises DbError with a readable text.
    static Database open(const QString &path);
    // Creates a new, empty database file; fails when something is already there.
    static void createEmpty(const QString &path);
    // Rewrites a closed database file compactly: VACUUM INTO a new file beside
    // it, which replaces the original in one rename once it has passed a check.
    // On any failure the original stays as it was and nothing is left behind.
    // Other connections cannot write meanwhile.
    static void compactFile(const QString &path);
    // Copies a closed database file byte for byte to `target` (replaced in one
    // rename when complete; an older file there survives a failure). Other
    // connections cannot write to the source meanwhile. A failing file raises
    // FileError naming it.
    static void copyFile(const QString &source, const QString &target);

    bool isOpen() const { return m_db != nullptr; }
    const QString &path() const { return m_path; }
    void close();

    // Runs one statement with positional (?) or named (:name) parameters bound
    // in order. Returns the number of rows changed.
    int exec(const QString &sql, const QVariantList &params = {});
    // Runs several statements separated by ';' (no parameters): schema scripts.
    void execScript(const QString &sql);
    // First column of the first row, or an invalid QVariant when there is none.
    QVariant scalar(const QString &sql, const QVariantList &params = {});
    Statement prepare(const QString &sql);
    qint64 lastInsertId() const;

    QStringList tableNames() const;
    // Table or view names are compared without regard to case.
    bool hasTable(const QString &name) const;
    QStringList columnNames(const QString &table) const;

    // Takes the write lock at once (BEGIN IMMEDIATE), waiting up to the busy
    // timeout for another connection to let go; a lock that stays taken
    // raises DatabaseBusyError naming the file. Begin before reading what the
    // transaction will change: SQLite cannot wait for the lock while this
    // connection has a read open.
    void begin();
    void commit();
    void rollback();
    bool inTransaction() const;

    // Makes another file addressable as `alias.table` in statements on this
    // connection; the path is bound, never pasted into SQL.
    void attach(const QString &path, const QString &alias);
    void detach(const QString &alias);
    // Writes a compact copy of this database to a new file.
    void compactInto(const QString &target);

    sqlite3 *handle() const { return m_db; }
    QString lastError() const;

private:
    explicit Database(sqlite3 *db, QString path) : m_db(db), m_path(std::move(path)) {}
    [[noreturn]] void fail(const QString &context) const;

    sqlite3 *m_db = nullptr;
    QString m_path;
};

// Keeps a file attached to a connection while it lives: it is detached
// however the work on it ends, and a detach that fails is let go.
class Attachment {
public:
    Attachment(Database &db, const QString &path, QString alias);
    ~Attachment();
    Attachment(const Attachment &) = delete;
    Attachment &operator=(const Attachment &) = delete;

private:
    Database &m_db;
    QString m_alias;
};

// A prepared statement. Rows are stepped one by one; columns are read by index.
class Statement {
public:
    Statement() = default;
    ~Statement();
    Statement(Statement &&other) noexcept;
    Statement &operator=(Statement &&other) noexcept;
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    void bind(int index, const QVariant &value); // 1-based, as SQLite counts
    void bindAll(const QVariantList &values);
    // true while a row is available.
    bool step();
    void reset();

    int columnCount() const;
    QString columnName(int column) const;
    bool isNull(int column) const;
    qint64 intValue(int column) const;
    double realValue(int column) const;
    QString textValue(int column) const;
    QVariant value(int column) const;
    // SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT, SQLITE_BLOB or SQLITE_NULL
    int columnType(int column) const;

    sqlite3_stmt *handle() const { return m_stmt; }

private:
    friend class Database;
    Statement(sqlite3 *db, sqlite3_stmt *stmt) : m_db(db), m_stmt(stmt) {}
    [[noreturn]] void fail() const;

    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_stmt = nullptr;
};

// Rolls back unless committed: one unit of work either lands whole or not at
// all. The write lock is taken on construction (see Database::begin).
class Transaction {
public:
    explicit Transaction(Database &db);
    ~Transaction();
    void commit();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

private:
    Database &m_db;
    bool m_done = false;
};

} // namespace tq::db
