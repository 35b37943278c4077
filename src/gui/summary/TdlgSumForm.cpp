#include "summary/TdlgSumForm.h"

#include "app/CommandRunner.h"
#include "common/Error.h"
#include "common/Interaction.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace tq::gui {

namespace {

constexpr int kSelectableRole = Qt::UserRole + 1;

Qt::CheckState checkState(int state)
{
    return state == summary::SheetListEntry::Ticked   ? Qt::Checked
           : state == summary::SheetListEntry::Greyed ? Qt::PartiallyChecked
                                                      : Qt::Unchecked;
}

} // namespace

TdlgSumForm::TdlgSumForm(db::Database &db, Interaction &ui, QString listPath, QString templatePath, QWidget *parent)
    : QDialog(parent), m_db(db), m_ui(ui), m_listPath(std::move(listPath)), m_templatePath(std::move(templatePath))
{
    setObjectName(QStringLiteral("TdlgSumForm"));
    setWindowTitle(QStringLiteral("数据分类汇总"));
    auto *layout = new QHBoxLayout(this);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("TableList"));
    layout->addWidget(m_list, 1);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &TdlgSumForm::tickGroupAt);

    auto *side = new QVBoxLayout;
    auto *b1 = new QPushButton(QStringLiteral("全部选中"), this);
    b1->setObjectName(QStringLiteral("Button1"));
    auto *b2 = new QPushButton(QStringLiteral("全部不选"), this);
    b2->setObjectName(QStringLiteral("Button2"));
    side->addWidget(b1);
    side->addWidget(b2);
    connect(b1, &QPushButton::clicked, this, &TdlgSumForm::Button1Click);
    connect(b2, &QPushButton::clicked, this, &TdlgSumForm::Button2Click);

    auto *sumType = new QGroupBox(QStringLiteral("汇总方式"), this);
    sumType->setObjectName(QStringLiteral("SumType"));
    auto *typeLayout = new QVBoxLayout(sumType);
    m_byLevel = new QRadioButton(QStringLiteral("按照工会层次"), sumType);
    m_byGroup = new QRadioButton(sumType);
    m_byGroup->setAccessibleName(QStringLiteral("选择自定义分组"));
    auto *choices = new QButtonGroup(this);
    choices->addButton(m_byLevel, 0);
    choices->addButton(m_byGroup, 1);
    m_byLevel->setChecked(true);
    typeLayout->addWidget(m_byLevel);
    auto *groupRow = new QHBoxLayout;
    groupRow->addWidget(m_byGroup);
    m_tbGroup = new QToolButton(sumType);
    m_tbGroup->setObjectName(QStringLiteral("tbGroup"));
    m_tbGroup->setText(QStringLiteral("     选择自定义分组"));
    m_tbGroup->setPopupMode(QToolButton::MenuButtonPopup);
    m_tbGroup->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_tbGroup->setMinimumWidth(170);
    m_menu = new QMenu(m_tbGroup);
    m_tbGroup->setMenu(m_menu);
    groupRow->addWidget(m_tbGroup, 1);
    typeLayout->addLayout(groupRow);
    side->addWidget(sumType);
    // Clicking the grouping button or opening its menu means "by grouping".
    connect(m_tbGroup, &QToolButton::clicked, this, [this] { m_byGroup->setChecked(true); });
    connect(m_menu, &QMenu::aboutToShow, this, [this] { m_byGroup->setChecked(true); });

    side->addStretch();
    m_tbSum = new QToolButton(this);
    m_tbSum->setObjectName(QStringLiteral("tbSum"));
    m_tbSum->setText(QStringLiteral("汇  总"));
    m_tbSum->setToolTip(QStringLiteral("执行汇总"));
    m_tbReturn = new QToolButton(this);
    m_tbReturn->setObjectName(QStringLiteral("tbReturn"));
    m_tbReturn->setText(QStringLiteral("返  回"));
    for (QToolButton *b : {m_tbSum, m_tbReturn}) {
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        side->addWidget(b);
    }
    connect(m_tbSum, &QToolButton::clicked, this, &TdlgSumForm::tbSumClick);
    connect(m_tbReturn, &QToolButton::clicked, this, &QDialog::accept);
    layout->addLayout(side);

    // The list as it was left last time; without its file, the built-in one.
    summary::SheetList list = summary::SheetList::builtIn();
    try {
        list = summary::SheetList::read(m_listPath);
    } catch (const Error &e) {
        m_ui.message(e.text());
    }
    showList(list);
    readGroupings();
    resize(620, 520);
}

