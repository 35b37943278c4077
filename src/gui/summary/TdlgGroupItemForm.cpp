#include "summary/TdlgGroupItemForm.h"

#include "app/CommandRunner.h"
#include "common/Interaction.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace tq::gui {

QToolButton *groupButton(const QString &name, const QString &text, QWidget *parent)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(text);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setMinimumWidth(80);
    return b;
}

namespace {

std::optional<qint64> number(const QLineEdit *edit)
{
    bool ok = false;
    const qint64 v = edit->text().trimmed().toLongLong(&ok);
    return ok ? std::optional<qint64>(v) : std::nullopt;
}

void selectSymbol(QComboBox *box, const QString &symbol)
{
    const int at = box->findText(symbol.trimmed());
    box->setCurrentIndex(at >= 0 ? at : 0);
}

} // namespace

TdlgGroupItemForm::TdlgGroupItemForm(db::Database &db, Interaction &ui, qint64 groupId, const QString &name,
                                     QWidget *parent)
    : QDialog(parent), m_db(db), m_ui(ui), m_groupId(groupId)
{
    setObjectName(QStringLiteral("TdlgGroupItemForm"));
    setWindowTitle(QStringLiteral("自定义分组"));
    auto *layout = new QVBoxLayout(this);

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("数据组名："), this));
    m_groupName = new QLineEdit(name, this);
    m_groupName->setObjectName(QStringLiteral("GroupName"));
    m_groupName->setMaxLength(255);
    top->addWidget(m_groupName, 1);
    m_tbSave = groupButton(QStringLiteral("tbSave"), QStringLiteral("保  存"), this);
    top->addWidget(m_tbSave);
    layout->addLayout(top);

    m_grid = new QTableWidget(0, 3, this);
    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    m_grid->setHorizontalHeaderLabels(
        {QStringLiteral("数据项目名称"), QStringLiteral("编号下限"), QStringLiteral("编号上限")});
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_grid->setColumnWidth(1, 110);
    m_grid->setColumnWidth(2, 110);
    m_grid->installEventFilter(this);
    layout->addWidget(m_grid, 1);

    auto *fields = new QGridLayout;
    const QRegularExpression whole(QStringLiteral("-?\\d{0,12}"));
    fields->addWidget(new QLabel(QStringLiteral("数据项目名称："), this), 0, 0);
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("name"));
    m_name->setMaxLength(255);
    fields->addWidget(m_name, 0, 1, 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("编号下限："), this), 1, 0);
    m_leftSymbol = new QComboBox(this);
    m_leftSymbol->setObjectName(QStringLiteral("LeftSymbol"));
    for (int i = 0; i < summary::GroupStore::lowSymbols().size(); ++i)
        m_leftSymbol->addItem(summary::GroupStore::lowSymbols()[i], i + 1);
    fields->addWidget(m_leftSymbol, 1, 1);
    m_low = new QLineEdit(this);
    m_low->setObjectName(QStringLiteral("LowBoundary"));
    m_low->setValidator(new QRegularExpressionValidator(whole, m_low));
    fields->addWidget(m_low, 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("编号上限："), this), 2, 0);
    m_rightSymbol = new QComboBox(this);
    m_rightSymbol->setObjectName(QStringLiteral("RightSymbol"));
    for (int i = 0; i < summary::GroupStore::highSymbols().size(); ++i)
        m_rightSymbol->addItem(summary::GroupStore::highSymbols()[i], i + 1);
    fields->addWidget(m_rightSymbol, 2, 1);
    m_high = new QLineEdit(this);
    m_high->setObjectName(QStringLiteral("HighBoundary"));
    m_high->setValidator(new QRegularExpressionValidator(whole, m_high));
    fields->addWidget(m_high, 2, 2);
    fields->setColumnStretch(2, 1);
    layout->addLayout(fields);

    auto *buttons = new QHBoxLayout;
    m_tbAdd = groupButton(QStringLiteral("tbAdd"), QStringLiteral("增  加"), this);
    m_tbEdit = groupButton(QStringLiteral("tbEdit"), QStringLiteral("修  改"), this);
    m_tbRemove = groupButton(QStringLiteral("tbRemove"), QStringLiteral("除  去"), this);
    m_tbReturn = groupButton(QStringLiteral("tbReturn"), QStringLiteral("返  回"), this);
    buttons->addStretch();
    for (QToolButton *b : {m_tbAdd, m_tbEdit, m_tbRemove, m_tbReturn})
        buttons->addWidget(b);
    layout->addLayout(buttons);

    connect(m_groupName, &QLineEdit::textChanged, this,
            [this](const QString &text) { m_tbSave->setEnabled(!text.isEmpty()); });
    connect(m_tbSave, &QToolButton::clicked, this, &TdlgGroupItemForm::tbSaveClick);
    connect(m_tbAdd, &QToolButton::clicked, this, &TdlgGroupItemForm::actAddItemExecute);
    connect(m_tbEdit, &QToolButton::clicked, this, &TdlgGroupItemForm::tbEditClick);
    connect(m_tbRemove, &QToolButton::clicked, this, &TdlgGroupItemForm::tbRemoveClick);
    connect(m_tbReturn, &QToolButton::clicked, this, &QDialog::accept);
    // A row picked with the mouse or reached with the keys fills the editor.
    connect(m_grid, &QTableWidget::currentCellChanged, this, [this](int row, int, int previous, int) {
        if (row != previous)
            loadCurrent();
    });
    for (QLineEdit *e : {m_name, m_low, m_high})
        connect(e, &QLineEdit::textChanged, this, &TdlgGroupItemForm::updateButtons);

    // As the window opens: the default symbols, the grouping's items, the
    // first of them in the editor, nothing to save yet.
    selectSymbol(m_leftSymbol, QStringLiteral(">="));
    selectSymbol(m_rightSymbol, QStringLiteral("<"));
    readItems();
    m_tbSave->setEnabled(false);
    resize(560, 460);
}

