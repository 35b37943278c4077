#include "entry/TdlgSurveyDataForm.h"

#include "app/AppPaths.h"
#include "app/InputMethods.h"
#include "app/Session.h"
#include "common/Error.h"
#include "common/Interaction.h"
#include "db/FieldCatalogue.h"
#include "entry/CodeMenu.h"
#include "entry/LevelRules.h"
#include "entry/ProcessorSignature.h"
#include "entry/RtfDocument.h"
#include "entry/SurveyRecordStore.h"
#include "entry/TButtonBox.h"
#include "entry/TCityNameForm.h"
#include "entry/TKvValidEdit.h"
#include "entry/TNumberEdit.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollArea>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

static void initEntryResources() { Q_INIT_RESOURCE(entry); }

namespace tq::gui {

namespace {

// Captions of the pages, in their order.
const char16_t *const kCaptions[TdlgSurveyDataForm::kPageCount] = {
    u"封面", u"表1", u"表2", u"表3", u"表4", u"表4-续", u"表5", u"表6", u"表7", u"表8", u"表9", u"表10", u"表11", u"表12"};

// Boxes that hold a one-digit code before the catalogue sets their limits.
const char *const kCodeBoxes[] = {"x003", "x004", "x005", "x006", "b001", "b011", "b013", "f003", "f008",
                                  "f015", "f016", "f022", "l001", "h001", "h002", "j013", "s001", "s002",
                                  "s004", "s007", "s008", "s009", "s010", "c003", "c011", "c017"};
// Amounts in which decimals may be typed (the value is rounded on saving).
const char *const kDecimalBoxes[] = {"b016", "b017", "b018", "b019", "b020", "b030", "b033", "b037", "b047", "b048"};

struct Gate {
    const char *gate;
    const char *first;
    const char *last;
};
const Gate kGates[] = {{"b001", "b002", "b008"}, {"c001", "c002", "c008"}, {"c009", "c010", "c021"}};

bool inRange(const QString &name, const char *first, const char *last)
{
    return name.size() == 4 && name.at(0) == QLatin1Char(first[0]) && name >= QLatin1String(first) &&
           name <= QLatin1String(last);
}

const QString kForbidden = QStringLiteral("'\"`");

QString saveError(const QString &why)
{
    return QStringLiteral("保存过程中遇到错误：") + why + QStringLiteral("数据没有被保存。");
}

QLabel *wrappedLabel(const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

} // namespace

TdlgSurveyDataForm::TdlgSurveyDataForm(Session &session, Settings &settings, Interaction &ui, Preferences &prefs,
                                       QWidget *parent)
    : QDialog(parent), m_session(session), m_settings(settings), m_ui(ui), m_prefs(prefs),
      m_errors(std::make_unique<TMessageListWinForm>())
{
    initEntryResources();
    setObjectName(QStringLiteral("TdlgSurveyDataForm"));
    setWindowTitle(QStringLiteral("基层以上单位数据"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    m_notesFolder = QDir(AppPaths::programDir()).filePath(QStringLiteral("notes")) + QLatin1Char('/');
    m_walk.resize(kPageCount);
    m_errors->setJumpTarget(this);

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
    m_pages->addTab(buildCover(), QString::fromUtf16(kCaptions[0]));
    buildTablePages();
    connect(m_pages, &QTabWidget::currentChanged, this, [this] {
        if (!m_changingPage)
            FocusFirstBox();
    });
    layout->addWidget(m_pages, 1);

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
    resize(1340, 720);
}

TdlgSurveyDataForm::~TdlgSurveyDataForm() = default;

void TdlgSurveyDataForm::buildToolBar(QVBoxLayout *layout)
{
    auto *bar = new QHBoxLayout;
    const auto button = [&](QToolButton *&b, const char *name, const QString &caption, const QString &tip) {
        b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(caption);
        b->setToolTip(tip);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setMinimumSize(76, 28);
        b->setFocusPolicy(Qt::NoFocus);
        bar->addWidget(b);
    };
    button(m_tbHold, "tbHold", QStringLiteral("临时保存"), QStringLiteral("只检查封面，临时保存 (Ctrl+S)"));
    button(m_tbSave, "tbSave", QStringLiteral("保存记录"), QStringLiteral("检查逻辑后保存"));
    button(m_tbAdd, "tbAdd", QStringLiteral("保存记录"), QStringLiteral("检查逻辑后保存"));
    button(m_tbCheck, "tbCheck", QStringLiteral("检查逻辑"), QStringLiteral("检查所有表页的逻辑关系"));
    button(m_tbPrint, "tbPrint", QStringLiteral("打  印"), QStringLiteral("打印当前的报表"));
    button(m_tbReturn, "tbReturn", QStringLiteral("返  回"), QStringLiteral("放弃未保存的修改并关闭"));
    connect(m_tbHold, &QToolButton::clicked, this, &TdlgSurveyDataForm::tbHoldClick);
    connect(m_tbSave, &QToolButton::clicked, this, &TdlgSurveyDataForm::tbSaveClick);
    connect(m_tbAdd, &QToolButton::clicked, this, &TdlgSurveyDataForm::tbSaveClick);
    connect(m_tbCheck, &QToolButton::clicked, this, &TdlgSurveyDataForm::tbCheckClick);
    connect(m_tbPrint, &QToolButton::clicked, this, &TdlgSurveyDataForm::tbPrintClick);
    connect(m_tbReturn, &QToolButton::clicked, this, &TdlgSurveyDataForm::tbReturnClick);
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
        connect(m_nav[i], &QAction::triggered, this, [this, i] { navigate(i); });
    }
    bar->addWidget(m_navBar);
    m_itemNo = new QLabel(this);
    m_itemNo->setObjectName(QStringLiteral("ItemNo"));
    m_itemNo->setMinimumWidth(130);
    m_itemNo->setAlignment(Qt::AlignCenter);
    bar->addWidget(m_itemNo);
    layout->addLayout(bar);
}

TNumberEdit *TdlgSurveyDataForm::addNumberBox(const QString &name, QWidget *parent)
{
    auto *b = new TNumberEdit(parent);
    b->setObjectName(name);
    b->setFixedWidth(140);
    m_numbers.insert(name.toLower(), b);
    wireBox(b);
    connect(b, &QLineEdit::textChanged, this, [this, name] {
        ContentChange();
        for (const Gate &g : kGates)
            if (name == QLatin1String(g.gate))
                gateChanged();
    });
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
    wireBox(b);
    connect(b, &QLineEdit::textChanged, this, &TdlgSurveyDataForm::ContentChange);
    return b;
}

void TdlgSurveyDataForm::wireBox(QWidget *box) { box->installEventFilter(this); }

QWidget *TdlgSurveyDataForm::buildCover()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet0"));
    auto *outer = new QVBoxLayout(page);
    auto *title = new QLabel(QStringLiteral("2009年度  基层以上工会调查表"), page);
    QFont tf = title->font();
    tf.setPointSize(tf.pointSize() + 7);
    tf.setBold(true);
    title->setFont(tf);
    title->setAlignment(Qt::AlignCenter);
    outer->addWidget(title);
    outer->addSpacing(10);

    auto *row = new QHBoxLayout;
    auto *statute = new QLabel(QStringLiteral("根据《中华人民共和国统计法》的规定，本表所填报的资料，"
                                              "仅供统计之用。各填报单位必须依法如实填报，"
                                              "不得虚报、瞒报、拒报、迟报，不得伪造、篡改。"),
                               page);
    statute->setWordWrap(true);
    statute->setFixedWidth(260);
    statute->setFrameShape(QFrame::StyledPanel);
    statute->setMargin(8);
    statute->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    row->addWidget(statute, 0, Qt::AlignTop);
    row->addSpacing(24);

    auto *form = new QGridLayout;
    form->setHorizontalSpacing(8);
    form->setVerticalSpacing(12);
    int r = 0;
    const auto addRow = [&](const QString &label, QWidget *box, QWidget *extra = nullptr) {
        auto *l = new QLabel(label, page);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        form->addWidget(l, r, 0);
        form->addWidget(box, r, 1);
        if (extra)
            form->addWidget(extra, r, 2);
        ++r;
    };
    TNumberEdit *c901 = addNumberBox(QStringLiteral("c901"), page);
    c901->setMaxDigits(7);
    c901->setMaximum(9999999);
    c901->setMinimum(1);
    c901->setBlankValue(1);
    c901->setDisplay(TNumberEdit::Display::Plain);
    addRow(QStringLiteral("901. 本级工会编码："), c901);
    TKvValidEdit *c902 = addTextBox(QStringLiteral("c902"), 60, page);
    c902->setMinimumWidth(380);
    addRow(QStringLiteral("902. 本级工会名称："), c902);
    TNumberEdit *c903 = addNumberBox(QStringLiteral("c903"), page);
    c903->setMaxDigits(6);
    c903->setMaximum(999999);
    c903->setDisplay(TNumberEdit::Display::SixDigits);
    m_cityName = new TButtonBox(page);
    m_cityName->setObjectName(QStringLiteral("CityNameCtrl"));
    m_cityName->setMinimumWidth(320);
    connect(m_cityName, &TButtonBox::buttonClicked, this, &TdlgSurveyDataForm::cityNameButtonClick);
    connect(m_cityName, &TButtonBox::textChanged, this, &TdlgSurveyDataForm::ContentChange);
    addRow(QStringLiteral("903. 本级工会所在地行政区划代码："), c903, m_cityName);
    TNumberEdit *c904 = addNumberBox(QStringLiteral("c904"), page);
    c904->setMaxDigits(6);
    c904->setMaximum(999999);
    c904->setBlankValue(10);
    c904->setDisplay(TNumberEdit::Display::Plain);
    m_levelName = new TButtonBox(page);
    m_levelName->setObjectName(QStringLiteral("LevelName"));
    m_levelName->setMinimumWidth(320);
    connect(m_levelName, &TButtonBox::buttonClicked, this, &TdlgSurveyDataForm::levelNameButtonClick);
    connect(m_levelName, &TButtonBox::textChanged, this, &TdlgSurveyDataForm::ContentChange);
    addRow(QStringLiteral("904. 本级工会层次代码："), c904, m_levelName);
    TKvValidEdit *c905 = addTextBox(QStringLiteral("c905"), 50, page);
    addRow(QStringLiteral("填 表 人："), c905);
    TKvValidEdit *c906 = addTextBox(QStringLiteral("c906"), 50, page);
    addRow(QStringLiteral("联系电话："), c906);
    for (const char *n : {"c901", "c902", "c903", "c904", "c905", "c906"}) {
        QWidget *b = box(QString::fromLatin1(n));
        m_walk[0].push_back(b);
        m_pageOf.insert(QString::fromLatin1(n), 0);
    }
    form->setColumnStretch(3, 1);
    row->addLayout(form, 1);

    auto *header = new QLabel(QStringLiteral("表　　号：NB-TQ\n制表机关：vezaroz\n批准机关：国家统计局\n"
                                             "批准文号：国统制[2009]34 号\n有效期至：2011年7月1日"),
                              page);
    header->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    row->addWidget(header, 0, Qt::AlignTop);
    outer->addLayout(row);
    outer->addStretch(1);
    return page;
}

void TdlgSurveyDataForm::buildTablePages()
{
    QFile f(QStringLiteral(":/entry/pages.txt"));
    if (!f.open(QIODevice::ReadOnly))
        return;
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    int page = -1;
    QString title, note;
    QStringList body;
    const auto flush = [&] {
        if (page < 1)
            return;
        QWidget *w = buildTablePage(page, body, title, note);
        m_pages->addTab(w, QString::fromUtf16(kCaptions[page]));
    };
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1String("page "))) {
            flush();
            page = line.section(QLatin1Char(' '), 1, 1).toInt();
            title = line.section(QLatin1Char('|'), 1).trimmed();
            note.clear();
            body.clear();
        } else if (line.startsWith(QLatin1String("note "))) {
            note = line.mid(5).trimmed();
        } else {
            body << line;
        }
    }
    flush();
}

