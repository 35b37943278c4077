#include "app/TMainForm.h"

#include "app/DatabaseCommands.h"
#include "app/InputMethods.h"
#include "app/RecordListModel.h"
#include "app/Session.h"
#include "app/TdlgAboutForm.h"
#include "app/TdlgOptionSetupForm.h"
#include "app/AppPaths.h"
#include "common/Error.h"
#include "logic/BatchCheck.h"
#include "logic/TdlgCheckForm.h"
#include "entry/RecordPrintout.h"
#include "entry/TdlgSurveyDataForm.h"
#include "common/Interaction.h"

#include <QAction>
#include <QApplication>
#include <QDate>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QToolBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace tq::gui {

namespace {

struct Command {
    const char *name;
    const char16_t *caption;
    QStyle::StandardPixmap icon;
};

// Every command of the window, in the order of the command table.
const Command kCommands[] = {
    {"actAddNew", u"添加新记录", QStyle::SP_FileIcon},
    {"actModify", u"修改选中的记录", QStyle::SP_FileDialogDetailedView},
    {"actDelete", u"删除记录", QStyle::SP_TrashIcon},
    {"actFastImport", u"数据导入", QStyle::SP_ArrowDown},
    {"actMultiImport", u"数据批量导入", QStyle::SP_FileDialogNewFolder},
    {"actImport", u"逐条导入", QStyle::SP_ArrowDown},
    {"actExport", u"数据上报", QStyle::SP_ArrowUp},
    {"actBackup", u"数据备份", QStyle::SP_DriveFDIcon},
    {"actCompress", u"压缩数据库文件", QStyle::SP_DriveHDIcon},
    {"actOpenDB", u"打开其它数据库", QStyle::SP_DialogOpenButton},
    {"actOpenDefault", u"打开默认数据库", QStyle::SP_DirHomeIcon},
    {"actLabel", u"修改数据库标识", QStyle::SP_FileDialogInfoView},
    {"actAbout", u"关于", QStyle::StandardPixmap(-1)},
    {"actOptions", u"参数设置", QStyle::SP_ComputerIcon},
    {"actCheck", u"检查数据的逻辑", QStyle::SP_DialogApplyButton},
    {"actCheckSelected", u"检查选中数据的逻辑", QStyle::SP_DialogYesButton},
    {"actSum", u"数据汇总", QStyle::SP_FileDialogListView},
    {"actGroup", u"数据分组", QStyle::SP_DirIcon},
    {"actGroupImport", u"数据分组导入", QStyle::SP_ArrowDown},
    {"actGroupExport", u"数据分组导出", QStyle::SP_ArrowUp},
    {"actConditionSearch", u"指标查询", QStyle::SP_FileDialogContentsView},
    {"actLocate", u"按条件查找定位数据", QStyle::SP_ArrowRight},
    {"actSearch", u"按编号范围查找数据", QStyle::SP_FileDialogContentsView},
    {"actRecordGrid", u"自定义列表显示", QStyle::SP_FileDialogDetailedView},
    {"actSaveList", u"导出数据列表", QStyle::SP_DialogSaveButton},
    {"actPrint", u"打印选中记录的年报表", QStyle::SP_FileIcon},
};

const char *const kDataGroup[] = {"actAddNew", "actModify", "actDelete", "actCheck", "actConditionSearch",
                                  "actSum",    "actGroup",  "actSaveList", "actImport", "actPrint"};
const char *const kReportGroup[] = {"actFastImport", "actMultiImport", "actExport",
                                    "actBackup",     "actGroupImport", "actGroupExport"};
const char *const kToolGroup[] = {"actOpenDB", "actOpenDefault", "actLabel", "actCompress", "actOptions",
                                  "actRecordGrid"};

// What lies under the record list: a quiet picture with the survey's name.
class Backdrop : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        QLinearGradient g(0, 0, 0, height());
        g.setColorAt(0, QColor(232, 240, 250));
        g.setColorAt(1, QColor(196, 214, 238));
        p.fillRect(rect(), g);
        QFont f = font();
        f.setPointSize(20);
        f.setBold(true);
        p.setFont(f);
        p.setPen(QColor(40, 72, 120, 160));
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("2009年度全国工会统计年报\n基层以上工会调查表"));
    }
};

} // namespace

