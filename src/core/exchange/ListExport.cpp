#include "exchange/ListExport.h"

#include "app/AppPaths.h"
#include "automation/XlsxStreamWriter.h"
#include "common/AtomicFile.h"
#include "common/Error.h"
#include "common/Interaction.h"
#include "db/Database.h"
#include "db/SqlText.h"
#include "exchange/ExportRows.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <new>
#include <optional>
#include <sqlite3.h>

namespace tq::exchange {

namespace {

const QString kAlias = QStringLiteral("listexport");

// The progress window of an export: the bar and "数据导出..." with the
// percentage in the caption. The window is repainted and pending work let run
// when the percentage moves or a moment has passed, not after every row: a
// national list has a hundred thousand of them.
class ExportProgress {
public:
    ExportProgress(Interaction &ui, int total) : m_ui(ui), m_total(total)
    {
        m_ui.progress().start(total, 0);
        m_ui.progress().setCaption(caption(0));
        m_clock.start();
    }
    void step()
    {
        ++m_done;
        // Rows added since the count was taken do not push the bar past its end.
        const int percent = m_total > 0 ? int(std::min<qint64>(100, qint64(m_done) * 100 / m_total)) : 100;
        if (percent == m_percent && m_clock.elapsed() < 100 && m_done < m_total)
            return;
        m_percent = percent;
        const int upTo = std::min(m_done, m_total);
        m_ui.progress().advanceBy(upTo - m_reported);
        m_reported = std::max(m_reported, upTo);
        m_ui.progress().setCaption(caption(percent));
        m_ui.processEvents();
        m_clock.restart();
    }

private:
    static QString caption(int percent) { return QStringLiteral("数据导出...") + QString::number(percent) + u'%'; }

