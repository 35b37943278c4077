#include "exchange/TdlgSaveListForm.h"

#include "app/AppPaths.h"
#include "app/CommandRunner.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "common/Error.h"
#include "common/Interaction.h"
#include "db/FieldCatalogue.h"
#include "exchange/CodeRangeBoxes.h"
#include "exchange/ExportRows.h"
#include "exchange/ListExport.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace tq::gui {

namespace {
const QString kNoGroup = QStringLiteral("     选择自定义分组");
}

TdlgSaveListForm::TdlgSaveListForm(Session &session, Settings &settings, Interaction &ui, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), m_session(session), m_settings(settings), m_ui(ui)
{
    setObjectName(QStringLiteral("TdlgSaveListForm"));
    setWindowTitle(QStringLiteral("选择导出数据的方式"));
    auto *layout = new QHBoxLayout(this);
    auto *left = new QVBoxLayout;
    m_tables = new QListWidget(this);
    m_tables->setObjectName(QStringLiteral("TableList"));
    m_tables->setMinimumSize(330, 250);
    left->addWidget(m_tables, 1);

    auto *box = new QGroupBox(QStringLiteral("导出的内容"), this);
    auto *grid = new QGridLayout(box);
    m_all = new QRadioButton(QStringLiteral("所有的数据"), box);
    m_all->setObjectName(QStringLiteral("AllRecord"));
    m_range = new QRadioButton(QStringLiteral("指定单位编号的范围"), box);
    m_range->setObjectName(QStringLiteral("Range"));
    m_group = new QRadioButton(box);
    m_group->setObjectName(QStringLiteral("radioGroup"));
    m_all->setChecked(true);
    grid->addWidget(m_all, 0, 0, 1, 2);
    grid->addWidget(m_range, 1, 0, 1, 2);
    CodeRangeBoxes boxes = CodeRangeBoxes::create(box, m_range);
    m_low = boxes.low;
    m_high = boxes.high;
    grid->addLayout(boxes.row, 2, 0, 1, 2);
    m_tbGroup = new QToolButton(box);
    m_tbGroup->setObjectName(QStringLiteral("tbGroup"));
    m_tbGroup->setText(kNoGroup);
    m_tbGroup->setPopupMode(QToolButton::InstantPopup);
    m_tbGroup->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_tbGroup->setMinimumWidth(220);
    m_groupMenu = new QMenu(m_tbGroup);
    m_tbGroup->setMenu(m_groupMenu);
    grid->addWidget(m_group, 3, 0);
    grid->addWidget(m_tbGroup, 3, 1, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);
    left->addWidget(box);
    m_checkBox1 = new QCheckBox(QStringLiteral("只导出显示的部分"), this);
    m_checkBox1->setObjectName(QStringLiteral("CheckBox1"));
    m_checkBox1->hide();
    m_checkBox1->setChecked(m_settings.readInteger(Settings::DataKey, QStringLiteral("CheckBox1"), 0) != 0);
    layout->addLayout(left, 1);

    auto *buttons = new QVBoxLayout;
    m_tbSave = dialogButton(QStringLiteral("导  出"), QStringLiteral("tbSave"), this);
    m_tbReturn = dialogButton(QStringLiteral("返  回"), QStringLiteral("tbReturn"), this);
    buttons->addWidget(m_tbSave);
    buttons->addWidget(m_tbReturn);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(m_tbSave, &QToolButton::clicked, this, &TdlgSaveListForm::tbSaveClick);
    connect(m_tbReturn, &QToolButton::clicked, this, &TdlgSaveListForm::tbReturnClick);
}

void TdlgSaveListForm::showEvent(QShowEvent *event)
{
    if (!m_shown)
        FormShow();
    QDialog::showEvent(event);
}

