#include "db/Database.h"

#include "common/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <sqlite3.h>
#include <sys/stat.h>

namespace tq::db {

namespace {

// int(x): the next whole number downwards, as the summary formulas expect.
void sqlInt(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (argc != 1)
        return sqlite3_result_null(ctx);
    sqlite3_value *v = argv[0];
    switch (sqlite3_value_numeric_type(v)) {
    case SQLITE_INTEGER:
        sqlite3_result_int64(ctx, sqlite3_value_int64(v));
        return;
    case SQLITE_FLOAT: {
        const double d = std::floor(sqlite3_value_double(v));
        if (d >= -9.2e18 && d <= 9.2e18)
            sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(d));
        else
            sqlite3_result_double(ctx, d);
        return;
    }
    default:
        sqlite3_result_null(ctx);
    }
}

QString utf8(const char *s)
{
    return s ? QString::fromUtf8(s) : QString();
}

// The engine speaks English; every failure it reports is told in Chinese
// first, with the engine's own words after it for whoever has to dig deeper.
QString explained(int rc, const QString &engineText)
{
    // A trigger's RAISE carries the schema's own words: they stand as written.
    if (rc == SQLITE_CONSTRAINT_TRIGGER && !engineText.isEmpty())
        return engineText;
    QString why;
    switch (rc & 0xff) {
    case SQLITE_NOTADB:
        why = QStringLiteral("文件不是数据库文件");
        break;
    case SQLITE_CORRUPT:
        why = QStringLiteral("数据库文件已经损坏");
        break;
    case SQLITE_CANTOPEN:
        why = QStringLiteral("无法打开数据库文件");
        break;
    case SQLITE_READONLY:
        why = QStringLiteral("数据库文件是只读的，不能写入");
        break;
    case SQLITE_FULL:
        why = QStringLiteral("磁盘空间已满");
        break;
    case SQLITE_IOERR:
        why = QStringLiteral("读写数据库文件时出错");
        break;
    case SQLITE_NOMEM:
        why = QStringLiteral("内存不足");
        break;
    case SQLITE_CONSTRAINT:
        why = QStringLiteral("数据不符合数据库的约束条件");
        break;
    case SQLITE_TOOBIG:
        why = QStringLiteral("数据太大");
        break;
    case SQLITE_ERROR:
        why = QStringLiteral("数据库语句不能执行");
        break;
    default:
        why = QStringLiteral("数据库引擎出错");
    }
    return engineText.isEmpty() ? why : why + QStringLiteral("（") + engineText + QStringLiteral("）");
}

// How long a writer waits for another connection's lock before giving up.
constexpr int kBusyTimeoutMs = 2000;

bool isBusy(int rc)
{
    return (rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED;
}

[[noreturn]] void failBusy(sqlite3 *db)
{
    const char *file = sqlite3_db_filename(db, "main");
    throw DatabaseBusyError(QStringLiteral("数据库文件正被其他程序使用：") +
                            QDir::toNativeSeparators(file ? QString::fromUtf8(file) : QString()));
}

QString systemText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

void bindValue(sqlite3 *db, sqlite3_stmt *stmt, int index, const QVariant &value)
{
    int rc = SQLITE_OK;
    if (!value.isValid() || value.isNull()) {
        rc = sqlite3_bind_null(stmt, index);
    } else {
        switch (value.typeId()) {
        case QMetaType::Bool:
            rc = sqlite3_bind_int(stmt, index, value.toBool() ? 1 : 0);
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::Char:
        case QMetaType::UChar:
        case QMetaType::UShort:
            rc = sqlite3_bind_int64(stmt, index, value.toLongLong());
            break;
        case QMetaType::ULongLong:
            rc = sqlite3_bind_int64(stmt, index, static_cast<sqlite3_int64>(value.toULongLong()));
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(stmt, index, value.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray b = value.toByteArray();
            rc = sqlite3_bind_blob(stmt, index, b.constData(), int(b.size()), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray b = value.toString().toUtf8();
            rc = sqlite3_bind_text(stmt, index, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        }
        }
    }
    if (rc != SQLITE_OK)
        throw DbError(QStringLiteral("参数绑定失败：%1").arg(explained(rc, utf8(sqlite3_errmsg(db)))));
}

} // namespace

Database::~Database()
{
    close();
}

Database::Database(Database &&other) noexcept : m_db(other.m_db), m_path(std::move(other.m_path))
{
    other.m_db = nullptr;
}

Database &Database::operator=(Database &&other) noexcept
{
    if (this != &other) {
        close();
        m_db = other.m_db;
        m_path = std::move(other.m_path);
        other.m_db = nullptr;
    }
    return *this;
}

Database Database::open(const QString &path)
{
    const QFileInfo info(path);
    if (path.trimmed().isEmpty())
        throw DbError(QStringLiteral("没有指定数据库文件。"));
    if (!info.exists())
        throw DbError(QStringLiteral("数据库文件不存在：%1").arg(QDir::toNativeSeparators(path)));
    if (!info.isFile())
        throw DbError(QStringLiteral("不是数据库文件：%1").arg(QDir::toNativeSeparators(path)));

    sqlite3 *raw = nullptr;
    const QByteArray p = QFile::encodeName(info.absoluteFilePath());
    const int rc = sqlite3_open_v2(p.constData(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString why = raw ? utf8(sqlite3_errmsg(raw)) : utf8(sqlite3_errstr(rc));
        sqlite3_close_v2(raw);
        throw DbError(QStringLiteral("无法打开数据库文件 %1：%2").arg(QDir::toNativeSeparators(path), why));
    }
    Database db(raw, info.absoluteFilePath());
    sqlite3_extended_result_codes(raw, 1);
    sqlite3_busy_timeout(raw, kBusyTimeoutMs);
    sqlite3_create_function_v2(raw, "int", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, &sqlInt, nullptr, nullptr,
                               nullptr);
    // SQLite reads the header lazily; touch the schema now so that a file of
    // another kind fails here and not in the middle of some later command.
    char *err = nullptr;
    if (const int probe = sqlite3_exec(raw, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, &err);
        probe != SQLITE_OK) {
        const QString why = utf8(err);
        sqlite3_free(err);
        if (isBusy(probe))
            failBusy(raw);
        throw DbError(QStringLiteral("文件 %1 不是有效的数据库：%2").arg(QDir::toNativeSeparators(path), why));
    }
    db.exec(QStringLiteral("PRAGMA foreign_keys = OFF"));
    return db;
}

void Database::createEmpty(const QString &path)
{
    if (QFileInfo::exists(path))
        throw DbError(QStringLiteral("文件已经存在：%1").arg(QDir::toNativeSeparators(path)));
    sqlite3 *raw = nullptr;
    const QByteArray p = QFile::encodeName(path);
    const int rc = sqlite3_open_v2(p.constData(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    QString why;
    if (rc != SQLITE_OK)
        why = raw ? utf8(sqlite3_errmsg(raw)) : utf8(sqlite3_errstr(rc));
    // An SQLite file holds nothing until its first page is written; write the
    // header now so that the file is a database in its own right.
    else if (sqlite3_exec(raw, "PRAGMA user_version = 0; VACUUM;", nullptr, nullptr, nullptr) != SQLITE_OK)
        why = utf8(sqlite3_errmsg(raw));
    sqlite3_close_v2(raw);
    if (!why.isEmpty()) {
        QFile::remove(path);
        throw DbError(QStringLiteral("无法创建数据库文件 %1：%2").arg(QDir::toNativeSeparators(path), why));
    }
}

namespace {

QString quoted(const QString &identifier)
{
    return u'"' + QString(identifier).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

// What a whole copy of a database shares with its original: every schema
// object as written, and the rows of every table. With `walkTables` each table
// is counted twice, through its smallest index and through its own b-tree, so
// that a copy missing pages of either cannot pass.
QStringList shapeOf(Database &db, bool walkTables)
{
    QStringList shape;
    QStringList tables;
    {
        Statement st = db.prepare(
            QStringLiteral("SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY type, name, tbl_name"));
        while (st.step()) {
            shape << QStringList{st.textValue(0), st.textValue(1), st.textValue(2), st.textValue(3)}.join(u'|');
            if (st.textValue(0) == QLatin1String("table"))
                tables << st.textValue(1);
        }
    }
    for (const QString &table : tables) {
        const QString rows = db.scalar(QStringLiteral("SELECT count(*) FROM %1").arg(quoted(table))).toString();
        shape << table + u'=' + rows;
        if (walkTables) {
            const QString walked =
                db.scalar(QStringLiteral("SELECT count(*) FROM %1 NOT INDEXED").arg(quoted(table))).toString();
            if (walked != rows)
                shape << table + QStringLiteral(" walked=") + walked;
        }
    }
    return shape;
}

} // namespace

void Database::compactFile(const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    // One connection holds the write lock from the snapshot until the compact
    // copy has taken the original's place, so that nothing another program
    // writes in between is lost with the old file.
    Database guard = open(path);
    guard.begin();
    Database source = open(path);
    const QStringList shape = shapeOf(source, false);

    AtomicFile tmp(path, QStringLiteral("压缩后的数据库文件"));
    tmp.open();
    try {
        // VACUUM INTO takes an empty file as well as a missing one.
        source.exec(QStringLiteral("VACUUM INTO ?"), {tmp.temporaryPath()});
    } catch (const DbError &e) {
        // The engine says "disk I/O error"; the system says what went wrong.
        const int err = sqlite3_system_errno(source.handle());
        throw DbError(QStringLiteral("压缩数据库文件 %1 时出错：%2%3")
                          .arg(shown, e.text(), err ? QStringLiteral("（%1）").arg(systemText(err)) : QString()));
    }
    source.close();
    {
        // Nothing replaces the original before the copy has shown itself
        // whole: every page the header counts is in the file, the schema is
        // the original's, and every table and index holds the original's rows.
        Database copy = open(tmp.temporaryPath());
        const qint64 pages = copy.scalar(QStringLiteral("PRAGMA page_count")).toLongLong() *
                             copy.scalar(QStringLiteral("PRAGMA page_size")).toLongLong();
        if (pages != QFileInfo(tmp.temporaryPath()).size() || shapeOf(copy, true) != shape)
            throw DbError(QStringLiteral("压缩后的数据库与原文件不符，原文件没有改动：%1").arg(shown));
    }
    // The new file keeps the access rights of the one it replaces.
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0)
        ::chmod(QFile::encodeName(tmp.temporaryPath()).constData(), st.st_mode & 07777);
    tmp.commit();
    guard.rollback();
}

void Database::copyFile(const QString &source, const QString &target)
{
    // A connection that has read and stays in its transaction keeps writers
    // off the file while its bytes are copied; opening it also rolls back
    // what a crashed writer left in a hot journal, so the copy is a whole
    // database.
    Database guard = open(source);
    guard.execScript(QStringLiteral("BEGIN; SELECT count(*) FROM sqlite_master;"));

    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw FileError(
            QStringLiteral("无法读取数据库文件 %1：%2").arg(QDir::toNativeSeparators(source), in.errorString()));
    AtomicFile out(target, QStringLiteral("备份文件"));
    out.copyFrom(in);
    out.commit();
    guard.rollback();
}

void Database::close()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

QString Database::lastError() const
{
    return m_db ? utf8(sqlite3_errmsg(m_db)) : QString();
}

void Database::fail(const QString &context) const
{
    QString why = explained(m_db ? sqlite3_extended_errcode(m_db) : SQLITE_MISUSE, lastError());
    if (!context.isEmpty())
        why = why + QStringLiteral("：") + context;
    throw DbError(why);
}

Statement Database::prepare(const QString &sql)
{
    if (!m_db)
        throw DbError(QStringLiteral("数据库没有打开"));
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt *stmt = nullptr;
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &stmt, &tail) != SQLITE_OK)
        fail(sql);
    if (!stmt)
        throw DbError(QStringLiteral("空语句"));
    return Statement(m_db, stmt);
}

int Database::exec(const QString &sql, const QVariantList &params)
{
    Statement st = prepare(sql);
    st.bindAll(params);
    while (st.step()) {
    }
    return sqlite3_changes(m_db);
}

void Database::execScript(const QString &sql)
{
    if (!m_db)
        throw DbError(QStringLiteral("数据库没有打开"));
    char *err = nullptr;
    if (const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &err); rc != SQLITE_OK) {
        const QString why = utf8(err);
        sqlite3_free(err);
        if (isBusy(rc))
            failBusy(m_db);
        throw DbError(explained(rc, why));
    }
}

QVariant Database::scalar(const QString &sql, const QVariantList &params)
{
    Statement st = prepare(sql);
    st.bindAll(params);
    if (!st.step())
        return {};
    return st.value(0);
}

qint64 Database::lastInsertId() const
{
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

QStringList Database::tableNames() const
{
    QStringList names;
    auto *self = const_cast<Database *>(this);
    Statement st = self->prepare(
        QStringLiteral("SELECT name FROM sqlite_master WHERE type IN ('table','view') AND name NOT LIKE 'sqlite_%' "
                       "ORDER BY name"));
    while (st.step())
        names << st.textValue(0);
    return names;
}

bool Database::hasTable(const QString &name) const
{
    auto *self = const_cast<Database *>(this);
    return self->scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type IN ('table','view') "
                                       "AND lower(name) = lower(?)"),
                        {name})
               .toInt() > 0;
}

QStringList Database::columnNames(const QString &table) const
{
    QStringList names;
    auto *self = const_cast<Database *>(this);
    Statement st = self->prepare(QStringLiteral("SELECT name FROM pragma_table_info(?)"));
    st.bind(1, table);
    while (st.step())
        names << st.textValue(0);
    return names;
}

void Database::begin()
{
    if (!m_db)
        throw DbError(QStringLiteral("数据库没有打开"));
    // IMMEDIATE takes the write lock now, with the busy timeout working for
    // us. A deferred BEGIN would take it at the first write, and SQLite does
    // not wait for a lock there while this connection is reading.
    const int rc = sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (isBusy(rc))
        failBusy(m_db);
    if (rc != SQLITE_OK)
        fail(QStringLiteral("BEGIN IMMEDIATE"));
}
void Database::commit()
{
    execScript(QStringLiteral("COMMIT"));
}
void Database::rollback()
{
    if (inTransaction())
        execScript(QStringLiteral("ROLLBACK"));
}
bool Database::inTransaction() const
{
    return m_db && sqlite3_get_autocommit(m_db) == 0;
}

void Database::attach(const QString &path, const QString &alias)
{
    if (!QFileInfo(path).isFile())
        throw DbError(QStringLiteral("数据库文件不存在：%1").arg(QDir::toNativeSeparators(path)));
    // The alias comes from the program, never from the user; the path is bound.
    exec(QStringLiteral("ATTACH DATABASE ? AS \"%1\"").arg(alias), {path});
    try {
        scalar(QStringLiteral("SELECT count(*) FROM \"%1\".sqlite_master").arg(alias));
    } catch (const DbError &e) {
        try {
            detach(alias);
        } catch (const DbError &) {
        }
        throw DbError(QStringLiteral("文件 %1 不是有效的数据库：%2").arg(QDir::toNativeSeparators(path), e.text()));
    }
}

void Database::detach(const QString &alias)
{
    exec(QStringLiteral("DETACH DATABASE \"%1\"").arg(alias));
}

void Database::compactInto(const QString &target)
{
    if (QFileInfo::exists(target))
        throw DbError(QStringLiteral("文件已经存在：%1").arg(QDir::toNativeSeparators(target)));
    exec(QStringLiteral("VACUUM INTO ?"), {target});
}

Attachment::Attachment(Database &db, const QString &path, QString alias) : m_db(db), m_alias(std::move(alias))
{
    m_db.attach(path, m_alias);
}

Attachment::~Attachment()
{
    try {
        m_db.detach(m_alias);
    } catch (const DbError &) {
    }
}

// ---------------------------------------------------------------------------

Statement::~Statement()
{
    if (m_stmt)
        sqlite3_finalize(m_stmt);
}

Statement::Statement(Statement &&other) noexcept : m_db(other.m_db), m_stmt(other.m_stmt)
{
    other.m_stmt = nullptr;
}

Statement &Statement::operator=(Statement &&other) noexcept
{
    if (this != &other) {
        if (m_stmt)
            sqlite3_finalize(m_stmt);
        m_db = other.m_db;
        m_stmt = other.m_stmt;
        other.m_stmt = nullptr;
    }
    return *this;
}

void Statement::fail() const
{
    throw DbError(explained(sqlite3_extended_errcode(m_db), utf8(sqlite3_errmsg(m_db))));
}

void Statement::bind(int index, const QVariant &value)
{
    bindValue(m_db, m_stmt, index, value);
}

void Statement::bindAll(const QVariantList &values)
{
    const int expected = sqlite3_bind_parameter_count(m_stmt);
    if (values.size() != expected)
        throw DbError(QStringLiteral("语句需要 %1 个参数，给出了 %2 个").arg(expected).arg(values.size()));
    for (int i = 0; i < values.size(); ++i)
        bind(i + 1, values.at(i));
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    const QString why = explained(rc, utf8(sqlite3_errmsg(m_db)));
    sqlite3_reset(m_stmt);
    if (isBusy(rc))
        failBusy(m_db);
    throw DbError(why);
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}
QString Statement::columnName(int column) const
{
    return utf8(sqlite3_column_name(m_stmt, column));
}
bool Statement::isNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}
qint64 Statement::intValue(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}
double Statement::realValue(int column) const
{
    return sqlite3_column_double(m_stmt, column);
}
int Statement::columnType(int column) const
{
    return sqlite3_column_type(m_stmt, column);
}

QString Statement::textValue(int column) const
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    const int n = sqlite3_column_bytes(m_stmt, column);
    return p ? QString::fromUtf8(p, n) : QString();
}

QVariant Statement::value(int column) const
{
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_INTEGER:
        return QVariant::fromValue<qint64>(sqlite3_column_int64(m_stmt, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(m_stmt, column);
    case SQLITE_TEXT:
        return textValue(column);
    case SQLITE_BLOB: {
        const auto *p = static_cast<const char *>(sqlite3_column_blob(m_stmt, column));
        return QByteArray(p, sqlite3_column_bytes(m_stmt, column));
    }
    default:
        return {};
    }
}

// ---------------------------------------------------------------------------

Transaction::Transaction(Database &db) : m_db(db)
{
    m_db.begin();
}

Transaction::~Transaction()
{
    if (!m_done) {
        try {
            m_db.rollback();
        } catch (const DbError &) {
        }
    }
}

void Transaction::commit()
{
    m_db.commit();
    m_done = true;
}

} // namespace tq::db
