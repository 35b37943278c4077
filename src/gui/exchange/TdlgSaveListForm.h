#pragma once

#include "app/RecordList.h"
#include "exchange/ListExportQuery.h"

#include <QDialog>
#include <optional>
#include <vector>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QMenu;
class QRadioButton;
class QToolButton;

namespace tq {
class Interaction;
class Session;
class Settings;
} // namespace tq

namespace tq::gui {

// 选择导出数据的方式: which tables' fields and which records go into a list
// workbook. The table list and its ticks come from "exporttable.tq" beside
// the program each time; the dialog never writes that file.
class TdlgSaveListForm : public QDialog {
    Q_OBJECT
public:
    TdlgSaveListForm(Session &session, Settings &settings, Interaction &ui, QWidget *parent = nullptr);

    // Reads the table list and the grouping items (what showing the dialog does).
    void FormShow();
    void tbSaveClick();
    void tbReturnClick();
    // The list statement of the present choices; none (after its message)
    // when the range is not given.
    std::optional<ListQuery> exportQuery();
    void chooseGroup(qint64 id);

    QListWidget *tableList() const { return m_tables; }
    QRadioButton *allChoice() const { return m_all; }
    QRadioButton *rangeChoice() const { return m_range; }
    QRadioButton *groupChoice() const { return m_group; }
    QLineEdit *lowEdit() const { return m_low; }
    QLineEdit *highEdit() const { return m_high; }
    QToolButton *groupButton() const { return m_tbGroup; }
    QToolButton *saveButton() const { return m_tbSave; }
    QCheckBox *shownOnly() const { return m_checkBox1; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void setBusy(bool busy);

    Session &m_session;
    Settings &m_settings;
    Interaction &m_ui;
    QListWidget *m_tables;
    QRadioButton *m_all, *m_range, *m_group;
    QLineEdit *m_low, *m_high;
    QToolButton *m_tbGroup, *m_tbSave, *m_tbReturn;
    QMenu *m_groupMenu;
    QCheckBox *m_checkBox1;
    std::vector<exchange::GroupRange> m_items;
    std::optional<exchange::GroupRange> m_chosen;
    bool m_shown = false;
};

} // namespace tq::gui
