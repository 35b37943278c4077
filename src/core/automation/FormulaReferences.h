#pragma once

#include <QString>

namespace tq::automation {

// Rewrites the cell references inside a formula (A1 form, without the leading
// "="), the way a spreadsheet program keeps formulas pointing at the same data
// when rows move or sheets are renamed or removed. Texts in double quotes,
// function names and defined names are left alone.
class FormulaReferences {
public:
    // Rows were inserted before `atRow` of sheet `sheet`: every reference to a
    // row at or below it moves down by `count`; a range that spans the place
    // grows. `ownSheet` is the sheet holding the formula (unqualified
    // references point there); empty for workbook-level names.
    static QString insertRows(const QString &formula, const QString &ownSheet, const QString &sheet, int atRow,
                              int count);
    // Moves the relative parts of every reference by the given offsets (a
    // formula copied from one cell to another). A reference pushed off the
    // sheet becomes #REF!.
    static QString translate(const QString &formula, int rowOffset, int columnOffset);
    static QString renameSheet(const QString &formula, const QString &oldName, const QString &newName);
    // References into a removed sheet become #REF!.
    static QString dropSheet(const QString &formula, const QString &name);
    // The sheet name as a formula writes it before "!", quoted when needed.
    static QString quotedSheetName(const QString &name);
};

} // namespace tq::automation