TMainForm::TMainForm(Session &session, Settings &settings, Interaction &ui, Preferences &prefs, QWidget *parent)
    : QMainWindow(parent), m_session(session), m_settings(settings), m_ui(ui), m_prefs(prefs),
      m_version(VersionInfo::current())
{
    setObjectName(QStringLiteral("TMainForm"));
    resize(1200, 760);
    createActions();
    createMenus();
    createCentre();
    createStatusBar();

    connect(&m_session, &Session::labelChanged, this, [this] { setWindowTitle(m_session.windowTitle()); });
    connect(&m_session, &Session::databaseOpened, this, &TMainForm::databaseOpened);
    setWindowTitle(m_session.windowTitle());
    m_listShown = m_settings.readInteger(Settings::MainKey, QStringLiteral("ShowGrid"), 1) == 1;
    buildRecordList();
}

TMainForm::~TMainForm() = default;

QAction *TMainForm::addCommand(const QString &name, const QString &caption)
{
    auto *a = new QAction(caption, this);
    a->setObjectName(name);
    m_actions.insert(name, a);
    return a;
}

void TMainForm::placeholder(const QString &caption)
{
    m_ui.message(QStringLiteral("“%1”功能尚在开发中，本版本暂不能使用。").arg(caption));
}

void TMainForm::createActions()
{
    for (const Command &c : kCommands) {
        const QString caption = QString::fromUtf16(c.caption);
        QAction *a = addCommand(QString::fromLatin1(c.name), caption);
        if (c.icon >= 0)
            a->setIcon(style()->standardIcon(c.icon));
        connect(a, &QAction::triggered, this, [this, caption] { placeholder(caption); });
    }
    const auto wire = [this](const char *name, void (TMainForm::*slot)()) {
        QAction *a = m_actions.value(QString::fromLatin1(name));
        a->disconnect(this);
        connect(a, &QAction::triggered, this, slot);
    };
    wire("actOpenDB", &TMainForm::actOpenDBExecute);
    wire("actOpenDefault", &TMainForm::actOpenDefaultExecute);
    wire("actLabel", &TMainForm::actLabelExecute);
    wire("actAbout", &TMainForm::actAboutExecute);
    wire("actOptions", &TMainForm::actOptionsExecute);
    wire("actCheck", &TMainForm::actCheckExecute);
    wire("actAddNew", &TMainForm::actAddNewExecute);
    wire("actModify", &TMainForm::actModifyExecute);
    wire("actPrint", &TMainForm::actPrintExecute);
    wire("actCheckSelected", &TMainForm::actCheckSelectedExecute);

    for (const char *hidden : {"actImport", "actGroupImport", "actGroupExport"})
        m_actions.value(QString::fromLatin1(hidden))->setVisible(false);
    m_actions.value(QStringLiteral("actLocate"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    m_actions.value(QStringLiteral("actSearch"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    for (QAction *a : std::as_const(m_actions))
        addAction(a); // shortcuts work anywhere in the window

    auto *quit = addCommand(QStringLiteral("actExit"), QStringLiteral("退出"));
    connect(quit, &QAction::triggered, this, &QWidget::close);
}

void TMainForm::createMenus()
{
    const auto act = [this](const char *n) { return m_actions.value(QString::fromLatin1(n)); };
    QMenuBar *bar = menuBar();
    QMenu *file = bar->addMenu(QStringLiteral("文件"));
    file->addActions({act("actOpenDB"), act("actOpenDefault")});
    QMenu *records = bar->addMenu(QStringLiteral("数据记录"));
    records->addActions({act("actAddNew"), act("actModify"), act("actDelete"), act("actPrint")});
    QMenu *find = bar->addMenu(QStringLiteral("查找"));
    find->addActions({act("actLocate"), act("actSearch")});
    QMenu *check = bar->addMenu(QStringLiteral("逻辑检查"));
    check->addActions({act("actCheckSelected"), act("actCheck")});
    QMenu *process = bar->addMenu(QStringLiteral("数据处理"));
    process->addActions({act("actGroup"), act("actSum")});
    QMenu *exchange = bar->addMenu(QStringLiteral("导入导出"));
    exchange->addActions({act("actBackup"), act("actExport")});
    exchange->addSeparator();
    exchange->addActions({act("actFastImport"), act("actImport")});
    QMenu *tools = bar->addMenu(QStringLiteral("工具"));
    tools->addActions({act("actLabel"), act("actOptions"), act("actCompress"), act("actRecordGrid")});
    bar->addAction(act("actAbout"));
    bar->addAction(act("actExit"));

    m_contextMenu = new QMenu(this);
    m_contextMenu->addActions({act("actAddNew"), act("actModify"), act("actDelete")});
    m_contextMenu->addSeparator();
    m_contextMenu->addActions({act("actLocate"), act("actSearch")});
    m_contextMenu->addSeparator();
    m_contextMenu->addAction(act("actCheckSelected"));
    m_contextMenu->addSeparator();
    m_contextMenu->addActions({act("actRecordGrid"), act("actPrint")});
}

void TMainForm::createSideBar()
{
    m_sideBar = new QToolBox(this);
    m_sideBar->setObjectName(QStringLiteral("GroupBar"));
    m_sideBar->setMinimumWidth(90);
    const auto group = [this](const QString &title, auto &names) {
        auto *page = new QWidget(m_sideBar);
        auto *col = new QVBoxLayout(page);
        col->setContentsMargins(2, 4, 2, 4);
        col->setSpacing(2);
        for (const char *n : names) {
            QAction *a = m_actions.value(QString::fromLatin1(n));
            auto *b = new QToolButton(page);
            // Long captions take two lines so that the narrow bar shows them whole.
            const QString text = a->text();
            if (text.size() > 5 && a->iconText() == text)
                a->setIconText(text.left((text.size() + 1) / 2) + QLatin1Char('\n') + text.mid((text.size() + 1) / 2));
            b->setDefaultAction(a);
            b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
            b->setIconSize(QSize(28, 28));
            b->setAutoRaise(true);
            b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
            b->setVisible(a->isVisible());
            col->addWidget(b);
        }
        col->addStretch(1);
        m_sideBar->addItem(page, title);
    };
    group(QStringLiteral("数据操作"), kDataGroup);
    group(QStringLiteral("备份与上报"), kReportGroup);
    group(QStringLiteral("系统工具"), kToolGroup);
    m_sideBar->setCurrentIndex(0);
}

void TMainForm::createCentre()
{
    createSideBar();
    auto *right = new QWidget(this);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(0);

    auto *strip = new QWidget(right);
    auto *stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(6, 1, 1, 1);
    m_hiddenHint = new QLabel(QStringLiteral("点击右侧的按钮返回数据列表"), strip);
    m_hiddenHint->setObjectName(QStringLiteral("lblHiddenHint"));
    m_hiddenHint->hide();
    stripLayout->addStretch(1);
    stripLayout->addWidget(m_hiddenHint);
    m_toggle = new QToolButton(strip);
    m_toggle->setObjectName(QStringLiteral("btnToggleList"));
    m_toggle->setText(QStringLiteral("X"));
    m_toggle->setFixedSize(22, 20);
    m_toggle->setToolTip(QStringLiteral("显示或隐藏数据列表"));
    connect(m_toggle, &QToolButton::clicked, this, &TMainForm::toggleList);
    stripLayout->addWidget(m_toggle);
    rightLayout->addWidget(strip);

    m_listArea = new QStackedWidget(right);
    m_grid = new QTableView(m_listArea);
    m_grid->setObjectName(QStringLiteral("RecordGrid"));
    m_model = new RecordListModel(this);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setWordWrap(false);
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 8);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setHighlightSections(false);
    m_grid->horizontalHeader()->setSectionsClickable(true);
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    m_grid->installEventFilter(this);
    connect(m_grid, &QTableView::customContextMenuRequested, this, &TMainForm::showContextMenu);
    connect(m_grid, &QTableView::doubleClicked, this, [this] { m_actions.value(QStringLiteral("actModify"))->trigger(); });
    connect(m_grid->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int section) { m_model->sortByColumn(section); syncCurrentToGrid(); });
    m_listArea->addWidget(m_grid);
    m_listArea->addWidget(new Backdrop(m_listArea));
    rightLayout->addWidget(m_listArea, 1);

    auto *split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(m_sideBar);
    split->addWidget(right);
    split->setStretchFactor(1, 1);
    split->setSizes({108, 1000});
    split->setChildrenCollapsible(false);
    setCentralWidget(split);
}

void TMainForm::createStatusBar()
{
    m_statusInfo = new QLabel(statusText(), this);
    m_statusInfo->setObjectName(QStringLiteral("lblStatusInfo"));
    statusBar()->addWidget(m_statusInfo, 1);
    m_clock = new QLabel(this);
    m_clock->setObjectName(QStringLiteral("lblClock"));
    statusBar()->addPermanentWidget(m_clock);
    const auto showDate = [this] { m_clock->setText(QDate::currentDate().toString(QStringLiteral("yyyy年MM月dd日"))); };
    showDate();
    m_clockTimer = new QTimer(this);
    connect(m_clockTimer, &QTimer::timeout, this, showDate);
    m_clockTimer->start(60 * 1000);
}

QString TMainForm::statusText() const
{
    return QStringLiteral("开发单位：Corvenlo　软件版本：") + m_version.version +
           QStringLiteral(" (Build %1)").arg(m_version.build);
}

void TMainForm::buildRecordList()
{
    m_model->attach(nullptr);
    m_grid->setModel(nullptr);
    try {
        m_catalogue = db::FieldCatalogue::load(m_session.db());
        m_model->setColumns(m_catalogue);
        m_records = db::ResultSet::run(m_session.db(), QStringLiteral("SELECT *  from view_data order by c901 asc"));
    } catch (const db::DbError &e) {
        m_records.close();
        m_ui.message(generalErrorMessage(e.text()));
    }
    setListShown(m_listShown);
}

void TMainForm::setListShown(bool shown)
{
    m_listShown = shown;
    if (shown) {
        m_model->attach(m_records.isOpen() ? &m_records : nullptr);
        if (m_grid->model() != m_model) {
            m_grid->setModel(m_model);
            connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                    [this](const QModelIndex &current) {
                        if (current.isValid())
                            m_records.setRow(current.row());
                    });
        }
        const auto &cols = m_model->columns();
        for (int c = 0; c < int(cols.size()); ++c) {
            m_grid->setColumnHidden(c, !cols[std::size_t(c)].visible);
            m_grid->setColumnWidth(c, cols[std::size_t(c)].width);
        }
        syncCurrentToGrid();
        m_listArea->setCurrentIndex(0);
        m_toggle->setIcon(QIcon());
        m_toggle->setText(QStringLiteral("X"));
        m_hiddenHint->hide();
    } else {
        m_model->attach(nullptr);
        m_listArea->setCurrentIndex(1);
        m_toggle->setText(QString());
        m_toggle->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
        m_hiddenHint->show();
    }
    m_settings.writeInteger(Settings::MainKey, QStringLiteral("ShowGrid"), shown ? 1 : 0);
    updateActions();
}

void TMainForm::syncCurrentToGrid()
{
    if (!m_listShown || m_grid->model() != m_model || m_records.row() < 0)
        return;
    int column = 0;
    while (column < m_model->columnCount() && m_grid->isColumnHidden(column))
        ++column;
    const QModelIndex at = m_model->index(m_records.row(), column);
    m_grid->selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_grid->scrollTo(at);
}

void TMainForm::requeryAndReturn()
{
    if (!m_records.isOpen()) {
        buildRecordList();
        return;
    }
    try {
        m_records.requery(m_session.db());
    } catch (const db::DbError &e) {
        m_ui.message(generalErrorMessage(e.text()));
    }
    if (m_listShown)
        m_model->reload();
    syncCurrentToGrid();
    updateActions();
}

void TMainForm::updateActions()
{
    const bool rows = listHasRows();
    for (const char *n : {"actModify", "actDelete", "actLocate", "actSearch", "actPrint"})
        m_actions.value(QString::fromLatin1(n))->setEnabled(rows);
    m_actions.value(QStringLiteral("actRecordGrid"))->setEnabled(m_listShown);
}

QList<qint64> TMainForm::selectedCodes() const
{
    QList<qint64> codes;
    if (!listHasRows())
        return codes;
    const int c = m_records.columnIndex(QStringLiteral("c901"));
    if (m_listShown && m_grid->selectionModel()) {
        const QModelIndexList rows = m_grid->selectionModel()->selectedRows();
        if (rows.size() > 1) {
            for (const QModelIndex &i : rows)
                codes << m_records.intValue(i.row(), c);
            std::sort(codes.begin(), codes.end());
            return codes;
        }
    }
    codes << m_records.intValue(m_records.row(), c);
    return codes;
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_grid && event->type() == QEvent::KeyRelease) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (!key->isAutoRepeat() && key->modifiers() == Qt::NoModifier) {
            const char *name = nullptr;
            switch (key->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                name = "actModify";
                break;
            case Qt::Key_Insert:
                name = "actAddNew";
                break;
            case Qt::Key_Delete:
                name = "actDelete";
                break;
            default:
                break;
            }
            if (name) {
                QAction *a = m_actions.value(QString::fromLatin1(name));
                if (a->isEnabled())
                    a->trigger();
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::showContextMenu(const QPoint &pos) { m_contextMenu->popup(m_grid->viewport()->mapToGlobal(pos)); }

void TMainForm::databaseOpened() { buildRecordList(); }

void TMainForm::showSplash()
{
    TdlgAboutForm splash(m_version, true, this);
    splash.exec();
}

void TMainForm::actOpenDBExecute() { DatabaseCommands(m_session, m_ui).openOther(); }

void TMainForm::actOpenDefaultExecute()
{
    if (DatabaseCommands(m_session, m_ui).openDefault() == DatabaseCommands::Outcome::EndProgram) {
        emit endRequested();
        close();
    }
}

void TMainForm::actLabelExecute() { DatabaseCommands(m_session, m_ui).editLabel(); }

void TMainForm::actAboutExecute()
{
    TdlgAboutForm about(m_version, false, this);
    about.setOverrideHandler([this] {
        try {
            DatabaseCommands(m_session, m_ui).markAllPassed();
        } catch (const db::DbError &e) {
            m_ui.message(generalErrorMessage(e.text()));
        }
        requeryAndReturn();
    });
    about.exec();
}

void TMainForm::actOptionsExecute()
{
    TdlgOptionSetupForm dlg(m_settings, m_prefs, &InputMethods::installed, this);
    dlg.exec();
}

} // namespace tq::gui

namespace tq::gui {

QString TMainForm::selectionStatement() const
{
    const QList<qint64> codes = selectedCodes();
    return codes.isEmpty() ? QString() : logic::BatchCheck::statementForCodes(codes);
}

void TMainForm::actCheckExecute()
{
    TdlgCheckForm dlg(m_session, m_ui, AppPaths::reportFolder(m_settings),
                      {[this] { return selectionStatement(); }, [this] { requeryAndReturn(); }}, this);
    dlg.exec();
}

void TMainForm::actCheckSelectedExecute()
{
    const QString sql = selectionStatement();
    if (sql.isEmpty())
        return;
    try {
        logic::BatchCheck(m_session, AppPaths::reportFolder(m_settings), m_ui).RunBatchCheck(sql, {}, true);
    } catch (const FileError &e) {
        m_ui.message(e.text());
    } catch (const Error &e) {
        m_ui.message(generalErrorMessage(e.text()));
    }
    // The states just written belong in the list too.
    requeryAndReturn();
}

} // namespace tq::gui

namespace tq::gui {

TdlgSurveyDataForm *TMainForm::surveyForm()
{
    if (!m_surveyForm) {
        m_surveyForm = new TdlgSurveyDataForm(m_session, m_settings, m_ui, m_prefs, this);
        m_surveyForm->setCatalogue(&m_catalogue);
        m_surveyForm->setPrinter([this](qint64 code) {
            printRecord(entry::RecordPrintout::editorTemplate(), code, false);
        });
    }
    m_surveyForm->setRecordList(&m_records, [this] { requeryAndReturn(); });
    return m_surveyForm;
}

void TMainForm::actAddNewExecute()
{
    TdlgSurveyDataForm *form = surveyForm();
    form->setAdding(true);
    form->exec();
    requeryAndReturn();
}

void TMainForm::actModifyExecute()
{
    if (!listHasRows())
        return;
    TdlgSurveyDataForm *form = surveyForm();
    form->setAdding(false);
    form->setPrintCode(m_records.intValue(QStringLiteral("c901")));
    form->exec();
    requeryAndReturn();
}

} // namespace tq::gui

namespace tq::gui {

void TMainForm::printRecord(const QString &templatePath, qint64 code, bool activateFirstSheet)
{
    try {
        entry::RecordPrintout(m_session.db(), m_ui).show(templatePath, QString::number(code), activateFirstSheet);
    } catch (const Error &e) {
        m_ui.progress().finish();
        m_ui.message(generalErrorMessage(e.text()));
    }
}

void TMainForm::actPrintExecute()
{
    if (!listHasRows())
        return;
    printRecord(entry::RecordPrintout::mainWindowTemplate(), m_records.intValue(QStringLiteral("c901")), true);
}

} // namespace tq::gui