QWidget *TdlgSurveyDataForm::buildTablePage(int page, const QStringList &lines, const QString &title,
                                            const QString &note)
{
    const db::FieldCatalogue &cat = catalogue();
    auto *scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("TabSheet%1").arg(page));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *inner = new QWidget;
    auto *col = new QVBoxLayout(inner);
    col->setContentsMargins(8, 4, 8, 4);
    col->setSpacing(6);
    auto *heading = new QLabel(title, inner);
    QFont hf = heading->font();
    hf.setPointSize(hf.pointSize() + 3);
    hf.setBold(true);
    heading->setFont(hf);
    heading->setAlignment(Qt::AlignCenter);
    heading->setWordWrap(true);
    col->addWidget(heading);
    if (!note.isEmpty()) {
        auto *n = new QLabel(note, inner);
        n->setAlignment(Qt::AlignCenter);
        n->setWordWrap(true);
        col->addWidget(n);
    }

    QGroupBox *group = nullptr;
    QGridLayout *grid = nullptr;
    int row = 0;
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1String("group "))) {
            group = new QGroupBox(line.mid(6).trimmed(), inner);
            grid = new QGridLayout(group);
            grid->setHorizontalSpacing(10);
            grid->setVerticalSpacing(4);
            for (int c = 0; c < 2; ++c) {
                grid->setColumnStretch(c * 2, 1);
                grid->setColumnMinimumWidth(c * 2, 260);
            }
            col->addWidget(group);
            row = 0;
            continue;
        }
        if (!grid)
            continue;
        int c = 0;
        for (const QString &name : line.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const db::CatalogueField *f = cat.byFieldName(name);
            QLabel *label = wrappedLabel(f ? f->hint : name, group);
            TNumberEdit *b = addNumberBox(name, group);
            label->setBuddy(b);
            b->setMaximum(name == QLatin1String("z001") ? 999999999 : 99999999);
            for (const char *code : kCodeBoxes) {
                if (name == QLatin1String(code)) {
                    b->setMaxDigits(1);
                    b->setMaximum(2);
                }
            }
            for (const char *dec : kDecimalBoxes)
                if (name == QLatin1String(dec))
                    b->setAllowDecimals(true);
            grid->addWidget(label, row, c * 2);
            grid->addWidget(b, row, c * 2 + 1);
            m_walk[std::size_t(page)].push_back(b);
            m_pageOf.insert(name, page);
            ++c;
        }
        ++row;
    }
    col->addStretch(1);
    scroll->setWidget(inner);
    return scroll;
}

