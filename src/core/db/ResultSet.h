#pragma once

#include "db/Database.h"

#include <QHash>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <vector>

namespace tq::db {

// A static snapshot of a query's rows, held column by column so that a
// national database (100,000 rows of some 200 columns) fits in memory: whole
// numbers take 1, 2, 4 or 8 bytes a cell depending on the largest value of
// their column, texts are kept once per cell. The set knows its row count,
// keeps a current row, sorts in place and finds rows by key; `requery()`
// re-runs the statement and comes back to the row that was current.
class ResultSet {
public:
    ResultSet();
    ResultSet(ResultSet &&) noexcept;
    ResultSet &operator=(ResultSet &&) noexcept;
    ~ResultSet();

    static ResultSet run(Database &db, const QString &sql, const QVariantList &params = {});

    const QString &sql() const { return m_sql; }
    bool isOpen() const { return m_open; }
    void close();

    int rowCount() const { return int(m_order.size()); }
    int columnCount() const { return int(m_columns.size()); }
    QString columnName(int column) const;
    // Column names are compared without regard to case; -1 when unknown.
    int columnIndex(const QString &name) const;
    // Like columnIndex, but an unknown name raises DbError.
    int requireColumn(const QString &name) const;

    // Current row, 0-based in the present sort order; -1 when there are no rows.
    int row() const { return m_row; }
    bool setRow(int row);
    bool first() { return setRow(0); }
    bool last() { return setRow(rowCount() - 1); }
    bool next();
    bool prev();
    bool isEmpty() const { return m_order.empty(); }

    // Cell access by row in the present sort order.
    bool isNull(int row, int column) const;
    qint64 intValue(int row, int column) const;
    QString text(int row, int column) const;
    QVariant value(int row, int column) const;

    // The same for the current row.
    bool isNull(int column) const { return isNull(m_row, column); }
    qint64 intValue(int column) const { return intValue(m_row, column); }
    QString text(int column) const { return text(m_row, column); }
    QVariant value(int column) const { return value(m_row, column); }
    qint64 intValue(const QString &name) const { return intValue(m_row, requireColumn(name)); }
    QString text(const QString &name) const { return text(m_row, requireColumn(name)); }
    QVariant value(const QString &name) const { return value(m_row, requireColumn(name)); }

    // "field ASC" or "field DESC" (ASC when no direction is given). Empty
    // values come first in ascending order. The current row stays on the same
    // record. Sorting again is stable, and the sort survives requery().
    void sort(const QString &sortText);
    const QString &sortText() const { return m_sortText; }

    // Makes the first row whose `column` equals `key` current; false (and the
    // current row unchanged) when there is none.
    bool locate(const QString &column, const QVariant &key);

    // Re-runs the statement on `db`, re-applies the sort and returns to the
    // record that was current, found by `keyColumn`; when that record is gone
    // the position is kept as far as the new row count allows.
    void requery(Database &db, const QString &keyColumn = QStringLiteral("c901"));

    // Approximate bytes held by the cells (for the memory figures of bench/).
    std::size_t memoryUsage() const;

    struct Column;

private:
    void load(Database &db);
    int physical(int row) const { return m_order[std::size_t(row)]; }

    QString m_sql;
    QVariantList m_params;
    bool m_open = false;
    std::vector<std::unique_ptr<Column>> m_columns;
    QHash<QString, int> m_index; // lower-case name -> column
    std::vector<int> m_order;    // sort order -> physical row
    int m_row = -1;
    QString m_sortText;
};

} // namespace tq::db
