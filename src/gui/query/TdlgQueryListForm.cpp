#include "query/TdlgQueryListForm.h"

#include "app/CommandRunner.h"
#include "app/RecordGrid.h"
#include "app/RecordListModel.h"
#include "app/Session.h"
#include "common/Error.h"
#include "common/Interaction.h"
#include "db/FieldCatalogue.h"
#include "exchange/CodeRangeBoxes.h"
#include "exchange/ExportRows.h"
#include "exchange/ListExport.h"
#include "exchange/RecordDeletion.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tq::gui {

TdlgQueryListForm::TdlgQueryListForm(Session &session, Interaction &ui, Hooks hooks, QWidget *parent)
    : QDialog(parent), m_session(session), m_ui(ui), m_hooks(std::move(hooks))
{
    setObjectName(QStringLiteral("TdlgQueryListForm"));
    setWindowTitle(QStringLiteral("查询结果列表"));
    resize(1100, 600);
    auto *layout = new QVBoxLayout(this);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("lblCount"));
    layout->addWidget(m_count);

    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    m_model = new RecordListModel(this);
    setUpRecordGrid(m_grid);
    m_grid->installEventFilter(this);
    layout->addWidget(m_grid, 1);

    auto *buttons = new QHBoxLayout;
    m_tbEdit = dialogButton(QStringLiteral("修改数据信息"), QStringLiteral("tbEdit"), this);
    m_tbDelete = dialogButton(QStringLiteral("删除数据信息"), QStringLiteral("tbDelete"), this);
    m_tbDataExport = dialogButton(QStringLiteral("导出查询结果"), QStringLiteral("tbDataExport"), this);
    m_tbReturn = dialogButton(QStringLiteral("返  回"), QStringLiteral("tbReturn"), this);
    auto *menu = new QMenu(m_tbDataExport);
    m_toAccess = menu->addAction(QStringLiteral("导出详细数据为Access文件"));
    m_toExcel = menu->addAction(QStringLiteral("导出结果列表为Excel文件"));
    m_tbDataExport->setMenu(menu);
    m_tbDataExport->setPopupMode(QToolButton::InstantPopup);
    buttons->addStretch(1);
    for (QToolButton *b : {m_tbEdit, m_tbDelete, m_tbDataExport, m_tbReturn})
        buttons->addWidget(b);
    layout->addLayout(buttons);

    connect(m_tbEdit, &QToolButton::clicked, this, &TdlgQueryListForm::tbEditClick);
    connect(m_tbDelete, &QToolButton::clicked, this, &TdlgQueryListForm::tbDeleteClick);
    connect(m_tbReturn, &QToolButton::clicked, this, &QDialog::reject);
    connect(m_toExcel, &QAction::triggered, this, &TdlgQueryListForm::exportExcel);
    connect(m_toAccess, &QAction::triggered, this, &TdlgQueryListForm::exportAccess);
    connect(m_grid, &QTableView::doubleClicked, this, &TdlgQueryListForm::tbEditClick);
    connect(m_grid->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        runCommand(m_ui, [&] { m_model->sortByColumn(section); });
        syncCurrentToGrid();
    });
}

TdlgQueryListForm::~TdlgQueryListForm() = default;

void TdlgQueryListForm::buildColumns(const db::FieldCatalogue &catalogue)
{
    // The visible catalogue fields in the order of their names.
    std::vector<const db::CatalogueField *> fields;
    for (const db::CatalogueField &f : catalogue.fields()) {
        if (f.visible)
            fields.push_back(&f);
    }
    std::stable_sort(fields.begin(), fields.end(), [](const db::CatalogueField *a, const db::CatalogueField *b) {
        return a->fieldName.compare(b->fieldName, Qt::CaseInsensitive) < 0;
    });
    std::vector<RecordListModel::Column> columns;
    for (const db::CatalogueField *f : fields) {
        RecordListModel::Column c;
        c.field = f->showName;
        c.hint = f->hint;
        c.width = f->fieldWidth;
        c.centred = f->showName.compare(QLatin1String("RecordState"), Qt::CaseInsensitive) == 0;
        columns.push_back(std::move(c));
    }
    m_model->setColumns(std::move(columns));
    // The list opens in code order: the first title is marked as the sorted one.
    if (!fields.empty())
        m_model->sortState().markSorted(0, 1);
}

