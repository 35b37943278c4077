#pragma once

#include "automation/CellAddress.h"

#include <QList>
#include <QString>

namespace tq::automation {

// A rectangle of cells given by its top-left and bottom-right corners.
struct CellRange {
    CellAddress first;
    CellAddress last;

    // "A9:A20", "B3" (one cell), "$A$1:$D$4"; the corners may come in any
    // order. Raises tq::Error for anything else.
    static CellRange parse(const QString &text);
    // A space-separated list such as the "sqref" of a sheet part.
    static QList<CellRange> parseList(const QString &text);
    static CellRange single(int row, int column) { return {{row, column}, {row, column}}; }
    static CellRange of(int row1, int column1, int row2, int column2) { return {{row1, column1}, {row2, column2}}; }

    int rows() const { return last.row - first.row + 1; }
    int columns() const { return last.column - first.column + 1; }
    bool contains(int row, int column) const
    {
        return row >= first.row && row <= last.row && column >= first.column && column <= last.column;
    }
    bool intersects(const CellRange &o) const
    {
        return first.row <= o.last.row && o.first.row <= last.row && first.column <= o.last.column &&
               o.first.column <= last.column;
    }
    // Moves the edges that lie at or below `atRow` down by `count`, as a
    // spreadsheet does when rows are inserted there: a range above stays, a
    // range below moves, a range that spans the place grows.
    void insertRows(int atRow, int count)
    {
        if (first.row >= atRow)
            first.row += count;
        if (last.row >= atRow)
            last.row += count;
    }
    // "A1" for one cell, else "A1:B2".
    QString toString() const;
    bool operator==(const CellRange &o) const = default;
};

} // namespace tq::automation
