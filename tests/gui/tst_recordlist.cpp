#include "Fixtures.h"
#include "ScriptedInteraction.h"
#include "app/AppPaths.h"
#include "app/RecordListModel.h"
#include "app/Session.h"
#include "app/TMainForm.h"
#include "app/TdlgOptionSetupForm.h"
#include "common/TProgressBarForm.h"
#include "common/TQuestionDlg.h"
#include "common/WheelToArrowFilter.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

using namespace tq;

// Commands are found by their object names, as a user finds them by caption.
static QAction *act(const QWidget &w, const QString &name)
{
    return w.findChild<QAction *>(name);
}

class TestRecordList : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<Session> m_session;
    std::unique_ptr<Settings> m_settings;
    test::ScriptedInteraction m_ui;
    Preferences m_prefs;

    void addRecords(const QList<int> &codes)
    {
        for (int c : codes)
            m_session->db().exec(QStringLiteral("INSERT INTO dt_data (c901, c902, c903, c904, RecordState) "
                                                "VALUES (?, ?, 130102, 3, 0)"),
                                 {c, QStringLiteral("单位%1").arg(c)});
    }
    std::unique_ptr<gui::TMainForm> window()
    {
        auto w = std::make_unique<gui::TMainForm>(*m_session, *m_settings, m_ui, m_prefs);
        w->show();
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w.get()))
            qWarning("main window did not become active");
        return w;
    }
    int column(gui::TMainForm &w, const QString &field)
    {
        const auto &cols = w.recordModel()->columns();
        for (int i = 0; i < int(cols.size()); ++i)
            if (cols[std::size_t(i)].field == field)
                return i;
        return -1;
    }