    Interaction &m_ui;
    int m_total;
    int m_done = 0, m_reported = 0, m_percent = 0;
    QElapsedTimer m_clock;
};

QString failureText()
{
    try {
        throw;
    } catch (const Error &e) {
        return e.text();
    } catch (const std::bad_alloc &) {
        return QStringLiteral("内存不足");
    } catch (const std::exception &e) {
        return QString::fromLocal8Bit(e.what());
    }
}

// Days since 1899-12-30 with the time as a fraction: how workbooks hold dates.
double dateSerial(const QDateTime &dt)
{
    static const QDate epoch(1899, 12, 30);
    return double(epoch.daysTo(dt.date())) + dt.time().msecsSinceStartOfDay() / 86400000.0;
}

bool truthy(const ExportRows &rows, int c)
{
    switch (rows.kind(c)) {
    case ExportRows::Kind::Integer:
        return rows.integer(c) != 0;
    case ExportRows::Kind::Real:
        return rows.real(c) != 0;
    case ExportRows::Kind::Text: {
        const QString t = rows.text(c).trimmed();
        return !t.isEmpty() && t != QLatin1String("0") && t.compare(QLatin1String("false"), Qt::CaseInsensitive) != 0;
    }
    case ExportRows::Kind::Null:
        break;
    }
    return false;
}

// One cell of a data row, by the type of its column.
void writeCell(automation::XlsxStreamWriter &w, int column, const ExportRows &rows, int c, FieldType type, int style)
{
    const ExportRows::Kind kind = rows.kind(c);
    if (kind == ExportRows::Kind::Null)
        return;
    switch (type) {
    case FieldType::Boolean:
        w.addText(column, truthy(rows, c) ? QStringLiteral("是") : QStringLiteral("不是"), style);
        return;
    case FieldType::DateTime:
        // A zero date is no date: the cell stays empty.
        if (kind == ExportRows::Kind::Integer || kind == ExportRows::Kind::Real) {
            const double v = kind == ExportRows::Kind::Integer ? double(rows.integer(c)) : rows.real(c);
            if (v != 0)
                w.addNumber(column, v, style);
            return;
        }
        if (const QString t = rows.text(c).trimmed(); !t.isEmpty() && t != QLatin1String("0")) {
            QDateTime dt = QDateTime::fromString(t, Qt::ISODate);
            if (!dt.isValid())
                dt = QDateTime(QDate::fromString(t.left(10), Qt::ISODate), QTime(0, 0));
            if (dt.isValid())
                w.addNumber(column, dateSerial(dt), style);
            else
                w.addText(column, t, style);
        }
        return;
    case FieldType::Text:
        w.addText(column, rows.text(c), style);
        return;
    case FieldType::Integer:
    case FieldType::Float:
    case FieldType::Other:
        break;
    }
    switch (kind) {
    case ExportRows::Kind::Integer:
        w.addInteger(column, rows.integer(c), style);
        break;
    case ExportRows::Kind::Real:
        w.addNumber(column, rows.real(c), style);
        break;
    default:
        w.addText(column, rows.text(c), style);
    }
}

// The column of an exported table, with what its values become: a missing
// text is an empty text, a missing number 0, an empty or zero date null.
// (Numbers are not tested for empty texts as well: that doubles the time of
// a national list, and the number columns of the survey hold no texts.)
struct TableColumn {
    QString definition;
    QString value;
};

TableColumn tableColumn(const QString &name, const QString &declaredType)
{
    const QString q = db::quoteName(name);
    switch (fieldTypeOf(declaredType)) {
    case FieldType::Text:
        return {q + QStringLiteral(" TEXT"), QStringLiteral("coalesce(") + q + QStringLiteral(", '')")};
    case FieldType::Integer:
        return {q + QStringLiteral(" INTEGER"), QStringLiteral("coalesce(") + q + QStringLiteral(", 0)")};
    case FieldType::Float:
        return {q + QStringLiteral(" DOUBLE"), QStringLiteral("coalesce(") + q + QStringLiteral(", 0)")};
    case FieldType::Boolean:
        return {q + QStringLiteral(" BOOLEAN"), QStringLiteral("coalesce(") + q + QStringLiteral(", 0)")};
    case FieldType::DateTime:
        return {q + QStringLiteral(" DATE"), QStringLiteral("nullif(nullif(trim(") + q + QStringLiteral("), ''), 0)")};
    case FieldType::Other:
        break;
    }
    // An expression's value goes over as it is.
    return {q, q};
}

// Passes its argument on and counts the row it belongs to.
void countRow(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    try {
        static_cast<ExportProgress *>(sqlite3_user_data(ctx))->step();
    } catch (...) {
        // progress is never worth failing the export for
    }
    if (argc == 1)
        sqlite3_result_value(ctx, argv[0]);
    else
        sqlite3_result_null(ctx);
}

// The function the filling statement wraps around the first value of each
// row (result columns are computed once a row written), for the progress
// window; removed again however the export ends.
class RowCounter {
public:
    RowCounter(db::Database &db, ExportProgress &progress) : m_db(db)
    {
        sqlite3_create_function_v2(m_db.handle(), "tq_list_export_row", 1, SQLITE_UTF8, &progress, &countRow, nullptr,
                                   nullptr, nullptr);
    }
    ~RowCounter()
    {
        sqlite3_create_function_v2(m_db.handle(), "tq_list_export_row", 1, SQLITE_UTF8, nullptr, nullptr, nullptr,
                                   nullptr, nullptr);
    }

private:
    db::Database &m_db;
};

} // namespace

QString ListExport::errorMessage(const QString &text)
{
    return QStringLiteral("运行中发生错误：") + text + QStringLiteral(",请与系统管理员或软件发行者联系。");
}

QString ListExport::withExtension(const QString &path, const QString &extension)
{
    if (path.size() > extension.size() && !path.endsWith(extension, Qt::CaseSensitive))
        return path + extension;
    return path;
}

QString ListExport::proposedName(const QString &title, const QString &extension)
{
    QString name = title.left(100);
    for (QChar &c : name) {
        if (c == u'/' || c == u'\\' || c.unicode() < 0x20)
            c = u'_';
    }
    return name + u'-' + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")) + extension;
}

QString ListExport::numberFormatFor(FieldType type)
{
    switch (type) {
    case FieldType::DateTime:
        return QStringLiteral("yyyy-mm-dd");
    case FieldType::Text:
    case FieldType::Boolean:
        return QStringLiteral("@");
    case FieldType::Float:
        return QStringLiteral("￥#,##0.00;￥-#,##0.00");
    case FieldType::Integer:
        return QStringLiteral("#,##0_ ");
    case FieldType::Other:
        break;
    }
    return {};
}

QList<ExportColumn> ListExport::allColumns(const ExportRows &rows)
{
    QList<ExportColumn> columns;
    for (int c = 0; c < rows.columnCount(); ++c)
        columns.append({rows.columnName(c), rows.columnName(c), true});
    return columns;
}

QString ListExport::askFile(const QString &name, const QString &filter, const QString &extension)
{
    const QString docs = AppPaths::documentsDir();
    QDir().mkpath(docs);
    const QString chosen =
        m_ui.saveFileName(QStringLiteral("导出文件存放为"), filter, QDir(docs).filePath(proposedName(name, extension)));
    if (chosen.trimmed().isEmpty())
        return {};
    const QString path = withExtension(chosen, extension);
    // The dialog asked about the name typed; a file under the name with the
    // extension added has not been asked about yet.
    if (path != chosen && QFileInfo::exists(path) &&
        !m_ui.confirm(QStringLiteral("文件“%1”已经存在，要替换它吗？").arg(QDir::toNativeSeparators(path))))
        return {};
    return path;
}

void ListExport::writeWorkbook(ExportRows &rows, const QString &title, const QList<ExportColumn> &columns,
                               const QString &path, Interaction &ui)
{
    struct Out {
        int sheetColumn;
        int source;
        FieldType type;
        int style;
    };
    automation::XlsxStreamWriter w(path);
    w.setSheetName(automation::XlsxStreamWriter::sheetNameFor(title));
    automation::CellFormat label;
    label.bold = true;
    label.fontSize = 12;
    const int labelStyle = w.addStyle(label);
    automation::CellFormat textFormat;
    textFormat.numberFormat = QStringLiteral("@");
    const int textStyle = w.addStyle(textFormat);

    std::vector<Out> out;
    QStringList captions;
    for (const ExportColumn &c : columns) {
        if (!c.exported)
            continue;
        const int source = rows.columnIndex(c.field);
        if (source < 0)
            throw Error(QStringLiteral("查询结果中没有字段“%1”").arg(c.field));
        const FieldType type = rows.fieldType(source);
        int style = 0;
        if (const QString format = numberFormatFor(type); !format.isEmpty()) {
            automation::CellFormat f;
            f.numberFormat = format;
            style = w.addStyle(f);
        }
        out.push_back({int(out.size()) + 1, source, type, style});
        captions << c.caption;
    }
    w.fitColumns(1, int(columns.size()));

    w.beginRow(2);
    w.addText(1, QStringLiteral("导出日期:"), labelStyle);
    w.addText(2, QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat), textStyle);
    w.beginRow(3);
    for (int i = 0; i < captions.size(); ++i)
        w.addText(i + 1, captions.at(i));

