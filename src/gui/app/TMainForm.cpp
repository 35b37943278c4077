#include "app/TMainForm.h"

#include "app/AppPaths.h"
#include "app/CommandRunner.h"
#include "app/DatabaseCommands.h"
#include "app/InputMethods.h"
#include "app/RecordGrid.h"
#include "app/RecordListModel.h"
#include "app/Session.h"
#include "app/TdlgAboutForm.h"
#include "app/TdlgOptionSetupForm.h"
#include "common/Error.h"
#include "common/Interaction.h"
#include "common/ProgressScope.h"
#include "entry/RecordPrintout.h"
#include "entry/TdlgSurveyDataForm.h"
#include "exchange/DataImport.h"
#include "exchange/DatabaseMaintenance.h"
#include "exchange/RecordDeletion.h"
#include "exchange/ReportExport.h"
#include "exchange/TdlgDeleteForm.h"
#include "exchange/TdlgMultiExportForm.h"
#include "exchange/TdlgSaveListForm.h"
#include "logic/BatchCheck.h"
#include "logic/TdlgCheckForm.h"
#include "query/TdlgDataSearchForm.h"
#include "query/TdlgLocateForm.h"
#include "query/TdlgQueryListForm.h"
#include "query/TdlgSearchForm.h"
#include "query/TdlgShowForm.h"
#include "summary/GroupExchange.h"
#include "summary/TdlgGroupListForm.h"
#include "summary/TdlgSumForm.h"

#include <QAction>
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

using Cmd = TMainForm::Cmd;

struct TMainForm::CommandInfo {
    Cmd cmd;
    const char *name;
    const char16_t *caption;
    QStyle::StandardPixmap icon;
    void (TMainForm::*execute)(); // null: not built yet, a placeholder says so
};

