#include "Fixtures.h"
#include "ScriptedInteraction.h"
#include "app/AppPaths.h"
#include "app/Session.h"
#include "db/FieldCatalogue.h"
#include "app/RecordList.h"
#include "entry/TButtonBox.h"
#include "entry/TKvValidEdit.h"
#include "entry/TNumberEdit.h"
#include "entry/TdlgSurveyDataForm.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolButton>
#include <QtTest>

using namespace tq;
using gui::TdlgSurveyDataForm;
using gui::TNumberEdit;

class TestEditor : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<Session> m_session;
    std::unique_ptr<Settings> m_settings;
    test::ScriptedInteraction m_ui;
    Preferences m_prefs;
    RecordList m_list;
    db::FieldCatalogue m_catalogue;

    std::unique_ptr<TdlgSurveyDataForm> editor(bool adding)
    {
        m_list.setQuery(ListQuery(QStringLiteral("SELECT *  from view_data order by c901 asc")));
        m_list.open(m_session->db());
        auto f = std::make_unique<TdlgSurveyDataForm>(*m_session, *m_settings, m_ui, m_prefs);
        f->setCatalogue(&m_catalogue);
        f->setRecordList(m_list, [this] { m_list.requery(m_session->db()); });
        f->setAdding(adding);
        if (!adding && m_list.rowCount() > 0)
            f->setPrintCode(*m_list.currentCode());
        f->FormShow();
        f->show();
        return f;
    }
    // A cover that passes every check; the record then only needs its tables.
    void fillCover(TdlgSurveyDataForm &f, qint64 code = 0)
    {
        if (code)
            f.numberBox("c901")->setValue(code);
        f.textBox("c902")->setText(QStringLiteral("测试市总工会"));
        f.numberBox("c903")->setValue(130102);
        f.setRegionName(QStringLiteral("河北省石家庄市长安区"), 130102);
        f.ApplyLevelRules(5);
        f.setLevelName(QStringLiteral("地市级产业工会"), 5);
        f.textBox("c905")->setText(QStringLiteral("张三"));
        f.textBox("c906")->setText(QStringLiteral("0311-86000000"));
    }
    int count() { return m_session->db().scalar(QStringLiteral("SELECT count(*) FROM dt_data")).toInt(); }
    QVariant column(qint64 code, const char *col)
    {
        return m_session->db().scalar(QStringLiteral("SELECT %1 FROM dt_data WHERE c901=?").arg(QLatin1String(col)),
                                      {code});
    }
    void insertClean(qint64 code)
    {
        m_session->db().exec(QStringLiteral("INSERT INTO dt_data (c901,c902,c903,c904,c905,c906,z001,z006,RecordState) "
                                            "VALUES (?, '单位', 130102, 5, '李四', '123', 10, 10, 1)"),
                             {code});
    }

