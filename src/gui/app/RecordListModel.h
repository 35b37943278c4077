#pragma once

#include "app/ListSortState.h"
#include "db/FieldCatalogue.h"

#include <QAbstractTableModel>
#include <vector>

namespace tq {
class RecordList;
}

namespace tq::gui {

// Shows a record list through the columns of the field catalogue: one column
// per catalogue row (title Hint, width FieldWidth, hidden unless Visible).
// Rows are painted in the two alternating colours of the record lists.
class RecordListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        QString field; // the query column (ShowName)
        QString hint;
        int width = 80;
        bool visible = true;
        bool centred = false;
        int resultColumn = -1;
    };

    explicit RecordListModel(QObject *parent = nullptr);

    // Columns from the catalogue; columns the list has not read stay empty.
    void setColumns(const db::FieldCatalogue &catalogue);
    void setColumns(std::vector<Column> columns);
    // The list shown; null detaches the view from it.
    void attach(RecordList *list);
    RecordList *recordList() const { return m_list; }
    // The query has been re-run or re-sorted: rows are read again.
    void reload();

    const std::vector<Column> &columns() const { return m_columns; }
    ListSortState &sortState() { return m_sort; }
    // A click on a column title: sorts the list and renews the titles.
    // Raises db::DbError when the list cannot sort by that column.
    void sortByColumn(int column);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    static QColor oddRowColour();
    static QColor evenRowColour();
    static QColor sortedTitleColour();

private:
    void bindColumns();

    std::vector<Column> m_columns;
    RecordList *m_list = nullptr;
    ListSortState m_sort;
};

} // namespace tq::gui