namespace {

constexpr auto kNoIcon = QStyle::StandardPixmap(-1);

const Cmd kDataGroup[] = {Cmd::AddNew, Cmd::Modify, Cmd::Delete,   Cmd::Check,  Cmd::ConditionSearch,
                          Cmd::Sum,    Cmd::Group,  Cmd::SaveList, Cmd::Import, Cmd::Print};
const Cmd kReportGroup[] = {Cmd::FastImport, Cmd::MultiImport, Cmd::Export,
                            Cmd::Backup,     Cmd::GroupImport, Cmd::GroupExport};
const Cmd kToolGroup[] = {Cmd::OpenDB, Cmd::OpenDefault, Cmd::Label, Cmd::Compress, Cmd::Options, Cmd::RecordGrid};

// Commands that need at least one row in the list.
const Cmd kNeedRows[] = {Cmd::Modify, Cmd::Delete, Cmd::Locate, Cmd::Search, Cmd::Print};

// Captions too long for the narrow side bar break where the words do.
QString sideBarCaption(const QString &caption)
{
    static const char16_t *const breaks[] = {u"修改选中的|记录",       u"检查数据的|逻辑", u"导出数据|列表",
                                             u"打印选中记录|的年报表", u"数据批量|导入",   u"数据分组|导入",
                                             u"数据分组|导出",         u"打开其它|数据库", u"打开默认|数据库",
                                             u"修改数据库|标识",       u"压缩数据库|文件", u"自定义列表|显示"};
    for (const char16_t *b : breaks) {
        const QString text = QString::fromUtf16(b);
        if (QString(text).remove(QLatin1Char('|')) == caption)
            return QString(text).replace(QLatin1Char('|'), QLatin1Char('\n'));
    }
    return caption;
}

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

// The command table, in the order of the enumeration.
static const TMainForm::CommandInfo kCommands[TMainForm::kCommandCount] = {
    {Cmd::AddNew, "actAddNew", u"添加新记录", QStyle::SP_FileIcon, &TMainForm::actAddNewExecute},
    {Cmd::Modify, "actModify", u"修改选中的记录", QStyle::SP_FileDialogDetailedView, &TMainForm::actModifyExecute},
    {Cmd::Delete, "actDelete", u"删除记录", QStyle::SP_TrashIcon, &TMainForm::actDeleteExecute},
    {Cmd::FastImport, "actFastImport", u"数据导入", QStyle::SP_ArrowDown, &TMainForm::actFastImportExecute},
    {Cmd::MultiImport, "actMultiImport", u"数据批量导入", QStyle::SP_FileDialogNewFolder,
     &TMainForm::actMultiImportExecute},
    {Cmd::Import, "actImport", u"逐条导入", QStyle::SP_ArrowDown, &TMainForm::actImportExecute},
    {Cmd::Export, "actExport", u"数据上报", QStyle::SP_ArrowUp, &TMainForm::actExportExecute},
    {Cmd::Backup, "actBackup", u"数据备份", QStyle::SP_DriveFDIcon, &TMainForm::actBackupExecute},
    {Cmd::Compress, "actCompress", u"压缩数据库文件", QStyle::SP_DriveHDIcon, &TMainForm::actCompressExecute},
    {Cmd::OpenDB, "actOpenDB", u"打开其它数据库", QStyle::SP_DialogOpenButton, &TMainForm::actOpenDBExecute},
    {Cmd::OpenDefault, "actOpenDefault", u"打开默认数据库", QStyle::SP_DirHomeIcon, &TMainForm::actOpenDefaultExecute},
    {Cmd::Label, "actLabel", u"修改数据库标识", QStyle::SP_FileDialogInfoView, &TMainForm::actLabelExecute},
    {Cmd::About, "actAbout", u"关于", kNoIcon, &TMainForm::actAboutExecute},
    {Cmd::Options, "actOptions", u"参数设置", QStyle::SP_ComputerIcon, &TMainForm::actOptionsExecute},
    {Cmd::Check, "actCheck", u"检查数据的逻辑", QStyle::SP_DialogApplyButton, &TMainForm::actCheckExecute},
    {Cmd::CheckSelected, "actCheckSelected", u"检查选中数据的逻辑", QStyle::SP_DialogYesButton,
     &TMainForm::actCheckSelectedExecute},
    {Cmd::Sum, "actSum", u"数据汇总", QStyle::SP_FileDialogListView, &TMainForm::actSumExecute},
    {Cmd::Group, "actGroup", u"数据分组", QStyle::SP_DirIcon, &TMainForm::actGroupExecute},
    {Cmd::GroupImport, "actGroupImport", u"数据分组导入", QStyle::SP_ArrowDown, &TMainForm::actGroupImportExecute},
    {Cmd::GroupExport, "actGroupExport", u"数据分组导出", QStyle::SP_ArrowUp, &TMainForm::actGroupExportExecute},
    {Cmd::ConditionSearch, "actConditionSearch", u"指标查询", QStyle::SP_FileDialogContentsView,
     &TMainForm::actConditionSearchExecute},
    {Cmd::Locate, "actLocate", u"按条件查找定位数据", QStyle::SP_ArrowRight, &TMainForm::actLocateExecute},
    {Cmd::Search, "actSearch", u"按编号范围查找数据", QStyle::SP_FileDialogContentsView, &TMainForm::actSearchExecute},
    {Cmd::RecordGrid, "actRecordGrid", u"自定义列表显示", QStyle::SP_FileDialogDetailedView,
     &TMainForm::actRecordGridExecute},
    {Cmd::SaveList, "actSaveList", u"导出数据列表", QStyle::SP_DialogSaveButton, &TMainForm::actSaveListExecute},
    {Cmd::Print, "actPrint", u"打印选中记录的年报表", QStyle::SP_FileIcon, &TMainForm::actPrintExecute},
    {Cmd::Exit, "actExit", u"退出", kNoIcon, nullptr},
};

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
    connect(&m_session, &Session::databaseOpened, this, &TMainForm::buildRecordList);
    setWindowTitle(m_session.windowTitle());
    m_listShown = m_settings.readInteger(Settings::MainKey, QStringLiteral("ShowGrid"), 1) == 1;
    buildRecordList();
}

TMainForm::~TMainForm() = default;

void TMainForm::placeholder(const QString &caption)
{
    m_ui.message(QStringLiteral("“%1”功能尚在开发中，本版本暂不能使用。").arg(caption));
}

void TMainForm::run(const std::function<void()> &work, bool changesRecords)
{
    runCommand(m_ui, work);
    if (changesRecords)
        requeryAndReturn();
}

