#include "query/TdlgSearchForm.h"

#include "common/Interaction.h"
#include "entry/CodeMenu.h"
#include "entry/TButtonBox.h"
#include "entry/TNumberEdit.h"
#include "exchange/CodeRangeBoxes.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

namespace tq::gui {

namespace {

TButtonBox *choiceBox(const QString &name, const entry::CodeList &list, QWidget *parent)
{
    auto *box = new TButtonBox(parent);
    box->setObjectName(name);
    box->setFixedWidth(72);
    box->setTag(list.first().code);
    box->setText(list.first().name);
    QObject::connect(box, &TButtonBox::buttonClicked, box, [box, &list] { ShowCodeMenuPlain(box, list); });
    return box;
}

} // namespace

TdlgSearchForm::TdlgSearchForm(Interaction &ui, QueryHooks hooks, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), m_ui(ui), m_hooks(std::move(hooks))
{
    setObjectName(QStringLiteral("TdlgSearchForm"));
    setWindowTitle(QStringLiteral("查询数据"));
    auto *layout = new QHBoxLayout(this);
    auto *box = new QGroupBox(QStringLiteral("编号范围"), this);
    auto *row = new QHBoxLayout(box);
    m_lc1 = choiceBox(QStringLiteral("lc1"), query::SearchConditions::operators(), box);
    m_number1 = queryNumberBox(QStringLiteral("number1"), box);
    m_lc2 = choiceBox(QStringLiteral("lc2"), query::SearchConditions::connectives(), box);
    m_lc3 = choiceBox(QStringLiteral("lc3"), query::SearchConditions::operators(), box);
    m_number2 = queryNumberBox(QStringLiteral("number2"), box);
    for (QWidget *w : std::initializer_list<QWidget *>{m_lc1, m_number1, m_lc2, m_lc3, m_number2})
        row->addWidget(w);
    layout->addWidget(box, 1);

    auto *buttons = new QVBoxLayout;
    m_tbSum = dialogButton(QStringLiteral("查  找"), QStringLiteral("tbSum"), this);
    m_tbReturn = dialogButton(QStringLiteral("返  回"), QStringLiteral("tbReturn"), this);
    buttons->addWidget(m_tbSum);
    buttons->addWidget(m_tbReturn);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(m_tbSum, &QToolButton::clicked, this, &TdlgSearchForm::tbSumClick);
    connect(m_tbReturn, &QToolButton::clicked, this, &QDialog::reject);
    setFixedSize(sizeHint());
}

void TdlgSearchForm::tbSumClick()
{
    const query::ConditionOutcome out = query::SearchConditions::codeRange(
        comparisonOf(m_lc1, m_number1), int(m_lc2->tag()), comparisonOf(m_lc3, m_number2));
    if (!out.ok()) {
        m_ui.message(out.refusal);
        m_number1->setFocus();
        return;
    }
    m_hooks.found(out.condition);
}

} // namespace tq::gui
