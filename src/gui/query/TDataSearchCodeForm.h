#pragma once

#include <QDialog>

class QTableWidget;
class QToolButton;

namespace tq {
class Session;
}

namespace tq::gui {

// 选择指标: the survey's tables on the left, the searchable indicators of the
// chosen table on the right.
class TDataSearchCodeForm : public QDialog {
    Q_OBJECT
public:
    explicit TDataSearchCodeForm(Session &session, QWidget *parent = nullptr);

    // The indicator chosen (its CodeName, trimmed) once the dialog ended with OK.
    const QString &chosen() const { return m_chosen; }
    int tableNumber() const { return m_table; }
    // Fills the right list with the indicators of table `number`.
    void showTable(int number);
    void tbOKClick();

    QTableWidget *tables() const { return m_tables; }
    QTableWidget *indicators() const { return m_indicators; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    Session &m_session;
    QTableWidget *m_tables;
    QTableWidget *m_indicators;
    QToolButton *m_tbOK, *m_tbCancel;
    QString m_chosen;
    int m_table = 0;
};

} // namespace tq::gui
