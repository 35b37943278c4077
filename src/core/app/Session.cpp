#include "app/Session.h"

#include "app/AppPaths.h"
#include "db/CodeCheck.h"

#include <QDir>
#include <QFileInfo>

namespace tq {

Session::Session(QObject *parent) : QObject(parent)
{
}
Session::~Session() = default;

db::Database &Session::db()
{
    if (!m_db.isOpen())
        throw db::DbError(QStringLiteral("没有打开的数据库"));
    return m_db;
}

void Session::requireSurveyTables(db::Database &db)
{
    for (const QString &table : {QStringLiteral("ct_label"), QStringLiteral("dt_data")}) {
        if (!db.hasTable(table))
            throw db::DbError(QStringLiteral("文件 %1 不是本软件的调查数据库：找不到表 %2")
                                  .arg(QDir::toNativeSeparators(db.path()), table));
    }
}

QString Session::readLabel(db::Database &db)
{
    db::Statement st = db.prepare(QStringLiteral("select * from ct_label"));
    if (!st.step())
        return QString();
    for (int c = 0; c < st.columnCount(); ++c) {
        if (st.columnName(c).compare(QLatin1String("db_name"), Qt::CaseInsensitive) == 0)
            return st.textValue(c);
    }
    throw db::DbError(QStringLiteral("表 ct_label 中没有字段 db_name"));
}

void Session::openDatabase(const QString &path)
{
    const QString target = path.isEmpty() ? AppPaths::defaultDatabasePath() : path;
    if (!QFileInfo::exists(target)) {
        if (path.isEmpty())
            throw MissingDatabaseError(QStringLiteral("没有找到系统数据文件，请重新安装。"));
        throw MissingDatabaseError(QStringLiteral("数据库文件不存在：%1").arg(QDir::toNativeSeparators(target)));
    }
    // Open and check the new file before letting go of the old one, so that a
    // wrong choice leaves the user with the database they had.
    db::Database next = db::Database::open(target);
    requireSurveyTables(next);
    const QString label = readLabel(next);
    const qint64 notWhole = db::CodeCheck::countNotWhole(next);
    m_db = std::move(next);
    m_path = m_db.path();
    m_label = label;
    m_notWholeCodes = notWhole;
    m_hints.reset();
    emit databaseOpened();
    emit labelChanged(m_label);
}

void Session::reloadLabel()
{
    m_label = readLabel(db());
    emit labelChanged(m_label);
}

void Session::setLabel(const QString &label)
{
    db().exec(QStringLiteral("update ct_label set db_name = ?"), {label});
    m_label = label;
    emit labelChanged(m_label);
}

void Session::closeForMaintenance()
{
    m_db.close();
}

void Session::reopen()
{
    // The same file again: lists keep their columns and rows, and whoever
    // closed the connection puts them back where they belong.
    m_db = db::Database::open(m_path);
    m_label = readLabel(m_db);
    m_notWholeCodes = db::CodeCheck::countNotWhole(m_db);
    m_hints.reset();
    emit labelChanged(m_label);
}

QString Session::windowTitleFor(const QString &label)
{
    return QStringLiteral("2009年度全国工会统计年报--基层以上工会调查表 - ") + label;
}

QString Session::windowTitle() const
{
    return windowTitleFor(m_label);
}

} // namespace tq
