#include "Fixtures.h"
#include "ScriptedInteraction.h"
#include "app/AppPaths.h"
#include "app/Session.h"
#include "app/TMainForm.h"
#include "app/TdlgAboutForm.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTableView>
#include <QTimer>
#include <QtTest>

using namespace tq;

// Commands are found by their object names, as a user finds them by caption.
static QAction *act(const QWidget &w, const QString &name)
{
    return w.findChild<QAction *>(name);
}

class TestMainForm : public QObject {
    Q_OBJECT

    QTemporaryDir m_program;
    QTemporaryDir m_other;

private slots:
    void init()
    {
        AppPaths::setProgramDir(m_program.path());
        QFile::remove(AppPaths::defaultDatabasePath());
        tq::test::newSurveyDatabase(m_program);
    }

    void titleStatusAndLabel()
    {
        Session s;
        s.openDatabase();
        Settings settings(m_other.filePath(QStringLiteral("s.ini")));
        test::ScriptedInteraction ui;
        Preferences prefs;
        gui::TMainForm w(s, settings, ui, prefs);
        QCOMPARE(w.windowTitle(), QStringLiteral("2009年度全国工会统计年报--基层以上工会调查表 - 默认数据库"));
        QCOMPARE(w.statusText(), QStringLiteral("开发单位：Corvenlo　软件版本：1.3.3 (Build 632)"));
        QCOMPARE(w.findChild<QLabel *>(QStringLiteral("lblClock"))->text(),
                 QDate::currentDate().toString(QStringLiteral("yyyy年MM月dd日")));

        ui.answer(QStringLiteral("某市总工会"));
        act(w, QStringLiteral("actLabel"))->trigger();
        QCOMPARE(w.windowTitle(), QStringLiteral("2009年度全国工会统计年报--基层以上工会调查表 - 某市总工会"));

        QVERIFY(!act(w, QStringLiteral("actImport"))->isVisible());
    }

    void openAnotherDatabaseRetitlesTheWindow()
    {
        const QString other = tq::test::newSurveyDatabase(m_other, QStringLiteral("other.mdb"));
        db::Database::open(other).exec(QStringLiteral("update ct_label set db_name='乙库'"));
        Session s;
        s.openDatabase();
        Settings settings(m_other.filePath(QStringLiteral("s.ini")));
        test::ScriptedInteraction ui;
        Preferences prefs;
        gui::TMainForm w(s, settings, ui, prefs);
        ui.answer(other);
        act(w, QStringLiteral("actOpenDB"))->trigger();
        QCOMPARE(w.windowTitle(), Session::windowTitleFor(QStringLiteral("乙库")));
        QCOMPARE(s.path(), QFileInfo(other).absoluteFilePath());
    }

