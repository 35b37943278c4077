#pragma once

#include "automation/CellFormat.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tq::automation {

class StyleSheet;

// A new workbook of one worksheet, written as a stream: rows are appended in
// order and compressed as they come, so that a list of millions of cells
// never sits in memory as a document (the Workbook/Worksheet layer is for
// templates). Cell formats are fixed before the first row. Columns can be
// fitted to their contents; they are measured as the rows pass.
//
// The file appears under its name only when it is complete: the package is
// written to a temporary file in the target folder and renamed at the end.
// The rows are held compressed until then (a tenth or less of their XML).
// Failures raise tq::Error, or tq::FileError when the file cannot be written.
class XlsxStreamWriter {
public:
    explicit XlsxStreamWriter(QString path);
    ~XlsxStreamWriter();
    XlsxStreamWriter(const XlsxStreamWriter &) = delete;
    XlsxStreamWriter &operator=(const XlsxStreamWriter &) = delete;

    // --- before the first row
    // A cell format for the cells that name it; 0 is the default format.
    int addStyle(const CellFormat &format);
    // Raises tq::Error for a name spreadsheet programs refuse.
    void setSheetName(const QString &name);
    // Columns first..last are fitted to their widest entry when the file is
    // written; a column without entries keeps the standard width.
    void fitColumns(int first, int last);

    // --- rows, in ascending order; cells of a row in ascending columns
    void beginRow(int row);
    void addNumber(int column, double value, int style = 0);
    void addInteger(int column, qint64 value, int style = 0);
    void addText(int column, const QString &text, int style = 0);
    void endRow();

    // Writes the package and moves it to its name.
    void finish();

    // `title` made into a name every spreadsheet program accepts: characters
    // a sheet name cannot hold become "_", and it is cut to 31 characters.
    static QString sheetNameFor(const QString &title);
    // Raises tq::Error when spreadsheet programs would refuse `name`.
    static void checkSheetName(const QString &name);

    // Bytes held for the compressed sheet so far (for the memory figures).
    std::size_t heldBytes() const;

private:
    struct StyleInfo;
    struct Deflater;

    void beginCell(int column, int style);
    void measure(int column, double units, int style);
    void flushRaw(bool final);
    std::string sheetPrefix() const;
    std::string workbookXml() const;

    QString m_path;
    QString m_sheetName = QStringLiteral("Sheet1");
    std::vector<StyleInfo> m_styles;
    std::unique_ptr<StyleSheet> m_styleSheet;
    std::unique_ptr<Deflater> m_body;
    std::string m_raw;            // XML not yet compressed
    std::vector<double> m_widest; // per column, in digit widths; < 0 while not measured
    int m_fitFirst = 0, m_fitLast = -1;
    int m_row = 0;        // the row being written, or the last one
    int m_nextColumn = 1; // the column a cell without an address lands in
    int m_lastColumn = 0;
    bool m_inRow = false;
    bool m_started = false;
    bool m_finished = false;
};

} // namespace tq::automation
