#include "exchange/ReportExport.h"

#include "app/AppPaths.h"
#include "app/Session.h"
#include "common/AtomicFile.h"
#include "common/Error.h"
#include "common/Interaction.h"
#include "db/Database.h"
#include "exchange/CopyColumns.h"
#include "exchange/ReportHeader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tq::exchange {

namespace {

const QString T = QStringLiteral("dt_data");
const QString WorkAlias = QStringLiteral("work");

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

ReportExport::ReportExport(Session &session, Interaction &ui) : m_session(session), m_ui(ui)
{
}

QString ReportExport::gateMessage()
{
    return QStringLiteral("存在临时保存或逻辑错误的数据，不能上报!");
}

QString ReportExport::completeName(const QString &name)
{
    if (name.size() < 5 || !name.endsWith(QLatin1String(".mdb")))
        return name + QStringLiteral(".mdb");
    return name;
}

qint64 ReportExport::uncheckedRecords()
{
    // IS NOT also counts a record whose state is empty: it would otherwise
    // pass the gate and then be left out of the report without a word.
    return m_session.db()
        .scalar(QStringLiteral("select count(*) as cnt from dt_data where RecordState IS NOT 1"))
        .toLongLong();
}

QString ReportExport::Export()
{
    if (uncheckedRecords() > 0) {
        m_ui.message(gateMessage());
        return QString();
    }
    const QString caption = QStringLiteral("设置数据库标识");
    const QString prompt = QStringLiteral("请输入提供数据的单位的名称，长度不要超过200个汉字");
    std::optional<QString> name = m_ui.inputText(caption, prompt, m_session.label());
    while (name && *name == QStringLiteral("默认数据库")) {
        m_ui.message(QStringLiteral("必须修改默认的名称！"));
        name = m_ui.inputText(caption, prompt, m_session.label());
    }
    if (!name)
        return QString();

    const QString docs = AppPaths::documentsDir();
    QDir().mkpath(docs);
    QString target = m_ui.saveFileName(QStringLiteral("导出文件存放为"), QStringLiteral("文件(*.mdb)"), docs).trimmed();
    if (target.isEmpty())
        return QString();
    target = completeName(target);
    write(target, *name);
    m_ui.message(QStringLiteral("数据已经被正确导出到：'") + shown(target) + QStringLiteral("'！"));
    return target;
}

qint64 ReportExport::write(const QString &target, const QString &label)
{
    return write(target, label, AppPaths::reportTemplatePath());
}

qint64 ReportExport::write(const QString &target, const QString &label, const QString &templatePath)
{
    // Replacing the open database by its own report would lose every record.
    if (QFileInfo(target).canonicalFilePath() == QFileInfo(m_session.path()).canonicalFilePath())
        throw FileError(
            QStringLiteral("不能把数据导出到正在使用的数据库文件'%1'中，请选择其它文件。").arg(shown(target)));
    QFile source(templatePath);
    if (!QFileInfo(templatePath).isFile() || !source.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("找不到上报数据的模板文件'%1'，请重新安装。").arg(shown(templatePath)));
    const QByteArray templateBytes = source.readAll();
    source.close();

    // The report is built under a temporary name beside the target and takes
    // the target's name only when it is complete: a failure, or the program
    // killed half-way, leaves whatever file had that name before.
    AtomicFile building(target, QStringLiteral("上报数据文件"));
    building.open();
    building.write(templateBytes);

    qint64 written = 0;
    {
        db::Database report = db::Database::open(building.temporaryPath());
        // Nobody else sees this file until it is complete, and an interrupted
        // build is thrown away: it needs no journal.
        report.execScript(QStringLiteral("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"));
        Session::requireSurveyTables(report);
        const QStringList columns = report.columnNames(T);
        db::Attachment work(report, m_session.path(), WorkAlias);
        QStringList ours;
        {
            db::Statement st = report.prepare(QStringLiteral("SELECT name FROM pragma_table_info(?, ?)"));
            st.bindAll({T, WorkAlias});
            while (st.step())
                ours << st.textValue(0);
        }
        // A column one side lacks would lose values on the way: refuse instead.
        for (const QString &missing :
             {CopyColumns::firstMissing(columns, ours), CopyColumns::firstMissing(ours, columns)}) {
            if (!missing.isEmpty())
                throw db::DbError(QStringLiteral("数据库与上报模板的数据表dt_data的字段不一致：%1").arg(missing));
        }
        db::Transaction t(report);
        written = report.exec(QStringLiteral("INSERT INTO main.") + CopyColumns::quoted(T) + QStringLiteral(" (") +
                              CopyColumns::list(columns) + QStringLiteral(") SELECT ") + CopyColumns::list(columns) +
                              QStringLiteral(" FROM ") + WorkAlias + QStringLiteral(".") + CopyColumns::quoted(T) +
                              QStringLiteral(" WHERE RecordState=1"));
        if (report.exec(QStringLiteral("update ct_label set db_name = ?"), {label}) == 0)
            report.exec(QStringLiteral("insert into ct_label (db_name) values (?)"), {label});
        t.commit();
    }
    ReportHeader::transformFile(building.temporaryPath());
    building.commit();
    return written;
}

} // namespace tq::exchange
