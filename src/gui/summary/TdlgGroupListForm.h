#pragma once

#include "summary/GroupStore.h"

#include <QDialog>
#include <functional>

class QTableWidget;
class QToolButton;

namespace tq {
class Interaction;
}

namespace tq::gui {

class TdlgGroupItemForm;

// 自定义分组列表: the custom groupings of the open database, with adding,
// removing, editing and the exchange of groupings with other installations.
class TdlgGroupListForm : public QDialog {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void()> importGroups; // reads a grouping file into the open database
        std::function<void()> exportGroups; // writes the default database's groupings to a file
    };

    TdlgGroupListForm(db::Database &db, Interaction &ui, Hooks hooks, QWidget *parent = nullptr);

    void tbAddClick();
    void tbRemoveClick();
    void tbEditClick();
    void btnImportClick();
    void btnExportClick();

    // Opens the item editor for a grouping; tests replace it to look inside.
    std::function<void(TdlgGroupItemForm &)> runEditor;

    QTableWidget *grid() const { return m_grid; }
    QToolButton *addButton() const { return m_tbAdd; }
    QToolButton *removeButton() const { return m_tbRemove; }
    QToolButton *editButton() const { return m_tbEdit; }
    QToolButton *importButton() const { return m_btnImport; }
    QToolButton *exportButton() const { return m_btnExport; }
    QToolButton *returnButton() const { return m_btnReturn; }
    // Re-reads the grid and keeps the grouping `selectId` current when it is there.
    void readGroupings(qint64 selectId = 0);
    qint64 currentId() const;

private:
    void openEditor(qint64 id, const QString &name);
    void updateButtons();

    db::Database &m_db;
    Interaction &m_ui;
    Hooks m_hooks;
    std::vector<summary::Grouping> m_groupings;
    QTableWidget *m_grid;
    QToolButton *m_tbAdd;
    QToolButton *m_tbRemove;
    QToolButton *m_tbEdit;
    QToolButton *m_btnImport;
    QToolButton *m_btnExport;
    QToolButton *m_btnReturn;
};

} // namespace tq::gui