void TdlgSaveListForm::FormShow()
{
    m_shown = true;
    summary::SheetList entries;
    try {
        entries = summary::SheetList::read(AppPaths::inProgramDir(QStringLiteral("exporttable.tq")));
    } catch (const FileError &e) {
        m_ui.message(e.text());
        entries = exchange::ListExportQuery::builtInTables();
    }
    m_tables->clear();
    for (const summary::SheetListEntry &e : entries.entries()) {
        auto *item = new QListWidgetItem(e.text, m_tables);
        Qt::ItemFlags flags = Qt::ItemIsEnabled;
        if (e.selectable)
            flags |= Qt::ItemIsUserCheckable | Qt::ItemIsSelectable;
        item->setFlags(flags);
        item->setCheckState(e.state == summary::SheetListEntry::Ticked   ? Qt::Checked
                            : e.state == summary::SheetListEntry::Greyed ? Qt::PartiallyChecked
                                                                         : Qt::Unchecked);
    }

    m_items.clear();
    m_chosen.reset();
    m_groupMenu->clear();
    runCommand(m_ui, [&] { m_items = exchange::GroupRange::loadAll(m_session.db()); });
    const bool any = !m_items.empty();
    m_tbGroup->setEnabled(any);
    m_group->setEnabled(any);
    m_tbGroup->setText(kNoGroup);
    if (any) {
        m_chosen = m_items.front();
        m_tbGroup->setText(m_chosen->title);
    }
    for (const exchange::GroupRange &item : m_items) {
        QString caption = item.title;
        QAction *a = m_groupMenu->addAction(caption.replace(u'&', QLatin1String("&&")));
        const qint64 id = item.id;
        connect(a, &QAction::triggered, this, [this, id] { chooseGroup(id); });
    }
}

void TdlgSaveListForm::chooseGroup(qint64 id)
{
    // The item as the database holds it now.
    runCommand(m_ui, [&] {
        for (const exchange::GroupRange &item : exchange::GroupRange::loadAll(m_session.db())) {
            if (item.id == id) {
                m_chosen = item;
                m_tbGroup->setText(item.title);
                m_group->setChecked(true);
            }
        }
    });
}

void TdlgSaveListForm::setBusy(bool busy)
{
    for (QWidget *w : std::initializer_list<QWidget *>{m_all, m_range, m_group, m_low, m_high, m_tbSave, m_tbReturn})
        w->setEnabled(!busy);
    m_tbGroup->setEnabled(!busy && !m_items.empty());
    m_group->setEnabled(!busy && !m_items.empty());
}

std::optional<ListQuery> TdlgSaveListForm::exportQuery()
{
    QList<int> tables;
    for (int i = 0; i < m_tables->count(); ++i) {
        const QListWidgetItem *item = m_tables->item(i);
        if ((item->flags() & Qt::ItemIsUserCheckable) && item->checkState() == Qt::Checked)
            tables << i;
    }
    exchange::ListContent content;
    if (m_range->isChecked()) {
        const auto range = CodeRangeBoxes::resolve(m_low, m_high);
        if (!range) {
            m_ui.message(exchange::ListExportQuery::noRangeMessage());
            return std::nullopt;
        }
        content.addRange(*range);
    } else if (m_group->isChecked() && m_chosen) {
        content.addGroup(*m_chosen);
    }
    db::Database &db = m_session.db();
    const db::FieldCatalogue catalogue = db::FieldCatalogue::load(db);
    return exchange::ListExportQuery::build(
        exchange::ListExportQuery::fieldsOf(catalogue, db.columnNames(QStringLiteral("dt_data")), tables), content);
}

void TdlgSaveListForm::tbSaveClick()
{
    setBusy(true);
    try {
        if (const std::optional<ListQuery> query = exportQuery()) {
            exchange::StatementRows rows(m_session.db(), *query);
            exchange::ListExport(m_ui).SaveQueryAsExcel(rows, exchange::ListExportQuery::titleFor(m_session.label()),
                                                        exchange::ListExport::allColumns(rows));
        }
    } catch (const Error &e) {
        m_ui.progress().finish();
        m_ui.message(exchange::ListExport::errorMessage(e.text()));
    }
    setBusy(false);
}

void TdlgSaveListForm::tbReturnClick()
{
    m_settings.writeBool(Settings::DataKey, QStringLiteral("CheckBox1"), m_checkBox1->isChecked());
    accept();
}

} // namespace tq::gui
