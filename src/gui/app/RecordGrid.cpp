#include "app/RecordGrid.h"

#include "app/RecordList.h"
#include "app/RecordListModel.h"

#include <QHeaderView>
#include <QTableView>

namespace tq::gui {

void setUpRecordGrid(QTableView *grid)
{
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setWordWrap(false);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 8);
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setHighlightSections(false);
    grid->horizontalHeader()->setSectionsClickable(true);
}

void showRecordModel(QTableView *grid, RecordListModel *model, RecordList &list, QObject *owner)
{
    if (grid->model() != model) {
        grid->setModel(model);
        QObject::connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, owner,
                         [&list](const QModelIndex &current) {
                             if (current.isValid())
                                 list.setCurrentRow(current.row());
                         });
    }
    const auto &cols = model->columns();
    for (int c = 0; c < int(cols.size()); ++c) {
        grid->setColumnHidden(c, !cols[std::size_t(c)].visible);
        grid->setColumnWidth(c, cols[std::size_t(c)].width);
    }
}

} // namespace tq::gui
