#pragma once

#include "automation/Workbook.h"

#include <QString>

#include <memory>

namespace tq {
class Interaction;
namespace db {
class Database;
}
} // namespace tq

namespace tq::entry {

// One organisation's annual report on the paper form: a print template with
// one sheet per entry page, each catalogue field (dt_fieldlist.printPageID,
// printplace) receiving the record's value from view_data. The filled
// workbook is shown in the desktop's spreadsheet program, from which the
// user prints it, or saved to a file.
class RecordPrintout {
public:
    // Shown when the template cannot be opened; the text is the one users
    // have always seen.
    static QString openFailedMessage();
    // "2009打印表.xltx" beside the program: the main window's print-out.
    static QString mainWindowTemplate();
    // "2008打印表.xltx" beside the program: the record editor's print-out.
    static QString editorTemplate();

    RecordPrintout(db::Database &db, Interaction &ui);

    // Fills `templatePath` with the record `code` (as the record list gives
    // it) sheet by sheet, with progress, and auto-fits columns 1 to 4 of the
    // last sheet filled. When the template cannot be opened the message above
    // is shown and nullptr returned. Other failures (a cell reference the
    // sheet does not have, a field view_data lacks) raise tq::Error; the
    // progress is closed first.
    std::unique_ptr<automation::Workbook> fill(const QString &templatePath, const QString &code,
                                               bool activateFirstSheet);
    // Fills and hands the workbook to the spreadsheet program; false when the
    // template could not be opened.
    bool show(const QString &templatePath, const QString &code, bool activateFirstSheet = true);
    // Fills and saves to `target` (.xlsx); false when the template could not
    // be opened. A target that cannot be written raises FileError.
    bool saveAs(const QString &templatePath, const QString &code, const QString &target);

private:
    db::Database &m_db;
    Interaction &m_ui;
};

} // namespace tq::entry
