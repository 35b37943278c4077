#pragma once

#include "automation/CellFormat.h"
#include "automation/CellRange.h"
#include "automation/PageSetup.h"

#include <QString>
#include <QVariant>
#include <pugixml.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace tq::automation {

class Workbook;

// One sheet of a workbook. Cells live in memory, row by row; the sheet's XML
// is written only when the workbook is saved, so inserting rows or writing a
// hundred thousand of them costs no re-serialising. Parts of the sheet this
// layer does not model (views, drawings, print settings it does not set) are
// kept as the template had them.
//
// Rows and columns count from 1. A reference to a Worksheet stays valid until
// the sheet is deleted or its workbook destroyed.
class Worksheet {
public:
    Worksheet(const Worksheet &) = delete;
    Worksheet &operator=(const Worksheet &) = delete;
    ~Worksheet();

    const QString &name() const { return m_name; }
    // Raises tq::Error for a name a spreadsheet refuses (empty, longer than 31
    // characters, one of []:*?/\ , or taken by another sheet). Formulas that
    // refer to the old name follow.
    void setName(const QString &name);
    // Position in the workbook, from 1.
    int number() const;

    // --- reading
    // The cell's value as text: numbers in their shortest exact form, texts as
    // they are, the last computed result of a formula (empty when the file
    // carries none), empty for a blank cell.
    QString text(int row, int column) const;
    QString text(const QString &address) const;
    // double, QString or bool; an invalid QVariant for a blank cell.
    QVariant value(int row, int column) const;
    QString formula(int row, int column) const; // without "="; empty when none
    bool isBlank(int row, int column) const;
    int lastRow() const;    // 0 for an empty sheet
    int lastColumn() const; // 0 for an empty sheet

    // --- writing
    // Stores `text` as a person would type it into the cell: empty makes the
    // cell blank (its format stays), a plain decimal number becomes a number
    // unless the cell is formatted as text ("@"). Numbers written with leading
    // zeros ("0101") or more than 15 digits stay texts, so that codes and
    // telephone numbers keep every digit; a leading "=" is kept as text.
    void setValue(int row, int column, const QString &text);
    // The same for every cell of an A1 cell or range address.
    void setValue(const QString &address, const QString &text);
    void setText(int row, int column, const QString &text);
    void setNumber(int row, int column, double value);
    void setFormula(int row, int column, const QString &formula); // "SUM(B9:B20)", "=" optional
    void clear(int row, int column);                              // blank, format kept

    // --- formats
    void setFontSize(int row, int column, double points);
    void setBold(int row, int column, bool bold);
    void setNumberFormat(int row, int column, const QString &code);
    // The whole column: its existing cells and the cells written into it later.
    void setColumnNumberFormat(int column, const QString &code);
    void setHorizontalAlignment(const QString &range, HorizontalAlignment alignment);
    void format(const CellRange &range, const CellFormat &change);
    void format(const QString &range, const CellFormat &change) { format(CellRange::parse(range), change); }
    QString numberFormat(int row, int column) const;
    double fontSize(int row, int column) const;
    bool isBold(int row, int column) const;
    HorizontalAlignment horizontalAlignment(int row, int column) const;

    // --- layout
    // Raises tq::Error when the range overlaps a range already merged.
    void merge(const QString &range);
    void merge(const CellRange &range);
    const std::vector<CellRange> &mergedRanges() const { return m_merges; }
    void setColumnWidth(int column, double width); // in characters of the standard font
    double columnWidth(int column) const;
    // Fits the column to its widest entry; Chinese and other wide characters
    // count about twice a digit. Merged cells are left out, as spreadsheet
    // programs do; a column without entries keeps its width.
    void autoFitColumn(int column);
    void setRowHeight(int row, double points);
    double rowHeight(int row) const;
    // Inserts `count` blank rows before `row`: that row and everything below
    // move down, together with their heights, the merged ranges below or
    // across the place and every formula reference (on any sheet) to the
    // moved rows. The new rows take the formats of the row they push down.
    void insertRow(int row, int count = 1);
    void setPageSetup(const PageSetup &setup);

private:
    friend class Workbook;

    enum Kind : std::uint8_t { Blank, Number, Text, Boolean, FormulaCell, ErrorValue };
    struct Cell {
        double number = 0;
        std::uint32_t ref = 0; // string id (Text, ErrorValue) or formula id
        std::uint32_t style = 0;
        Kind kind = Blank;
        bool exists() const { return kind != Blank || style != 0; }
    };
    struct Formula {
        QString text;
        QString cached; // last result as text, from the file
        bool array = false;
        CellRange arrayRange;
        bool live = true;
    };
    struct Row {
        std::vector<Cell> cells;
        double height = 0;
        std::uint32_t style = 0;
        bool customHeight = false;
        bool customFormat = false;
        bool hidden = false;
        std::uint8_t outline = 0;
        bool collapsed = false;
        bool worthWriting() const { return !cells.empty() || customHeight || customFormat || hidden || outline; }
    };
    struct Column {
        double width = 0;
        std::uint32_t style = 0;
        bool defined = false;
        bool customWidth = false;
        bool hidden = false;
        bool bestFit = false;
        std::uint8_t outline = 0;
        bool collapsed = false;
        bool operator==(const Column &) const = default;
    };

    Worksheet(Workbook *book, QString name);

    // A new, empty sheet part.
    void initEmpty();
    // Takes the cells, rows, columns and merges out of a sheet part.
    void load(const std::string &xml, const QString &partName);
    // The sheet part; `stringIds` maps string ids to their numbers in the
    // written strings part.
    std::string toXml(const std::vector<std::uint32_t> &stringIds, bool selected);
    void markStrings(std::vector<bool> &used, std::size_t &references) const;

    static void check(int row, int column);
    const Cell *cellAt(int row, int column) const;
    Cell &cellForWrite(int row, int column);
    void setCellValueText(Cell &cell, const QString &text);
    void dropFormula(Cell &cell);
    Column &columnForWrite(int column);
    double displayWidth(const Cell &cell) const;

    // Called by the workbook for rows inserted into `sheet` (this one or another).
    void adjustForInsertedRows(const QString &sheet, int atRow, int count);
    void adjustForRename(const QString &oldName, const QString &newName);
    void adjustForDroppedSheet(const QString &name);

    Workbook *m_book;
    QString m_name;
    QString m_partName;
    QString m_relId;
    int m_sheetId = 0;
    QString m_state; // "hidden", "veryHidden" or empty
    pugi::xml_document m_doc;
    std::vector<Row> m_rows;
    std::vector<Column> m_columns;
    std::vector<CellRange> m_merges;
    std::vector<Formula> m_formulas;
    std::size_t m_liveFormulas = 0;
    double m_defaultRowHeight = 13.5;
    double m_defaultColumnWidth = 8.43;
    bool m_hasRangeAttributes = false; // conditional formats, validations, links to move on insert
    // A chart or dialog sheet: kept as it came, without cells.
    bool m_opaque = false;
    std::string m_raw;
    QString m_contentType;
};

} // namespace tq::automation