void TMainForm::createActions()
{
    for (const CommandInfo &c : kCommands) {
        const QString caption = QString::fromUtf16(c.caption);
        auto *a = new QAction(caption, this);
        a->setObjectName(QString::fromLatin1(c.name));
        if (c.icon != kNoIcon)
            a->setIcon(style()->standardIcon(c.icon));
        if (c.execute)
            connect(a, &QAction::triggered, this, c.execute);
        else if (c.cmd != Cmd::Exit)
            connect(a, &QAction::triggered, this, [this, caption] { placeholder(caption); });
        m_actions[std::size_t(c.cmd)] = a;
    }
    connect(action(Cmd::Exit), &QAction::triggered, this, &QWidget::close);

    for (Cmd hidden : {Cmd::Import, Cmd::GroupImport, Cmd::GroupExport})
        action(hidden)->setVisible(false);
    action(Cmd::Locate)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    action(Cmd::Search)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    for (QAction *a : m_actions)
        addAction(a); // shortcuts work anywhere in the window
}

void TMainForm::createMenus()
{
    const auto acts = [this](std::initializer_list<Cmd> cmds) {
        QList<QAction *> list;
        for (Cmd c : cmds)
            list << action(c);
        return list;
    };
    QMenuBar *bar = menuBar();
    bar->addMenu(QStringLiteral("文件"))->addActions(acts({Cmd::OpenDB, Cmd::OpenDefault}));
    bar->addMenu(QStringLiteral("数据记录"))->addActions(acts({Cmd::AddNew, Cmd::Modify, Cmd::Delete, Cmd::Print}));
    bar->addMenu(QStringLiteral("查找"))->addActions(acts({Cmd::Locate, Cmd::Search}));
    bar->addMenu(QStringLiteral("逻辑检查"))->addActions(acts({Cmd::CheckSelected, Cmd::Check}));
    bar->addMenu(QStringLiteral("数据处理"))->addActions(acts({Cmd::Group, Cmd::Sum}));
    QMenu *exchange = bar->addMenu(QStringLiteral("导入导出"));
    exchange->addActions(acts({Cmd::Backup, Cmd::Export}));
    exchange->addSeparator();
    exchange->addActions(acts({Cmd::FastImport, Cmd::Import}));
    bar->addMenu(QStringLiteral("工具"))->addActions(acts({Cmd::Label, Cmd::Options, Cmd::Compress, Cmd::RecordGrid}));
    bar->addAction(action(Cmd::About));
    bar->addAction(action(Cmd::Exit));

    m_contextMenu = new QMenu(this);
    m_contextMenu->addActions(acts({Cmd::AddNew, Cmd::Modify, Cmd::Delete}));
    m_contextMenu->addSeparator();
    m_contextMenu->addActions(acts({Cmd::Locate, Cmd::Search}));
    m_contextMenu->addSeparator();
    m_contextMenu->addAction(action(Cmd::CheckSelected));
    m_contextMenu->addSeparator();
    m_contextMenu->addActions(acts({Cmd::RecordGrid, Cmd::Print}));
}

