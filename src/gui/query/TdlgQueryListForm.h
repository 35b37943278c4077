#pragma once

#include "app/RecordList.h"
#include "query/SearchConditions.h"

#include <QDialog>
#include <functional>

class QAction;
class QLabel;
class QTableView;
class QToolButton;

namespace tq {
class Interaction;
class Session;
} // namespace tq
namespace tq::db {
class FieldCatalogue;
}

namespace tq::gui {

class RecordListModel;

// 查询结果列表: the records a query found, with their count; a record can be
// corrected in the record editor, marked records deleted, and the list
// exported to a workbook or, in full detail, to a database file.
class TdlgQueryListForm : public QDialog {
    Q_OBJECT
public:
    struct Hooks {
        // The record editor on the list's current record; `saved` after each save.
        std::function<void(RecordList &list)> editRecords;
    };

    TdlgQueryListForm(Session &session, Interaction &ui, Hooks hooks, QWidget *parent = nullptr);
    ~TdlgQueryListForm() override;

    // Runs the query for `condition` ("where ..." or empty): the result list
    // reads view_data, the detailed export dt_data. Raises db::DbError.
    void open(const query::SqlCondition &condition);

    void tbEditClick();
    void tbDeleteClick();
    void exportExcel();
    void exportAccess();

    RecordList &recordList() { return m_list; }
    const ListQuery &detailQuery() const { return m_detail; }
    QTableView *grid() const { return m_grid; }
    RecordListModel *model() const { return m_model; }
    QLabel *countLabel() const { return m_count; }
    QAction *excelAction() const { return m_toExcel; }
    QAction *accessAction() const { return m_toAccess; }

    static QString exportTitle() { return QStringLiteral("Tallowmere查询结果"); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildColumns(const db::FieldCatalogue &catalogue);
    void refresh();
    void syncCurrentToGrid();
    // The record asked about is current; the other marks stay.
    void showCurrentKeepingMarks();
    QList<qint64> markedCodes() const;

    Session &m_session;
    Interaction &m_ui;
    Hooks m_hooks;
    RecordList m_list;
    ListQuery m_detail;
    RecordListModel *m_model;
    QTableView *m_grid;
    QLabel *m_count;
    QToolButton *m_tbEdit, *m_tbDelete, *m_tbDataExport, *m_tbReturn;
    QAction *m_toExcel, *m_toAccess;
    int m_pressed = 0;
};

} // namespace tq::gui
