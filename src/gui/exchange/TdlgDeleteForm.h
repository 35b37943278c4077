#pragma once

#include <QDialog>
#include <functional>

class QLineEdit;
class QRadioButton;
class QToolButton;

namespace tq {
class Interaction;
class Session;
} // namespace tq

namespace tq::gui {

// 选择删除的方式: deletes the marked records of the main list, all records
// or a code range. The dialog stays open for the next deletion.
class TdlgDeleteForm : public QDialog {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void()> deleteSelected; // the marked rows of the main list, asking about each
        std::function<void()> refreshList;    // re-run the main list and return to its row
    };

    TdlgDeleteForm(Session &session, Interaction &ui, Hooks hooks, QWidget *parent = nullptr);

    void tbDeleteClick();

    QRadioButton *selectedChoice() const { return m_selected; }
    QRadioButton *allChoice() const { return m_all; }
    QRadioButton *rangeChoice() const { return m_range; }
    QLineEdit *lowEdit() const { return m_low; }
    QLineEdit *highEdit() const { return m_high; }

    static QString warning() { return QStringLiteral("删除操作将不可恢复，您确认继续么？"); }

private:
    Session &m_session;
    Interaction &m_ui;
    Hooks m_hooks;
    QRadioButton *m_selected, *m_all, *m_range;
    QLineEdit *m_low, *m_high;
    QToolButton *m_tbDelete, *m_tbReturn;
};

} // namespace tq::gui
