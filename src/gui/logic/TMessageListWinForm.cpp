#include "logic/TMessageListWinForm.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMoveEvent>
#include <QScreen>
#include <QShowEvent>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace tq::gui {

namespace {

constexpr int kColumns = 4; // paper columns 1..4
constexpr int kWidths[kColumns] = {340, 321, 73, 70};
constexpr int kHeaderWidth = 32;

QFont listFont()
{
    QFont f;
    f.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
                   QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")});
    f.setPixelSize(13);
    return f;
}

} // namespace

TMessageListWinForm::TMessageListWinForm(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("TMessageListWinForm"));
    // Appearing must never take the keyboard from the editor.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(QStringLiteral("逻辑错误列表"));
    resize(900, 258);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(255, 255, 204));
    setPalette(pal);
    setAutoFillBackground(true);
    setFont(listFont());

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_grid = new QTableWidget(this);
    m_grid->setObjectName(QStringLiteral("Grid"));
    m_grid->setFrameShape(QFrame::NoFrame);
    m_grid->setFont(listFont());
    m_grid->setColumnCount(kColumns);
    m_grid->setHorizontalHeaderLabels(
        {QStringLiteral("逻辑关系"), QStringLiteral("说明"), QStringLiteral("页号"), QStringLiteral("变量")});
    for (int c = 0; c < kColumns; ++c)
        m_grid->setColumnWidth(c, kWidths[c]);
    m_grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    QHeaderView *rows = m_grid->verticalHeader();
    rows->setFixedWidth(kHeaderWidth);
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(kDefaultRowHeight);
    rows->setSectionResizeMode(QHeaderView::Interactive);
    m_grid->setWordWrap(true);
    m_grid->setShowGrid(true);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setDragEnabled(false);
    const QColor gridLine = QApplication::palette().color(QPalette::Inactive, QPalette::Highlight);
    m_grid->setStyleSheet(QStringLiteral("QTableWidget { gridline-color: %1; }"
                                         "QHeaderView::section { border: 1px solid rgb(127, 157, 185); }")
                              .arg(gridLine.name()));
    m_grid->setRowCount(1);
    m_grid->installEventFilter(this);
    layout->addWidget(m_grid);

    connect(m_grid, &QTableWidget::cellDoubleClicked, this, [this] { GridDblClick(); });
}

void TMessageListWinForm::setOwnerWindow(QWidget *owner)
{
    if (parentWidget() == owner)
        return;
    const bool visible = isVisible();
    setParent(owner, windowFlags());
    if (visible)
        show();
}

int TMessageListWinForm::RowCount() const
{
    return m_grid->rowCount() + 1;
}

QString TMessageListWinForm::Cells(int column, int row) const
{
    if (column < 1 || column > kColumns || row < 0 || row >= RowCount())
        return {};
    if (row == 0)
        return m_grid->horizontalHeaderItem(column - 1)->text();
    const QTableWidgetItem *item = m_grid->item(row - 1, column - 1);
    return item ? item->text() : QString();
}

int TMessageListWinForm::RowHeights(int row) const
{
    if (row == 0)
        return m_grid->horizontalHeader()->height();
    return m_grid->rowHeight(row - 1);
}

int TMessageListWinForm::ColWidths(int column) const
{
    if (column == 0)
        return m_grid->verticalHeader()->width();
    return m_grid->columnWidth(column - 1);
}

void TMessageListWinForm::setCell(int column, int row, const QString &text)
{
    QTableWidgetItem *item = m_grid->item(row - 1, column - 1);
    if (!item) {
        item = new QTableWidgetItem;
        item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        m_grid->setItem(row - 1, column - 1, item);
    }
    item->setText(text);
}

void TMessageListWinForm::setCurrentRow(int row)
{
    if (row >= 1 && row < RowCount())
        m_grid->setCurrentCell(row - 1, 0);
}

int TMessageListWinForm::MeasureTextHeight(int column, int row, const QString &text) const
{
    // Cells always wrap at word boundaries.
    const QRect box(0, 0, ColWidths(column), RowHeights(row));
    const QRect laid = QFontMetrics(m_grid->font()).boundingRect(box, Qt::AlignLeft | Qt::TextWordWrap, text);
    return laid.height() + 8;
}

void TMessageListWinForm::ClearList()
{
    m_hasEntries = false;
    m_grid->setRowCount(1); // row 1 stays, with the height it had
    for (int c = 1; c <= kColumns; ++c)
        setCell(c, 1, QString());
    hide();
}

