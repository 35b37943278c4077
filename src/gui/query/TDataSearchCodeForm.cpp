#include "query/TDataSearchCodeForm.h"

#include "app/Session.h"
#include "common/Error.h"
#include "db/ResultSet.h"
#include "exchange/CodeRangeBoxes.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace tq::gui {

namespace {

QTableWidget *codeGrid(const QString &title, const QString &name, QWidget *parent)
{
    auto *g = new QTableWidget(0, 1, parent);
    g->setObjectName(name);
    g->setHorizontalHeaderLabels({title});
    g->horizontalHeader()->setStretchLastSection(true);
    g->verticalHeader()->hide();
    g->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    g->verticalHeader()->setDefaultSectionSize(g->fontMetrics().height() + 8);
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return g;
}

void addRow(QTableWidget *grid, const QString &text, const QVariant &data)
{
    const int row = grid->rowCount();
    grid->insertRow(row);
    auto *item = new QTableWidgetItem(text);
    item->setData(Qt::UserRole, data);
    grid->setItem(row, 0, item);
}

} // namespace

TDataSearchCodeForm::TDataSearchCodeForm(Session &session, QWidget *parent) : QDialog(parent), m_session(session)
{
    setObjectName(QStringLiteral("TDataSearchCodeForm"));
    setWindowTitle(QStringLiteral("选择指标"));
    resize(640, 420);
    auto *layout = new QVBoxLayout(this);
    auto *grids = new QHBoxLayout;
    m_tables = codeGrid(QStringLiteral("表"), QStringLiteral("DBGrid1"), this);
    m_indicators = codeGrid(QStringLiteral("指标"), QStringLiteral("DBGrid2"), this);
    grids->addWidget(m_tables, 2);
    grids->addWidget(m_indicators, 3);
    layout->addLayout(grids, 1);
    auto *buttons = new QHBoxLayout;
    m_tbOK = dialogButton(QStringLiteral("确认"), QStringLiteral("tbOK"), this);
    m_tbCancel = dialogButton(QStringLiteral("取消"), QStringLiteral("tbCancel"), this);
    buttons->addStretch(1);
    buttons->addWidget(m_tbOK);
    buttons->addWidget(m_tbCancel);
    layout->addLayout(buttons);

    try {
        const db::ResultSet rs = db::ResultSet::run(
            m_session.db(),
            QStringLiteral("SELECT CodeID, CodeName FROM ct_sheetName WHERE CodeID>=0 ORDER BY CodeID"));
        for (int r = 0; r < rs.rowCount(); ++r)
            addRow(m_tables, rs.text(r, 1), rs.intValue(r, 0));
    } catch (const Error &) {
        // without the table list the indicators of table 0 are all there is
    }
    // A click and the arrow keys both move the current row.
    connect(m_tables, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (QTableWidgetItem *item = m_tables->item(row, 0))
            showTable(item->data(Qt::UserRole).toInt());
    });
    connect(m_indicators, &QTableWidget::cellDoubleClicked, this, &TDataSearchCodeForm::tbOKClick);
    connect(m_tbOK, &QToolButton::clicked, this, &TDataSearchCodeForm::tbOKClick);
    connect(m_tbCancel, &QToolButton::clicked, this, &QDialog::reject);
}

void TDataSearchCodeForm::showEvent(QShowEvent *event)
{
    // No table is chosen until one is clicked: table 0 has no indicators.
    {
        const QSignalBlocker block(m_tables);
        m_tables->setCurrentCell(-1, -1);
    }
    showTable(0);
    QDialog::showEvent(event);
    // Entering the table list would choose its first table at once.
    m_indicators->setFocus();
}

void TDataSearchCodeForm::showTable(int number)
{
    m_table = number;
    m_indicators->setRowCount(0);
    try {
        const db::ResultSet rs = db::ResultSet::run(
            m_session.db(), QStringLiteral("Select * from view_datasearch where PageID=? order by sequence"), {number});
        const int name = rs.requireColumn(QStringLiteral("CodeName"));
        const int hint = rs.columnIndex(QStringLiteral("Hint"));
        for (int r = 0; r < rs.rowCount(); ++r) {
            addRow(m_indicators, rs.text(r, name), QVariant());
            if (hint >= 0)
                m_indicators->item(r, 0)->setToolTip(rs.text(r, hint));
        }
    } catch (const Error &) {
        // an unreadable list offers nothing to choose
    }
    if (m_indicators->rowCount() > 0)
        m_indicators->setCurrentCell(0, 0);
}

void TDataSearchCodeForm::tbOKClick()
{
    const QTableWidgetItem *item = m_indicators->currentItem();
    if (!item)
        return;
    m_chosen = item->text().trimmed();
    accept();
}

} // namespace tq::gui
