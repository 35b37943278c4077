#include "app/RecordListModel.h"

#include "app/RecordList.h"

#include <QBrush>
#include <QColor>

namespace tq::gui {

RecordListModel::RecordListModel(QObject *parent) : QAbstractTableModel(parent)
{
}

QColor RecordListModel::oddRowColour()
{
    return QColor(249, 251, 231);
}
QColor RecordListModel::evenRowColour()
{
    return QColor(219, 219, 241);
}
QColor RecordListModel::sortedTitleColour()
{
    return QColor(0, 255, 0);
}

void RecordListModel::setColumns(const db::FieldCatalogue &catalogue)
{
    std::vector<Column> cols;
    cols.reserve(std::size_t(catalogue.size()));
    for (const db::CatalogueField &f : catalogue.fields()) {
        Column c;
        c.field = f.showName;
        c.hint = f.hint;
        c.width = f.fieldWidth;
        c.visible = f.visible;
        c.centred = f.showName.compare(QLatin1String("RecordState"), Qt::CaseInsensitive) == 0;
        cols.push_back(std::move(c));
    }
    setColumns(std::move(cols));
}

void RecordListModel::setColumns(std::vector<Column> columns)
{
    beginResetModel();
    m_columns = std::move(columns);
    m_sort.reset();
    bindColumns();
    endResetModel();
}

void RecordListModel::attach(RecordList *list)
{
    beginResetModel();
    m_list = list;
    bindColumns();
    endResetModel();
}

void RecordListModel::reload()
{
    beginResetModel();
    bindColumns();
    endResetModel();
}

void RecordListModel::bindColumns()
{
    for (Column &c : m_columns)
        c.resultColumn = m_list ? m_list->columnIndex(c.field) : -1;
}

void RecordListModel::sortByColumn(int column)
{
    if (!m_list || !m_list->isOpen() || column < 0 || column >= columnCount())
        return;
    const int previous = m_sort.sortedColumn();
    const Qt::SortOrder order = m_sort.click(column);
    if (m_columns[std::size_t(column)].resultColumn < 0)
        return;
    emit layoutAboutToBeChanged();
    m_list->sort({m_columns[std::size_t(column)].field, order});
    emit layoutChanged();
    emit headerDataChanged(Qt::Horizontal, column, column);
    if (previous >= 0 && previous != column)
        emit headerDataChanged(Qt::Horizontal, previous, previous);
}

int RecordListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_list ? 0 : m_list->rowCount();
}

int RecordListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant RecordListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !m_list)
        return {};
    const Column &c = m_columns[std::size_t(index.column())];
    switch (role) {
    case Qt::DisplayRole:
        return c.resultColumn >= 0 ? m_list->text(index.row(), c.resultColumn) : QString();
    case Qt::TextAlignmentRole:
        return int((c.centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter);
    case Qt::BackgroundRole:
        // Row numbers count from 1: the first row is an odd one.
        return QBrush(index.row() % 2 == 0 ? oddRowColour() : evenRowColour());
    default:
        return {};
    }
}

QVariant RecordListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    const Column &c = m_columns[std::size_t(section)];
    switch (role) {
    case Qt::DisplayRole:
        return m_sort.title(section, c.hint);
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    case Qt::BackgroundRole:
        if (section == m_sort.sortedColumn())
            return QBrush(sortedTitleColour());
        return {};
    default:
        return {};
    }
}

} // namespace tq::gui
