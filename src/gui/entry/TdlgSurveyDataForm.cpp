#include "entry/TdlgSurveyDataForm.h"

#include "app/AppPaths.h"
#include "app/InputMethods.h"
#include "app/Session.h"
#include "common/Error.h"
#include "common/Interaction.h"
#include "db/FieldCatalogue.h"
#include "entry/CodeMenu.h"
#include "entry/EntryPage.h"
#include "entry/PageLayout.h"
#include "entry/RtfDocument.h"
#include "entry/TButtonBox.h"
#include "entry/TCityNameForm.h"
#include "entry/TKvValidEdit.h"
#include "entry/TNumberEdit.h"
#include "entry/TableSheet.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

namespace tq::gui {

using entry::CoverBox;

namespace {

const QString kForbidden = QStringLiteral("'\"`");
// Wide enough for the largest amount with its thousands separators.
constexpr int kBoxWidth = 130;

// The focus left the window rather than the box: a picker, a message, a
// menu or another program took it, and it comes back to the same box.
bool isWindowChange(Qt::FocusReason reason)
{
    return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason || reason == Qt::MenuBarFocusReason;
}

} // namespace

TdlgSurveyDataForm::TdlgSurveyDataForm(Session &session, Settings &settings, Interaction &ui, Preferences &prefs,
                                       QWidget *parent)
    : QDialog(parent), m_session(session), m_ui(ui), m_prefs(prefs), m_errors(std::make_unique<TMessageListWinForm>()),
      m_record(std::make_unique<entry::RecordEditing>(session, settings, ui, *this, *m_errors))
{
    setObjectName(QStringLiteral("TdlgSurveyDataForm"));
    setWindowTitle(QStringLiteral("基层以上单位数据"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    m_notesFolder = QDir(AppPaths::programDir()).filePath(QStringLiteral("notes")) + QLatin1Char('/');
    m_errors->setJumpTarget(this);
    m_errors->installEventFilter(this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(4);
    buildToolBar(layout);

    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("DataPage"));
    m_pages->setTabPosition(QTabWidget::South);
    m_pages->setUsesScrollButtons(false);
    m_pages->tabBar()->setExpanding(false);
    m_pages->tabBar()->installEventFilter(this);
    m_pages->installEventFilter(this);
    m_walk.resize(1);
    m_pages->addTab(buildCover(), QStringLiteral("封面"));
    entry::PageLayout pages;
    try {
        pages = entry::PageLayout::standard();
    } catch (const Error &e) {
        m_ui.message(generalErrorMessage(e.text()));
    }
    m_walk.resize(std::size_t(pages.pages().size()) + 1);
    for (const entry::LayoutPage &page : pages.pages())
        m_pages->addTab(buildTablePage(page), page.caption);
    for (int i = 0; i < m_pages->count(); ++i)
        entryPage(i)->setCoveringWindow(m_errors.get());
    connect(m_pages, &QTabWidget::currentChanged, this, [this] {
        if (!m_changingPage)
            FocusFirstBox();
    });
    layout->addWidget(m_pages, 1);

    QStringList numbers, texts;
    for (const auto &page : m_walk)
        for (QWidget *w : page)
            (qobject_cast<TNumberEdit *>(w) ? numbers : texts) << w->objectName();
    m_record->values().setBoxes(numbers, texts, {m_cityName->objectName(), m_levelName->objectName()});

    m_notes = new QTextBrowser(this);
    m_notes->setObjectName(QStringLiteral("rtfNotes"));
    m_notes->setReadOnly(true);
    m_notes->setFocusPolicy(Qt::NoFocus);
    m_notes->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_notes->setFixedHeight(96);
    QPalette pal = m_notes->palette();
    pal.setColor(QPalette::Base, QToolTip::palette().color(QPalette::ToolTipBase));
    pal.setColor(QPalette::Text, QToolTip::palette().color(QPalette::ToolTipText));
    m_notes->setPalette(pal);
    layout->addWidget(m_notes);

    auto *save = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this);
    save->setContext(Qt::WindowShortcut);
    connect(save, &QShortcut::activated, this, &TdlgSurveyDataForm::tbHoldClick);
    showState();
    resize(1340, 720);
}

TdlgSurveyDataForm::~TdlgSurveyDataForm()
{
    // The list goes first, and hides as it goes: nothing to follow then.
    m_errors->removeEventFilter(this);
}

void TdlgSurveyDataForm::buildToolBar(QVBoxLayout *layout)
{
    auto *bar = new QHBoxLayout;
    const auto button = [&](QToolButton *&b, const char *name, const QString &caption, const QString &tip,
                            void (TdlgSurveyDataForm::*clicked)()) {
        b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(caption);
        b->setToolTip(tip);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setMinimumSize(76, 28);
        b->setFocusPolicy(Qt::NoFocus);
        bar->addWidget(b);
        connect(b, &QToolButton::clicked, this, clicked);
    };
    const QString saveTip = QStringLiteral("检查逻辑后保存");
    button(m_tbHold, "tbHold", QStringLiteral("临时保存"), QStringLiteral("只检查封面，临时保存 (Ctrl+S)"),
           &TdlgSurveyDataForm::tbHoldClick);
    button(m_tbSave, "tbSave", QStringLiteral("保存记录"), saveTip, &TdlgSurveyDataForm::tbSaveClick);
    button(m_tbAdd, "tbAdd", QStringLiteral("保存记录"), saveTip, &TdlgSurveyDataForm::tbSaveClick);
    button(m_tbCheck, "tbCheck", QStringLiteral("检查逻辑"), QStringLiteral("检查所有表页的逻辑关系"),
           &TdlgSurveyDataForm::tbCheckClick);
    button(m_tbPrint, "tbPrint", QStringLiteral("打  印"), QStringLiteral("打印当前的报表"),
           &TdlgSurveyDataForm::tbPrintClick);
    button(m_tbReturn, "tbReturn", QStringLiteral("返  回"), QStringLiteral("放弃未保存的修改并关闭"),
           &TdlgSurveyDataForm::tbReturnClick);
    bar->addStretch(1);

    m_navBar = new QWidget(this);
    m_navBar->setObjectName(QStringLiteral("NavBar"));
    auto *nav = new QHBoxLayout(m_navBar);
    nav->setContentsMargins(0, 0, 0, 0);
    const char16_t *captions[4] = {u"第一条", u"上一条", u"下一条", u"最后一条"};
    const char *names[4] = {"actFirst", "actPrev", "actNext", "actLast"};
    for (int i = 0; i < 4; ++i) {
        m_nav[i] = new QAction(QString::fromUtf16(captions[i]), this);
        m_nav[i]->setObjectName(QString::fromLatin1(names[i]));
        auto *b = new QToolButton(m_navBar);
        b->setDefaultAction(m_nav[i]);
        b->setFocusPolicy(Qt::NoFocus);
        nav->addWidget(b);
        connect(m_nav[i], &QAction::triggered, this, [this, i] { m_record->navigate(entry::RecordEditing::Move(i)); });
    }
    bar->addWidget(m_navBar);
    m_itemNo = new QLabel(this);
    m_itemNo->setObjectName(QStringLiteral("ItemNo"));
    m_itemNo->setMinimumWidth(130);
    m_itemNo->setAlignment(Qt::AlignCenter);
    bar->addWidget(m_itemNo);
    layout->addLayout(bar);
}

TNumberEdit *TdlgSurveyDataForm::addNumberBox(const QString &name, int page, QWidget *parent)
{
    auto *b = new TNumberEdit(parent);
    b->setObjectName(name);
    b->setFixedWidth(kBoxWidth);
    m_numbers.insert(name.toLower(), b);
    m_walk[std::size_t(page)].push_back(b);
    m_pageOf.insert(name, page);
    b->installEventFilter(this);
    connect(b, &QLineEdit::textChanged, this, [this, name, b] { m_record->setNumber(name, b->value()); });
    return b;
}

TKvValidEdit *TdlgSurveyDataForm::addTextBox(const QString &name, int maxChars, QWidget *parent)
{
    auto *b = new TKvValidEdit(parent);
    b->setObjectName(name);
    b->setMaxLength(maxChars);
    b->setCheckType(TKvValidEdit::tcForbid);
    b->setForbidChars(kForbidden);
    m_texts.insert(name.toLower(), b);
    m_walk[0].push_back(b);
    m_pageOf.insert(name, 0);
    b->installEventFilter(this);
    connect(b, &QLineEdit::textChanged, this, [this, name](const QString &text) { m_record->setText(name, text); });
    return b;
}

QWidget *TdlgSurveyDataForm::buildCover()
{
    auto *sheet = new QWidget;
    auto *outer = new QVBoxLayout(sheet);
    outer->setContentsMargins(8, 4, 8, 8);
    outer->addWidget(TableSheet::heading(QStringLiteral("2009年度  基层以上工会调查表"), 7, sheet));

    // As on the paper form: the statute notice on the left, the form's header
    // block on the right, the cover's items below them.
    auto *top = new QHBoxLayout;
    auto *statute = new QLabel(QStringLiteral("根据《中华人民共和国统计法》的规定，本表所填报的资料，"
                                              "仅供统计之用。各填报单位必须依法如实填报，"
                                              "不得虚报、瞒报、拒报、迟报，不得伪造、篡改。"),
                               sheet);
    statute->setWordWrap(true);
    statute->setFixedWidth(300);
    statute->setFrameShape(QFrame::StyledPanel);
    statute->setMargin(8);
    statute->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    top->addWidget(statute, 0, Qt::AlignTop);
    top->addStretch(1);
    auto *header = new QLabel(QStringLiteral("表　　号：NB-TQ\n制表机关：vezaroz\n批准机关：国家统计局\n"
                                             "批准文号：国统制[2009]34 号\n有效期至：2011年7月1日"),
                              sheet);
    header->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    top->addWidget(header, 0, Qt::AlignTop);
    outer->addLayout(top);
    outer->addSpacing(12);

    auto *form = new QGridLayout;
    form->setHorizontalSpacing(8);
    form->setVerticalSpacing(12);
    form->setColumnStretch(0, 1);
    form->setColumnStretch(4, 1);
    int r = 0;
    // Codes take column 2 with their names beside them in column 3; texts
    // take both.
    const auto addRow = [&](const QString &label, QWidget *box, QWidget *extra = nullptr) {
        auto *l = new QLabel(label, sheet);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        form->addWidget(l, r, 1);
        if (extra) {
            form->addWidget(box, r, 2);
            form->addWidget(extra, r, 3);
        } else {
            form->addWidget(box, r, 2, 1, 2, Qt::AlignLeft);
        }
        ++r;
    };
    const auto buttonBox = [&](TButtonBox *&b, const char *name, void (TdlgSurveyDataForm::*clicked)()) {
        b = new TButtonBox(sheet);
        b->setObjectName(QString::fromLatin1(name));
        b->setMinimumWidth(300);
        connect(b, &TButtonBox::buttonClicked, this, clicked);
        connect(b, &TButtonBox::textChanged, this, [this] { m_record->markChanged(); });
        return b;
    };
    // The cover's limits come with the record (RecordValues::limits); an empty
    // code box reads 1, an empty level box 10.
    TNumberEdit *c901 = addNumberBox(QStringLiteral("c901"), 0, sheet);
    c901->setBlankValue(1);
    c901->setDisplay(TNumberEdit::Display::Plain);
    addRow(QStringLiteral("901. 本级工会编码："), c901);
    TKvValidEdit *c902 = addTextBox(QStringLiteral("c902"), entry::CoverValidation::kNameBytes, sheet);
    c902->setFixedWidth(440);
    addRow(QStringLiteral("902. 本级工会名称："), c902);
    TNumberEdit *c903 = addNumberBox(QStringLiteral("c903"), 0, sheet);
    c903->setDisplay(TNumberEdit::Display::SixDigits);
    addRow(QStringLiteral("903. 本级工会所在地行政区划代码："), c903,
           buttonBox(m_cityName, "CityNameCtrl", &TdlgSurveyDataForm::cityNameButtonClick));
    TNumberEdit *c904 = addNumberBox(QStringLiteral("c904"), 0, sheet);
    c904->setBlankValue(10);
    c904->setDisplay(TNumberEdit::Display::Plain);
    addRow(QStringLiteral("904. 本级工会层次代码："), c904,
           buttonBox(m_levelName, "LevelName", &TdlgSurveyDataForm::levelNameButtonClick));
    TKvValidEdit *c905 = addTextBox(QStringLiteral("c905"), entry::CoverValidation::kFillerBytes, sheet);
    c905->setFixedWidth(280);
    addRow(QStringLiteral("填 表 人："), c905);
    TKvValidEdit *c906 = addTextBox(QStringLiteral("c906"), entry::CoverValidation::kPhoneBytes, sheet);
    c906->setFixedWidth(280);
    addRow(QStringLiteral("联系电话："), c906);
    outer->addLayout(form);
    outer->addStretch(1);

    auto *page = new EntryPage(sheet);
    page->setObjectName(QStringLiteral("TabSheet0"));
    return page;
}

QWidget *TdlgSurveyDataForm::buildTablePage(const entry::LayoutPage &layout)
{
    auto *sheet = new TableSheet(layout, m_record->catalogue(), [this, &layout](const QString &name, QWidget *parent) {
        return addNumberBox(name, layout.index, parent);
    });
    auto *page = new EntryPage(sheet);
    page->setObjectName(QStringLiteral("TabSheet%1").arg(layout.index));
    return page;
}

void TdlgSurveyDataForm::setRecordList(const RecordList &list, std::function<void()> saved)
{
    m_record->setRecordList(list, std::move(saved));
}

TNumberEdit *TdlgSurveyDataForm::numberBox(const QString &name) const
{
    return m_numbers.value(name.toLower());
}
TKvValidEdit *TdlgSurveyDataForm::textBox(const QString &name) const
{
    return m_texts.value(name.toLower());
}
QWidget *TdlgSurveyDataForm::box(const QString &name) const
{
    if (TNumberEdit *n = numberBox(name))
        return n;
    return textBox(name);
}

int TdlgSurveyDataForm::currentPage() const
{
    return m_pages->currentIndex();
}

// ---------------------------------------------------------------------------
// Showing the record

int TdlgSurveyDataForm::exec()
{
    FormShow();
    const int rc = QDialog::exec();
    m_errors->hide();
    return rc;
}

void TdlgSurveyDataForm::FormShow()
{
    placeOnScreen();
    // The list belongs to the editor, so that it takes clicks while the
    // editor is modal and opens in relation to it.
    m_errors->setOwnerWindow(this);
    m_record->show();
    m_itemNo->setVisible(!m_record->IsAdding());
}

// Top left of the screen, as large as the design where the screen allows,
// else as large as the screen: a 1366x768 screen takes the whole window, a
// larger one leaves room below it for the error list.
void TdlgSurveyDataForm::placeOnScreen()
{
    const QScreen *screen = parentWidget() ? parentWidget()->screen() : this->screen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1366, 768);
    // The frame the window manager puts around the window is known once it
    // has been shown; until then assume a title bar and thin borders.
    QMargins frame(2, 24, 2, 6);
    if (testAttribute(Qt::WA_WState_Created) && frameGeometry() != geometry()) {
        const QRect f = frameGeometry(), g = geometry();
        frame = QMargins(g.left() - f.left(), g.top() - f.top(), f.right() - g.right(), f.bottom() - g.bottom());
    }
    const QSize design(1340, 760);
    const int x =
        avail.left() + std::min(10, std::max(0, avail.width() - design.width() - frame.left() - frame.right()));
    const int y =
        avail.top() + std::min(2, std::max(0, avail.height() - design.height() - frame.top() - frame.bottom()));
    const QSize room(avail.right() + 1 - x - frame.left() - frame.right(),
                     avail.bottom() + 1 - y - frame.top() - frame.bottom());
    resize(design.boundedTo(room).expandedTo(minimumSizeHint()));
    move(x, y);
}

void TdlgSurveyDataForm::showValues()
{
    const entry::RecordValues &values = m_record->values();
    for (TNumberEdit *b : std::as_const(m_numbers)) {
        const QString name = b->objectName();
        b->setEnabled(values.isOpen(name));
        const qint64 v = values.number(name);
        if (b->value() != v) {
            b->setValue(v);
            if (b->value() != v) // an empty box reads its blank value
                m_record->setNumber(name, b->value());
        }
    }
    for (TKvValidEdit *t : std::as_const(m_texts)) {
        t->setEnabled(values.isOpen(t->objectName()));
        if (const QString text = values.text(t->objectName()); t->text() != text)
            t->setText(text);
    }
}

void TdlgSurveyDataForm::showLevel(qint64 level)
{
    TNumberEdit *c904 = numberBox(QStringLiteral("c904"));
    if (c904 && (c904->value() != level || c904->isBlank()))
        c904->setValue(level);
}

void TdlgSurveyDataForm::showState()
{
    m_tbHold->setEnabled(m_record->canSaveTemporarily());
    m_tbSave->setEnabled(m_record->canSave());
    m_tbPrint->setEnabled(m_record->canPrint());
}

void TdlgSurveyDataForm::recordLoaded()
{
    for (TNumberEdit *b : std::as_const(m_numbers)) {
        const entry::BoxLimits limits = m_record->values().limits(b->objectName());
        b->setMinimum(limits.minimum);
        b->setMaximum(limits.maximum);
        b->setMaxDigits(limits.digits);
        b->setAllowDecimals(limits.decimals);
    }
    showPage(0);
    LoadNotes(0);
    numberBox(QStringLiteral("c901"))->setFocus();
    m_itemNo->setText(m_record->positionText());
    m_navBar->setVisible(m_record->navigationShown());
    for (int i = 0; i < 4; ++i)
        m_nav[i]->setEnabled(i < 2 ? m_record->canMoveBack() : m_record->canMoveOn());
    m_tbAdd->setVisible(m_record->IsAdding());
    m_tbSave->setVisible(!m_record->IsAdding());
}

void TdlgSurveyDataForm::LoadNotes(int page)
{
    m_notes->clear();
    const QString path = m_notesFolder + QStringLiteral("TableNotesTQ-%1.rtf").arg(page, 2, 10, QLatin1Char('0'));
    m_notes->setHtml(entry::RtfDocument::readFileAsHtml(path));
}

void TdlgSurveyDataForm::focusBox(CoverBox b)
{
    if (currentPage() != 0)
        showPage(0);
    if (QWidget *w = box(entry::coverBoxName(b)))
        w->setFocus();
}

void TdlgSurveyDataForm::showPage(int index)
{
    if (currentPage() == index)
        return;
    m_changingPage = true;
    m_pages->setCurrentIndex(index);
    m_changingPage = false;
    LoadNotes(index);
}

void TdlgSurveyDataForm::setRegionName(const QString &name, qint64 code)
{
    m_cityName->setText(name);
    m_cityName->setTag(code);
}

void TdlgSurveyDataForm::setLevelName(const QString &name, qint64 code)
{
    m_levelName->setTag(code);
    m_levelName->setText(name);
}

void TdlgSurveyDataForm::hideErrorList()
{
    m_errors->hide();
}

void TdlgSurveyDataForm::focusBoxByName(const QString &name)
{
    QWidget *w = box(name);
    if (w && w->isEnabled() && m_pageOf.value(w->objectName(), -1) == currentPage()) {
        w->setFocus();
        // The editor may only become the active window a moment later; the
        // box is shown now.
        reveal(w);
    }
}

QList<QRect> TdlgSurveyDataForm::areasToKeepClear() const
{
    QList<QRect> areas;
    for (const QWidget *w : {static_cast<const QWidget *>(m_pages->tabBar()), static_cast<const QWidget *>(m_notes)})
        if (w->isVisible())
            areas << QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
    return areas;
}

EntryPage *TdlgSurveyDataForm::entryPage(int index) const
{
    return qobject_cast<EntryPage *>(m_pages->widget(index));
}

void TdlgSurveyDataForm::reveal(QWidget *box)
{
    if (EntryPage *page = entryPage(m_pageOf.value(box->objectName(), -1)))
        page->reveal(box);
}

void TdlgSurveyDataForm::followErrorList()
{
    if (EntryPage *page = entryPage(currentPage()))
        page->updateReserve();
    if (QWidget *w = QApplication::focusWidget(); w && isAncestorOf(w) && m_pageOf.contains(w->objectName()))
        reveal(w);
}

void TdlgSurveyDataForm::moveEvent(QMoveEvent *event)
{
    QDialog::moveEvent(event);
    if (m_errors->isVisible())
        followErrorList();
}

void TdlgSurveyDataForm::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    if (m_errors->isVisible())
        followErrorList();
}

