#pragma once

#include <QString>

namespace tq::automation {

// One cell of a sheet, rows and columns counted from 1 as spreadsheet users
// count them. Addresses are in A1 form; "$" marks are accepted and ignored.
struct CellAddress {
    static constexpr int kMaxRow = 1048576;
    static constexpr int kMaxColumn = 16384;

    int row = 0;
    int column = 0;

    // "B7", "$AA$10"; raises tq::Error for anything else.
    static CellAddress parse(const QString &text);
    // "A" for 1, "AA" for 27; empty when out of range.
    static QString columnName(int column);
    // 1 for "A"; 0 when `letters` is not a column name.
    static int columnNumber(QStringView letters);
    static bool isValid(int row, int column)
    {
        return row >= 1 && row <= kMaxRow && column >= 1 && column <= kMaxColumn;
    }

    QString toString() const { return columnName(column) + QString::number(row); }
    bool operator==(const CellAddress &o) const = default;
};

} // namespace tq::automation