    void overrideNeedsCtrlAltWithoutShift_data()
    {
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("passed");
        QTest::newRow("ctrl+alt") << int(Qt::ControlModifier | Qt::AltModifier) << 2;
        QTest::newRow("ctrl+alt+shift") << int(Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier) << 0;
        QTest::newRow("ctrl only") << int(Qt::ControlModifier) << 0;
    }
    void overrideNeedsCtrlAltWithoutShift()
    {
        QFETCH(int, modifiers);
        QFETCH(int, passed);
        Session s;
        s.openDatabase();
        s.db().exec(QStringLiteral("INSERT INTO dt_data (c901, RecordState) VALUES (1, 0), (2, 2)"));
        int calls = 0;
        gui::TdlgAboutForm about(VersionInfo::current(), false);
        about.setOverrideHandler([&] {
            ++calls;
            s.db().exec(QStringLiteral("update dt_data set RecordState=1"));
        });
        about.show();
        QTest::mouseDClick(about.productLabel(), Qt::LeftButton, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(s.db().scalar(QStringLiteral("SELECT count(*) FROM dt_data WHERE RecordState=1")).toInt(), passed);
        QCOMPARE(calls, passed ? 1 : 0);
        QCOMPARE(about.isVisible(), passed == 0); // the override closes the box
        QVERIFY(!about.progressBar()->isVisible());
    }

    void backupAndCompactionBringTheListBack()
    {
        Session s;
        s.openDatabase();
        s.db().exec(
            QStringLiteral("INSERT INTO dt_data (c901, RecordState) VALUES (11, 0), (12, 1), (13, 2), (14, 1)"));
        Settings settings(m_other.filePath(QStringLiteral("s.ini")));
        test::ScriptedInteraction ui;
        Preferences prefs;
        gui::TMainForm w(s, settings, ui, prefs);
        w.recordGrid()->selectRow(2);
        QCOMPARE(w.recordList().currentCode(), 13);

        // the backup comes back on the record it left
        ui.answer(m_other.filePath(QStringLiteral("copy.mdb")));
        act(w, QStringLiteral("actBackup"))->trigger();
        QCOMPARE(ui.messages, QStringList{QStringLiteral("备份成功")});
        QVERIFY(s.isOpen());
        QCOMPARE(w.recordList().currentCode(), 13);
        QCOMPARE(w.recordGrid()->currentIndex().row(), 2);

        // a copy that cannot be written says why, with the database open again
        ui.messages.clear();
        ui.answer(m_other.filePath(QStringLiteral("no such folder/copy.mdb")));
        act(w, QStringLiteral("actBackup"))->trigger();
        QCOMPARE(ui.messages.size(), 1);
        QVERIFY2(ui.messages.first().contains(QStringLiteral("no such folder")), qPrintable(ui.messages.first()));
        QVERIFY(s.isOpen());
        QCOMPARE(w.recordList().currentCode(), 13);

        // the compacted file is shown from its first record
        ui.messages.clear();
        act(w, QStringLiteral("actCompress"))->trigger();
        QCOMPARE(ui.messages, QStringList{QStringLiteral("压缩操作成功")});
        QVERIFY(s.isOpen());
        QCOMPARE(w.recordList().rowCount(), 4);
        QCOMPARE(w.recordList().currentCode(), 11);
        QCOMPARE(w.recordGrid()->currentIndex().row(), 0);
    }

    // The query and list commands open their windows instead of a placeholder.
    void queryCommandsOpenTheirWindows_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("window");
        QTest::newRow("delete") << "actDelete"
                                << "TdlgDeleteForm";
        QTest::newRow("list export") << "actSaveList"
                                     << "TdlgSaveListForm";
        QTest::newRow("indicator query") << "actConditionSearch"
                                         << "TdlgDataSearchForm";
        QTest::newRow("code range search") << "actSearch"
                                           << "TdlgSearchForm";
        QTest::newRow("locate") << "actLocate"
                                << "TdlgLocateForm";
        QTest::newRow("column chooser") << "actRecordGrid"
                                        << "TdlgShowForm";
    }
    void queryCommandsOpenTheirWindows()
    {
        QFETCH(QString, action);
        QFETCH(QString, window);
        Session s;
        s.openDatabase();
        s.db().exec(QStringLiteral("INSERT INTO dt_data (c901, c902) VALUES (1, '甲'), (2, '乙')"));
        Settings settings(m_other.filePath(QStringLiteral("s.ini")));
        test::ScriptedInteraction ui;
        Preferences prefs;
        gui::TMainForm w(s, settings, ui, prefs);
        QString opened;
        QTimer::singleShot(0, [&] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                opened = modal->objectName();
                modal->close();
            }
        });
        act(w, action)->trigger();
        QCOMPARE(opened, window);
        for (const QString &m : ui.messages)
            QVERIFY2(!m.contains(QStringLiteral("尚在开发中")), qPrintable(m));
    }

    void splashClosesItselfInAboutTwoSeconds()
    {
        gui::TdlgAboutForm splash(VersionInfo::current(), true);
        QElapsedTimer t;
        t.start();
        splash.show();
        QVERIFY(splash.progressBar()->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!splash.isVisible(), 6000);
        QVERIFY(t.elapsed() >= 1500);
        QCOMPARE(splash.progressBar()->value(), 100);
    }
};

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
