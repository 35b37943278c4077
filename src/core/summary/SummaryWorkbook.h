#pragma once

#include "automation/Workbook.h"
#include "summary/SheetList.h"
#include "summary/SummaryFigures.h"

#include <QString>

#include <memory>
#include <optional>

namespace tq {
class Interaction;
namespace db {
class Database;
}
} // namespace tq

namespace tq::summary {

enum class SummaryMode {
    ByLevel = 0, // one row per CT_LevelCode row
    ByGroup = 1, // one row per code range of a custom grouping
};

// Fills the summary workbook template beside the program: one sheet per
// ticked entry of the sheet list, each with one row per level or grouping
// item, and the unticked sheets removed. The finished workbook is handed to
// the desktop's spreadsheet program, or saved by the headless command.
class SummaryWorkbook {
public:
    // "2009基层以上汇总表.xltx" beside the program.
    static QString defaultTemplate();
    static QString openFailedMessage();
    // "工会层次" or "分    组".
    static QString caption(SummaryMode mode);

    SummaryWorkbook(db::Database &db, Interaction &ui, QString templatePath = defaultTemplate());
    ~SummaryWorkbook();

    // The summary dialog's run: fills the ticked sheets and shows the
    // workbook. Does nothing when nothing that stands for a sheet is ticked;
    // when the template cannot be opened the message above is shown once and
    // nothing else happens. groupId 0 takes the items of every grouping.
    void RunSummary(const SheetList &list, SummaryMode mode, qint64 groupId);
    // The same run, saved to `target` instead of shown; false when there was
    // nothing to write or the template could not be opened.
    bool saveAs(const SheetList &list, SummaryMode mode, qint64 groupId, const QString &target);

    // Fills one sheet (2 to 25; other numbers do nothing) of the open
    // workbook, opening the template first when none is open. false when the
    // template could not be opened.
    bool FillSummarySheet(int sheet, SummaryMode mode, qint64 groupId);
    // Shows the open workbook, if any, and lets go of it.
    void ReleaseSummaryWorkbook();

    automation::Workbook *workbook() const { return m_book.get(); }

private:
    // Steps 1 to 8 of a run, leaving the workbook open; false when nothing
    // was produced.
    bool build(const SheetList &list, SummaryMode mode, qint64 groupId);
    bool openTemplate();
    const SummaryTable &figures(int sheet, SummaryMode mode, qint64 groupId);
    void computeFigures(const std::vector<int> &sheets, SummaryMode mode, qint64 groupId);
    void writeSheet(automation::Worksheet &sheet, SummaryMode mode, const SummaryTable &rows);

    db::Database &m_db;
    Interaction &m_ui;
    QString m_templatePath;
    std::unique_ptr<automation::Workbook> m_book;
    // Figures of the run, computed for all its sheets at once.
    SummaryTables m_tables;
    std::optional<std::pair<SummaryMode, qint64>> m_tablesFor;
};

} // namespace tq::summary