const db::FieldCatalogue &TdlgSurveyDataForm::catalogue()
{
    if (m_catalogue)
        return *m_catalogue;
    if (!m_ownCatalogue) {
        m_ownCatalogue = std::make_unique<db::FieldCatalogue>();
        // Without a catalogue the boxes stay unlabelled and unbound; say why.
        try {
            *m_ownCatalogue = db::FieldCatalogue::load(m_session.db());
        } catch (const Error &e) {
            m_ui.message(generalErrorMessage(e.text()));
        }
    }
    return *m_ownCatalogue;
}

void TdlgSurveyDataForm::setRecordList(const RecordList &list, std::function<void()> saved)
{
    m_list = list;
    m_saved = std::move(saved);
}

TNumberEdit *TdlgSurveyDataForm::numberBox(const QString &name) const { return m_numbers.value(name.toLower()); }
TKvValidEdit *TdlgSurveyDataForm::textBox(const QString &name) const { return m_texts.value(name.toLower()); }
QWidget *TdlgSurveyDataForm::box(const QString &name) const
{
    if (TNumberEdit *n = numberBox(name))
        return n;
    return textBox(name);
}

int TdlgSurveyDataForm::currentPage() const { return m_pages->currentIndex(); }

// ---------------------------------------------------------------------------
// Showing and loading

