#pragma once

#include "db/Database.h"

#include <QHash>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <vector>

namespace tq::db {

// A read-only snapshot of a query's rows, held column by column so that a
// national database (100,000 rows of some 200 columns) fits in memory: whole
// numbers take 1, 2, 4 or 8 bytes a cell depending on the largest value of
// their column, texts are kept once per cell. Rows are addressed in the order
// the statement returned them; a list that shows them in another order keeps
// that order itself (see sortedOrder()), so one snapshot can serve several
// views at once.
class ResultSet {
public:
    ResultSet();
    ResultSet(ResultSet &&) noexcept;
    ResultSet &operator=(ResultSet &&) noexcept;
    ~ResultSet();

    static ResultSet run(Database &db, const QString &sql, const QVariantList &params = {});

    int rowCount() const { return int(m_rows); }
    bool isEmpty() const { return m_rows == 0; }
    int columnCount() const { return int(m_columns.size()); }
    QString columnName(int column) const;
    // Column names are compared without regard to case; -1 when unknown.
    int columnIndex(const QString &name) const;
    // Like columnIndex, but an unknown name raises DbError.
    int requireColumn(const QString &name) const;

    bool isNull(int row, int column) const;
    qint64 intValue(int row, int column) const;
    QString text(int row, int column) const;
    QVariant value(int row, int column) const;
    // By column name; an unknown name raises DbError.
    qint64 intValue(int row, const QString &name) const { return intValue(row, requireColumn(name)); }
    QString text(int row, const QString &name) const { return text(row, requireColumn(name)); }
    QVariant value(int row, const QString &name) const { return value(row, requireColumn(name)); }

    // Three-way comparison of two rows by one column: empty values first,
    // numbers before texts.
    int compare(int column, int rowA, int rowB) const;
    // `order` (row numbers) re-sorted by `column`, stably: rows that compare
    // equal keep their relative order. Descending is the exact reverse
    // comparison, so empty values come last.
    std::vector<int> sortedOrder(int column, Qt::SortOrder direction, std::vector<int> order) const;
    // 0, 1, ... rowCount()-1: the rows as the statement returned them.
    std::vector<int> naturalOrder() const;

    // Approximate bytes held by the cells (for the memory figures of bench/).
    std::size_t memoryUsage() const;

    struct Column;

private:
    void load(Database &db, const QString &sql, const QVariantList &params);
    bool valid(int row, int column) const
    {
        return row >= 0 && std::size_t(row) < m_rows && column >= 0 && column < columnCount();
    }

    std::vector<std::unique_ptr<Column>> m_columns;
    QHash<QString, int> m_index; // lower-case name -> column
    std::size_t m_rows = 0;
};

} // namespace tq::db
