#pragma once

#include "summary/GroupStore.h"
#include "summary/SheetList.h"
#include "summary/SummaryWorkbook.h"

#include <QDialog>

class QListWidget;
class QListWidgetItem;
class QMenu;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace tq {
class Interaction;
}

namespace tq::gui {

// 数据分类汇总: which sheets of the summary workbook to fill, by level or by
// a custom grouping. The sheet list and its ticks are kept in a list file
// beside the program between runs.
class TdlgSumForm : public QDialog {
    Q_OBJECT
public:
    // `listPath` is the list file; `templatePath` the summary template.
    TdlgSumForm(db::Database &db, Interaction &ui, QString listPath, QString templatePath, QWidget *parent = nullptr);

    void tbSumClick();
    void Button1Click(); // 全部选中
    void Button2Click(); // 全部不选
    // Picks a grouping from the drop-down menu.
    void chooseGrouping(qint64 id);

    // The list as the check list shows it now.
    summary::SheetList sheetList() const;
    summary::SummaryMode mode() const;
    qint64 chosenGroupId() const { return m_groupId; }

    QListWidget *tableList() const { return m_list; }
    QRadioButton *byLevel() const { return m_byLevel; }
    QRadioButton *byGroup() const { return m_byGroup; }
    QToolButton *groupButton() const { return m_tbGroup; }
    QMenu *groupMenu() const { return m_menu; }
    QToolButton *sumButton() const { return m_tbSum; }
    QToolButton *returnButton() const { return m_tbReturn; }

protected:
    void done(int result) override;

private:
    void showList(const summary::SheetList &list);
    void readGroupings();
    void tickGroupAt(QListWidgetItem *item);

    db::Database &m_db;
    Interaction &m_ui;
    QString m_listPath;
    QString m_templatePath;
    qint64 m_groupId = 0;
    QListWidget *m_list;
    QRadioButton *m_byLevel;
    QRadioButton *m_byGroup;
    QToolButton *m_tbGroup;
    QMenu *m_menu;
    QToolButton *m_tbSum;
    QToolButton *m_tbReturn;
    bool m_saved = false;
    bool m_running = false;
};

} // namespace tq::gui
