#include "common/TQuestionDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include <cmath>

namespace tq::gui {

namespace {
constexpr int kButtonWidth = 70;
constexpr int kBarWidth = 297; // four buttons with their gaps
constexpr int kBarHeight = 33;
} // namespace

TQuestionDlg::TQuestionDlg(const QString &text, int buttons, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TQuestionDlg"));
    setWindowTitle(QStringLiteral("提示信息"));
    m_label = new QLabel(text, this);
    m_label->setObjectName(QStringLiteral("lblQuestion"));
    m_label->setWordWrap(false);
    m_label->move(20, 20);
    m_bar = new QWidget(this);
    auto *row = new QHBoxLayout(m_bar);
    row->setContentsMargins(2, 2, 9, 2);
    row->setSpacing(4);
    const auto make = [&](const QString &caption, int bit, int result) {
        auto *b = new QPushButton(caption, m_bar);
        b->setFixedWidth(kButtonWidth);
        b->setVisible(buttons & bit);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, result] { done(result); });
        row->addWidget(b);
        return b;
    };
    m_yes = make(QStringLiteral("是"), 1, 6);
    m_yesAll = make(QStringLiteral("全都是"), 4, 10);
    m_no = make(QStringLiteral("否"), 2, 7);
    m_noAll = make(QStringLiteral("全都否"), 8, 9);
    for (QPushButton *b : {m_yes, m_yesAll, m_no, m_noAll}) {
        if (!b->isHidden()) {
            b->setDefault(true);
            b->setFocus();
            break;
        }
    }
    layOut();
}

QPushButton *TQuestionDlg::button(int bit) const
{
    switch (bit) {
    case 1:
        return m_yes;
    case 2:
        return m_no;
    case 4:
        return m_yesAll;
    case 8:
        return m_noAll;
    default:
        return nullptr;
    }
}

void TQuestionDlg::layOut()
{
    m_label->adjustSize();
    int barWidth = kBarWidth;
    for (QPushButton *b : {m_yes, m_yesAll, m_no, m_noAll}) {
        if (b->isHidden())
            barWidth -= kButtonWidth + 4;
    }
    int w = m_label->x() + m_label->width() + 25;
    w = std::max(w, int(std::floor(1.5 * barWidth)));
    const int h = int(std::floor(1.5 * kBarHeight)) + m_label->y() + m_label->height();
    setFixedSize(w, h);
    m_bar->setGeometry(w - barWidth, h - kBarHeight, barWidth, kBarHeight);
}

void TQuestionDlg::showEvent(QShowEvent *event)
{
    layOut();
    QDialog::showEvent(event);
}

int AskQuestion(const QString &text, int buttons, QWidget *owner)
{
    static QPointer<TQuestionDlg> previous;
    delete previous;
    previous = new TQuestionDlg(text, buttons, owner);
    const int result = previous->exec();
    // Closing the window by other means than a button is a cancel.
    return result == QDialog::Rejected ? 2 : result;
}

} // namespace tq::gui
