#include "common/TProgressBarForm.h"

#include <algorithm>

#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace tq::gui {

namespace {

constexpr Qt::WindowFlags kToolFlags =
    Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint;

void centre(QWidget *w)
{
    if (const QScreen *s = QGuiApplication::primaryScreen())
        w->move(s->availableGeometry().center() - w->rect().center());
}

} // namespace

TProgressBarForm::TProgressBarForm(QWidget *parent) : QDialog(parent, kToolFlags)
{
    setObjectName(QStringLiteral("TProgressBarForm"));
    setWindowTitle(QStringLiteral("请稍候"));
    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("正在处理："), this));
    top->addStretch(1);
    m_spinner = new QLabel(this);
    m_spinner->setFixedWidth(20);
    top->addWidget(m_spinner);
    layout->addLayout(top);
    m_bar = new QProgressBar(this);
    m_bar->setMinimumWidth(360);
    m_bar->setFormat(QStringLiteral("%p%"));
    layout->addWidget(m_bar);
    auto *texts = new QHBoxLayout;
    m_doneLabel = new QLabel(this);
    m_leftLabel = new QLabel(this);
    m_doneLabel->setObjectName(QStringLiteral("lblDone"));
    m_leftLabel->setObjectName(QStringLiteral("lblLeft"));
    texts->addWidget(m_doneLabel);
    texts->addStretch(1);
    texts->addWidget(m_leftLabel);
    layout->addLayout(texts);
    m_doneLabel->hide();
    m_leftLabel->hide();
    m_timer.setInterval(100);
    connect(&m_timer, &QTimer::timeout, this, &TProgressBarForm::tick);
    adjustSize();
    centre(this);
}

void TProgressBarForm::InitProgress(int total, int done)
{
    m_bar->setRange(0, total);
    m_bar->setValue(done);
    m_estimate.start(total, done);
    showTexts();
    m_doneLabel->show();
    m_leftLabel->show();
    m_timer.start();
}

void TProgressBarForm::AdvanceProgress()
{
    m_bar->setValue(m_bar->value() + 1);
    m_estimate.setDone(m_bar->value());
    if (m_bar->value() >= m_bar->maximum())
        m_timer.stop();
    repaint();
}

void TProgressBarForm::tick()
{
    m_estimate.setDone(m_bar->value());
    m_estimate.tick();
    showTexts();
    static const QString spin[] = {QStringLiteral("◐"), QStringLiteral("◓"), QStringLiteral("◑"), QStringLiteral("◒")};
    m_spinner->setText(spin[m_spin++ % 4]);
}

void TProgressBarForm::showTexts()
{
    m_doneLabel->setText(m_estimate.doneText());
    m_leftLabel->setText(m_estimate.leftText());
}

void TProgressBarForm::hideEvent(QHideEvent *event)
{
    m_doneLabel->hide();
    m_leftLabel->hide();
    m_timer.stop();
    QDialog::hideEvent(event);
}

void TProgressBarForm::start(int total, int done)
{
    InitProgress(total, done);
    centre(this);
    show();
    QApplication::processEvents();
}

void TProgressBarForm::advance()
{
    AdvanceProgress();
    QApplication::processEvents();
}

void TProgressBarForm::advanceBy(int parts)
{
    if (parts <= 0)
        return;
    m_bar->setValue(std::min(m_bar->maximum(), m_bar->value() + parts - 1));
    advance();
}

TProgressBar2LineForm::TProgressBar2LineForm(QWidget *parent) : QDialog(parent, kToolFlags)
{
    setObjectName(QStringLiteral("TProgressBar2LineForm"));
    setWindowTitle(QStringLiteral("操作进度指示"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("总进度："), this));
    m_first = new QProgressBar(this);
    m_first->setMinimumWidth(360);
    layout->addWidget(m_first);
    layout->addWidget(new QLabel(QStringLiteral("当前任务进度："), this));
    m_second = new QProgressBar(this);
    layout->addWidget(m_second);
    adjustSize();
    centre(this);
}

void TProgressBar2LineForm::InitFirst(int n)
{
    m_first->setRange(0, n);
    m_first->setValue(0);
    repaint();
}

void TProgressBar2LineForm::InitSecond(int n)
{
    m_second->setRange(0, n);
    m_second->setValue(0);
    repaint();
}

void TProgressBar2LineForm::IncFirst()
{
    m_first->setValue(m_first->value() + 1);
    repaint();
}

void TProgressBar2LineForm::IncSecond()
{
    m_second->setValue(m_second->value() + 1);
    // Steps can come by the thousand (a summary's cells); a repaint per
    // hundredth is all the eye sees.
    const int step = std::max(1, m_second->maximum() / 100);
    if (m_second->value() % step == 0 || m_second->value() >= m_second->maximum())
        repaint();
}

} // namespace tq::gui