void TMainForm::createSideBar()
{
    m_sideBar = new QToolBox(this);
    m_sideBar->setObjectName(QStringLiteral("GroupBar"));
    m_sideBar->setMinimumWidth(90);
    const auto group = [this](const QString &title, const auto &cmds) {
        auto *page = new QWidget(m_sideBar);
        auto *col = new QVBoxLayout(page);
        col->setContentsMargins(2, 4, 2, 4);
        col->setSpacing(2);
        for (Cmd c : cmds) {
            QAction *a = action(c);
            auto *b = new QToolButton(page);
            a->setIconText(sideBarCaption(a->text()));
            b->setDefaultAction(a);
            b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
            b->setIconSize(QSize(24, 24));
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
    setUpRecordGrid(m_grid);
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    m_grid->installEventFilter(this);
    connect(m_grid, &QTableView::customContextMenuRequested, this, &TMainForm::showContextMenu);
    connect(m_grid, &QTableView::doubleClicked, this, [this] { action(Cmd::Modify)->trigger(); });
    connect(m_grid->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        run([&] { m_model->sortByColumn(section); });
        syncCurrentToGrid();
    });
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

// ---------------------------------------------------------------------------
// The record list

void TMainForm::buildRecordList()
{
    m_model->attach(nullptr);
    m_grid->setModel(nullptr);
    m_list.close();
    run([this] {
        m_catalogue = db::FieldCatalogue::load(m_session.db());
        m_model->setColumns(m_catalogue);
        m_list.setQuery(RecordList::surveyListQuery(m_session.db(), m_catalogue));
        m_list.open(m_session.db());
    });
    setListShown(m_listShown);
}

void TMainForm::setListShown(bool shown)
{
    m_listShown = shown;
    if (shown) {
        m_model->attach(m_list.isOpen() ? &m_list : nullptr);
        showRecordModel(m_grid, m_model, m_list, this);
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
    if (!m_listShown || m_grid->model() != m_model || m_list.currentRow() < 0)
        return;
    int column = 0;
    while (column < m_model->columnCount() && m_grid->isColumnHidden(column))
        ++column;
    const QModelIndex at = m_model->index(m_list.currentRow(), column);
    m_grid->selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_grid->scrollTo(at);
}

void TMainForm::requeryAndReturn()
{
    if (!m_list.isOpen()) {
        buildRecordList();
        return;
    }
    run([this] { m_list.requery(m_session.db()); });
    if (m_listShown)
        m_model->reload();
    syncCurrentToGrid();
    updateActions();
}

void TMainForm::showCurrentKeepingMarks()
{
    if (!m_listShown || m_grid->model() != m_model || m_list.currentRow() < 0)
        return;
    int column = m_grid->currentIndex().column();
    if (column < 0) {
        column = 0;
        while (column < m_model->columnCount() - 1 && m_grid->isColumnHidden(column))
            ++column;
    }
    const QModelIndex at = m_model->index(m_list.currentRow(), column);
    m_grid->selectionModel()->setCurrentIndex(at, QItemSelectionModel::NoUpdate);
    m_grid->scrollTo(at);
}

void TMainForm::requeryQuietly()
{
    try {
        if (m_list.isOpen())
            m_list.requery(m_session.db());
    } catch (const Error &) {
        return;
    }
    if (m_listShown)
        m_model->reload();
    syncCurrentToGrid();
    updateActions();
}

void TMainForm::updateActions()
{
    const bool rows = listHasRows();
    for (Cmd c : kNeedRows)
        action(c)->setEnabled(rows);
    action(Cmd::RecordGrid)->setEnabled(m_listShown);
}

QList<qint64> TMainForm::selectedCodes() const
{
    QList<qint64> codes;
    if (!listHasRows())
        return codes;
    if (m_listShown && m_grid->selectionModel()) {
        const QModelIndexList rows = m_grid->selectionModel()->selectedRows();
        if (rows.size() > 1) {
            for (const QModelIndex &i : rows)
                codes << m_list.codeAt(i.row());
            std::sort(codes.begin(), codes.end());
            return codes;
        }
    }
    if (const auto code = m_list.currentCode())
        codes << *code;
    return codes;
}

QList<qint64> TMainForm::markedCodes() const
{
    QList<qint64> codes;
    if (!listHasRows() || !m_listShown || !m_grid->selectionModel())
        return codes;
    for (const QModelIndex &i : m_grid->selectionModel()->selectedRows())
        codes << m_list.codeAt(i.row());
    return codes;
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_grid && event->type() == QEvent::KeyPress) {
        // A key acts on its release, but only when it was also pressed here:
        // the release of an Enter that confirmed a message box or a menu
        // elsewhere must not open the editor.
        auto *key = static_cast<QKeyEvent *>(event);
        if (!key->isAutoRepeat())
            m_pressedInList = key->key();
    } else if (watched == m_grid && event->type() == QEvent::FocusOut) {
        m_pressedInList = 0;
    } else if (watched == m_grid && event->type() == QEvent::KeyRelease) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool pressedHere = m_pressedInList == key->key();
        if (!key->isAutoRepeat())
            m_pressedInList = 0;
        if (!key->isAutoRepeat() && key->modifiers() == Qt::NoModifier && pressedHere) {
            std::optional<Cmd> cmd;
            switch (key->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                cmd = Cmd::Modify;
                break;
            case Qt::Key_Insert:
                cmd = Cmd::AddNew;
                break;
            case Qt::Key_Delete:
                cmd = Cmd::Delete;
                break;
            default:
                break;
            }
            if (cmd) {
                if (action(*cmd)->isEnabled())
                    action(*cmd)->trigger();
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::showContextMenu(const QPoint &pos)
{
    m_contextMenu->popup(m_grid->viewport()->mapToGlobal(pos));
}

void TMainForm::showSplash()
{
    TdlgAboutForm splash(m_version, true, this);
    splash.exec();
}

// ---------------------------------------------------------------------------
// Database and program commands

void TMainForm::actOpenDBExecute()
{
    DatabaseCommands(m_session, m_ui).openOther();
}

void TMainForm::actOpenDefaultExecute()
{
    if (DatabaseCommands(m_session, m_ui).openDefault() == DatabaseCommands::Outcome::EndProgram) {
        emit endRequested();
        close();
    }
}

void TMainForm::actLabelExecute()
{
    DatabaseCommands(m_session, m_ui).editLabel();
}

void TMainForm::actAboutExecute()
{
    TdlgAboutForm about(m_version, false, this);
    about.setOverrideHandler([this] { run([this] { DatabaseCommands(m_session, m_ui).markAllPassed(); }, true); });
    about.exec();
}

void TMainForm::actOptionsExecute()
{
    TdlgOptionSetupForm dlg(m_settings, m_prefs, &InputMethods::installed, this);
    dlg.exec();
}

// ---------------------------------------------------------------------------
// Backup and compaction

void TMainForm::actBackupExecute()
{
    bool reopened = true; // unless the user cancelled, the connection was closed and opened again
    run([&] { reopened = exchange::DatabaseMaintenance(m_session, m_ui).backup(); });
    if (reopened)
        requeryAndReturn();
}

void TMainForm::actCompressExecute()
{
    run([&] { exchange::DatabaseMaintenance(m_session, m_ui).compact(); });
    // The rewritten file is shown from its first record.
    m_list.first();
    requeryAndReturn();
}

// ---------------------------------------------------------------------------
// Logic check

void TMainForm::actCheckExecute()
{
    TdlgCheckForm dlg(m_session, m_ui, AppPaths::reportFolder(m_settings),
                      {[this] { return selection(); }, [this] { requeryAndReturn(); }}, this);
    dlg.exec();
}

void TMainForm::actCheckSelectedExecute()
{
    const RecordSelection marked = selection();
    if (marked.isEmpty())
        return;
    // Checking the marked rows shows no progress window, as it never has.
    NullProgress quiet;
    InteractionWithProgress ui(m_ui, quiet, nullptr);
    // The states just written belong in the list too.
    run([&] { logic::BatchCheck(m_session, AppPaths::reportFolder(m_settings), ui).RunBatchCheck(marked, true); },
        true);
}

// ---------------------------------------------------------------------------
// Record editor and print-out

TdlgSurveyDataForm *TMainForm::surveyForm()
{
    if (!m_surveyForm) {
        m_surveyForm = new TdlgSurveyDataForm(m_session, m_settings, m_ui, m_prefs, this);
        m_surveyForm->setCatalogue(&m_catalogue);
        m_surveyForm->setPrinter(
            [this](qint64 code) { printRecord(entry::RecordPrintout::editorTemplate(), code, false); });
    }
    m_surveyForm->setRecordList(m_list, [this] { requeryAndReturn(); });
    return m_surveyForm;
}

void TMainForm::openEditor(bool adding)
{
    TdlgSurveyDataForm *form = surveyForm();
    form->setAdding(adding);
    if (!adding)
        form->setPrintCode(m_list.currentCode().value_or(0));
    form->exec();
    // The list follows the editor to the record it was left on.
    if (!adding)
        if (const auto code = form->recordList().currentCode())
            m_list.setCurrentCode(*code);
    requeryAndReturn();
}

void TMainForm::actAddNewExecute()
{
    openEditor(true);
}

void TMainForm::actModifyExecute()
{
    if (listHasRows())
        openEditor(false);
}

void TMainForm::printRecord(const QString &templatePath, qint64 code, bool activateFirstSheet)
{
    run([&] {
        entry::RecordPrintout(m_session.db(), m_ui).show(templatePath, QString::number(code), activateFirstSheet);
    });
}

void TMainForm::actPrintExecute()
{
    if (const auto code = m_list.currentCode(); code && listHasRows())
        printRecord(entry::RecordPrintout::mainWindowTemplate(), *code, true);
}

// ---------------------------------------------------------------------------
// Summary and groupings

void TMainForm::actSumExecute()
{
    TdlgSumForm dlg(m_session.db(), m_ui, AppPaths::inProgramDir(summary::SheetList::fileName()),
                    summary::SummaryWorkbook::defaultTemplate(), this);
    dlg.exec();
}

void TMainForm::actGroupExecute()
{
    TdlgGroupListForm dlg(m_session.db(), m_ui,
                          {[this] { actGroupImportExecute(); }, [this] { actGroupExportExecute(); }}, this);
    dlg.exec();
}

void TMainForm::actGroupImportExecute()
{
    run([this] {
        summary::GroupExchange(m_ui, summary::GroupExchange::exchangeFolder(m_settings)).ImportGroups(m_session.db());
    });
}

void TMainForm::actGroupExportExecute()
{
    // Groupings are shared from the default database, whichever is open.
    run([this] {
        summary::GroupExchange(m_ui, summary::GroupExchange::exchangeFolder(m_settings))
            .ExportGroups(AppPaths::defaultDatabasePath());
    });
}

// ---------------------------------------------------------------------------
// Report files

void TMainForm::actExportExecute()
{
    run([this] { exchange::ReportExport(m_session, m_ui).Export(); });
}

void TMainForm::actFastImportExecute()
{
    // A declined or failed import changed nothing: the list stays as it is.
    bool added = false;
    run([&] { added = exchange::DataImport(m_session, AppPaths::reportFolder(m_settings), m_ui).FastImport(); });
    if (added)
        requeryAndReturn();
}

void TMainForm::actMultiImportExecute()
{
    TdlgMultiExportForm dlg(
        m_session, m_ui, AppPaths::reportFolder(m_settings), [this] { requeryAndReturn(); }, this);
    dlg.exec();
}

void TMainForm::actImportExecute()
{
    run(
        [this] {
            exchange::DataImport(m_session, AppPaths::reportFolder(m_settings), m_ui)
                .ImportRecords(m_prefs.importPrinciple);
        },
        true);
}

// ---------------------------------------------------------------------------
// Deletion, list export, queries and the column chooser

void TMainForm::actDeleteExecute()
{
    TdlgDeleteForm dlg(m_session, m_ui,
                       {[this] {
                            if (!m_list.isOpen())
                                return;
                            const QList<qint64> marked = markedCodes();
                            runCommand(m_ui, [&] {
                                exchange::RecordDeletion(m_session.db(), m_ui)
                                    .DeleteSelectedRecords(m_list, marked, QStringLiteral("dt_data"),
                                                           QStringLiteral("c901"), [this](bool reread) {
                                                               if (reread && m_listShown)
                                                                   m_model->reload();
                                                               if (reread)
                                                                   syncCurrentToGrid();
                                                               else
                                                                   showCurrentKeepingMarks();
                                                           });
                            });
                        },
                        [this] { requeryAndReturn(); }},
                       this);
    dlg.exec();
}

void TMainForm::actSaveListExecute()
{
    TdlgSaveListForm dlg(m_session, m_settings, m_ui, this);
    dlg.exec();
}

void TMainForm::editRecordsOf(RecordList &list)
{
    TdlgSurveyDataForm *form = surveyForm();
    form->setRecordList(list, [] {});
    form->setAdding(false);
    form->setPrintCode(list.currentCode().value_or(0));
    form->exec();
    if (const auto code = form->recordList().currentCode())
        list.setCurrentCode(*code);
}

void TMainForm::showQueryResults(const query::SqlCondition &condition)
{
    TdlgQueryListForm dlg(m_session, m_ui, {[this](RecordList &list) { editRecordsOf(list); }}, this);
    if (!runCommand(m_ui, [&] { dlg.open(condition); }))
        return;
    dlg.exec();
}

void TMainForm::actConditionSearchExecute()
{
    TdlgDataSearchForm dlg(
        m_session, m_ui, {[this](const query::SqlCondition &c) { showQueryResults(c); }, [this] { requeryQuietly(); }},
        this);
    dlg.exec();
}

void TMainForm::actSearchExecute()
{
    if (!listHasRows())
        return;
    TdlgSearchForm dlg(
        m_ui, {[this](const query::SqlCondition &c) { showQueryResults(c); }, [this] { requeryQuietly(); }}, this);
    dlg.exec();
}

void TMainForm::actLocateExecute()
{
    if (!listHasRows())
        return;
    TdlgLocateForm dlg(
        m_session, m_ui, m_prefs, m_list, [this] { syncCurrentToGrid(); }, this);
    dlg.exec();
}

void TMainForm::actRecordGridExecute()
{
    if (!m_listShown)
        return;
    // The list reads only the visible fields: a new choice means a new list.
    TdlgShowForm dlg(
        m_session, m_ui, [this] { buildRecordList(); }, this);
    dlg.exec();
}

} // namespace tq::gui