void TdlgSumForm::showList(const summary::SheetList &list)
{
    m_list->clear();
    for (const summary::SheetListEntry &e : list.entries()) {
        auto *item = new QListWidgetItem(e.text, m_list);
        item->setData(kSelectableRole, e.selectable);
        if (e.selectable) {
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            item->setCheckState(checkState(e.state));
        } else {
            // A group header: drawn apart, never ticked itself.
            item->setFlags(Qt::ItemIsEnabled);
            QFont f = item->font();
            f.setBold(true);
            item->setFont(f);
            item->setBackground(palette().alternateBase());
        }
    }
}

summary::SheetList TdlgSumForm::sheetList() const
{
    summary::SheetList list;
    for (int i = 0; i < m_list->count(); ++i) {
        const QListWidgetItem *item = m_list->item(i);
        summary::SheetListEntry e;
        e.text = item->text();
        e.selectable = item->data(kSelectableRole).toBool();
        if (e.selectable)
            e.state = item->checkState() == Qt::Checked            ? summary::SheetListEntry::Ticked
                      : item->checkState() == Qt::PartiallyChecked ? summary::SheetListEntry::Greyed
                                                                   : summary::SheetListEntry::Unticked;
        list.entries().push_back(e);
    }
    return list;
}

summary::SummaryMode TdlgSumForm::mode() const
{
    return m_byGroup->isChecked() ? summary::SummaryMode::ByGroup : summary::SummaryMode::ByLevel;
}

void TdlgSumForm::readGroupings()
{
    m_menu->clear();
    std::vector<summary::Grouping> groupings;
    std::vector<qint64> counts;
    runCommand(m_ui, [&] {
        summary::GroupStore store(m_db);
        groupings = store.groupings();
        for (const summary::Grouping &g : groupings)
            counts.push_back(store.itemCount(g.id));
    });
    const bool any = !groupings.empty() && counts.size() == groupings.size();
    m_tbGroup->setEnabled(any);
    m_byGroup->setEnabled(any);
    if (!any)
        return;
    m_groupId = groupings.front().id;
    m_tbGroup->setText(groupings.front().name);
    for (std::size_t i = 0; i < groupings.size(); ++i) {
        QAction *a = m_menu->addAction(groupings[i].name);
        // A grouping without ranges would fill no rows.
        a->setEnabled(counts[i] > 0);
        const qint64 id = groupings[i].id;
        connect(a, &QAction::triggered, this, [this, id] { chooseGrouping(id); });
    }
}

void TdlgSumForm::chooseGrouping(qint64 id)
{
    runCommand(m_ui, [&] {
        for (const summary::Grouping &g : summary::GroupStore(m_db).groupings())
            if (g.id == id) {
                m_groupId = g.id;
                m_tbGroup->setText(g.name);
            }
    });
    m_byGroup->setChecked(true);
}

void TdlgSumForm::tickGroupAt(QListWidgetItem *item)
{
    if (!item || item->data(kSelectableRole).toBool())
        return;
    for (int i = m_list->row(item) + 1; i < m_list->count(); ++i) {
        QListWidgetItem *entry = m_list->item(i);
        if (!entry->data(kSelectableRole).toBool())
            break;
        entry->setCheckState(Qt::Checked);
    }
}

void TdlgSumForm::Button1Click()
{
    for (int i = 0; i < m_list->count(); ++i)
        if (m_list->item(i)->data(kSelectableRole).toBool())
            m_list->item(i)->setCheckState(Qt::Checked);
}

void TdlgSumForm::Button2Click()
{
    for (int i = 0; i < m_list->count(); ++i)
        if (m_list->item(i)->data(kSelectableRole).toBool())
            m_list->item(i)->setCheckState(Qt::Unchecked);
}

void TdlgSumForm::tbSumClick()
{
    const summary::SheetList list = sheetList();
    const summary::SummaryMode how = mode();
    const qint64 group = how == summary::SummaryMode::ByGroup ? m_groupId : 0;
    // The progress window lets clicks through to this dialog; one run at a time.
    if (m_running)
        return;
    m_running = true;
    setEnabled(false);
    runCommand(m_ui, [&] { summary::SummaryWorkbook(m_db, m_ui, m_templatePath).RunSummary(list, how, group); });
    setEnabled(true);
    m_running = false;
}

void TdlgSumForm::done(int result)
{
    if (m_running)
        return;
    // The ticks are kept for the next run; a list file that cannot be
    // written is reported, and the dialog closes all the same.
    if (!m_saved) {
        m_saved = true;
        try {
            sheetList().write(m_listPath);
        } catch (const Error &e) {
            m_ui.message(e.text());
        }
    }
    QDialog::done(result);
}

} // namespace tq::gui