bool TdlgSurveyDataForm::changePage(int index)
{
    if (index < 0 || index >= m_pages->count() || index == currentPage())
        return index == currentPage();
    if (!m_record->pageChangeAllowed(currentPage(), index, m_errors->JumpInProgress()))
        return false;
    m_changingPage = true;
    m_pages->setCurrentIndex(index);
    m_changingPage = false;
    LoadNotes(index);
    FocusFirstBox();
    return true;
}

// ---------------------------------------------------------------------------
// Buttons and pickers

void TdlgSurveyDataForm::tbCheckClick()
{
    if (m_record->checkRecord())
        FocusFirstBox();
}

void TdlgSurveyDataForm::tbPrintClick()
{
    if (m_print)
        m_print(PrintCode());
}

void TdlgSurveyDataForm::tbReturnClick()
{
    m_record->dropChanges();
    close();
}

void TdlgSurveyDataForm::closeEvent(QCloseEvent *event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    m_errors->ClearList();
    QDialog::closeEvent(event);
}

void TdlgSurveyDataForm::reject()
{
    // Esc and the window's close button take the same road as closing.
    if (FormCloseQuery()) {
        m_errors->ClearList();
        QDialog::reject();
    }
}

void TdlgSurveyDataForm::cityNameButtonClick()
{
    TCityNameForm picker(m_session.db(), m_cityName->tag() > 0 ? m_cityName->tag() : 0, this);
    if (picker.exec() == QDialog::Accepted) {
        numberBox(QStringLiteral("c903"))->setValue(picker.ID());
        m_cityName->setTag(picker.ID());
        m_cityName->setText(picker.CombName());
    }
}

