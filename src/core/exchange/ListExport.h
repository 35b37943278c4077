#pragma once

#include "app/RecordList.h"
#include "exchange/ExportRows.h"

#include <QList>
#include <QString>

namespace tq {
class Interaction;
}
namespace tq::db {
class Database;
}

namespace tq::exchange {

// One column of a list written to a workbook: the query column, the caption
// over it, and whether it is written at all.
struct ExportColumn {
    QString field;
    QString caption;
    bool exported = true;
};

// Lists of survey records written to a new workbook or into a table of a
// database file: the shared operations of the list export, the query result
// list and the headless list command.
class ListExport {
public:
    explicit ListExport(Interaction &ui) : m_ui(ui) {}

    // The whole command: refuses an empty list, asks for the file, writes it
    // with the progress window and reports the outcome. Returns the file
    // written, empty when nothing was.
    QString SaveQueryAsExcel(ExportRows &rows, const QString &title, const QList<ExportColumn> &columns);
    // `query` runs on `db`; its rows become the table `tableName` of a new or
    // existing database file, in one transaction.
    QString SaveQueryAsAccess(db::Database &db, const ListQuery &query, const QString &tableName);

    // The file work alone; failures raise tq::Error.
    // Row 2 the export date, row 3 the captions, rows from 5 on the records,
    // each column in the number format of its field type, fitted to its contents.
    static void writeWorkbook(ExportRows &rows, const QString &title, const QList<ExportColumn> &columns,
                              const QString &path, Interaction &ui);
    // Creates the file when it is missing (under a temporary name first);
    // `statement` receives the statement that fills the table.
    static void writeDatabase(db::Database &db, const ListQuery &query, const QString &tableName, const QString &path,
                              Interaction &ui, QString *statement = nullptr);

    // Every column of `rows`, captioned with its name.
    static QList<ExportColumn> allColumns(const ExportRows &rows);
    // `path` with `extension` appended unless it already ends in it (compared
    // with case); names no longer than the extension are left alone.
    static QString withExtension(const QString &path, const QString &extension);
    // title + "-" + today, as the save dialog proposes it.
    static QString proposedName(const QString &title, const QString &extension);
    // The number formats of the columns by field type.
    static QString numberFormatFor(FieldType type);

    static QString excelEmptyMessage() { return QStringLiteral("SaveQueryAsExcel出错:数据表为空，不能导出！"); }
    static QString accessEmptyMessage() { return QStringLiteral("SaveQueryAsAccess:：出错:数据表为空，不能导出！"); }
    // "运行中发生错误：" + text + ",请与系统管理员或软件发行者联系。"
    static QString errorMessage(const QString &text);

private:
    QString askFile(const QString &title, const QString &filter, const QString &extension);

    Interaction &m_ui;
};

} // namespace tq::exchange