int TdlgSurveyDataForm::exec()
{
    FormShow();
    m_errors->setOwnerWindow(this);
    const int rc = QDialog::exec();
    m_errors->hide();
    return rc;
}

void TdlgSurveyDataForm::FormShow()
{
    move(10, 2);
    try {
        m_levelCodes = entry::loadLevelCodes(m_session.db());
    } catch (const Error &e) {
        m_ui.message(generalErrorMessage(e.text()));
    }
    LoadRecord();
    m_tbPrint->setEnabled(!m_isAdding);
    m_navBar->setVisible(!m_isAdding && m_list.rowCount() > 1);
    m_itemNo->setVisible(!m_isAdding);
}

void TdlgSurveyDataForm::LoadRecord()
{
    m_loaded = false;
    const db::FieldCatalogue &cat = catalogue();
    std::optional<QHash<QString, QVariant>> row;
    if (!m_isAdding && m_list.currentCode()) {
        const qint64 code = *m_list.currentCode();
        try {
            row = entry::SurveyRecordStore(m_session.db()).load(code);
        } catch (const Error &e) {
            m_ui.message(generalErrorMessage(e.text()));
        }
    }
    if (m_isAdding || !row) {
        m_savedOnce = false;
        m_currentCode = 0;
        for (const db::CatalogueField &f : cat.fields()) {
            if (f.queryType == 0 && f.id > 7) {
                if (TNumberEdit *b = numberBox(f.fieldName)) {
                    b->setValue(0);
                    b->setMaximum(99999999999999LL);
                    b->setMaxDigits(0);
                    b->setMinimum(0);
                }
            } else if (f.queryType == 1) {
                if (TKvValidEdit *t = textBox(f.fieldName)) {
                    t->setText(QString());
                    t->setForbidChars(kForbidden);
                }
            } else if (f.queryType == 3) {
                if (TNumberEdit *b = numberBox(f.fieldName)) {
                    b->setValue(0);
                    b->setMaximum(2);
                    b->setMaxDigits(1);
                    b->setMinimum(0);
                }
            }
        }
        qint64 next = 0;
        try {
            next = entry::SurveyRecordStore(m_session.db()).proposeNextCode();
        } catch (const Error &e) {
            m_ui.message(generalErrorMessage(e.text()));
        }
        numberBox(QStringLiteral("c901"))->setValue(next);
        const qint64 city = m_settings.readInteger(Settings::EnvKey, QStringLiteral("AppLastCity"), 0);
        numberBox(QStringLiteral("c903"))->setValue(city);
        m_cityName->setTag(city);
        m_cityName->setText(entry::RegionName(m_session.db(), city, m_ui));
        numberBox(QStringLiteral("c904"))->setValue(10);
        m_levelName->setTag(10);
        m_levelName->setText(entry::CodeName(m_levelCodes, 10));
        textBox(QStringLiteral("c905"))->setText(m_settings.readString(Settings::DataKey, QStringLiteral("c905")));
        textBox(QStringLiteral("c906"))->setText(m_settings.readString(Settings::DataKey, QStringLiteral("c906")));
    } else {
        m_currentCode = row->value(QStringLiteral("c901")).toLongLong();
        for (const db::CatalogueField &f : cat.fields()) {
            const QVariant v = row->value(f.fieldName.toLower());
            if (f.queryType == 0 || f.queryType == 3) {
                TNumberEdit *b = numberBox(f.fieldName);
                if (!b)
                    continue;
                b->setValue(v.isNull() ? 0 : qRound64(v.toDouble()));
                if (f.id > 7) {
                    b->setMinimum(0);
                    b->setMaximum(f.queryType == 3 ? 2 : 99999999999999LL);
                    b->setMaxDigits(f.queryType == 3 ? 1 : 0);
                }
            } else if (f.queryType == 1) {
                if (TKvValidEdit *t = textBox(f.fieldName)) {
                    t->setText(v.toString());
                    t->setForbidChars(kForbidden);
                }
            }
        }
        entry::CoverValidation cover(m_session.db(), m_ui, *this);
        cover.c903ExitSilent();
        cover.c904ExitSilent();
    }
    // The gate and four-way questions take their own ranges in every mode
    // (a stray 7 in a four-way answer would otherwise be accepted when adding).
    const auto limit = [this](const char *name, qint64 max, qint64 min) {
        if (TNumberEdit *b = numberBox(QString::fromLatin1(name))) {
            b->setMaximum(max);
            b->setMaxDigits(1);
            b->setMinimum(min);
        }
    };
    limit("c001", 2, 1);
    limit("c002", 4, 0);
    limit("c003", 4, 0);
    limit("c009", 2, 1);
    ApplyLevelRules(numberBox(QStringLiteral("c904"))->value());
    m_tbHold->setEnabled(false);
    m_tbSave->setEnabled(false);
    showPage(0);
    LoadNotes(0);
    numberBox(QStringLiteral("c901"))->setFocus();
    updateNavigation();
    m_tbAdd->setVisible(m_isAdding);
    m_tbSave->setVisible(!m_isAdding);
    m_tbSave->setEnabled(false);
    m_tbHold->setEnabled(false);
    m_loaded = true;
}