    ExportProgress progress(ui, rows.rowCount());
    int row = 5;
    while (rows.next()) {
        w.beginRow(row++);
        for (const Out &o : out)
            writeCell(w, o.sheetColumn, rows, o.source, o.type, o.style);
        progress.step();
    }
    w.finish();
}

void ListExport::writeDatabase(db::Database &db, const ListQuery &query, const QString &tableName, const QString &path,
                               Interaction &ui, QString *statement)
{
    const QFileInfo target(path);
    const QString shown = QDir::toNativeSeparators(path);
    if (!target.absoluteDir().exists())
        throw FileError(QStringLiteral("无法保存文件“%1”：文件夹不存在").arg(shown));
    if (target.exists() && !target.isFile())
        throw FileError(QStringLiteral("“%1”不是一个文件").arg(shown));
    if (target.exists() && target.canonicalFilePath() == QFileInfo(db.path()).canonicalFilePath())
        throw Error(QStringLiteral("不能导出到正在使用的数据库文件“%1”").arg(shown));

    const ColumnShape shape = columnShape(db, query.sql);
    QStringList definitions, names, values;
    for (int c = 0; c < shape.names.size(); ++c) {
        const TableColumn col = tableColumn(shape.names.at(c), shape.types.at(c));
        definitions << col.definition;
        names << db::quoteName(shape.names.at(c));
        values << col.value;
    }
    if (!values.isEmpty())
        values[0] = QStringLiteral("tq_list_export_row(") + values[0] + u')';
    const QString table = kAlias + u'.' + db::quoteName(tableName);
    const QString create =
        QStringLiteral("CREATE TABLE ") + table + QStringLiteral("\n(") + definitions.join(QStringLiteral(", ")) + u')';
    // The rows go over in one statement, in the order of the query.
    const QString insert = QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (") +
                           names.join(QStringLiteral(", ")) + QStringLiteral(")\nSELECT ") +
                           values.join(QStringLiteral(", ")) + QStringLiteral("\nFROM (") + query.sql + u')';
    const int total = StatementRows::countRows(db, query);

    // A new file is built under a temporary name beside its target and takes
    // the target's name only when it is complete and durable.
    std::optional<AtomicFile> fresh;
    if (!target.exists()) {
        fresh.emplace(path, QStringLiteral("数据库文件"));
        fresh->open(); // an empty file: the engine makes it a database
    }
    {
        db::Attachment attached(db, fresh ? fresh->temporaryPath() : path, kAlias);
        // Nobody sees a new file before it is complete, and one that fails is
        // thrown away: it needs no journal. A file that was there keeps its
        // journal, so that a failure leaves it as it was.
        if (fresh)
            db.execScript(QStringLiteral("PRAGMA listexport.journal_mode=OFF; PRAGMA listexport.synchronous=OFF;"));
        ExportProgress progress(ui, total);
        RowCounter counter(db, progress);
        db::Transaction t(db);
        if (db.scalar(QStringLiteral("SELECT count(*) FROM ") + kAlias +
                          QStringLiteral(".sqlite_master WHERE type = 'table' AND lower(name) = lower(?)"),
                      {tableName})
                .toInt() > 0)
            db.exec(QStringLiteral("DROP TABLE ") + table);
        db.exec(create);
        if (statement)
            *statement = insert;
        db.exec(insert, query.params);
        t.commit();
    }
    if (fresh)
        fresh->commit();
}

QString ListExport::SaveQueryAsExcel(ExportRows &rows, const QString &title, const QList<ExportColumn> &columns)
{
    if (rows.rowCount() == 0) {
        m_ui.message(excelEmptyMessage());
        return {};
    }
    const QString path = askFile(title, QStringLiteral("Excel 文件(*.xlsx)"), QStringLiteral(".xlsx"));
    if (path.isEmpty())
        return {};
    try {
        writeWorkbook(rows, title, columns, path, m_ui);
    } catch (...) {
        const QString why = failureText();
        m_ui.progress().finish();
        m_ui.message(errorMessage(why));
        return {};
    }
    m_ui.progress().finish();
    m_ui.message(QStringLiteral("Excel文件已经正确导出到：'") + QDir::toNativeSeparators(path));
    return path;
}

QString ListExport::SaveQueryAsAccess(db::Database &db, const ListQuery &query, const QString &tableName)
{
    QString statement;
    try {
        if (StatementRows::countRows(db, query) == 0) {
            m_ui.message(accessEmptyMessage());
            return {};
        }
        const QString path = askFile(tableName, QStringLiteral("Access文件(*.mdb)"), QStringLiteral(".mdb"));
        if (path.isEmpty())
            return {};
        writeDatabase(db, query, tableName, path, m_ui, &statement);
        m_ui.progress().finish();
        m_ui.message(QStringLiteral("Access文件已经正确导出到：'") + QDir::toNativeSeparators(path) +
                     QStringLiteral("'！"));
        return path;
    } catch (...) {
        const QString why = failureText();
        m_ui.progress().finish();
        m_ui.message(errorMessage(why));
        // The statement that failed, for whoever looks into it.
        if (!statement.isEmpty())
            m_ui.message(statement);
        return {};
    }
}

} // namespace tq::exchange
