#pragma once

#include "summary/GroupStore.h"

#include <QDialog>
#include <functional>

class QComboBox;
class QLineEdit;
class QTableWidget;
class QToolButton;

namespace tq {
class Interaction;
}

namespace tq::gui {

// A text button of the grouping dialogs' button rows.
QToolButton *groupButton(const QString &name, const QString &text, QWidget *parent);

// 自定义分组: the name of one grouping and its code ranges. Each range is a
// title with a lower and an upper bound, each bound with its symbol.
class TdlgGroupItemForm : public QDialog {
    Q_OBJECT
public:
    TdlgGroupItemForm(db::Database &db, Interaction &ui, qint64 groupId, const QString &name,
                      QWidget *parent = nullptr);

    // Called after the grouping's name was saved, so that the list shows it.
    void setRenamed(std::function<void()> renamed) { m_renamed = std::move(renamed); }

    void tbSaveClick();
    // 增  加 and 修  改: save the editor fields as a new item or into the current one.
    void actAddItemExecute();
    void tbEditClick();
    void tbRemoveClick();

    QLineEdit *groupName() const { return m_groupName; }
    QLineEdit *itemName() const { return m_name; }
    QComboBox *leftSymbol() const { return m_leftSymbol; }
    QComboBox *rightSymbol() const { return m_rightSymbol; }
    QLineEdit *lowBoundary() const { return m_low; }
    QLineEdit *highBoundary() const { return m_high; }
    QTableWidget *grid() const { return m_grid; }
    QToolButton *saveButton() const { return m_tbSave; }
    QToolButton *addButton() const { return m_tbAdd; }
    QToolButton *editButton() const { return m_tbEdit; }
    QToolButton *removeButton() const { return m_tbRemove; }
    QToolButton *returnButton() const { return m_tbReturn; }
    // The code of the chosen symbol: lower 1 ">", 2 ">="; upper 1 "<", 2 "<=".
    int leftSymbolCode() const;
    int rightSymbolCode() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void readItems(qint64 selectId = 0);
    void loadCurrent();
    void updateButtons();
    summary::ItemInput editorInput() const;
    bool saveItem(bool append);

    db::Database &m_db;
    Interaction &m_ui;
    qint64 m_groupId;
    std::vector<summary::GroupItem> m_items;
    std::function<void()> m_renamed;
    QLineEdit *m_groupName;
    QToolButton *m_tbSave;
    QTableWidget *m_grid;
    QLineEdit *m_name;
    QComboBox *m_leftSymbol;
    QLineEdit *m_low;
    QComboBox *m_rightSymbol;
    QLineEdit *m_high;
    QToolButton *m_tbAdd;
    QToolButton *m_tbEdit;
    QToolButton *m_tbRemove;
    QToolButton *m_tbReturn;
};

} // namespace tq::gui
