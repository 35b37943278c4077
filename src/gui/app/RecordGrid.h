#pragma once

class QObject;
class QTableView;

namespace tq {
class RecordList;
}

namespace tq::gui {

class RecordListModel;

// The table of a record list: whole rows are marked, any number of them;
// nothing is edited in place; every row is one line high and has no title. A
// click on a column title is left to the owner, which sorts the list.
void setUpRecordGrid(QTableView *grid);

// Shows `model` in `grid`; the first time, the row the user moves to becomes
// the list's current record for as long as `owner` lives. The columns take the
// widths and visibility the model gives them.
void showRecordModel(QTableView *grid, RecordListModel *model, RecordList &list, QObject *owner);

} // namespace tq::gui
