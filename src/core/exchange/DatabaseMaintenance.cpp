#include "exchange/DatabaseMaintenance.h"

#include "app/AppPaths.h"
#include "app/Session.h"
#include "common/Error.h"
#include "common/Interaction.h"
#include "db/Database.h"

#include <QDir>
#include <QFileInfo>

#include <exception>

namespace tq::exchange {

DatabaseMaintenance::DatabaseMaintenance(Session &session, Interaction &ui) : m_session(session), m_ui(ui)
{
}

QString DatabaseMaintenance::backupFileName(const QString &chosen)
{
    const QString name = QFileInfo(chosen).fileName();
    if (name.size() > 4 && !name.endsWith(QLatin1String(".mdb")))
        return chosen + QStringLiteral(".mdb");
    return chosen;
}

template <typename Work> void DatabaseMaintenance::withConnectionClosed(Work work)
{
    m_session.db(); // raises when no database is open
    const QString path = m_session.path();
    m_session.closeForMaintenance();
    std::exception_ptr failure;
    try {
        work(path);
    } catch (...) {
        failure = std::current_exception();
    }
    // Reopening comes first in every case; should it fail, that is what the
    // user has to learn about.
    m_session.reopen();
    if (failure)
        std::rethrow_exception(failure);
}

void DatabaseMaintenance::backupTo(const QString &target)
{
    withConnectionClosed([&](const QString &path) { db::Database::copyFile(path, target); });
}

bool DatabaseMaintenance::backup()
{
    const QString docs = AppPaths::documentsDir();
    QDir().mkpath(docs);
    const QString chosen =
        m_ui.saveFileName(QStringLiteral("备份文件存放为"), QStringLiteral("Access文件(*.mdb)"), docs).trimmed();
    if (chosen.isEmpty())
        return false;
    const QString target = backupFileName(chosen);
    // The dialog asked about the name as typed; a file under the name with
    // ".mdb" added has not been confirmed yet.
    if (target != chosen && QFileInfo::exists(target) &&
        !m_ui.confirm(QStringLiteral("文件“%1”已经存在，要替换它吗？").arg(QDir::toNativeSeparators(target))))
        return false;
    backupTo(target);
    m_ui.message(QStringLiteral("备份成功"));
    return true;
}

void DatabaseMaintenance::compactOpenFile()
{
    withConnectionClosed([](const QString &path) { db::Database::compactFile(path); });
}

bool DatabaseMaintenance::compact()
{
    QString failure;
    try {
        compactOpenFile();
    } catch (const Error &e) {
        if (!m_session.isOpen())
            throw; // the file could not be opened again: the general message says so
        failure = e.text();
    }
    if (!failure.isEmpty()) {
        m_ui.message(QStringLiteral("运行中发生错误：") + failure);
        return false;
    }
    m_ui.message(QStringLiteral("压缩操作成功"));
    return true;
}

} // namespace tq::exchange
