#include "app/TMainForm.h"

#include "app/DatabaseCommands.h"
#include "app/Session.h"
#include "app/TdlgAboutForm.h"
#include "common/Interaction.h"

#include <QAction>
#include <QApplication>
#include <QDate>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace tq::gui {

namespace {

struct Command {
    const char *name;
    const char16_t *caption;
};

// Every command of the window, in the order of the command table.
const Command kCommands[] = {
    {"actAddNew", u"添加新记录"},
    {"actModify", u"修改选中的记录"},
    {"actDelete", u"删除记录"},
    {"actFastImport", u"数据导入"},
    {"actMultiImport", u"数据批量导入"},
    {"actImport", u"逐条导入"},
    {"actExport", u"数据上报"},
    {"actBackup", u"数据备份"},
    {"actCompress", u"压缩数据库文件"},
    {"actOpenDB", u"打开其它数据库"},
    {"actOpenDefault", u"打开默认数据库"},
    {"actLabel", u"修改数据库标识"},
    {"actAbout", u"关于"},
    {"actOptions", u"参数设置"},
    {"actCheck", u"检查数据的逻辑"},
    {"actCheckSelected", u"检查选中数据的逻辑"},
    {"actSum", u"数据汇总"},
    {"actGroup", u"数据分组"},
    {"actGroupImport", u"数据分组导入"},
    {"actGroupExport", u"数据分组导出"},
    {"actConditionSearch", u"指标查询"},
    {"actLocate", u"按条件查找定位数据"},
    {"actSearch", u"按编号范围查找数据"},
    {"actRecordGrid", u"自定义列表显示"},
    {"actSaveList", u"导出数据列表"},
    {"actPrint", u"打印选中记录的年报表"},
};

} // namespace

TMainForm::TMainForm(Session &session, Settings &settings, Interaction &ui, const Preferences &prefs,
                     QWidget *parent)
    : QMainWindow(parent), m_session(session), m_settings(settings), m_ui(ui), m_prefs(prefs),
      m_version(VersionInfo::current())
{
    setObjectName(QStringLiteral("TMainForm"));
    resize(1200, 760);

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    m_summary = new QLabel(central);
    m_summary->setObjectName(QStringLiteral("lblSummary"));
    m_summary->setAlignment(Qt::AlignCenter);
    QFont f = m_summary->font();
    f.setPointSize(f.pointSize() + 3);
    m_summary->setFont(f);
    layout->addWidget(m_summary);
    setCentralWidget(central);

    createActions();
    createMenus();
    createStatusBar();

    connect(&m_session, &Session::labelChanged, this, [this] { setWindowTitle(m_session.windowTitle()); });
    connect(&m_session, &Session::databaseOpened, this, &TMainForm::databaseOpened);
    setWindowTitle(m_session.windowTitle());
    refreshRecords();
}

TMainForm::~TMainForm() = default;

QAction *TMainForm::addAction(const QString &name, const QString &caption)
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
        QAction *a = addAction(QString::fromLatin1(c.name), caption);
        connect(a, &QAction::triggered, this, [this, caption] { placeholder(caption); });
    }
    const auto rewire = [this](const char *name, void (TMainForm::*slot)()) {
        QAction *a = m_actions.value(QString::fromLatin1(name));
        a->disconnect(this);
        connect(a, &QAction::triggered, this, slot);
    };
    rewire("actOpenDB", &TMainForm::actOpenDBExecute);
    rewire("actOpenDefault", &TMainForm::actOpenDefaultExecute);
    rewire("actLabel", &TMainForm::actLabelExecute);
    rewire("actAbout", &TMainForm::actAboutExecute);

    m_actions.value(QStringLiteral("actImport"))->setVisible(false);
    m_actions.value(QStringLiteral("actGroupImport"))->setVisible(false);
    m_actions.value(QStringLiteral("actGroupExport"))->setVisible(false);

    auto *quit = addAction(QStringLiteral("actExit"), QStringLiteral("退出"));
    connect(quit, &QAction::triggered, this, &QWidget::close);
}

void TMainForm::createMenus()
{
    const auto act = [this](const char *n) { return m_actions.value(QString::fromLatin1(n)); };
    QMenuBar *bar = menuBar();
    QMenu *file = bar->addMenu(QStringLiteral("文件"));
    file->addAction(act("actOpenDB"));
    file->addAction(act("actOpenDefault"));
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

void TMainForm::refreshRecords()
{
    qint64 n = 0;
    try {
        n = m_session.db().scalar(QStringLiteral("SELECT count(*) FROM dt_data")).toLongLong();
    } catch (const db::DbError &e) {
        m_summary->setText(e.text());
        return;
    }
    m_summary->setText(QStringLiteral("%1\n\n数据库文件：%2\n共有 %3 条记录")
                           .arg(m_session.label(), m_session.path())
                           .arg(n));
}

void TMainForm::databaseOpened() { refreshRecords(); }

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
            m_ui.message(QStringLiteral("运行中发生错误：") + e.text() + QStringLiteral(",请与软件发行者联系。"));
        }
        refreshRecords();
    });
    about.exec();
}

} // namespace tq::gui
