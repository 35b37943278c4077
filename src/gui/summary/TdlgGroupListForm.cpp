#include "summary/TdlgGroupListForm.h"

#include "app/CommandRunner.h"
#include "common/Interaction.h"
#include "summary/TdlgGroupItemForm.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace tq::gui {

TdlgGroupListForm::TdlgGroupListForm(db::Database &db, Interaction &ui, Hooks hooks, QWidget *parent)
    : QDialog(parent), m_db(db), m_ui(ui), m_hooks(std::move(hooks))
{
    setObjectName(QStringLiteral("TdlgGroupListForm"));
    setWindowTitle(QStringLiteral("自定义分组列表"));
    runEditor = [](TdlgGroupItemForm &editor) { editor.exec(); };

    auto *layout = new QVBoxLayout(this);
    m_grid = new QTableWidget(0, 1, this);
    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    m_grid->setHorizontalHeaderLabels({QStringLiteral("名称")});
    m_grid->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_grid->verticalHeader()->hide();
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(m_grid, 1);

    auto *buttons = new QHBoxLayout;
    m_tbAdd = groupButton(QStringLiteral("tbAdd"), QStringLiteral("增  加"), this);
    m_tbRemove = groupButton(QStringLiteral("tbRemove"), QStringLiteral("除  去"), this);
    m_tbEdit = groupButton(QStringLiteral("tbEdit"), QStringLiteral("修  改"), this);
    m_btnImport = groupButton(QStringLiteral("btnImport"), QStringLiteral("导  入"), this);
    m_btnExport = groupButton(QStringLiteral("btnExport"), QStringLiteral("导  出"), this);
    m_btnReturn = groupButton(QStringLiteral("btnReturn"), QStringLiteral("返  回"), this);
    for (QToolButton *b : {m_tbAdd, m_tbRemove, m_tbEdit, m_btnImport, m_btnExport, m_btnReturn})
        buttons->addWidget(b);
    layout->addLayout(buttons);

    connect(m_tbAdd, &QToolButton::clicked, this, &TdlgGroupListForm::tbAddClick);
    connect(m_tbRemove, &QToolButton::clicked, this, &TdlgGroupListForm::tbRemoveClick);
    connect(m_tbEdit, &QToolButton::clicked, this, &TdlgGroupListForm::tbEditClick);
    connect(m_grid, &QTableWidget::cellDoubleClicked, this, &TdlgGroupListForm::tbEditClick);
    connect(m_btnImport, &QToolButton::clicked, this, &TdlgGroupListForm::btnImportClick);
    connect(m_btnExport, &QToolButton::clicked, this, &TdlgGroupListForm::btnExportClick);
    connect(m_btnReturn, &QToolButton::clicked, this, &QDialog::accept);

    readGroupings();
    resize(520, 360);
}

void TdlgGroupListForm::readGroupings(qint64 selectId)
{
    runCommand(m_ui, [&] { m_groupings = summary::GroupStore(m_db).groupings(); });
    m_grid->setRowCount(int(m_groupings.size()));
    int select = m_groupings.empty() ? -1 : 0;
    for (int r = 0; r < int(m_groupings.size()); ++r) {
        m_grid->setItem(r, 0, new QTableWidgetItem(m_groupings[std::size_t(r)].name));
        if (m_groupings[std::size_t(r)].id == selectId)
            select = r;
    }
    if (select >= 0)
        m_grid->setCurrentCell(select, 0);
    updateButtons();
}

qint64 TdlgGroupListForm::currentId() const
{
    const int row = m_grid->currentRow();
    return row >= 0 && row < int(m_groupings.size()) ? m_groupings[std::size_t(row)].id : 0;
}

void TdlgGroupListForm::updateButtons()
{
    const bool rows = !m_groupings.empty();
    m_tbRemove->setEnabled(rows);
    m_tbEdit->setEnabled(rows);
}

void TdlgGroupListForm::openEditor(qint64 id, const QString &name)
{
    TdlgGroupItemForm editor(m_db, m_ui, id, name, this);
    // A new name shows in the list at once.
    editor.setRenamed([this, id] { readGroupings(id); });
    runEditor(editor);
    readGroupings(id);
}

void TdlgGroupListForm::tbAddClick()
{
    QString name;
    while (name.isEmpty()) {
        const auto answer =
            m_ui.inputText(QStringLiteral("自定义分组"), QStringLiteral("输入本种分组方式的名称"), QString());
        if (!answer)
            return;
        name = answer->left(255);
    }
    qint64 id = 0;
    if (!runCommand(m_ui, [&] { id = summary::GroupStore(m_db).addGrouping(name); }))
        return;
    readGroupings(id);
    openEditor(id, name);
}

void TdlgGroupListForm::tbRemoveClick()
{
    const qint64 id = currentId();
    if (m_groupings.empty() || !m_ui.confirm(QStringLiteral("数据将被彻底删除，确认么？")))
        return;
    runCommand(m_ui, [&] { summary::GroupStore(m_db).removeGrouping(id); });
    readGroupings();
}

void TdlgGroupListForm::tbEditClick()
{
    const int row = m_grid->currentRow();
    if (row < 0 || row >= int(m_groupings.size()))
        return;
    const summary::Grouping g = m_groupings[std::size_t(row)];
    openEditor(g.id, g.name);
}

void TdlgGroupListForm::btnImportClick()
{
    if (m_hooks.importGroups)
        m_hooks.importGroups();
    readGroupings(currentId());
}

void TdlgGroupListForm::btnExportClick()
{
    if (m_hooks.exportGroups)
        m_hooks.exportGroups();
}

} // namespace tq::gui