void TdlgSurveyDataForm::updateNavigation()
{
    const int count = m_list.rowCount();
    if (count < 2) {
        m_itemNo->setText(QStringLiteral("第1条/共1条"));
        m_navBar->hide();
    } else {
        m_itemNo->setText(QStringLiteral("第%1条/共%2条").arg(m_list.currentRow() + 1).arg(count));
        m_navBar->setVisible(!m_isAdding);
    }
    const int at = m_list.currentRow();
    m_nav[0]->setEnabled(at > 0);
    m_nav[1]->setEnabled(at > 0);
    m_nav[2]->setEnabled(at >= 0 && at < count - 1);
    m_nav[3]->setEnabled(at >= 0 && at < count - 1);
}

void TdlgSurveyDataForm::LoadNotes(int page)
{
    m_notes->clear();
    const QString path = m_notesFolder + QStringLiteral("TableNotesTQ-%1.rtf").arg(page, 2, 10, QLatin1Char('0'));
    m_notes->setHtml(entry::RtfDocument::readFileAsHtml(path));
}

// ---------------------------------------------------------------------------
// Dirty marking, gates and level rules

void TdlgSurveyDataForm::ContentChange()
{
    m_tbHold->setEnabled(true);
    m_tbSave->setEnabled(true);
    m_tbPrint->setEnabled(false);
}

bool TdlgSurveyDataForm::isDirty() const { return m_tbHold->isEnabled() && m_tbSave->isEnabled(); }

void TdlgSurveyDataForm::gateChanged()
{
    ContentChange();
    refreshEnabled();
}

