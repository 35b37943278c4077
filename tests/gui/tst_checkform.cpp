#include "Fixtures.h"
#include "ScriptedInteraction.h"
#include "app/Session.h"
#include "logic/TdlgCheckForm.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <QtTest>

using namespace tq;

class TestCheckForm : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<Session> m_session;
    test::ScriptedInteraction m_ui;
    int m_refreshes = 0;

    std::unique_ptr<gui::TdlgCheckForm> dialog(QList<qint64> selection = {})
    {
        return std::make_unique<gui::TdlgCheckForm>(
            *m_session, m_ui, m_dir.path(),
            gui::TdlgCheckForm::Hooks{[selection] { return RecordSelection::codes(selection); },
                                      [this] { ++m_refreshes; }});
    }
    QString states()
    {
        return m_session->db()
            .scalar(QStringLiteral("SELECT group_concat(c901 || ':' || RecordState, ' ') FROM "
                                   "(SELECT * FROM dt_data ORDER BY c901)"))
            .toString();
    }

private slots:
    void init()
    {
        QFile::remove(m_dir.filePath(QStringLiteral("c.mdb")));
        m_session = std::make_unique<Session>();
        m_session->openDatabase(tq::test::newSurveyDatabase(m_dir, QStringLiteral("c.mdb")));
        for (int c : {1, 2, 3, 50, 60})
            m_session->db().exec(QStringLiteral("INSERT INTO dt_data (c901, c902, c904, z001, z006, RecordState) "
                                                "VALUES (?, '单位', 5, 10, 10, 0)"),
                                 {c});
        m_ui = test::ScriptedInteraction();
        m_refreshes = 0;
    }

    void rangeChecks_data()
    {
        QTest::addColumn<QString>("low");
        QTest::addColumn<QString>("high");
        QTest::addColumn<QString>("states");
        QTest::addColumn<QString>("highAfter");
        QTest::addColumn<QString>("message");
        QTest::newRow("zero bound refused") << "0"
                                            << "100"
                                            << "1:0 2:0 3:0 50:0 60:0"
                                            << "100"
                                            << "请输入逻辑检查的范围";
        QTest::newRow("blank bound refused") << ""
                                             << "3"
                                             << "1:0 2:0 3:0 50:0 60:0"
                                             << "3"
                                             << "请输入逻辑检查的范围";
        QTest::newRow("negative start") << "-5"
                                        << "3"
                                        << "1:1 2:1 3:1 50:0 60:0"
                                        << "3"
                                        << "恭喜你，所检查的数据没有逻辑错误";
        QTest::newRow("reversed") << "50"
                                  << "20"
                                  << "1:0 2:0 3:0 50:1 60:0"
                                  << "50"
                                  << "恭喜你，所检查的数据没有逻辑错误";
    }
    void rangeChecks()
    {
        QFETCH(QString, low);
        QFETCH(QString, high);
        QFETCH(QString, states);
        QFETCH(QString, highAfter);
        QFETCH(QString, message);
        auto dlg = dialog();
        QVERIFY(dlg->selectedChoice()->isChecked());
        dlg->lowEdit()->setText(low);
        dlg->highEdit()->setText(high);
        QVERIFY(dlg->rangeChoice()->isChecked()); // typing a bound chooses the range
        dlg->tbCheckClick();
        QCOMPARE(m_ui.messages, QStringList{message});
        QCOMPARE(this->states(), states);
        QCOMPARE(dlg->highEdit()->text(), highAfter);
        QVERIFY(!dlg->isChecking());
        QCOMPARE(dlg->height(), 172);
        QVERIFY(dlg->checkButton()->isEnabled());
        QVERIFY(!dlg->pauseButton()->isEnabled());
    }

    void allAndSelected()
    {
        auto all = dialog();
        all->allChoice()->setChecked(true);
        all->tbCheckClick();
        QCOMPARE(states(), QStringLiteral("1:1 2:1 3:1 50:1 60:1"));
        QCOMPARE(m_refreshes, 1);

        m_session->db().exec(QStringLiteral("UPDATE dt_data SET RecordState = 0, z001 = 0, z006 = 0 WHERE c901 = 2"));
        auto sel = dialog({2, 3});
        sel->tbCheckClick();
        QCOMPARE(states(), QStringLiteral("1:1 2:2 3:1 50:1 60:1"));
        QCOMPARE(m_ui.viewed.size(), 1);
    }

    void pauseResumeAndReturn()
    {
        auto dlg = dialog();
        dlg->StartProgress(10, 0);
        QVERIFY(dlg->pauseButton()->isEnabled());
        QVERIFY(!dlg->resumeButton()->isEnabled());
        dlg->tbPauseClick();
        QVERIFY(dlg->paused());
        QVERIFY(dlg->resumeButton()->isEnabled());
        dlg->tbResumeClick();
        QVERIFY(!dlg->paused());
        for (int i = 0; i < 60; ++i)
            dlg->Timer1Timer();
        QCOMPARE(dlg->doneLabel()->text(), QStringLiteral("已完成 0"));
        for (int i = 0; i < 5; ++i)
            dlg->StepProgress();
        dlg->Timer1Timer();
        QCOMPARE(dlg->doneLabel()->text(), QStringLiteral("已完成 5 用时6秒"));
        QCOMPARE(dlg->leftLabel()->text(), QStringLiteral("待完成 5 尚需7秒"));
        dlg->show();
        dlg->tbReturnClick();
        QVERIFY(dlg->stopRequested());
        QVERIFY(!dlg->isVisible());
    }
};

QTEST_MAIN(TestCheckForm)
#include "tst_checkform.moc"
