#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace tq::gui {

// A read-only line showing a name, with a small button beside it that opens a
// picker. The tag holds the code the name belongs to. Neither part takes the
// keyboard focus, so the box stays out of the tab order.
class TButtonBox : public QWidget {
    Q_OBJECT
public:
    explicit TButtonBox(QWidget *parent = nullptr);

    QString text() const;
    void setText(const QString &text);
    qint64 tag() const { return m_tag; }
    void setTag(qint64 tag) { m_tag = tag; }

    QLineEdit *lineEdit() const { return m_line; }
    QToolButton *button() const { return m_button; }

signals:
    void buttonClicked();
    void textChanged(const QString &text);

private:
    QLineEdit *m_line;
    QToolButton *m_button;
    qint64 m_tag = 0;
};

} // namespace tq::gui
