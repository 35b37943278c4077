#include "exchange/TdlgDeleteForm.h"

#include "app/CommandRunner.h"
#include "app/RecordSelection.h"
#include "app/Session.h"
#include "common/Interaction.h"
#include "exchange/CodeRangeBoxes.h"
#include "exchange/RecordDeletion.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace tq::gui {

TdlgDeleteForm::TdlgDeleteForm(Session &session, Interaction &ui, Hooks hooks, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), m_session(session), m_ui(ui),
      m_hooks(std::move(hooks))
{
    setObjectName(QStringLiteral("TdlgDeleteForm"));
    setWindowTitle(QStringLiteral("选择删除的方式"));
    auto *layout = new QHBoxLayout(this);
    auto *box = new QGroupBox(QStringLiteral("删除的内容"), this);
    auto *grid = new QGridLayout(box);
    m_selected = new QRadioButton(QStringLiteral("选中的数据"), box);
    m_selected->setObjectName(QStringLiteral("Selected"));
    m_all = new QRadioButton(QStringLiteral("所有的数据"), box);
    m_all->setObjectName(QStringLiteral("AllRecord"));
    m_range = new QRadioButton(QStringLiteral("指定单位编号的范围"), box);
    m_range->setObjectName(QStringLiteral("Range"));
    m_selected->setChecked(true);
    grid->addWidget(m_selected, 0, 0);
    grid->addWidget(m_all, 0, 1);
    grid->addWidget(m_range, 1, 0, 1, 2);
    CodeRangeBoxes boxes = CodeRangeBoxes::create(box, m_range);
    m_low = boxes.low;
    m_high = boxes.high;
    grid->addLayout(boxes.row, 2, 0, 1, 2);
    layout->addWidget(box, 1);

    auto *buttons = new QVBoxLayout;
    m_tbDelete = dialogButton(QStringLiteral("删  除"), QStringLiteral("tbDelete"), this);
    m_tbReturn = dialogButton(QStringLiteral("返  回"), QStringLiteral("tbReturn"), this);
    buttons->addWidget(m_tbDelete);
    buttons->addWidget(m_tbReturn);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(m_tbDelete, &QToolButton::clicked, this, &TdlgDeleteForm::tbDeleteClick);
    connect(m_tbReturn, &QToolButton::clicked, this, &QDialog::reject);
    setFixedSize(sizeHint().expandedTo(QSize(400, 150)));
}

void TdlgDeleteForm::tbDeleteClick()
{
    if (m_selected->isChecked()) {
        if (m_hooks.deleteSelected)
            m_hooks.deleteSelected();
    } else {
        if (!m_ui.confirm(warning(), QStringLiteral("警告信息")))
            return;
        if (m_all->isChecked()) {
            runCommand(m_ui, [&] { exchange::RecordDeletion(m_session.db(), m_ui).deleteAll(); });
        } else {
            const auto range = CodeRangeBoxes::resolve(m_low, m_high);
            if (!range) {
                m_ui.message(QStringLiteral("请输入删除的范围"));
                return;
            }
            runCommand(m_ui, [&] { exchange::RecordDeletion(m_session.db(), m_ui).deleteRange(*range); });
        }
    }
    if (m_hooks.refreshList)
        m_hooks.refreshList();
}

} // namespace tq::gui