// A box is open when the record's level takes it and its gate question, if
// any, is answered 是; a box that is closed holds 0.
void TdlgSurveyDataForm::refreshEnabled()
{
    const qint64 level = numberBox(QStringLiteral("c904")) ? numberBox(QStringLiteral("c904"))->value() : 10;
    const db::FieldCatalogue &cat = catalogue();
    for (auto it = m_numbers.cbegin(); it != m_numbers.cend(); ++it) {
        const QString &name = it.key();
        TNumberEdit *b = it.value();
        bool open = true;
        if (const db::CatalogueField *f = cat.byFieldName(name); f && !f->rule.isEmpty() &&
                                                                (f->queryType == 0 || f->queryType == 3))
            open = entry::LevelRuleHolds(int(level), f->rule);
        for (const Gate &g : kGates) {
            if (inRange(name, g.first, g.last)) {
                TNumberEdit *gateBox = numberBox(QString::fromLatin1(g.gate));
                if (gateBox && gateBox->value() != 1)
                    open = false;
            }
        }
        b->setEnabled(open);
        if (!open && b->value() != 0)
            b->setValue(0);
    }
    for (const db::CatalogueField &f : cat.fields()) {
        if (f.queryType != 1 || f.rule.isEmpty())
            continue;
        if (TKvValidEdit *t = textBox(f.fieldName)) {
            const bool holds = entry::LevelRuleHolds(int(level), f.rule);
            t->setEnabled(holds);
            if (!holds)
                t->clear();
        }
    }
}

void TdlgSurveyDataForm::ApplyLevelRules(qint64 level)
{
    TNumberEdit *c904 = numberBox(QStringLiteral("c904"));
    if (c904->value() != level || c904->isBlank())
        c904->setValue(level);
    refreshEnabled();
}

// ---------------------------------------------------------------------------
// Cover view and box values

qint64 TdlgSurveyDataForm::boxValue(entry::CoverBox b) const
{
    TNumberEdit *n = numberBox(entry::coverBoxName(b));
    return n ? n->value() : 0;
}

QString TdlgSurveyDataForm::boxText(entry::CoverBox b) const
{
    TKvValidEdit *t = textBox(entry::coverBoxName(b));
    return t ? t->text() : QString();
}

void TdlgSurveyDataForm::setBoxText(entry::CoverBox b, const QString &text)
{
    if (TKvValidEdit *t = textBox(entry::coverBoxName(b)))
        t->setText(text);
}

void TdlgSurveyDataForm::focusBox(entry::CoverBox b)
{
    if (currentPage() != 0)
        showPage(0);
    if (QWidget *w = box(entry::coverBoxName(b)))
        w->setFocus();
}

void TdlgSurveyDataForm::disableSaveButtons()
{
    m_tbHold->setEnabled(false);
    m_tbSave->setEnabled(false);
}

void TdlgSurveyDataForm::showCoverPage() { showPage(0); }

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

logic::BoxValues::Kind TdlgSurveyDataForm::boxKind(const QString &name) const
{
    if (numberBox(name))
        return Kind::Numeric;
    if (textBox(name) || name.compare(QLatin1String("CityNameCtrl"), Qt::CaseInsensitive) == 0 ||
        name.compare(QLatin1String("LevelName"), Qt::CaseInsensitive) == 0)
        return Kind::Other;
    return Kind::Missing;
}

qint64 TdlgSurveyDataForm::boxValue(const QString &name) const
{
    TNumberEdit *n = numberBox(name);
    return n ? n->value() : 0;
}

void TdlgSurveyDataForm::focusBoxByName(const QString &name)
{
    QWidget *w = box(name);
    if (w && w->isEnabled() && m_pageOf.value(w->objectName(), -1) == currentPage())
        w->setFocus();
}

// ---------------------------------------------------------------------------
// Checks

bool TdlgSurveyDataForm::checkCover()
{
    try {
        return entry::CoverValidation(m_session.db(), m_ui, *this).CheckCover();
    } catch (const Error &e) {
        m_ui.message(generalErrorMessage(e.text()));
        return false;
    }
}

bool TdlgSurveyDataForm::checkAllPages()
{
    try {
        return logic::PageRules(m_session.db(), m_session.fieldHints(), *this, *m_errors, m_ui).CheckAllPages();
    } catch (const Error &e) {
        m_ui.message(e.text());
        return m_errors->IsListEmpty();
    }
}

bool TdlgSurveyDataForm::checkPageRules(int page, bool clearFirst)
{
    try {
        return logic::PageRules(m_session.db(), m_session.fieldHints(), *this, *m_errors, m_ui)
            .CheckPageRules(page, clearFirst);
    } catch (const Error &e) {
        m_ui.message(e.text());
        return m_errors->IsListEmpty();
    }
}

