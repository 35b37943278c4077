#include "summary/GroupExchange.h"

#include "app/AppPaths.h"
#include "app/Settings.h"
#include "common/Error.h"
#include "common/Interaction.h"
#include "common/ProgressScope.h"
#include "db/Database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace tq::summary {

namespace {

const QString kFilter = QStringLiteral("Access文件(*.mdb)");

QString quoted(const QString &name)
{
    QString q = name;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

// The name a table has in schema `alias` ("main" or an attached file),
// compared without case; empty when there is none.
QString tableIn(db::Database &db, const QString &alias, const QString &table)
{
    return db
        .scalar(QStringLiteral("select name from ") + quoted(alias) +
                    QStringLiteral(".sqlite_master where type='table' and lower(name)=lower(?)"),
                {table})
        .toString();
}

QStringList columnsOf(db::Database &db, const QString &alias, const QString &table)
{
    QStringList names;
    db::Statement st = db.prepare(QStringLiteral("select name from pragma_table_info(?, ?)"));
    st.bind(1, table);
    st.bind(2, alias);
    while (st.step())
        names << st.textValue(0);
    return names;
}

bool sameFile(const QString &a, const QString &b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

} // namespace

QString GroupExchange::exchangeFolder(const Settings &settings)
{
    const QString chosen = settings.readString(QString(), QStringLiteral("Stat-Annals"));
    return chosen.isEmpty() ? AppPaths::documentsDir() : chosen;
}

QString GroupExchange::applyFileNameRule(const QString &chosen)
{
    const QString name = chosen.trimmed();
    if (name.size() > 4 && !name.endsWith(QLatin1String(".mdb"), Qt::CaseSensitive))
        return name + QStringLiteral(".mdb");
    return name;
}

void GroupExchange::ExportGroups(const QString &sourcePath, const QStringList &tables)
{
    // The source must open before anything is asked.
    db::Database source = db::Database::open(sourcePath);
    QStringList sourceTables;
    QStringList definitions;
    for (const QString &t : tables) {
        const QString name = tableIn(source, QStringLiteral("main"), t);
        if (name.isEmpty())
            throw Error(QStringLiteral("数据库%1中没有数据表%2").arg(QDir::toNativeSeparators(sourcePath), t));
        sourceTables << name;
        definitions << source
                           .scalar(QStringLiteral("select sql from sqlite_master where type='table' and name=?"),
                                   {name})
                           .toString();
    }
    source.close();

    if (!m_folder.isEmpty() && !QDir(m_folder).exists())
        QDir().mkpath(m_folder);
    const QString target = applyFileNameRule(m_ui.saveFileName(QStringLiteral("导出文件存放为"), kFilter, m_folder));
    if (target.isEmpty())
        return;

    if (sameFile(target, sourcePath))
        throw Error(QStringLiteral("不能把分组导出到数据库文件本身：%1").arg(QDir::toNativeSeparators(target)));

    // A new file is built under a temporary name beside the target and put
    // in place when complete; an existing one is changed in one transaction.
    const bool fresh = !QFileInfo::exists(target);
    QString workPath = target;
    if (fresh) {
        QTemporaryFile probe(QFileInfo(target).absoluteDir().filePath(QStringLiteral(".groups-XXXXXX.tmp")));
        if (!probe.open())
            throw FileError(QStringLiteral("无法在文件夹“%1”中建立文件：%2")
                                .arg(QDir::toNativeSeparators(QFileInfo(target).absolutePath()), probe.errorString()));
        workPath = probe.fileName();
        probe.close();
        probe.remove();
        db::Database::createEmpty(workPath);
    }
    try {
        db::Database out = db::Database::open(workPath);
        {
            ProgressScope progress(m_ui.progress(), int(tables.size()));
            db::Attachment src(out, sourcePath, QStringLiteral("grp_source"));
            db::Transaction t(out);
            for (int i = 0; i < tables.size(); ++i) {
                const QString existing = tableIn(out, QStringLiteral("main"), tables[i]);
                if (!existing.isEmpty()) {
                    try {
                        out.exec(QStringLiteral("drop table main.") + quoted(existing));
                    } catch (const Error &) {
                    }
                }
                out.execScript(definitions[i]);
                out.exec(QStringLiteral("insert into main.") + quoted(sourceTables[i]) +
                         QStringLiteral(" select * from grp_source.") + quoted(sourceTables[i]));
                progress.advance();
                m_ui.processEvents();
            }
            t.commit();
        }
        out.close();
        if (fresh && !QFile::rename(workPath, target))
            throw FileError(QStringLiteral("无法建立文件“%1”").arg(QDir::toNativeSeparators(target)));
    } catch (...) {
        if (fresh)
            QFile::remove(workPath);
        throw;
    }
    m_ui.message(QStringLiteral("数据已经被正确导出到：'") + QDir::toNativeSeparators(target) + QStringLiteral("'！"));
}

bool GroupExchange::ImportGroups(db::Database &db, const QStringList &tables)
{
    const QString path = applyFileNameRule(m_ui.openFileName(QStringLiteral("选择导入文件"), kFilter, m_folder));
    if (path.isEmpty())
        return false;
    if (!QFileInfo(path).isFile()) {
        m_ui.message(QStringLiteral("您选择的文件并不存在，请选择其它文件。"));
        return false;
    }
    if (sameFile(path, db.path()))
        throw Error(QStringLiteral("所选文件就是当前打开的数据库：%1").arg(QDir::toNativeSeparators(path)));
    const QString alias = QStringLiteral("grp_import");
    {
        db::Attachment file(db, path, alias);
        ProgressScope progress(m_ui.progress(), int(tables.size()));
        db::Transaction t(db);
        for (const QString &table : tables) {
            const QString theirs = tableIn(db, alias, table);
            if (theirs.isEmpty()) {
                m_ui.message(QStringLiteral("您选择的文件中不存在名字为\"") + table + QStringLiteral("\"的数据表"));
                continue;
            }
            const QString ours = tableIn(db, QStringLiteral("main"), table);
            if (ours.isEmpty())
                throw Error(QStringLiteral("当前数据库中没有数据表%1").arg(table));
            // Columns are matched by name, so that a file whose columns
            // stand in another order still lands in the right ones.
            QStringList common;
            const QStringList theirColumns = columnsOf(db, alias, theirs);
            for (const QString &c : columnsOf(db, QStringLiteral("main"), ours))
                for (const QString &o : theirColumns)
                    if (c.compare(o, Qt::CaseInsensitive) == 0) {
                        common << quoted(c);
                        break;
                    }
            db.exec(QStringLiteral("delete from main.") + quoted(ours));
            if (!common.isEmpty())
                db.exec(QStringLiteral("insert into main.") + quoted(ours) + QStringLiteral(" (") + common.join(u',') +
                        QStringLiteral(") select ") + common.join(u',') + QStringLiteral(" from ") + quoted(alias) +
                        QLatin1Char('.') + quoted(theirs));
            progress.advance();
            m_ui.processEvents();
        }
        t.commit();
    }
    m_ui.message(QStringLiteral("数据分组导入操作完成！"));
    return true;
}

} // namespace tq::summary
