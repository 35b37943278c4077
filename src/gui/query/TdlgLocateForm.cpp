#include "query/TdlgLocateForm.h"

#include "app/CommandRunner.h"
#include "app/InputMethods.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "common/Interaction.h"
#include "entry/TKvValidEdit.h"
#include "entry/TNumberEdit.h"
#include "exchange/CodeRangeBoxes.h"
#include "query/RecordLocator.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace tq::gui {

TdlgLocateForm::TdlgLocateForm(Session &session, Interaction &ui, const Preferences &prefs, RecordList &list,
                               std::function<void()> moved, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), m_session(session), m_ui(ui), m_prefs(prefs),
      m_list(list), m_moved(std::move(moved))
{
    setObjectName(QStringLiteral("TdlgLocateForm"));
    setWindowTitle(QStringLiteral("定位数据记录"));
    auto *layout = new QHBoxLayout(this);
    auto *box = new QGroupBox(this);
    auto *grid = new QGridLayout(box);
    m_rad901 = new QRadioButton(QStringLiteral("按编号定位（精确匹配）"), box);
    m_rad901->setObjectName(QStringLiteral("rad901"));
    m_rad902 = new QRadioButton(QStringLiteral("按名称定位（模糊匹配）"), box);
    m_rad902->setObjectName(QStringLiteral("rad902"));
    m_rad901->setChecked(true);
    m_c901 = new TNumberEdit(box);
    m_c901->setObjectName(QStringLiteral("c901"));
    m_c901->setDisplay(TNumberEdit::Display::Plain);
    m_c901->setMaximum(9999999);
    m_c901->setMaxDigits(7);
    m_c902 = new TKvValidEdit(box);
    m_c902->setObjectName(QStringLiteral("c902"));
    m_c902->setForbidChars(QStringLiteral("'\"`"));
    m_c902->setMinimumWidth(240);
    grid->addWidget(m_rad901, 0, 0);
    grid->addWidget(m_c901, 0, 1);
    grid->addWidget(m_rad902, 1, 0);
    grid->addWidget(m_c902, 1, 1);
    layout->addWidget(box, 1);
    auto *buttons = new QVBoxLayout;
    m_tbSum = dialogButton(QStringLiteral("定  位"), QStringLiteral("tbSum"), this);
    m_tbReturn = dialogButton(QStringLiteral("返  回"), QStringLiteral("tbReturn"), this);
    buttons->addWidget(m_tbSum);
    buttons->addWidget(m_tbReturn);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    connect(m_c901, &QLineEdit::textEdited, this, [this] { m_rad901->setChecked(true); });
    connect(m_c902, &QLineEdit::textEdited, this, [this] { m_rad902->setChecked(true); });
    m_c902->installEventFilter(this);
    connect(m_tbSum, &QToolButton::clicked, this, &TdlgLocateForm::tbSumClick);
    connect(m_tbReturn, &QToolButton::clicked, this, &QDialog::reject);
    setFixedSize(sizeHint());
}

bool TdlgLocateForm::eventFilter(QObject *watched, QEvent *event)
{
    // Names are typed in Chinese: the preferred input method comes on.
    if (watched == m_c902 && event->type() == QEvent::FocusIn && !m_prefs.imePrefer.isEmpty())
        InputMethods::switchTo(m_prefs.imePrefer);
    return QDialog::eventFilter(watched, event);
}

void TdlgLocateForm::tbSumClick()
{
    bool found = false;
    if (!runCommand(m_ui, [&] {
            found = m_rad901->isChecked() ? query::RecordLocator::byCode(m_list, m_c901->value())
                                          : query::RecordLocator::byName(m_session.db(), m_list, m_c902->text());
        }))
        return;
    if (!found) {
        m_ui.message(query::RecordLocator::notFoundMessage());
        return;
    }
    if (m_moved)
        m_moved();
    accept();
}

} // namespace tq::gui
