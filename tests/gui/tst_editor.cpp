#include "Fixtures.h"
#include "ScriptedInteraction.h"
#include "app/AppPaths.h"
#include "app/RecordList.h"
#include "app/Session.h"
#include "db/FieldCatalogue.h"
#include "entry/EntryPage.h"
#include "entry/TButtonBox.h"
#include "entry/TKvValidEdit.h"
#include "entry/TNumberEdit.h"
#include "entry/TdlgSurveyDataForm.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QScrollBar>
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
    // Keys go where a user's keys go: to the window that has the keyboard.
    static void type(const char *keys)
    {
        for (const char *c = keys; *c; ++c) {
            QWindow *w = QGuiApplication::focusWindow();
            QVERIFY2(w, "no window has the keyboard");
            if (*c == '\r')
                QTest::keyClick(w, Qt::Key_Return);
            else
                QTest::keyClick(w, *c);
        }
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

    // A whole record typed from the keyboard, the way it is entered all day:
    // values and Enter, page after page. The error list appearing on the way
    // must not take the keyboard: the editor stays the active window and the
    // next key lands in the next box.
    void wholeRecordFromTheKeyboard()
    {
        auto f = editor(true);
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.get()));
        QCOMPARE(QApplication::focusWidget(), f->numberBox("c901"));
        // c901 keeps its proposal (1); 表1 gets more women than cadres
        for (const char *value : {"", "Union A", "130102", "5", "Zhang", "0311-1234", "3", "5"}) {
            type(value);
            type("\r");
        }
        QCOMPARE(f->DataPage()->currentIndex(), 1);
        QCOMPARE(QApplication::focusWidget(), f->numberBox("z003"));
        QVERIFY(!f->errorList()->isVisible());

        int listShown = 0;
        int steps = 0;
        while (m_ui.messages.isEmpty() && ++steps < 400) {
            const int page = f->DataPage()->currentIndex();
            type("\r");
            if (f->DataPage()->currentIndex() == page || m_ui.messages.size())
                continue;
            // a new page: the list may have come up for the page left
            QTRY_VERIFY(f->isActiveWindow());
            QCOMPARE(QGuiApplication::focusWindow(), f->windowHandle());
            QWidget *box = QApplication::focusWidget();
            QVERIFY(box && f->box(box->objectName()) == box);
            if (f->errorList()->isVisible()) {
                // nor when the user clicks it or moves it out of the way
                if (++listShown == 2) {
                    f->errorList()->activateWindow();
                    QTRY_VERIFY(f->isActiveWindow());
                    QCOMPARE(QApplication::focusWidget(), box);
                }
                type("7");
                QCOMPARE(box->property("text").toString(), QStringLiteral("7"));
            }
        }
        QVERIFY2(listShown > 0, "表1 breaks a rule: the list comes up on leaving it");
        QCOMPARE(m_ui.messages, QStringList{QStringLiteral("数据保存成功，有逻辑错误！")});
        QCOMPARE(column(1, "c902").toString(), QStringLiteral("Union A"));
        QCOMPARE(column(1, "z002").toInt(), 5);
        QCOMPARE(column(1, "x001").toInt(), 7); // typed while the list was up
        QCOMPARE(column(1, "RecordState").toInt(), 2);
    }

    // Enter walks down a page taller than the window: every box it reaches is
    // scrolled into view, also above the error list where that covers the
    // lower part of the page.
    void focusedBoxIsInView_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("withList");
        QTest::addColumn<QString>("jumpTo");
        QTest::newRow("表4") << 4 << false << "b029";
        QTest::newRow("表5") << 6 << false << "f034";
        QTest::newRow("表5 under the error list") << 6 << true << "f025";
    }
    void focusedBoxIsInView()
    {
        QFETCH(int, page);
        QFETCH(bool, withList);
        QFETCH(QString, jumpTo);
        insertClean(5);
        auto f = editor(false);
        f->ApplyLevelRules(1); // a provincial union: the boxes these pages limit by level are open
        f->resize(1000, 738);  // as on a screen of 768 pixels
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.get()));
        QVERIFY(f->changePage(page));
        gui::EntryPage *sheet = f->entryPage(page);
        QVERIFY2(sheet->widget()->height() > sheet->viewport()->height(), "the page scrolls");
        if (withList) {
            f->errorList()->AddMessage(QStringLiteral("r"), QStringLiteral("说明"), page, jumpTo);
            f->errorList()->ShowList();
            QVERIFY(QTest::qWaitForWindowExposed(f->errorList()));
            QTRY_VERIFY(f->isActiveWindow());
        }
        const auto inView = [&](QWidget *box) {
            const QRect onScreen(box->mapToGlobal(QPoint(0, 0)), box->size());
            return sheet->viewportOnScreen().contains(onScreen) &&
                   !(withList && f->errorList()->frameGeometry().intersects(onScreen));
        };
        std::vector<QWidget *> open;
        for (QWidget *box : f->pageBoxes(page))
            if (box->isEnabled())
                open.push_back(box);
        for (std::size_t i = 0; i < open.size(); ++i) {
            QCOMPARE(QApplication::focusWidget(), open[i]);
            QVERIFY2(inView(open[i]), qPrintable(open[i]->objectName()));
            if (i + 1 < open.size())
                type("\r");
        }
        // a jump from the error list to a box out of view
        sheet->verticalScrollBar()->setValue(0);
        QVERIFY(!inView(f->box(jumpTo)));
        f->focusBoxByName(jumpTo);
        QCOMPARE(QApplication::focusWidget(), f->box(jumpTo));
        QVERIFY(inView(f->box(jumpTo)));
    }

    // Every page fits a window of 1024 pixels across without sideways
    // scrolling, and the boxes of a page's columns line up from group to
    // group.
    void pagesFitAndLineUp()
    {
        auto f = editor(true);
        QVERIFY(f->minimumSizeHint().width() <= 1010);
        QVERIFY(f->minimumSizeHint().height() <= 700);
        f->resize(1010, 700);
        for (int p = 0; p < f->DataPage()->count(); ++p) {
            f->DataPage()->setCurrentIndex(p);
            gui::EntryPage *page = f->entryPage(p);
            QVERIFY(page);
            QCoreApplication::sendPostedEvents();
            QVERIFY2(page->widget()->minimumSizeHint().width() <= page->viewport()->width(),
                     qPrintable(f->DataPage()->tabText(p)));
            if (p == 0)
                continue;
            QSet<int> columns;
            for (QWidget *box : f->pageBoxes(p)) {
                columns.insert(box->mapTo(page->widget(), QPoint(0, 0)).x());
                QVERIFY(box->mapTo(page->widget(), QPoint(box->width(), 0)).x() <= page->viewport()->width());
            }
            QVERIFY2(columns.size() <= 2, qPrintable(f->DataPage()->tabText(p)));
        }
    }

    // The region picker opened on a wrong code: the wrong-code message is
    // the one of leaving the box, not of opening the picker over it.
    void regionPickerOverAWrongCode()
    {
        auto f = editor(true);
        fillCover(*f);
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.get()));
        TNumberEdit *c903 = f->numberBox("c903");
        c903->setFocus();
        c903->selectAll();
        type("99");
        QStringList whileOpen;
        bool opened = false;
        QTimer::singleShot(200, this, [&] {
            QWidget *picker = QApplication::activeModalWidget();
            opened = picker && picker != f.get();
            whileOpen = m_ui.messages;
            if (opened)
                static_cast<QDialog *>(picker)->reject();
        });
        QTest::mouseClick(f->cityNameCtrl()->button(), Qt::LeftButton);
        QVERIFY(opened);
        QCOMPARE(whileOpen, QStringList{});
        f->activateWindow(); // as the window manager does when the picker closes
        QVERIFY(QTest::qWaitForWindowActive(f.get()));
        QCOMPARE(QApplication::focusWidget(), c903);
        // leaving the box itself still tells
        type("\r");
        QTRY_COMPARE(m_ui.messages, QStringList{QStringLiteral("输入的行政区划代码错误，请重新输入，或用对话框选择")});
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
