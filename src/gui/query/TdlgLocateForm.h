#pragma once

#include <QDialog>
#include <functional>

class QRadioButton;
class QToolButton;

namespace tq {
class Interaction;
class RecordList;
class Session;
struct Preferences;
} // namespace tq

namespace tq::gui {

class TKvValidEdit;
class TNumberEdit;

// 定位数据记录: moves the main list to one organisation, by its exact code or
// by part of its name. When nothing is found the dialog stays for another try.
class TdlgLocateForm : public QDialog {
    Q_OBJECT
public:
    // `moved` shows the list's new current record.
    TdlgLocateForm(Session &session, Interaction &ui, const Preferences &prefs, RecordList &list,
                   std::function<void()> moved, QWidget *parent = nullptr);

    void tbSumClick();

    QRadioButton *byCode() const { return m_rad901; }
    QRadioButton *byName() const { return m_rad902; }
    TNumberEdit *codeBox() const { return m_c901; }
    TKvValidEdit *nameBox() const { return m_c902; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Session &m_session;
    Interaction &m_ui;
    const Preferences &m_prefs;
    RecordList &m_list;
    std::function<void()> m_moved;
    QRadioButton *m_rad901, *m_rad902;
    TNumberEdit *m_c901;
    TKvValidEdit *m_c902;
    QToolButton *m_tbSum, *m_tbReturn;
};

} // namespace tq::gui
