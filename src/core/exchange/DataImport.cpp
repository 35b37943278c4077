#include "exchange/DataImport.h"

#include "app/AppPaths.h"
#include "app/Session.h"
#include "common/Error.h"
#include "common/Gbk.h"
#include "common/Interaction.h"
#include "common/ProgressScope.h"
#include "db/CodeCheck.h"
#include "db/Database.h"
#include "exchange/CopyColumns.h"
#include "exchange/ImportSource.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <sqlite3.h>

namespace tq::exchange {

namespace {

const QString T = QStringLiteral("dt_data");
const QString WorkTable = QStringLiteral("dt_data_dt_data");
const QString SourceAlias = QStringLiteral("src");
const QString Filter = QStringLiteral("Access文件(*.mdb)");
const QString ChooseTitle = QStringLiteral("选择导入文件");

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString quotedName(const QString &name)
{
    return QStringLiteral("\"") + name + QStringLiteral("\"");
}

QStringList conflictLines(const QList<DataImport::Conflict> &conflicts)
{
    QStringList lines;
    lines.reserve(conflicts.size());
    for (const DataImport::Conflict &c : conflicts)
        lines << QStringLiteral("(") + c.code.toString() + QStringLiteral(",") + c.name + QStringLiteral(")");
    return lines;
}

const QString Dashes = QString(80, QLatin1Char('-'));

} // namespace

DataImport::DataImport(Session &session, QString reportFolder, Interaction &ui)
    : m_session(session), m_folder(std::move(reportFolder)), m_ui(ui)
{
}

QString DataImport::conflictReportPath() const
{
    return QDir(m_folder).filePath(QStringLiteral("数据导入编号冲突.txt"));
}

QString DataImport::failureMessage(const QString &reportPath)
{
    return QStringLiteral(
               "导入过程中发生错误，准备导入的数据可能与现有的\n\r数据有重复的内容，详细的内容请参见文件：\n\r\n\r"
               "            ") +
           shown(reportPath) + QStringLiteral("。");
}

QString DataImport::completeName(const QString &name)
{
    if (name.size() > 4 && !name.endsWith(QLatin1String(".mdb")))
        return name + QStringLiteral(".mdb");
    return name;
}

QStringList DataImport::dataColumns()
{
    return m_session.db().columnNames(T);
}

std::optional<QString> DataImport::refusal(ImportSource &source)
{
    if (!source.hasTable(T))
        return QStringLiteral("您选择的文件中不存在名字为") + quotedName(T) + QStringLiteral("的数据表");
    if (!m_session.db().hasTable(T))
        return QStringLiteral("系统中不存在名字为") + quotedName(T) + QStringLiteral("的数据表");
    const QStringList ours = dataColumns();
    const QStringList theirs = source.db().columnNames(T);
    if (const QString missing = CopyColumns::firstMissing(ours, theirs); !missing.isEmpty())
        return QStringLiteral("您选择的文件中的数据表") + quotedName(T) + QStringLiteral("缺少字段") +
               quotedName(missing) + QStringLiteral("，不能导入。");
    if (const QString extra = CopyColumns::firstMissing(theirs, ours); !extra.isEmpty())
        return QStringLiteral("您选择的文件中的数据表") + quotedName(T) + QStringLiteral("有系统中不存在的字段") +
               quotedName(extra) + QStringLiteral("，不能导入。");
    return notWholeCodes(source);
}

std::optional<QString> DataImport::notWholeCodes(ImportSource &source)
{
    // A code stored as a fraction or a text would be taken for another
    // record's code by everything that works by code; such files are sent
    // back to whoever made them.
    if (const qint64 n = db::CodeCheck::countNotWhole(source.db()); n > 0)
        return QStringLiteral("您选择的文件 %1 中有 %2 个记录的单位编号不是整数，不能导入。请核对这些记录的单位编号。")
            .arg(QDir::toNativeSeparators(source.path()))
            .arg(n);
    return std::nullopt;
}

DataImport::FileOutcome DataImport::importSource(ImportSource &source)
{
    db::Database &db = m_session.db();
    const QString columns = CopyColumns::list(dataColumns());
    const QString select = QStringLiteral(" SELECT ") + columns + QStringLiteral(" FROM ") + SourceAlias +
                           QStringLiteral(".") + CopyColumns::quoted(T);
    FileOutcome outcome;
    db::Attachment attached(db, source.copyPath(), SourceAlias);
    try {
        db::Transaction t(db);
        outcome.rows = db.exec(QStringLiteral("INSERT INTO main.") + CopyColumns::quoted(T) + QStringLiteral(" (") +
                               columns + QStringLiteral(")") + select);
        t.commit();
        outcome.imported = true;
        return outcome;
    } catch (const db::DbError &e) {
        outcome.error = e.text();
    }

    // A single clashing code makes the whole copy fail. Gather the source's
    // records in the work table and keep those whose codes are taken.
    try {
        db::Transaction t(db);
        const QString work = QStringLiteral("main.") + CopyColumns::quoted(WorkTable);
        db.exec(QStringLiteral("DELETE FROM ") + work);
        db.exec(QStringLiteral("INSERT INTO ") + work + QStringLiteral(" (") + columns + QStringLiteral(")") + select);
        db.exec(QStringLiteral("DELETE FROM ") + work + QStringLiteral(" WHERE c901 NOT IN (SELECT c901 FROM main.") +
                CopyColumns::quoted(T) + QStringLiteral(")"));
        t.commit();
        db::Statement st =
            db.prepare(QStringLiteral("SELECT c901, c902 FROM ") + work + QStringLiteral(" ORDER BY c901"));
        QList<Conflict> conflicts;
        while (st.step())
            conflicts.append({st.value(0), st.textValue(1)});
        outcome.conflicts = std::move(conflicts);
    } catch (const db::DbError &) {
        outcome.conflicts.reset();
    }
    return outcome;
}

void DataImport::writeReport(const QByteArray &bytes)
{
    const QString path = conflictReportPath();
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        throw FileError(QStringLiteral("无法写入导入冲突报告 %1：%2").arg(shown(path), f.errorString()));
}

bool DataImport::FastImport()
{
    QString file = m_ui.openFileName(ChooseTitle, Filter, AppPaths::documentsDir()).trimmed();
    if (file.isEmpty())
        return false;
    file = completeName(file);
    if (!QFileInfo(file).isFile()) {
        m_ui.message(QStringLiteral("您选择的文件并不存在，请选择其它文件。"));
        return false;
    }
    ImportSource source(file, true);
    if (const auto why = refusal(source)) {
        m_ui.message(*why);
        return false;
    }
    const QString label = source.label();
    if (!m_ui.confirmWarning(QStringLiteral("确认准备导入标记声明为【") + label + QStringLiteral("】的数据么？")))
        return false;

    const FileOutcome outcome = importSource(source);
    if (outcome.imported) {
        m_ui.message(QStringLiteral("数据已经被正确地从'") + shown(file) + QStringLiteral("'导入！"));
        return true;
    }
    const QString report = conflictReportPath();
    if (outcome.conflicts && !outcome.conflicts->isEmpty()) {
        QStringList lines{QStringLiteral("在准备导入的文件中，如下的记录与现有的记录发生编号冲突"), Dashes};
        lines << conflictLines(*outcome.conflicts);
        bool written = true;
        try {
            writeReport(Gbk::lines(lines));
        } catch (const FileError &e) {
            written = false;
            m_ui.message(e.text());
        }
        if (written)
            m_ui.openInViewer(report);
    }
    m_ui.message(failureMessage(report));
    return false;
}

std::optional<DataImport::Chosen> DataImport::chooseFiles()
{
    const QStringList files = m_ui.openFileNames(ChooseTitle, Filter, AppPaths::documentsDir());
    if (files.isEmpty())
        return std::nullopt;
    Chosen chosen;
    for (const QString &picked : files) {
        const QString file = completeName(picked.trimmed());
        if (!QFileInfo(file).isFile()) {
            m_ui.message(QStringLiteral("您选择的文件名为【") + shown(file) +
                         QStringLiteral("】的文件并不存在，请选择其它文件。"));
            return std::nullopt;
        }
        try {
            ImportSource source(file, true);
            chosen.labels << source.label();
        } catch (const Error &) {
            m_ui.message(QStringLiteral("打开数据库文件的时候发生错误，请选择其他文件。"));
            return std::nullopt;
        }
        chosen.paths << file;
    }
    return chosen;
}

void DataImport::importFiles(const QStringList &paths, BatchOutcome &outcome, const std::function<void(int)> &percent)
{
    outcome = BatchOutcome();
    outcome.report = conflictReportPath();
    QByteArray report;
    writeReport(report); // a report left from an earlier run must not pass for this one's
    if (paths.isEmpty())
        return;
    const int step = 100 / int(paths.size());
    int done = 0;
    for (const QString &path : paths) {
        ImportSource source(path, true);
        if (const auto why = refusal(source)) {
            m_ui.message(*why);
            outcome.refused << path;
        } else {
            const FileOutcome one = importSource(source);
            if (one.imported) {
                outcome.imported << path;
                outcome.records += one.rows;
            } else {
                if (one.conflicts && !one.conflicts->isEmpty()) {
                    outcome.conflicting << path;
                } else {
                    outcome.failed << path;
                    outcome.failures << one.error;
                }
                QStringList lines{QStringLiteral("在准备导入的名为【") + shown(path) +
                                      QStringLiteral("】的文件中，如下的记录与现有的记录发生编号冲突"),
                                  Dashes};
                if (one.conflicts)
                    lines << conflictLines(*one.conflicts) << QString() << QString();
                report += Gbk::lines(lines);
                writeReport(report);
            }
        }
        done += step;
        if (percent)
            percent(done);
        m_ui.processEvents();
    }
}

DataImport::BatchOutcome DataImport::MultiImport(const QStringList &paths, const std::function<void(int)> &percent)
{
    BatchOutcome outcome;
    importFiles(paths, outcome, percent);
    if (outcome.reportHasBlocks()) {
        m_ui.openInViewer(outcome.report);
        m_ui.message(failureMessage(outcome.report));
    } else if (!outcome.refused.isEmpty()) {
        // Those files were named one by one as they were refused; success
        // must not be claimed for them.
        QStringList names;
        for (const QString &p : outcome.refused)
            names << shown(p);
        m_ui.message(QStringLiteral("以下文件没有被导入：\n") + names.join(QLatin1Char('\n')));
    } else {
        if (percent)
            percent(100);
        m_ui.message(QStringLiteral("数据已经被正确地导入!"));
    }
    return outcome;
}

namespace {

// How a column's values are carried over, after its declared type: numbers
// read as 0 and dates and times as nothing when they are empty; everything
// else is taken as text.
enum class Kind { Number, Date, Text };

Kind kindOf(const QString &declared)
{
    const QString t = declared.toUpper();
    if (t.contains(QLatin1String("DATE")) || t.contains(QLatin1String("TIME")))
        return Kind::Date;
    for (const char *n : {"INT", "REAL", "FLOA", "DOUB", "NUM", "DEC", "BOOL", "BIT", "COUNTER", "CURRENCY"})
        if (t.contains(QLatin1String(n)))
            return Kind::Number;
    return Kind::Text;
}

QVariant carried(Kind kind, const db::Statement &row, int column)
{
    const bool empty =
        row.isNull(column) || (row.columnType(column) == SQLITE_TEXT && row.textValue(column).trimmed().isEmpty());
    switch (kind) {
    case Kind::Number:
        return empty ? QVariant(qint64(0)) : row.value(column);
    case Kind::Date:
        return empty ? QVariant() : row.value(column);
    case Kind::Text:
        return row.isNull(column) ? QVariant(QString()) : row.value(column);
    }
    return row.value(column);
}

} // namespace

bool DataImport::ImportRecords(bool skipFailures)
{
    const QString file = m_ui.openFileName(ChooseTitle, Filter, AppPaths::documentsDir()).trimmed();
    if (file.isEmpty())
        return false;
    if (!QFileInfo(file).isFile()) {
        m_ui.message(QStringLiteral("您选择的文件并不存在，请选择其它文件。"));
        return false;
    }
    ImportSource source(file, false);
    if (!source.hasTable(T)) {
        m_ui.message(QStringLiteral("您选择的文件中不存在名字为") + quotedName(T) + QStringLiteral("的数据表"));
        return false;
    }
    db::Database &db = m_session.db();
    if (!db.hasTable(T)) {
        m_ui.message(QStringLiteral("系统中不存在名字为") + quotedName(T) + QStringLiteral("的数据表"));
        return false;
    }
    // The source may have fewer columns than ours (the others take their
    // defaults), but none that dt_data does not have.
    QStringList columns;
    QList<Kind> kinds;
    {
        db::Statement info = source.db().prepare(QStringLiteral("SELECT name, type FROM pragma_table_info(?)"));
        info.bind(1, T);
        while (info.step()) {
            columns << info.textValue(0);
            kinds << kindOf(info.textValue(1));
        }
    }
    if (const QString extra = CopyColumns::firstMissing(columns, dataColumns()); !extra.isEmpty()) {
        m_ui.message(QStringLiteral("您选择的文件中的数据表") + quotedName(T) + QStringLiteral("有系统中不存在的字段") +
                     quotedName(extra) + QStringLiteral("，不能导入。"));
        return false;
    }
    if (const auto refused = notWholeCodes(source)) {
        m_ui.message(*refused);
        return false;
    }
    const qint64 total =
        source.db().scalar(QStringLiteral("SELECT count(*) FROM ") + CopyColumns::quoted(T)).toLongLong();
    if (total == 0) {
        m_ui.message(QStringLiteral("准备导入的数据表是空的。"));
        return false;
    }
    const int codeColumn = int(columns.indexOf(QStringLiteral("c901"), 0));
    const int nameColumn = int(columns.indexOf(QStringLiteral("c902"), 0));

    ProgressScope progress(m_ui.progress(), int(total), 0);
    db::Statement read = source.db().prepare(QStringLiteral("SELECT ") + CopyColumns::list(columns) +
                                             QStringLiteral(" FROM ") + CopyColumns::quoted(T));
    QStringList marks;
    for (qsizetype i = 0; i < columns.size(); ++i)
        marks << QStringLiteral("?");
    db::Statement insert = db.prepare(QStringLiteral("INSERT INTO ") + CopyColumns::quoted(T) + QStringLiteral(" (") +
                                      CopyColumns::list(columns) + QStringLiteral(") VALUES (") +
                                      marks.join(QLatin1Char(',')) + QStringLiteral(")"));
    db::Transaction t(db);
    QVariantList values;
    while (read.step()) {
        values.clear();
        for (int c = 0; c < columns.size(); ++c)
            values << carried(kinds.at(c), read, c);
        try {
            insert.bindAll(values);
            insert.step();
            insert.reset();
        } catch (const db::DbError &) {
            insert.reset();
            const QString code = codeColumn >= 0 ? read.textValue(codeColumn).trimmed() : QString();
            const QString name = nameColumn >= 0 ? read.textValue(nameColumn) : QString();
            QString text = QStringLiteral("请做好记录:因为编号为[") + code + QStringLiteral("]的单位 [") + name +
                           QStringLiteral("] 的数据出错。") + QStringLiteral("\n\r\n\r");
            db::Statement existing = db.prepare(QStringLiteral("select c902 from ") + CopyColumns::quoted(T) +
                                                QStringLiteral(" where c901=?"));
            existing.bind(1, code);
            if (existing.step())
                text += QStringLiteral("现在已经存在使用相同编号的单位：") + QStringLiteral("\n\r\n\r") +
                        QStringLiteral("    ") + existing.textValue(0) + QStringLiteral("\n\r") +
                        QStringLiteral("请核实。");
            text += skipFailures ? QStringLiteral("\n\r\n\r") + QStringLiteral("该数据没有被导入。要继续处理下一条么？")
                                 : QStringLiteral("\n\r\n\r") + QStringLiteral("所以没有导入任何数据。");
            const bool goOn = m_ui.confirmWarning(text);
            if (!skipFailures || !goOn) {
                progress.progress().finish();
                return false; // the transaction undoes every row of this run
            }
        }
        progress.advance();
        m_ui.processEvents();
    }
    t.commit();
    progress.progress().finish();
    m_ui.message(QStringLiteral("导入操作已经完成。"));
    return true;
}

} // namespace tq::exchange
