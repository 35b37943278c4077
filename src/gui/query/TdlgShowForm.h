#pragma once

#include <QDialog>
#include <QList>
#include <functional>

class QCheckBox;
class QTabWidget;
class QToolButton;

namespace tq {
class Interaction;
class Session;
} // namespace tq

namespace tq::gui {

// 自定义列表项: one check box per catalogue field, on pages by table; the
// fields ticked are the columns the record list shows.
class TdlgShowForm : public QDialog {
    Q_OBJECT
public:
    // `rebuildList` builds the main list's columns again after a save.
    TdlgShowForm(Session &session, Interaction &ui, std::function<void()> rebuildList, QWidget *parent = nullptr);

    void tbSaveClick();

    QTabWidget *pages() const { return m_pages; }
    const QList<QCheckBox *> &boxes() const { return m_boxes; }
    QCheckBox *box(const QString &fieldName) const;
    QToolButton *saveButton() const { return m_tbSave; }

private:
    Session &m_session;
    Interaction &m_ui;
    std::function<void()> m_rebuild;
    QTabWidget *m_pages;
    QList<QCheckBox *> m_boxes;
    QToolButton *m_tbSave, *m_tbReturn;
};

} // namespace tq::gui
