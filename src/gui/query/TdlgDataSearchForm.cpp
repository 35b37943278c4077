#include "query/TdlgDataSearchForm.h"

#include "app/CommandRunner.h"
#include "app/Session.h"
#include "common/Interaction.h"
#include "entry/CodeMenu.h"
#include "entry/TButtonBox.h"
#include "entry/TNumberEdit.h"
#include "exchange/CodeRangeBoxes.h"
#include "query/TDataSearchCodeForm.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace tq::gui {

TNumberEdit *queryNumberBox(const QString &name, QWidget *parent)
{
    auto *box = new TNumberEdit(parent);
    box->setObjectName(name);
    box->setDisplay(TNumberEdit::Display::Plain);
    box->setMaximum(99999999);
    box->setMaxDigits(8);
    box->setFixedWidth(100);
    return box;
}

query::Comparison comparisonOf(const TButtonBox *op, const TNumberEdit *number)
{
    query::Comparison c;
    c.op = int(op->tag());
    if (!number->isBlank())
        c.number = number->value();
    return c;
}

namespace {

TButtonBox *operatorBox(const QString &name, QWidget *parent)
{
    auto *box = new TButtonBox(parent);
    box->setObjectName(name);
    box->setTag(-1);
    box->setFixedWidth(72);
    return box;
}

} // namespace

TdlgDataSearchForm::TdlgDataSearchForm(Session &session, Interaction &ui, QueryHooks hooks, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), m_session(session), m_ui(ui),
      m_hooks(std::move(hooks))
{
    setObjectName(QStringLiteral("TdlgDataSearchForm"));
    setWindowTitle(QStringLiteral("指标查询"));
    auto *layout = new QHBoxLayout(this);
    auto *box = new QGroupBox(QStringLiteral("指标范围"), this);
    auto *grid = new QGridLayout(box);
    m_dataField = new TButtonBox(box);
    m_dataField->setObjectName(QStringLiteral("DataField"));
    m_dataField->setMinimumWidth(160);
    m_lc1 = operatorBox(QStringLiteral("lc1"), box);
    m_lc3 = operatorBox(QStringLiteral("lc3"), box);
    m_number1 = queryNumberBox(QStringLiteral("number1"), box);
    m_number2 = queryNumberBox(QStringLiteral("number2"), box);
    grid->addWidget(new QLabel(QStringLiteral("指标"), box), 0, 0);
    grid->addWidget(m_dataField, 0, 1, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("的范围："), box), 1, 0);
    grid->addWidget(m_lc1, 1, 1);
    grid->addWidget(m_number1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("且"), box), 1, 3);
    auto *second = new QHBoxLayout;
    second->addWidget(m_lc3);
    second->addWidget(m_number2);
    grid->addLayout(second, 1, 4);
    layout->addWidget(box, 1);

    auto *buttons = new QVBoxLayout;
    m_tbSum = dialogButton(QStringLiteral("查  找"), QStringLiteral("tbSum"), this);
    m_tbReturn = dialogButton(QStringLiteral("返  回"), QStringLiteral("tbReturn"), this);
    buttons->addWidget(m_tbSum);
    buttons->addWidget(m_tbReturn);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    connect(m_dataField, &TButtonBox::buttonClicked, this, &TdlgDataSearchForm::DataFieldButtonClick);
    connect(m_lc1, &TButtonBox::buttonClicked, this,
            [this] { ShowCodeMenuPlain(m_lc1, query::SearchConditions::operators()); });
    connect(m_lc3, &TButtonBox::buttonClicked, this,
            [this] { ShowCodeMenuPlain(m_lc3, query::SearchConditions::operators()); });
    connect(m_tbSum, &QToolButton::clicked, this, &TdlgDataSearchForm::tbSumClick);
    connect(m_tbReturn, &QToolButton::clicked, this, &QDialog::reject);
    setFixedSize(sizeHint());
}

void TdlgDataSearchForm::DataFieldButtonClick()
{
    TDataSearchCodeForm picker(m_session, this);
    if (picker.exec() == QDialog::Accepted)
        m_dataField->setText(picker.chosen());
}

void TdlgDataSearchForm::tbSumClick()
{
    QStringList columns;
    if (!runCommand(m_ui, [&] { columns = query::SearchConditions::searchableColumns(m_session.db()); }))
        return;
    const query::ConditionOutcome out = query::SearchConditions::indicator(
        m_dataField->text(), comparisonOf(m_lc1, m_number1), comparisonOf(m_lc3, m_number2), columns);
    if (!out.ok()) {
        m_ui.message(out.refusal);
        if (out.focus == query::ConditionOutcome::Focus::Number1)
            m_number1->setFocus();
        else
            m_dataField->button()->setFocus();
        return;
    }
    m_hooks.found(out.condition);
}

} // namespace tq::gui
