#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QWidget;

namespace tq::gui {

// A question whose answer may apply to one item or to all that remain.
// Buttons (bits): 1 是, 2 否, 4 全都是, 8 全都否. Results: 6 yes, 7 no,
// 9 no to all, 10 yes to all, 2 when closed otherwise.
class TQuestionDlg : public QDialog {
    Q_OBJECT
public:
    TQuestionDlg(const QString &text, int buttons, QWidget *parent = nullptr);

    QPushButton *button(int bit) const;
    QLabel *questionLabel() const { return m_label; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void layOut();

    QLabel *m_label;
    QWidget *m_bar;
    QPushButton *m_yes, *m_yesAll, *m_no, *m_noAll;
};

// Frees the previous question window, asks anew, returns the result.
int AskQuestion(const QString &text, int buttons, QWidget *owner);

} // namespace tq::gui