void TdlgQueryListForm::open(const query::SqlCondition &condition)
{
    const QString clause = condition.clause.isEmpty() ? QString() : condition.clause + u' ';
    const db::FieldCatalogue catalogue = db::FieldCatalogue::load(m_session.db());
    // The rows of view_data the condition finds, with the columns the list
    // shows: the editor walks them by code and the export writes the shown
    // columns; reading the other two hundred would only cost time.
    m_list.setQuery(RecordList::surveyListQuery(m_session.db(), catalogue, condition.clause, condition.params));
    m_detail = ListQuery(QStringLiteral("SELECT * from dt_data ") + clause + QStringLiteral("order by c901 asc"),
                         condition.params);
    buildColumns(catalogue);
    m_list.open(m_session.db());
    m_model->attach(&m_list);
    showRecordModel(m_grid, m_model, m_list, this);
    refresh();
}

void TdlgQueryListForm::refresh()
{
    m_count->setText(QStringLiteral("符合条件的数据总数：") + QString::number(m_list.rowCount()));
    syncCurrentToGrid();
}

void TdlgQueryListForm::syncCurrentToGrid()
{
    if (m_list.currentRow() < 0 || !m_grid->selectionModel())
        return;
    const QModelIndex at = m_model->index(m_list.currentRow(), 0);
    m_grid->selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_grid->scrollTo(at);
}

void TdlgQueryListForm::showCurrentKeepingMarks()
{
    if (m_list.currentRow() < 0 || !m_grid->selectionModel())
        return;
    const QModelIndex at = m_model->index(m_list.currentRow(), 0);
    m_grid->selectionModel()->setCurrentIndex(at, QItemSelectionModel::NoUpdate);
    m_grid->scrollTo(at);
}

QList<qint64> TdlgQueryListForm::markedCodes() const
{
    QList<qint64> codes;
    if (!m_grid->selectionModel())
        return codes;
    // In the order the rows were marked.
    for (const QModelIndex &i : m_grid->selectionModel()->selectedRows())
        codes << m_list.codeAt(i.row());
    return codes;
}

void TdlgQueryListForm::tbEditClick()
{
    if (!m_list.isOpen() || m_list.isEmpty() || !m_hooks.editRecords)
        return;
    m_hooks.editRecords(m_list);
    runCommand(m_ui, [&] { m_list.requery(m_session.db()); });
    m_model->reload();
    refresh();
}

void TdlgQueryListForm::tbDeleteClick()
{
    const QList<qint64> marked = markedCodes();
    runCommand(m_ui, [&] {
        exchange::RecordDeletion(m_session.db(), m_ui)
            .DeleteSelectedRecords(m_list, marked, QStringLiteral("dt_data"), QStringLiteral("c901"),
                                   [this](bool reread) {
                                       if (reread) {
                                           m_model->reload();
                                           syncCurrentToGrid();
                                       } else {
                                           showCurrentKeepingMarks();
                                       }
                                   });
    });
    refresh();
}

void TdlgQueryListForm::exportExcel()
{
    if (!m_list.isOpen())
        return;
    // The columns of the grid, captioned as their titles without the sort mark.
    QList<exchange::ExportColumn> columns;
    for (int c = 0; c < m_model->columnCount(); ++c) {
        QString caption = m_model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        if (caption.endsWith(QStringLiteral("▲")) || caption.endsWith(QStringLiteral("▼")))
            caption.chop(1);
        // A column the list has not read (no such column in view_data) stays out.
        const auto &column = m_model->columns()[std::size_t(c)];
        columns.append({column.field, caption, column.resultColumn >= 0});
    }
    try {
        exchange::RecordListRows rows(m_session.db(), m_list);
        exchange::ListExport(m_ui).SaveQueryAsExcel(rows, exportTitle(), columns);
    } catch (const Error &e) {
        m_ui.message(exchange::ListExport::errorMessage(e.text()));
    }
}

void TdlgQueryListForm::exportAccess()
{
    exchange::ListExport(m_ui).SaveQueryAsAccess(m_session.db(), m_detail, exportTitle());
}

bool TdlgQueryListForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_grid && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        auto *key = static_cast<QKeyEvent *>(event);
        // A key acts on its release, and only when it was pressed here too.
        if (event->type() == QEvent::KeyPress) {
            if (!key->isAutoRepeat())
                m_pressed = key->key();
        } else if (!key->isAutoRepeat()) {
            const bool pressedHere = m_pressed == key->key();
            m_pressed = 0;
            if (pressedHere && key->modifiers() == Qt::NoModifier) {
                if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                    tbEditClick();
                    return true;
                }
                if (key->key() == Qt::Key_Delete) {
                    tbDeleteClick();
                    return true;
                }
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace tq::gui