private slots:
    void init()
    {
        AppPaths::setProgramDir(m_dir.path());
        QFile::remove(m_dir.filePath(QStringLiteral("e.mdb")));
        m_session = std::make_unique<Session>();
        m_session->openDatabase(tq::test::newSurveyDatabase(m_dir, QStringLiteral("e.mdb")));
        m_catalogue = db::FieldCatalogue::load(m_session->db());
        QFile::remove(m_dir.filePath(QStringLiteral("s.ini")));
        m_settings = std::make_unique<Settings>(m_dir.filePath(QStringLiteral("s.ini")));
        m_ui = test::ScriptedInteraction();
    }

    void pagesAndBoxes()
    {
        auto f = editor(true);
        QCOMPARE(f->DataPage()->count(), 14);
        QCOMPARE(f->DataPage()->tabText(5), QStringLiteral("表4-续"));
        int boxes = 0;
        for (int p = 1; p < 14; ++p)
            boxes += int(f->pageBoxes(p).size());
        QCOMPARE(boxes, 187);
        for (const db::CatalogueField &c : m_catalogue.fields())
            if (c.pageId >= 1)
                QVERIFY2(f->numberBox(c.fieldName), qPrintable(c.fieldName));
        QVERIFY(f->notes()->toPlainText().startsWith(QStringLiteral("2009年度")) ||
                f->notes()->toPlainText().isEmpty()); // notes beside the program are optional here
    }

    void addingProposesCodesAndSaves()
    {
        auto f = editor(true);
        QVERIFY(f->numberBox("c901")->isBlank());
        QCOMPARE(f->numberBox("c901")->value(), 1);
        QVERIFY(!f->tbPrint()->isEnabled());
        QVERIFY(f->tbAdd()->isVisibleTo(f.get()));
        QVERIFY(!f->tbSave()->isVisibleTo(f.get()));
        fillCover(*f);
        f->numberBox("z001")->setValue(10);
        f->numberBox("z006")->setValue(10);
        f->tbHoldClick();
        QCOMPARE(m_ui.messages.last(), QStringLiteral("数据已经被临时保存。"));
        QCOMPARE(count(), 1);
        QCOMPARE(column(1, "RecordState").toInt(), 0);
        QCOMPARE(column(1, "stats").toString().size(), 32);
        f->numberBox("z002")->setValue(3);
        f->tbSaveClick();
        QCOMPARE(m_ui.messages.last(), QStringLiteral("数据保存成功，没有逻辑错误！"));
        QCOMPARE(count(), 1); // the temporary save's row was edited, not a second one appended
        QCOMPARE(column(1, "RecordState").toInt(), 1);
        QCOMPARE(column(1, "z002").toInt(), 3);
        QCOMPARE(column(1, "c902").toString(), QStringLiteral("测试市总工会"));
        // the window is ready for the next organisation
        QCOMPARE(f->numberBox("c901")->value(), 2);
        QCOMPARE(f->textBox("c905")->text(), QStringLiteral("张三"));
        QCOMPARE(f->numberBox("c903")->value(), 130102);
        QVERIFY(!f->tbHold()->isEnabled());
        // a record with errors is saved with state 2
        fillCover(*f);
        f->tbSaveClick();
        QCOMPARE(m_ui.messages.last(), QStringLiteral("数据保存成功，有逻辑错误！"));
        QCOMPARE(column(2, "RecordState").toInt(), 2);
        QVERIFY(!f->errorList()->IsListEmpty());
    }

    void duplicateCodeIsRefused()
    {
        insertClean(7);
        auto f = editor(true);
        fillCover(*f, 7);
        f->tbSaveClick();
        QVERIFY(m_ui.messages.last().contains(QStringLiteral("在增加数据时，填写的本级工会编码为7")));
        QVERIFY(!f->tbHold()->isEnabled());
        QCOMPARE(count(), 1);
    }

    void gatesAndLevels()
    {
        auto f = editor(true);
        fillCover(*f);
        f->numberBox("b001")->setValue(1);
        f->numberBox("b002")->setValue(5);
        f->numberBox("b001")->setValue(2);
        for (const char *n : {"b002", "b005", "b008"}) {
            QVERIFY2(!f->numberBox(n)->isEnabled(), n);
            QCOMPARE(f->numberBox(n)->value(), 0);
        }
        f->numberBox("b001")->setValue(1);
        QVERIFY(f->numberBox("b002")->isEnabled());
        QCOMPARE(f->numberBox("b002")->value(), 0);

        // b013 belongs to county level and above; c010 to industrial parks, behind c009
        QVERIFY(!f->numberBox("b013")->isEnabled());
        f->ApplyLevelRules(3);
        QVERIFY(f->numberBox("b013")->isEnabled());
        QVERIFY(!f->numberBox("c010")->isEnabled());
        QVERIFY(!f->numberBox("c002")->isEnabled()); // level fits, gate c001 closed
        f->numberBox("c001")->setValue(1);
        QVERIFY(f->numberBox("c002")->isEnabled());
        f->numberBox("b013")->setValue(9);
        f->ApplyLevelRules(8);
        QCOMPARE(f->numberBox("b013")->value(), 0);
        QVERIFY(!f->numberBox("c010")->isEnabled()); // park level, gate c009 still closed
        f->numberBox("c009")->setValue(1);
        QVERIFY(f->numberBox("c010")->isEnabled());
    }

    void closingAsksAndSavesTemporarilyOnErrors()
    {
        insertClean(5);
        auto f = editor(false);
        QCOMPARE(f->numberBox("z001")->value(), 10);
        QVERIFY(f->tbPrint()->isEnabled());
        QVERIFY(!f->isDirty());
        f->numberBox("z002")->setValue(50); // more women than cadres: a rule fails
        QVERIFY(f->isDirty());
        QVERIFY(!f->tbPrint()->isEnabled());
        m_ui.answer(true);
        f->close();
        QCOMPARE(m_ui.questions.last(), QStringLiteral("提示信息|对数据改动后尚未保存，准备保存这些改动吗？"));
        QCOMPARE(column(5, "z002").toInt(), 50);
        QCOMPARE(column(5, "RecordState").toInt(), 0);
    }

    void returnDropsChanges()
    {
        insertClean(5);
        auto f = editor(false);
        f->numberBox("z002")->setValue(4);
        const int questions = m_ui.questions.size();
        f->tbReturnClick();
        QCOMPARE(m_ui.questions.size(), questions);
        QCOMPARE(column(5, "z002").toInt(), 0);
        QVERIFY(!f->isVisible());
    }

    void navigationWalksTheList()
    {
        for (int c : {1, 2, 3})
            insertClean(c);
        auto f = editor(false);
        QCOMPARE(f->itemNo()->text(), QStringLiteral("第1条/共3条"));
        QVERIFY(f->navBar()->isVisibleTo(f.get()));
        QVERIFY(!f->navAction(0)->isEnabled());
        f->actNextExecute();
        QCOMPARE(f->numberBox("c901")->value(), 2);
        QCOMPARE(f->itemNo()->text(), QStringLiteral("第2条/共3条"));
        QVERIFY(!f->tbPrint()->isEnabled() || true);
        f->actLastExecute();
        QCOMPARE(f->numberBox("c901")->value(), 3);
        QVERIFY(!f->navAction(3)->isEnabled());
        // moving on with changes asks first; No drops them
        f->numberBox("z002")->setValue(2);
        m_ui.answer(false);
        f->actFirstExecute();
        QCOMPARE(f->numberBox("c901")->value(), 1);
        QCOMPARE(column(3, "z002").toInt(), 0);
    }

    void keyboardWalksAcrossPages()
    {
        insertClean(5);
        auto f = editor(false);
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.get()));
        // Up on the first cover box goes round to the last open box of 表12;
        // at this level nothing of 表12 is open, so it is the last box of 表11
        f->numberBox("c901")->setFocus();
        QTest::keyClick(f->numberBox("c901"), Qt::Key_Up);
        QCOMPARE(f->DataPage()->currentIndex(), 12);
        QWidget *lastOpen = f->numberBox("g008");
        QCOMPARE(QApplication::focusWidget(), lastOpen);
        // Enter on the last open box saves the record
        f->numberBox("z002")->setValue(1); // something to save
        lastOpen->setFocus();
        QTest::keyClick(lastOpen, Qt::Key_Return);
        QCOMPARE(m_ui.messages.last(), QStringLiteral("数据保存成功，没有逻辑错误！"));
        QCOMPARE(column(5, "z002").toInt(), 1);
        // Enter walks forward within a page and on to the next one
        f->changePage(1);
        QCOMPARE(f->DataPage()->currentIndex(), 1);
        const auto &page1 = f->pageBoxes(1);
        page1.back()->setFocus();
        QTest::keyClick(page1.back(), Qt::Key_Return);
        QCOMPARE(f->DataPage()->currentIndex(), 2);
    }

    // A 0 typed into the code box is shown empty on leaving and then reads 1,
    // the value the save takes.
    void aZeroShownEmptyReadsItsBlankValue()
    {
        auto f = editor(true);
        fillCover(*f);
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.get()));
        TNumberEdit *code = f->numberBox("c901");
        code->setFocus();
        code->selectAll();
        QTest::keyClicks(code, "0");
        QCOMPARE(code->value(), 0);
        f->textBox("c902")->setFocus();
        QVERIFY(code->isBlank());
        f->tbHoldClick();
        QCOMPARE(m_ui.messages.last(), QStringLiteral("数据已经被临时保存。"));
        QCOMPARE(column(1, "c902").toString(), QStringLiteral("测试市总工会"));
    }

    void leavingTheCoverNeedsAValidCover()
    {
        auto f = editor(true);
        QVERIFY(!f->changePage(3)); // no name, no filler
        QCOMPARE(f->DataPage()->currentIndex(), 0);
        QCOMPARE(m_ui.messages.last(), QStringLiteral("必须输入本级工会名称"));
        fillCover(*f);
        QVERIFY(f->changePage(3));
        QCOMPARE(f->DataPage()->currentIndex(), 3);
    }

    void failedSaveLeavesTheRecord()
    {
        insertClean(5);
        m_session->db().exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON dt_data "
                                            "BEGIN SELECT RAISE(ABORT, '磁盘已满'); END"));
        auto f = editor(false);
        f->numberBox("z002")->setValue(3);
        f->tbSaveClick();
        QVERIFY(m_ui.messages.last().startsWith(QStringLiteral("保存过程中遇到错误：")));
        QVERIFY(m_ui.messages.last().endsWith(QStringLiteral("数据没有被保存。")));
        QCOMPARE(column(5, "z002").toInt(), 0);
        QVERIFY(f->isDirty());
    }
};

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"