void TdlgSurveyDataForm::levelNameButtonClick()
{
    ShowCodeMenu(m_levelName, m_record->LevelCodes(), [this](qint64 code) { ApplyLevelRules(code); });
}

// ---------------------------------------------------------------------------
// Keyboard

void TdlgSurveyDataForm::FocusFirstBox()
{
    for (QWidget *w : m_walk[std::size_t(currentPage())]) {
        if (w->isEnabled()) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

// Moves on from `from` (from the page's start, or its end going back, when
// null) to the next open box. Past a page's last open box the walk goes on to
// the next page, skipping pages where nothing is open for this record, and
// past the last page it saves; going back, it goes round from the cover to
// the last page.
void TdlgSurveyDataForm::walk(QWidget *from, bool back)
{
    const int pages = m_pages->count();
    const int step = back ? -1 : 1;
    for (int turn = 0; turn <= pages; ++turn) {
        const int page = currentPage();
        const auto &order = m_walk[std::size_t(page)];
        const int count = int(order.size());
        const auto at = std::find(order.begin(), order.end(), from);
        for (int i = at == order.end() ? (back ? count - 1 : 0) : int(at - order.begin()) + step; i >= 0 && i < count;
             i += step) {
            if (order[std::size_t(i)]->isEnabled()) {
                order[std::size_t(i)]->setFocus(back ? Qt::BacktabFocusReason : Qt::TabFocusReason);
                return;
            }
        }
        if (!back && page == pages - 1) {
            tbSaveClick();
            return;
        }
        if (!changePage(back ? (page == 0 ? pages - 1 : page - 1) : page + 1))
            return;
        from = nullptr;
    }
}

bool TdlgSurveyDataForm::eventFilter(QObject *watched, QEvent *event)
{
    // Page changes by the tab bar go through the page checks.
    if (watched == m_pages->tabBar() && event->type() == QEvent::MouseButtonPress) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        const int index = m_pages->tabBar()->tabAt(mouse->position().toPoint());
        if (index >= 0 && mouse->button() == Qt::LeftButton)
            changePage(index);
        return true;
    }
    if ((watched == m_pages || watched == m_pages->tabBar()) && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if ((key->modifiers() & Qt::ControlModifier) &&
            (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab || key->key() == Qt::Key_PageUp ||
             key->key() == Qt::Key_PageDown)) {
            const bool back = key->key() == Qt::Key_Backtab || key->key() == Qt::Key_PageUp;
            changePage((currentPage() + (back ? m_pages->count() - 1 : 1)) % m_pages->count());
            return true;
        }
        if (watched == m_pages->tabBar() && (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right))
            return true;
    }
    if (watched == m_errors.get()) {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::Move:
        case QEvent::Resize:
            followErrorList();
            break;
        default:
            break;
        }
        return false;
    }
    auto *w = qobject_cast<QWidget *>(watched);
    if (w && (qobject_cast<TNumberEdit *>(w) || qobject_cast<TKvValidEdit *>(w))) {
        if (event->type() == QEvent::KeyPress) {
            auto *key = static_cast<QKeyEvent *>(event);
            if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
                return false;
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Down) {
                walk(w, false);
                return true;
            }
            if (key->key() == Qt::Key_Up) {
                walk(w, true);
                return true;
            }
        } else if (event->type() == QEvent::FocusIn) {
            // Wherever the focus comes from (Enter, Tab, a click, the error
            // list, a check that failed), the box is brought into view.
            reveal(w);
            // The cover's text boxes (name, filler, telephone) are typed in Chinese.
            if (qobject_cast<TKvValidEdit *>(w) && !m_prefs.imePrefer.isEmpty())
                InputMethods::switchTo(m_prefs.imePrefer);
        } else if (event->type() == QEvent::FocusOut && !isWindowChange(static_cast<QFocusEvent *>(event)->reason())) {
            const QString name = w->objectName();
            if (m_record->rules().isGate(name)) {
                if (m_record->Loaded())
                    m_record->refreshOpen();
            } else if (name.startsWith(QLatin1String("c90")) && name != QLatin1String("c901")) {
                // Checked once the focus has settled, so that a message box
                // does not fight the focus change that is under way.
                QTimer::singleShot(0, this, [this, w, name] {
                    if (!w->hasFocus() && isVisible())
                        m_record->leaveCoverBox(name);
                });
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace tq::gui
