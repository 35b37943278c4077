#include "entry/TCityNameForm.h"

#include "db/Database.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tq::gui {

namespace {

enum Role { RoleId = Qt::UserRole, RoleCode1, RoleCode2, RoleCode3, RoleCombName };

const QString kColumns = QStringLiteral("select ID, Code1, Code2, Code3, Name, CombName from CT_CityName ");

QTableWidget *makeGrid(const QString &name, QWidget *parent)
{
    auto *grid = new QTableWidget(parent);
    grid->setObjectName(name);
    grid->setColumnCount(1);
    grid->setHorizontalHeaderLabels({QStringLiteral("Name")});
    grid->horizontalHeader()->setVisible(false);
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->verticalHeader()->setVisible(false);
    grid->verticalHeader()->setDefaultSectionSize(20);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setMinimumSize(200, 320);
    return grid;
}

bool isArrow(int key)
{
    return key == Qt::Key_Left || key == Qt::Key_Up || key == Qt::Key_Right || key == Qt::Key_Down;
}

} // namespace

TCityNameForm::TCityNameForm(db::Database &db, qint64 startId, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), m_db(db)
{
    setObjectName(QStringLiteral("TCityNameForm"));
    setWindowTitle(QStringLiteral("中华人民共和国行政区划"));

    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto *grids = new QGridLayout;
    m_grid1 = makeGrid(QStringLiteral("CityName1"), this);
    m_grid2 = makeGrid(QStringLiteral("CityName2"), this);
    m_grid3 = makeGrid(QStringLiteral("CityName3"), this);
    grids->addWidget(new QLabel(QStringLiteral("省级地区"), this), 0, 0);
    grids->addWidget(new QLabel(QStringLiteral("地市及直辖市所属区县"), this), 0, 1);
    grids->addWidget(new QLabel(QStringLiteral("县、市辖区、县级市、旗"), this), 0, 2);
    grids->addWidget(m_grid1, 1, 0);
    grids->addWidget(m_grid2, 1, 1);
    grids->addWidget(m_grid3, 1, 2);
    layout->addLayout(grids);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(
        new QLabel(QStringLiteral("说明：基于国家统计局2008年12月31日公布的《中华人民共和国行政区划代码》编排"), this),
        1);
    m_ok = new QPushButton(QStringLiteral("确认选择"), this);
    m_ok->setObjectName(QStringLiteral("tbOK"));
    m_ok->setAutoDefault(false);
    m_cancel = new QPushButton(QStringLiteral("取消选择"), this);
    m_cancel->setObjectName(QStringLiteral("tbCancel"));
    m_cancel->setAutoDefault(false);
    bottom->addWidget(m_ok);
    bottom->addWidget(m_cancel);
    layout->addLayout(bottom);

    connect(m_grid1, &QTableWidget::cellClicked, this, [this](int row) { provinceChosen(row); });
    connect(m_grid2, &QTableWidget::cellClicked, this, [this](int row) { cityChosen(row); });
    connect(m_grid3, &QTableWidget::cellDoubleClicked, this, [this](int row) { countyChosen(row); });
    connect(m_ok, &QPushButton::clicked, this, &TCityNameForm::tbOKClick);
    connect(m_cancel, &QPushButton::clicked, this, &TCityNameForm::tbCancelClick);
    m_grid1->installEventFilter(this);
    m_grid2->installEventFilter(this);

    if (startId > 0)
        m_id = startId;
    fillProvinces();
    m_p = int(m_id / 10000);
    m_c = int(m_id % 10000 / 100);
    m_k = int(m_id % 100);
    // A code the table does not hold starts on the first row of each grid,
    // and the next grid follows that row rather than the unknown number.
    locate(m_grid1, m_p, 0, 0, false, false);
    m_p = codeOf(m_grid1, m_grid1->currentRow(), RoleCode1);
    fillCities();
    fillCounties();
}