bool TdlgSurveyDataForm::changePage(int index)
{
    if (index < 0 || index >= kPageCount || index == currentPage())
        return index == currentPage();
    if (m_loaded) {
        m_errors->ClearList();
        const int from = currentPage();
        bool rules = true;
        if (from == 0) {
            if (!checkCover())
                return false;
            rules = m_errors->JumpInProgress();
        }
        if (rules) {
            checkPageRules(index, true);
            if (from != 0)
                checkPageRules(from, false);
        }
    }
    m_changingPage = true;
    m_pages->setCurrentIndex(index);
    m_changingPage = false;
    LoadNotes(index);
    FocusFirstBox();
    return true;
}

// ---------------------------------------------------------------------------
// Saving

bool TdlgSurveyDataForm::SaveRecord(SaveKind kind, bool appending)
{
    const db::FieldCatalogue &cat = catalogue();
    entry::SurveyRecordStore::Values values;
    for (const db::CatalogueField &f : cat.fields()) {
        if (f.queryType == 0 || f.queryType == 3) {
            if (TNumberEdit *b = numberBox(f.fieldName))
                values.append({f.fieldName, b->value()});
        } else if (f.queryType == 1) {
            if (TKvValidEdit *t = textBox(f.fieldName))
                values.append({f.fieldName, t->text().trimmed()});
        }
    }
    values.append({QStringLiteral("RecordState"), int(kind)});
    values.append({QStringLiteral("stats"), entry::ProcessorSignature()});
    try {
        entry::SurveyRecordStore(m_session.db()).save(values, appending, m_currentCode);
    } catch (const Error &e) {
        m_ui.message(saveError(e.text()));
        return false;
    }
    m_currentCode = numberBox(QStringLiteral("c901"))->value();
    return true;
}

void TdlgSurveyDataForm::requeryList()
{
    // While adding, the window has no navigation to keep up to date.
    if (m_list.isOpen() && !m_isAdding) {
        try {
            m_list.requery(m_session.db());
        } catch (const Error &e) {
            m_ui.message(generalErrorMessage(e.text()));
        }
    }
    if (m_saved)
        m_saved();
}

void TdlgSurveyDataForm::tbHoldClick()
{
    if (!checkCover())
        return;
    if (!SaveRecord(SaveKind::Temporary, m_isAdding && !m_savedOnce))
        return;
    requeryList();
    m_savedOnce = true;
    m_tbHold->setEnabled(false);
    m_ui.message(QStringLiteral("数据已经被临时保存。"));
}

bool TdlgSurveyDataForm::save(bool fromClosePrompt)
{
    if (!checkCover())
        return false;
    if (!fromClosePrompt)
        checkAllPages();
    const bool clean = m_errors->IsListEmpty();
    if (!SaveRecord(clean ? SaveKind::Clean : SaveKind::WithErrors, m_isAdding && !m_savedOnce))
        return false;
    requeryList();
    m_tbHold->setEnabled(false);
    m_tbSave->setEnabled(false);
    m_savedOnce = false;
    m_ui.message(clean ? QStringLiteral("数据保存成功，没有逻辑错误！") : QStringLiteral("数据保存成功，有逻辑错误！"));
    m_settings.writeInteger(Settings::EnvKey, QStringLiteral("AppLastCity"),
                            int(numberBox(QStringLiteral("c903"))->value()));
    m_settings.writeString(Settings::DataKey, QStringLiteral("c905"), textBox(QStringLiteral("c905"))->text());
    m_settings.writeString(Settings::DataKey, QStringLiteral("c906"), textBox(QStringLiteral("c906"))->text());
    if (m_isAdding)
        LoadRecord();
    return true;
}

void TdlgSurveyDataForm::tbCheckClick()
{
    if (!checkCover())
        return;
    checkAllPages();
    if (m_errors->IsListEmpty()) {
        m_ui.message(QStringLiteral("没有逻辑错误"));
        m_errors->hide();
    } else {
        m_errors->ShowList();
        FocusFirstBox();
    }
}

void TdlgSurveyDataForm::tbPrintClick()
{
    if (m_print)
        m_print(m_printCode);
}

void TdlgSurveyDataForm::tbReturnClick()
{
    m_tbSave->setEnabled(false);
    close();
}