int TdlgGroupItemForm::leftSymbolCode() const
{
    return m_leftSymbol->currentData().toInt();
}
int TdlgGroupItemForm::rightSymbolCode() const
{
    return m_rightSymbol->currentData().toInt();
}

void TdlgGroupItemForm::readItems(qint64 selectId)
{
    runCommand(m_ui, [&] { m_items = summary::GroupStore(m_db).items(m_groupId); });
    const QSignalBlocker block(m_grid);
    m_grid->setRowCount(int(m_items.size()));
    int select = m_items.empty() ? -1 : 0;
    for (int r = 0; r < int(m_items.size()); ++r) {
        const summary::GroupItem &item = m_items[std::size_t(r)];
        const auto text = [](const QString &symbol, const QVariant &bound) {
            return symbol + (bound.isValid() ? bound.toString() : QString());
        };
        m_grid->setItem(r, 0, new QTableWidgetItem(item.title));
        m_grid->setItem(r, 1, new QTableWidgetItem(text(item.lowSymbol, item.lowBoundary)));
        m_grid->setItem(r, 2, new QTableWidgetItem(text(item.highSymbol, item.highBoundary)));
        if (item.id == selectId)
            select = r;
    }
    if (select >= 0)
        m_grid->setCurrentCell(select, 0);
    loadCurrent();
    const bool rows = !m_items.empty();
    m_tbEdit->setEnabled(rows && m_tbAdd->isEnabled());
    m_tbRemove->setEnabled(rows);
}

void TdlgGroupItemForm::loadCurrent()
{
    const int row = m_grid->currentRow();
    if (row < 0 || row >= int(m_items.size()))
        return;
    const summary::GroupItem &item = m_items[std::size_t(row)];
    m_name->setText(item.title);
    m_low->setText(item.lowBoundary.isValid() ? item.lowBoundary.toString() : QString());
    m_high->setText(item.highBoundary.isValid() ? item.highBoundary.toString() : QString());
    selectSymbol(m_leftSymbol, item.lowSymbol);
    selectSymbol(m_rightSymbol, item.highSymbol);
}

void TdlgGroupItemForm::updateButtons()
{
    const auto low = number(m_low);
    const auto high = number(m_high);
    if (!m_name->text().isEmpty() && low && high && *low < *high) {
        m_tbAdd->setEnabled(true);
        m_tbEdit->setEnabled(m_grid->rowCount() > 0);
        m_tbRemove->setEnabled(m_tbEdit->isEnabled());
    } else {
        m_tbAdd->setEnabled(false);
        m_tbEdit->setEnabled(false);
    }
}

summary::ItemInput TdlgGroupItemForm::editorInput() const
{
    return {m_name->text(), number(m_low), number(m_high), m_leftSymbol->currentText(), m_rightSymbol->currentText()};
}

bool TdlgGroupItemForm::saveItem(bool append)
{
    const summary::ItemInput input = editorInput();
    if (const QString why = summary::GroupStore::validate(input); !why.isEmpty()) {
        m_ui.message(why);
        return false;
    }
    const int row = m_grid->currentRow();
    if (!append && (row < 0 || row >= int(m_items.size())))
        return false;
    qint64 id = 0;
    const bool done = runCommand(m_ui, [&] {
        summary::GroupStore store(m_db);
        if (append) {
            id = store.addItem(m_groupId, input);
        } else {
            id = m_items[std::size_t(row)].id;
            store.updateItem(id, m_groupId, input);
        }
    });
    readItems(id);
    updateButtons();
    return done;
}

void TdlgGroupItemForm::actAddItemExecute()
{
    saveItem(true);
}

void TdlgGroupItemForm::tbEditClick()
{
    saveItem(false);
}

void TdlgGroupItemForm::tbRemoveClick()
{
    const int row = m_grid->currentRow();
    if (row < 0 || row >= int(m_items.size()))
        return;
    if (!m_ui.confirm(QStringLiteral("数据将被彻底删除，确认么？")))
        return;
    const qint64 id = m_items[std::size_t(row)].id;
    runCommand(m_ui, [&] { summary::GroupStore(m_db).removeItem(id); });
    readItems(row + 1 < int(m_items.size()) ? m_items[std::size_t(row + 1)].id
                                            : (row > 0 ? m_items[std::size_t(row - 1)].id : 0));
    updateButtons();
    if (m_items.empty()) {
        m_tbEdit->setEnabled(false);
        m_tbRemove->setEnabled(false);
    }
}

void TdlgGroupItemForm::tbSaveClick()
{
    const QString name = m_groupName->text();
    if (name.isEmpty())
        return;
    if (runCommand(m_ui, [&] { summary::GroupStore(m_db).renameGrouping(m_groupId, name); }) && m_renamed)
        m_renamed();
}

bool TdlgGroupItemForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_grid && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
        tbRemoveClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace tq::gui
