#include "logic/TdlgCheckForm.h"

#include "app/CommandRunner.h"
#include "app/Session.h"
#include "common/ProgressScope.h"
#include "logic/BatchCheck.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace tq::gui {

namespace {
constexpr int kIdleHeight = 172;
constexpr int kCheckingHeight = 255;

QToolButton *toolButton(const QString &caption, QWidget *parent)
{
    auto *b = new QToolButton(parent);
    b->setText(caption);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setMinimumSize(72, 28);
    return b;
}
} // namespace

TdlgCheckForm::TdlgCheckForm(Session &session, Interaction &ui, QString reportFolder, Hooks hooks, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), m_session(session), m_ui(ui),
      m_folder(std::move(reportFolder)), m_hooks(std::move(hooks))
{
    setObjectName(QStringLiteral("TdlgCheckForm"));
    setWindowTitle(QStringLiteral("选择检查的方式"));
    QFont f(QStringLiteral("SimSun"));
    f.setPixelSize(12);
    setFont(f);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 8);
    auto *top = new QHBoxLayout;
    auto *choices = new QGroupBox(QStringLiteral("检查的内容"), this);
    choices->setObjectName(QStringLiteral("GroupBox1"));
    auto *grid = new QGridLayout(choices);
    m_selected = new QRadioButton(QStringLiteral("选中的数据"), choices);
    m_all = new QRadioButton(QStringLiteral("所有的数据"), choices);
    m_range = new QRadioButton(QStringLiteral("指定单位编号的范围"), choices);
    m_selected->setChecked(true);
    grid->addWidget(m_selected, 0, 0);
    grid->addWidget(m_all, 0, 1);
    grid->addWidget(m_range, 1, 0, 1, 2);
    auto *rangeRow = new QHBoxLayout;
    rangeRow->addWidget(new QLabel(QStringLiteral("从"), choices));
    m_low = new QLineEdit(choices);
    m_low->setObjectName(QStringLiteral("c901_1"));
    m_high = new QLineEdit(choices);
    m_high->setObjectName(QStringLiteral("c901_2"));
    for (QLineEdit *e : {m_low, m_high}) {
        e->setValidator(new QIntValidator(-9999999, 9999999, e));
        e->setMaxLength(8);
        e->setFixedWidth(90);
        connect(e, &QLineEdit::textChanged, this, [this] { m_range->setChecked(true); });
    }
    rangeRow->addWidget(m_low);
    rangeRow->addWidget(new QLabel(QStringLiteral("到"), choices));
    rangeRow->addWidget(m_high);
    rangeRow->addStretch(1);
    grid->addLayout(rangeRow, 2, 0, 1, 2);
    m_changeState = new QCheckBox(QStringLiteral("标记逻辑合格的数据"), choices);
    m_changeState->setChecked(true);
    m_changeState->hide();
    top->addWidget(choices, 1);

    auto *buttons = new QVBoxLayout;
    m_tbCheck = toolButton(QStringLiteral("检  查"), this);
    m_tbPause = toolButton(QStringLiteral("暂  停"), this);
    m_tbResume = toolButton(QStringLiteral("继  续"), this);
    m_tbReturn = toolButton(QStringLiteral("返  回"), this);
    m_tbPause->setEnabled(false);
    m_tbResume->setEnabled(false);
    for (QToolButton *b : {m_tbCheck, m_tbPause, m_tbResume, m_tbReturn})
        buttons->addWidget(b);
    buttons->addStretch(1);
    top->addLayout(buttons);
    layout->addLayout(top);

    m_progressBox = new QGroupBox(QStringLiteral("检查进度"), this);
    m_progressBox->setObjectName(QStringLiteral("GroupBox2"));
    auto *pl = new QGridLayout(m_progressBox);
    m_bar = new QProgressBar(m_progressBox);
    m_bar->setObjectName(QStringLiteral("RzProgressBar1"));
    m_label1 = new QLabel(QStringLiteral("正在准备数据 ..."), m_progressBox);
    m_label2 = new QLabel(m_progressBox);
    m_label3 = new QLabel(m_progressBox);
    m_spinner = new QLabel(m_progressBox);
    m_spinner->setFixedSize(32, 32);
    m_spinner->setAlignment(Qt::AlignCenter);
    QFont big = m_spinner->font();
    big.setPixelSize(22);
    m_spinner->setFont(big);
    pl->addWidget(m_spinner, 0, 0, 2, 1);
    pl->addWidget(m_bar, 0, 1, 1, 2);
    pl->addWidget(m_label1, 1, 1);
    pl->addWidget(m_label2, 1, 1);
    pl->addWidget(m_label3, 1, 2, Qt::AlignRight);
    m_progressBox->hide();
    layout->addWidget(m_progressBox);

    m_timer.setInterval(100);
    connect(&m_timer, &QTimer::timeout, this, &TdlgCheckForm::Timer1Timer);
    connect(m_tbCheck, &QToolButton::clicked, this, &TdlgCheckForm::tbCheckClick);
    connect(m_tbPause, &QToolButton::clicked, this, &TdlgCheckForm::tbPauseClick);
    connect(m_tbResume, &QToolButton::clicked, this, &TdlgCheckForm::tbResumeClick);
    connect(m_tbReturn, &QToolButton::clicked, this, &TdlgCheckForm::tbReturnClick);
    setFixedSize(420, kIdleHeight);
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
}