void TCityNameForm::fill(QTableWidget *grid, const QString &sql, const QVariantList &params)
{
    grid->setRowCount(0);
    db::Statement st = m_db.prepare(kColumns + sql);
    st.bindAll(params);
    int row = 0;
    while (st.step()) {
        grid->setRowCount(row + 1);
        auto *item = new QTableWidgetItem(st.textValue(4));
        item->setData(RoleId, st.intValue(0));
        item->setData(RoleCode1, int(st.intValue(1)));
        item->setData(RoleCode2, int(st.intValue(2)));
        item->setData(RoleCode3, int(st.intValue(3)));
        item->setData(RoleCombName, st.textValue(5));
        grid->setItem(row, 0, item);
        ++row;
    }
}

bool TCityNameForm::locate(QTableWidget *grid, int code1, int code2, int code3, bool useCode2, bool useCode3)
{
    for (int row = 0; row < grid->rowCount(); ++row) {
        const QTableWidgetItem *item = grid->item(row, 0);
        if (item->data(RoleCode1).toInt() == code1 && (!useCode2 || item->data(RoleCode2).toInt() == code2) &&
            (!useCode3 || item->data(RoleCode3).toInt() == code3)) {
            grid->setCurrentCell(row, 0);
            grid->scrollToItem(grid->item(row, 0));
            return true;
        }
    }
    if (grid->rowCount() > 0)
        grid->setCurrentCell(0, 0);
    return false;
}

int TCityNameForm::codeOf(QTableWidget *grid, int row, int part)
{
    if (row < 0 || row >= grid->rowCount())
        return 0;
    return grid->item(row, 0)->data(part).toInt();
}

void TCityNameForm::fillProvinces()
{
    fill(m_grid1, QStringLiteral("where Code2=0 order by Code1, Code2, Code3"), {});
}

void TCityNameForm::fillCities()
{
    fill(m_grid2, QStringLiteral("where Code1=? and Code2<>0 and Code3=0 order by Code2"), {m_p});
    if (!locate(m_grid2, m_p, m_c, 0, true, false))
        m_c = codeOf(m_grid2, m_grid2->currentRow(), RoleCode2);
}

void TCityNameForm::fillCounties()
{
    fill(m_grid3, QStringLiteral("where Code1=? and Code2=? order by Code3"), {m_p, m_c});
    if (!locate(m_grid3, m_p, m_c, m_k, true, true))
        m_k = codeOf(m_grid3, m_grid3->currentRow(), RoleCode3);
}

void TCityNameForm::provinceChosen(int row)
{
    if (row < 0 || row >= m_grid1->rowCount())
        return;
    m_p = codeOf(m_grid1, row, RoleCode1);
    m_c = 1;
    m_k = 0;
    fillCities();
    fillCounties();
}

void TCityNameForm::cityChosen(int row)
{
    if (row < 0 || row >= m_grid2->rowCount())
        return;
    m_p = codeOf(m_grid1, m_grid1->currentRow(), RoleCode1);
    m_c = codeOf(m_grid2, row, RoleCode2);
    m_k = 0;
    fillCounties();
}

void TCityNameForm::countyChosen(int row)
{
    // With nothing to choose from, OK has nothing to take.
    if (row < 0 || row >= m_grid3->rowCount())
        return;
    const QTableWidgetItem *item = m_grid3->item(row, 0);
    m_id = item->data(RoleId).toLongLong();
    m_combName = item->data(RoleCombName).toString().trimmed();
    accept();
}

void TCityNameForm::tbOKClick()
{
    countyChosen(m_grid3->currentRow());
}

void TCityNameForm::tbCancelClick()
{
    reject();
}

bool TCityNameForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyRelease && isArrow(static_cast<QKeyEvent *>(event)->key())) {
        if (watched == m_grid1)
            provinceChosen(m_grid1->currentRow());
        else if (watched == m_grid2)
            cityChosen(m_grid2->currentRow());
    }
    return QDialog::eventFilter(watched, event);
}

void TCityNameForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
}

} // namespace tq::gui