bool TdlgSurveyDataForm::FormCloseQuery()
{
    if (isDirty() && m_ui.confirm(QStringLiteral("对数据改动后尚未保存，准备保存这些改动吗？"),
                                  QStringLiteral("提示信息"), false)) {
        if (!checkCover())
            return false;
        checkAllPages();
        m_errors->hide();
        if (m_errors->IsListEmpty())
            save(true);
        else if (SaveRecord(SaveKind::Temporary, m_isAdding && !m_savedOnce)) {
            requeryList();
            m_savedOnce = true;
            m_tbHold->setEnabled(false);
            m_tbSave->setEnabled(false);
        }
        return true;
    }
    m_errors->hide();
    return true;
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

void TdlgSurveyDataForm::navigate(int where)
{
    if (m_list.isEmpty() || !FormCloseQuery())
        return;
    switch (where) {
    case 0:
        m_list.first();
        break;
    case 1:
        m_list.prev();
        break;
    case 2:
        m_list.next();
        break;
    default:
        m_list.last();
    }
    m_printCode = m_list.currentCode().value_or(0);
    LoadRecord();
}

// ---------------------------------------------------------------------------
// Pickers

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
    ShowCodeMenu(m_levelName, m_levelCodes, [this](qint64 code) { ApplyLevelRules(code); });
}

void TdlgSurveyDataForm::coverExit(const QString &name)
{
    if (!m_loaded || !isVisible())
        return;
    entry::CoverValidation cover(m_session.db(), m_ui, *this);
    if (name == QLatin1String("c902"))
        cover.c902Exit();
    else if (name == QLatin1String("c903"))
        cover.c903Exit();
    else if (name == QLatin1String("c904"))
        cover.c904Exit();
    else if (name == QLatin1String("c905"))
        cover.c905Exit();
    else if (name == QLatin1String("c906"))
        cover.c906Exit();
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

// Moves on from `from` (the page's start when null); past the page's last
// open box the walk goes on to the next page, skipping pages where nothing
// is open for this record, and past the last page it saves.
void TdlgSurveyDataForm::FocusNextBox(QWidget *from)
{
    for (int step = 0; step <= kPageCount; ++step) {
        const int page = currentPage();
        const auto &order = m_walk[std::size_t(page)];
        auto it = order.begin();
        if (from) {
            it = std::find(order.begin(), order.end(), from);
            it = it == order.end() ? order.begin() : it + 1;
        }
        for (; it != order.end(); ++it) {
            if ((*it)->isEnabled()) {
                (*it)->setFocus(Qt::TabFocusReason);
                return;
            }
        }
        if (page == kLastPage) {
            tbSaveClick();
            return;
        }
        if (!changePage(page + 1))
            return;
        from = nullptr;
    }
}

void TdlgSurveyDataForm::FocusPrevBox(QWidget *from)
{
    for (int step = 0; step <= kPageCount; ++step) {
        const int page = currentPage();
        const auto &order = m_walk[std::size_t(page)];
        int i = int(order.size()) - 1;
        if (from) {
            const auto it = std::find(order.begin(), order.end(), from);
            i = it == order.end() ? int(order.size()) - 1 : int(it - order.begin()) - 1;
        }
        for (; i >= 0; --i) {
            if (order[std::size_t(i)]->isEnabled()) {
                order[std::size_t(i)]->setFocus(Qt::BacktabFocusReason);
                return;
            }
        }
        if (!changePage(page == 0 ? kLastPage : page - 1))
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
            changePage((currentPage() + (back ? kPageCount - 1 : 1)) % kPageCount);
            return true;
        }
        if (watched == m_pages->tabBar() && (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right))
            return true;
    }
    auto *w = qobject_cast<QWidget *>(watched);
    if (w && (qobject_cast<TNumberEdit *>(w) || qobject_cast<TKvValidEdit *>(w))) {
        if (event->type() == QEvent::KeyPress) {
            auto *key = static_cast<QKeyEvent *>(event);
            if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
                return false;
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Down) {
                FocusNextBox(w);
                return true;
            }
            if (key->key() == Qt::Key_Up) {
                FocusPrevBox(w);
                return true;
            }
        } else if (event->type() == QEvent::FocusIn) {
            const QString name = w->objectName();
            if ((name == QLatin1String("c902") || name == QLatin1String("c905") || name == QLatin1String("c906")) &&
                !m_prefs.imePrefer.isEmpty())
                InputMethods::switchTo(m_prefs.imePrefer);
        } else if (event->type() == QEvent::FocusOut) {
            const QString name = w->objectName();
            if (name == QLatin1String("c001") || name == QLatin1String("c009")) {
                if (m_loaded)
                    refreshEnabled();
            } else if (name.startsWith(QLatin1String("c90")) && name != QLatin1String("c901")) {
                // Checked once the focus has settled, so that a message box
                // does not fight the focus change that is under way.
                QTimer::singleShot(0, this, [this, w, name] {
                    if (!w->hasFocus())
                        coverExit(name);
                });
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace tq::gui
