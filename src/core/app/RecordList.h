#pragma once

#include <QString>
#include <QVariantList>
#include <Qt>

#include <memory>
#include <optional>
#include <vector>

namespace tq::db {
class Database;
class FieldCatalogue;
class ResultSet;
} // namespace tq::db

namespace tq {

// A column and a direction: what a click on a list's title sorts by.
struct SortKey {
    QString column;
    Qt::SortOrder order = Qt::AscendingOrder;
    bool operator==(const SortKey &) const = default;
};

// The statement a record list reads. Its rows must carry the key column;
// the statement is built from catalogue names and fixed texts only, with
// every value in `params`.
struct ListQuery {
    ListQuery() = default;
    explicit ListQuery(QString sql, QVariantList params = {}, QString keyColumn = QStringLiteral("c901"))
        : sql(std::move(sql)), params(std::move(params)), keyColumn(std::move(keyColumn))
    {
    }
    QString sql;
    QVariantList params;
    QString keyColumn = QStringLiteral("c901");
};

// A list of survey records as a window shows it: the rows of one query, the
// order the user sorted them in, and the current record, which is known by
// its code so that sorting and re-reading never lose it. Copies share the
// rows read (they are never changed) and keep their own order and current
// record, so that the record editor can walk the main list's records without
// moving the main list.
class RecordList {
public:
    RecordList();
    explicit RecordList(ListQuery query);
    RecordList(const RecordList &);
    RecordList &operator=(const RecordList &);
    RecordList(RecordList &&) noexcept;
    RecordList &operator=(RecordList &&) noexcept;
    ~RecordList();

    // The main window's list: the columns the list shows (the catalogue's
    // visible fields that view_data has) plus c901 and RecordState, from
    // view_data in code order. A query's result list adds its condition
    // ("where ..." with its values).
    static ListQuery surveyListQuery(db::Database &db, const db::FieldCatalogue &catalogue,
                                     const QString &where = QString(), const QVariantList &params = {});

    const ListQuery &query() const { return m_query; }
    // A new statement; the list is closed until the next open().
    void setQuery(ListQuery query);

    // Runs the statement: rows in its order, no sort key, the first row
    // current. Raises db::DbError; the list is then closed.
    void open(db::Database &db);
    void close();
    bool isOpen() const { return m_rows != nullptr; }

    int rowCount() const { return int(m_order.size()); }
    bool isEmpty() const { return m_order.empty(); }

    // Cells by row in the present order.
    int columnIndex(const QString &name) const;
    bool isNull(int row, int column) const;
    qint64 intValue(int row, int column) const;
    QString text(int row, int column) const;
    QVariant value(int row, int column) const;
    qint64 codeAt(int row) const;
    // The row of the record with this code; -1 when the list does not hold it.
    int rowOfCode(qint64 code) const;

    // Re-orders the rows, stably; the current record stays current. An
    // unknown column raises db::DbError and leaves the order as it was.
    void sort(const SortKey &key);
    const std::optional<SortKey> &sortKey() const { return m_sort; }

    // -1 and nullopt when the list has no rows.
    int currentRow() const { return m_row; }
    std::optional<qint64> currentCode() const { return m_code; }
    bool setCurrentRow(int row);
    // false (and the current record unchanged) when no row has that code.
    bool setCurrentCode(qint64 code);
    bool first() { return setCurrentRow(0); }
    bool last() { return setCurrentRow(rowCount() - 1); }
    bool next() { return setCurrentRow(m_row + 1); }
    bool prev() { return setCurrentRow(m_row - 1); }

    // Re-runs the statement after records changed, keeps the sort and returns
    // to the current record; when that record is gone the position is kept as
    // far as the new row count allows.
    void requery(db::Database &db);

    // Approximate bytes held by the rows read (for the memory figures of bench/).
    std::size_t memoryUsage() const;

private:
    void load(db::Database &db);
    int physical(int row) const { return m_order[std::size_t(row)]; }
    bool validRow(int row) const { return row >= 0 && row < rowCount(); }

    ListQuery m_query;
    std::shared_ptr<const db::ResultSet> m_rows;
    std::vector<int> m_order; // present order -> row of the snapshot
    std::optional<SortKey> m_sort;
    int m_keyColumn = -1;
    int m_row = -1;
    std::optional<qint64> m_code;
};

} // namespace tq