private slots:
    void init()
    {
        AppPaths::setProgramDir(m_dir.path());
        QFile::remove(AppPaths::defaultDatabasePath());
        tq::test::newSurveyDatabase(m_dir);
        QFile::remove(m_dir.filePath(QStringLiteral("s.ini")));
        m_settings = std::make_unique<Settings>(m_dir.filePath(QStringLiteral("s.ini")));
        m_session = std::make_unique<Session>();
        m_session->openDatabase();
        m_ui = test::ScriptedInteraction();
    }

    void commandsNeedRows()
    {
        auto w = window();
        const QStringList needRows{"actModify", "actDelete", "actLocate", "actSearch", "actPrint"};
        for (const QString &a : needRows)
            QVERIFY2(!act(*w, a)->isEnabled(), qPrintable(a));
        QVERIFY(act(*w, QStringLiteral("actAddNew"))->isEnabled());
        QTest::keyClick(w.get(), Qt::Key_L, Qt::ControlModifier);
        QTest::keyClick(w.get(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(m_ui.messages.isEmpty()); // nothing ran

        addRecords({3, 1, 2});
        w->requeryAndReturn();
        for (const QString &a : needRows)
            QVERIFY2(act(*w, a)->isEnabled(), qPrintable(a));
        QCOMPARE(w->recordModel()->rowCount(), 3);
        QCOMPARE(w->recordList().currentCode().value_or(-1), qint64(1));
        // the keys start their commands (the commands themselves are tested elsewhere)
        QStringList ran;
        for (const char *name : {"actAddNew", "actModify", "actDelete", "actLocate"}) {
            QAction *a = act(*w, QString::fromLatin1(name));
            a->disconnect();
            connect(a, &QAction::triggered, this, [&ran, name] { ran << QString::fromLatin1(name); });
        }
        w->recordGrid()->setFocus();
        QTest::keyClick(w.get(), Qt::Key_L, Qt::ControlModifier);
        QTest::keyClick(w->recordGrid(), Qt::Key_Insert);
        QTest::keyClick(w->recordGrid(), Qt::Key_Return);
        QTest::keyClick(w->recordGrid(), Qt::Key_Delete);
        QCOMPARE(ran, (QStringList{"actLocate", "actAddNew", "actModify", "actDelete"}));
    }

    // The release of an Enter pressed elsewhere (a message box, a menu, the
    // label input box) lands in the list once that window has gone.
    void enterPressedElsewhereDoesNothing()
    {
        addRecords({1, 2});
        auto w = window();
        int modified = 0;
        QAction *modify = act(*w, QStringLiteral("actModify"));
        modify->disconnect();
        connect(modify, &QAction::triggered, this, [&modified] { ++modified; });
        w->recordGrid()->setFocus();
        QTest::keyRelease(w->recordGrid(), Qt::Key_Return);
        QCOMPARE(modified, 0);
        QTest::keyPress(w->recordGrid(), Qt::Key_Return);
        QTest::keyRelease(w->recordGrid(), Qt::Key_Return);
        QCOMPARE(modified, 1);
        // a press whose window took the focus away does not count either
        QTest::keyPress(w->recordGrid(), Qt::Key_Return);
        QFocusEvent out(QEvent::FocusOut);
        QApplication::sendEvent(w->recordGrid(), &out);
        QTest::keyRelease(w->recordGrid(), Qt::Key_Return);
        QCOMPARE(modified, 1);
    }

    void columnsComeFromTheCatalogue()
    {
        addRecords({1});
        auto w = window();
        QTableView *grid = w->recordGrid();
        const int name = column(*w, QStringLiteral("c902"));
        const int state = column(*w, QStringLiteral("RecordState"));
        const int z001 = column(*w, QStringLiteral("z001"));
        QCOMPARE(w->recordModel()->columnCount(), 194);
        QVERIFY(!grid->isColumnHidden(name));
        QVERIFY(grid->isColumnHidden(z001));
        QCOMPARE(grid->columnWidth(name), 220);
        QCOMPARE(w->recordModel()->headerData(name, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("本级工会名称"));
        const QModelIndex cell = w->recordModel()->index(0, state);
        QCOMPARE(cell.data(Qt::TextAlignmentRole).toInt() & Qt::AlignHCenter, int(Qt::AlignHCenter));
        QCOMPARE(w->recordModel()->index(0, name).data().toString(), QStringLiteral("单位1"));
        QCOMPARE(w->recordModel()->index(0, column(*w, QStringLiteral("CityName"))).data().toString(),
                 QStringLiteral("河北省石家庄市长安区"));
        QCOMPARE(cell.data(Qt::BackgroundRole).value<QBrush>().color(), QColor(249, 251, 231));
    }

    void threeClicksSortDescendingAscendingDescending()
    {
        addRecords({2, 5, 1, 4, 3});
        auto w = window();
        QHeaderView *header = w->recordGrid()->horizontalHeader();
        const int code = column(*w, QStringLiteral("c901"));
        const int name = column(*w, QStringLiteral("c902"));
        const auto codes = [&] {
            QStringList out;
            for (int r = 0; r < w->recordModel()->rowCount(); ++r)
                out << w->recordModel()->index(r, code).data().toString();
            return out.join(u',');
        };
        const QPoint at(header->sectionViewportPosition(code) + 5, 5);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(codes(), QStringLiteral("5,4,3,2,1"));
        QCOMPARE(w->recordModel()->headerData(code, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("本级工会编码▼"));
        QCOMPARE(w->recordModel()->headerData(code, Qt::Horizontal, Qt::BackgroundRole).value<QBrush>().color(),
                 QColor(0, 255, 0));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(codes(), QStringLiteral("1,2,3,4,5"));
        QCOMPARE(w->recordModel()->headerData(code, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("本级工会编码▲"));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(codes(), QStringLiteral("5,4,3,2,1"));
        w->recordModel()->sortByColumn(name);
        QCOMPARE(w->recordModel()->headerData(code, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("本级工会编码"));
        QVERIFY(!w->recordModel()->headerData(code, Qt::Horizontal, Qt::BackgroundRole).isValid());
        // a rebuild starts over: the first click sorts descending again
        w->buildRecordList();
        QCOMPARE(codes(), QStringLiteral("1,2,3,4,5"));
        w->recordModel()->sortByColumn(code);
        QCOMPARE(codes(), QStringLiteral("5,4,3,2,1"));
    }

    void requeryReturnsToTheCurrentRecord()
    {
        addRecords({10, 20, 30, 40});
        auto w = window();
        QVERIFY(w->recordList().setCurrentCode(30));
        addRecords({15, 25});
        w->requeryAndReturn();
        QCOMPARE(w->recordList().currentCode().value_or(-1), qint64(30));
        QCOMPARE(w->recordGrid()->currentIndex().row(), 4);
        m_session->db().exec(QStringLiteral("DELETE FROM dt_data WHERE c901 IN (30, 40)"));
        w->requeryAndReturn();
        QCOMPARE(w->recordList().rowCount(), 4);
        QCOMPARE(w->recordList().currentRow(), 3); // the position holds as far as it can
        QCOMPARE(w->recordGrid()->currentIndex().row(), 3);
        // the selection gives the codes for a check of the selected rows
        w->recordGrid()->selectAll();
        QCOMPARE(w->selectedCodes(), (QList<qint64>{10, 15, 20, 25}));
    }

    void listToggleIsRemembered()
    {
        addRecords({1, 2});
        {
            auto w = window();
            QVERIFY(w->isListShown());
            QVERIFY(act(*w, QStringLiteral("actRecordGrid"))->isEnabled());
            auto *toggle = w->findChild<QToolButton *>(QStringLiteral("btnToggleList"));
            QTest::mouseClick(toggle, Qt::LeftButton);
            QVERIFY(!w->isListShown());
            QVERIFY(w->findChild<QLabel *>(QStringLiteral("lblHiddenHint"))->isVisible());
            QVERIFY(!act(*w, QStringLiteral("actRecordGrid"))->isEnabled());
            QVERIFY(act(*w, QStringLiteral("actModify"))->isEnabled()); // the query is still open
            QCOMPARE(w->recordModel()->rowCount(), 0);
            QCOMPARE(m_settings->readInteger(Settings::MainKey, QStringLiteral("ShowGrid"), 1), 0);
        }
        auto again = window();
        QVERIFY(!again->isListShown());
        again->toggleList();
        QVERIFY(again->isListShown());
        QCOMPARE(again->recordModel()->rowCount(), 2);
        QCOMPARE(m_settings->readInteger(Settings::MainKey, QStringLiteral("ShowGrid"), 0), 1);
    }

    void wheelTurnsBecomeArrowKeys()
    {
        addRecords({1, 2, 3});
        auto w = window();
        gui::WheelToArrowFilter filter;
        qApp->installEventFilter(&filter);
        QTableView *grid = w->recordGrid();
        grid->setFocus();
        QCOMPARE(grid->currentIndex().row(), 0);
        const auto turn = [&](int dy) {
            QWheelEvent e(QPointF(5, 5), grid->viewport()->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, dy),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(grid->viewport(), &e);
        };
        turn(-120); // towards the user: down
        turn(-120);
        QCOMPARE(grid->currentIndex().row(), 2);
        turn(120);
        QCOMPARE(grid->currentIndex().row(), 1);
        QCOMPARE(w->recordList().currentCode().value_or(-1), qint64(2));
        qApp->removeEventFilter(&filter);
    }

    void optionsStoreThePreferredInputMethod()
    {
        m_prefs = Preferences{};
        m_prefs.imePrefer = QStringLiteral("xkb:us::eng");
        gui::TdlgOptionSetupForm dlg(*m_settings, m_prefs, [] {
            return QStringList{QStringLiteral("xkb:us::eng"), QStringLiteral("libpinyin")};
        });
        QCOMPARE(dlg.imeBox()->currentText(), QStringLiteral("xkb:us::eng"));
        dlg.fillEngines();
        QCOMPARE(dlg.imeBox()->count(), 2);
        QCOMPARE(dlg.imeBox()->currentText(), QStringLiteral("xkb:us::eng"));
        dlg.imeBox()->setCurrentIndex(1);
        dlg.accept();
        QCOMPARE(m_prefs.imePrefer, QStringLiteral("libpinyin"));
        QCOMPARE(m_settings->readString(Settings::EnvKey, QStringLiteral("ImePrefer")), QStringLiteral("libpinyin"));
        QVERIFY(!m_prefs.importPrinciple); // its buttons cannot be reached
        QCOMPARE(m_settings->readInteger(Settings::EnvKey, QStringLiteral("ImportPrinciple"), 9), 0);
    }

    void progressWindowCountsAndStops()
    {
        gui::TProgressBarForm p;
        p.InitProgress(40, 0);
        p.show();
        QVERIFY(p.doneLabel()->isVisible());
        QVERIFY(p.timerRunning());
        for (int i = 0; i < 10; ++i)
            p.AdvanceProgress();
        for (int i = 0; i < 60; ++i)
            p.tick();
        QCOMPARE(p.doneLabel()->text(), QStringLiteral("已完成 10 用时6秒"));
        QCOMPARE(p.leftLabel()->text(), QStringLiteral("待完成 30 尚需18秒"));
        QCOMPARE(p.bar()->value(), 10);
        for (int i = 0; i < 30; ++i)
            p.AdvanceProgress();
        QVERIFY(!p.timerRunning()); // full bar
        p.hide();
        QVERIFY(!p.doneLabel()->isVisible());

        gui::TProgressBar2LineForm two;
        QCOMPARE(two.windowTitle(), QStringLiteral("操作进度指示"));
        two.InitFirst(3);
        two.InitSecond(5);
        two.IncFirst();
        two.IncSecond();
        two.IncSecond();
        QCOMPARE(two.first()->value(), 1);
        QCOMPARE(two.second()->value(), 2);
    }

    void questionShowsTheAskedButtons_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("press"); // a button bit, 0 for closing the window
        QTest::addColumn<int>("result");
        QTest::newRow("yes") << 3 << 1 << 6;
        QTest::newRow("no") << 3 << 2 << 7;
        QTest::newRow("yes to all") << 6 << 4 << 10;
        QTest::newRow("no to all") << 15 << 8 << 9;
        QTest::newRow("closed") << 15 << 0 << 2;
    }
    void questionShowsTheAskedButtons()
    {
        QFETCH(int, buttons);
        QFETCH(int, press);
        QFETCH(int, result);
        QWidget owner;
        int got = -1;
        QTimer::singleShot(0, [&] {
            auto *dlg = owner.findChild<gui::TQuestionDlg *>();
            QVERIFY(dlg);
            QCOMPARE(dlg->windowTitle(), QStringLiteral("提示信息"));
            for (int bit : {1, 2, 4, 8})
                QCOMPARE(dlg->button(bit)->isVisibleTo(dlg), bool(buttons & bit));
            if (press)
                dlg->button(press)->click();
            else
                dlg->reject();
        });
        got = gui::AskQuestion(QStringLiteral("是否删除？"), buttons, &owner);
        QCOMPARE(got, result);
    }
};

QTEST_MAIN(TestRecordList)
#include "tst_recordlist.moc"