void TdlgCheckForm::setChecking(bool checking)
{
    m_checking = checking;
    for (QWidget *w : std::initializer_list<QWidget *>{m_selected, m_all, m_range, m_low, m_high})
        w->setEnabled(!checking);
    if (checking) {
        m_bar->setValue(0);
        m_label1->show();
        m_label2->hide();
        m_label3->hide();
        m_progressBox->show();
        setFixedSize(420, kCheckingHeight);
        m_tbCheck->setEnabled(false);
        m_tbPause->setEnabled(false);
        m_tbReturn->setEnabled(false);
        QApplication::processEvents();
    } else {
        m_timer.stop();
        m_progressBox->hide();
        setFixedSize(420, kIdleHeight);
        m_tbCheck->setEnabled(true);
        m_tbReturn->setEnabled(true);
        m_tbPause->setEnabled(false);
        m_tbResume->setEnabled(false);
    }
}

void TdlgCheckForm::runCheck(const RecordSelection &selection, bool markPassed)
{
    InteractionWithProgress ui(m_ui, *this, [this] { return m_stopRequested; });
    runCommand(ui, [&] { logic::BatchCheck(m_session, m_folder, ui).RunBatchCheck(selection, markPassed); });
}

void TdlgCheckForm::tbCheckClick()
{
    setChecking(true);
    m_paused = false;
    m_stopRequested = false;
    if (m_selected->isChecked()) {
        const RecordSelection marked = m_hooks.selection ? m_hooks.selection() : RecordSelection::codes({});
        if (!marked.isEmpty())
            runCheck(marked, true);
    } else if (m_all->isChecked()) {
        runCheck(RecordSelection::all(), m_changeState->isChecked());
    } else {
        const auto range =
            CodeRange::resolve(m_low->text().trimmed().toLongLong(), m_high->text().trimmed().toLongLong());
        if (!range) {
            m_ui.message(QStringLiteral("请输入逻辑检查的范围"));
            setChecking(false);
            return;
        }
        if (range->highRaised) {
            const QSignalBlocker block(m_high);
            m_high->setText(m_low->text());
        }
        runCheck(RecordSelection::range(*range), m_changeState->isChecked());
    }
    if (m_changeState->isChecked() && m_hooks.refreshList)
        m_hooks.refreshList();
    setChecking(false);
    if (m_closeWhenDone)
        QDialog::reject();
}

void TdlgCheckForm::StartProgress(int total, int done)
{
    m_label1->hide();
    m_paused = false;
    m_stopRequested = false;
    m_tbPause->setEnabled(true);
    m_tbReturn->setEnabled(true);
    m_bar->setRange(0, std::max(total, 1));
    m_bar->setValue(done);
    m_estimate.start(total, done);
    m_label2->setText(m_estimate.doneText());
    m_label3->setText(m_estimate.leftText());
    m_label2->show();
    m_label3->show();
    m_timer.start();
    m_lastPaint = 0;
}

void TdlgCheckForm::StepProgress()
{
    m_estimate.advance();
    if (m_estimate.done() >= m_estimate.total())
        m_timer.stop();
    showProgress(false);
}

void TdlgCheckForm::showProgress(bool force)
{
    // The bar follows every record, but repaints a few times a second only:
    // painting 100,000 times would cost more than the check itself.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (!force && now - m_lastPaint < 50 && m_estimate.done() < m_estimate.total())
        return;
    m_lastPaint = now;
    m_bar->setValue(m_estimate.done());
}

void TdlgCheckForm::Timer1Timer()
{
    m_estimate.tick();
    m_label2->setText(m_estimate.doneText());
    m_label3->setText(m_estimate.leftText());
    static const QString frames[] = {QStringLiteral("◐"), QStringLiteral("◓"), QStringLiteral("◑"),
                                     QStringLiteral("◒")};
    m_spinner->setText(frames[(m_spin++ / 2) % 4]);
    showProgress(true);
}

void TdlgCheckForm::tbPauseClick()
{
    m_timer.stop();
    m_paused = true;
    m_tbPause->setEnabled(false);
    m_tbResume->setEnabled(true);
}

void TdlgCheckForm::tbResumeClick()
{
    m_paused = false;
    m_timer.start();
    m_tbPause->setEnabled(true);
    m_tbResume->setEnabled(false);
}

void TdlgCheckForm::tbReturnClick()
{
    m_stopRequested = true;
    if (m_checking)
        m_closeWhenDone = true; // the running check ends first
    else
        QDialog::reject();
}

void TdlgCheckForm::reject()
{
    // Esc or the close button during a check stops it like 返回.
    tbReturnClick();
}

void TdlgCheckForm::closeEvent(QCloseEvent *event)
{
    if (m_checking) {
        m_stopRequested = true;
        m_closeWhenDone = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace tq::gui