void TMessageListWinForm::AddMessage(const QString &rule, const QString &explanation, int page, const QString &focus)
{
    int row = 1;
    if (m_hasEntries) {
        row = RowCount();
        m_grid->setRowCount(m_grid->rowCount() + 1);
    } else {
        m_hasEntries = true;
    }
    // A row only ever grows, so a reused row 1 keeps the height it once needed.
    const auto grow = [this, row](int column, const QString &text) {
        const int needed = MeasureTextHeight(column, row, text);
        if (needed > RowHeights(row))
            m_grid->setRowHeight(row - 1, needed);
        setCell(column, row, text);
    };
    grow(1, rule);
    grow(2, explanation);
    setCell(3, row, QString::number(page));
    setCell(4, row, focus);
}

void TMessageListWinForm::ShowList()
{
    if (!isVisible())
        show();
}

void TMessageListWinForm::GridDblClick()
{
    // The blank row of an empty list points nowhere: it must not send the
    // editor to the cover.
    if (m_jumpInProgress || IsListEmpty())
        return;
    m_jumpInProgress = true;
    struct Reset {
        bool &flag;
        ~Reset() { flag = false; }
    } reset{m_jumpInProgress};

    const int row = m_grid->currentRow() + 1;
    if (row < 1)
        return;
    const int page = Cells(3, row).toInt();
    const QString box = Cells(4, row);
    if (m_target) {
        // The page change clears and refills this list; the row's texts are
        // read before. The editor becomes the active window again, so that
        // typing goes into the box.
        if (QWidget *owner = parentWidget()) {
            owner->activateWindow();
            owner->raise();
        }
        m_target->switchToPage(page);
        m_target->focusBoxByName(box);
    }
    if (m_grid->rowCount() > 0)
        m_grid->setCurrentCell(0, 0);
}

void TMessageListWinForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        m_placing = true;
        // Until the window manager has framed the list once, a position
        // given places the inside of the window, not its frame.
        const QMargins frame = frameMargins();
        move(openingPosition() + (frameKnown() ? QPoint() : QPoint(frame.left(), frame.top())));
        m_placing = false;
    }
}

void TMessageListWinForm::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    // A move the user made (dragging the title bar) is remembered.
    if (!m_placing && isVisible() && event->spontaneous())
        m_userPosition = pos();
}

QPoint TMessageListWinForm::openingPosition() const
{
    const QWidget *owner = parentWidget();
    const QScreen *screen = owner ? owner->screen() : this->screen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1366, 768);
    const QMargins frame = frameMargins();
    const QSize size = this->size().grownBy(frame);
    const auto fits = [&](const QPoint &at) { return avail.contains(QRect(at, size)); };
    if (m_userPosition && fits(*m_userPosition))
        return *m_userPosition;
    if (!owner)
        return avail.topLeft();
    const QRect o = owner->frameGeometry();
    const QPoint beside(o.right() + 1, o.top());
    const QPoint below(o.left(), o.bottom() + 1);
    for (const QPoint &at : {beside, below})
        if (fits(at))
            return at;
    // No room outside the editor: inside it, as low as possible while the
    // areas to keep clear stay uncovered, else at the top of the screen.
    QList<QRect> clear;
    if (m_target)
        clear = m_target->areasToKeepClear();
    int bottom = o.bottom();
    for (const QRect &r : clear)
        bottom = std::min(bottom, r.top() - 1);
    QPoint at(std::max(avail.left(), o.right() - size.width()), bottom - size.height() + 1);
    at.setY(std::max(at.y(), avail.top()));
    return at;
}

bool TMessageListWinForm::frameKnown() const
{
    return frameGeometry() != geometry();
}

QMargins TMessageListWinForm::frameMargins() const
{
    // Before the list has been framed, its owner's frame is the best guess.
    const QWidget *framed = frameKnown() || !parentWidget() ? this : parentWidget()->window();
    const QRect f = framed->frameGeometry(), g = framed->geometry();
    return {g.left() - f.left(), g.top() - f.top(), f.right() - g.right(), f.bottom() - g.bottom()};
}

bool TMessageListWinForm::event(QEvent *event)
{
    // The list is read by eye and left by a double-click: it has no use for
    // the keyboard and never keeps it. Whether the window system made it
    // active on opening (not every one heeds "show without activating") or
    // the user did by clicking or moving it, the keys go on to the editor.
    if (event->type() == QEvent::WindowActivate)
        if (QWidget *owner = parentWidget(); owner && owner->isVisible())
            QTimer::singleShot(0, owner, [owner] {
                if (owner->isVisible())
                    owner->activateWindow();
            });
    return QWidget::event(event);
}

bool TMessageListWinForm::eventFilter(QObject *watched, QEvent *event)
{
    // The list is for reading; its cells are not copied out.
    if (watched == m_grid && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->matches(QKeySequence::Copy))
        return true;
    return QWidget::eventFilter(watched, event);
}

} // namespace tq::gui
