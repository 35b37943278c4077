#include "Fixtures.h"
#include "db/Database.h"
#include "entry/CodeMenu.h"
#include "entry/TButtonBox.h"
#include "entry/TCityNameForm.h"
#include "entry/TKvValidEdit.h"
#include "logic/TMessageListWinForm.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QtTest>

using namespace tq;
using namespace tq::gui;

namespace {

// Stands in for the data-entry window: a page change refills the list the
// way the editor's page-change handling does while a jump is in progress.
class FakeEditor : public MessageJumpTarget {
public:
    explicit FakeEditor(TMessageListWinForm &list) : m_list(list) {}
    QStringList calls;
    bool flagDuringSwitch = false;
    bool clickAgain = false;

    void switchToPage(int index) override
    {
        calls << QStringLiteral("page %1").arg(index);
        flagDuringSwitch = m_list.JumpInProgress();
        if (clickAgain)
            m_list.GridDblClick(); // a second double-click while the first is switching
        m_list.ClearList();
        m_list.AddMessage(QStringLiteral("target rule"), QStringLiteral("说明"), index, QStringLiteral("b002"));
    }
    void focusBoxByName(const QString &name) override { calls << QStringLiteral("focus ") + name; }

private:
    TMessageListWinForm &m_list;
};

int rowOf(QTableWidget *grid, const QString &name)
{
    for (int r = 0; r < grid->rowCount(); ++r)
        if (grid->item(r, 0)->text() == name)
            return r;
    return -1;
}

QStringList names(QTableWidget *grid)
{
    QStringList out;
    for (int r = 0; r < grid->rowCount(); ++r)
        out << grid->item(r, 0)->text();
    return out;
}

// A click first makes the row current, as a user's first click of a double-click does.
void doubleClickRow(QTableWidget *grid, int row)
{
    const QPoint at = grid->visualItemRect(grid->item(row, 0)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
}

QString current(QTableWidget *grid)
{
    return grid->currentRow() < 0 ? QString() : grid->item(grid->currentRow(), 0)->text();
}

} // namespace

class TestPickers : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    db::Database m_db;

private slots:
    void initTestCase()
    {
        m_db = db::Database::open(test::newSurveyDatabase(m_dir));
        // A small division table: Beijing; Hebei with two cities; a province whose cities start at 2.
        m_db.exec(QStringLiteral("DELETE FROM CT_CityName"));
        m_db.execScript(
            QStringLiteral("INSERT INTO CT_CityName VALUES (110000, 11, 0, 0, '北京市', '北京市');"
                           "INSERT INTO CT_CityName VALUES (110100, 11, 1, 0, '市辖区', '北京市市辖区');"
                           "INSERT INTO CT_CityName VALUES (110101, 11, 1, 1, '东城区', '北京市东城区');"
                           "INSERT INTO CT_CityName VALUES (130000, 13, 0, 0, '河北省', '河北省');"
                           "INSERT INTO CT_CityName VALUES (130200, 13, 2, 0, '唐山市', '河北省唐山市');"
                           "INSERT INTO CT_CityName VALUES (130202, 13, 2, 2, '路南区', '河北省唐山市路南区 ');"
                           "INSERT INTO CT_CityName VALUES (130203, 13, 2, 3, '路北区', '河北省唐山市路北区');"
                           "INSERT INTO CT_CityName VALUES (130100, 13, 1, 0, '石家庄市', '河北省石家庄市');"
                           "INSERT INTO CT_CityName VALUES (130102, 13, 1, 2, '长安区', '河北省石家庄市长安区');"
                           "INSERT INTO CT_CityName VALUES (500000, 50, 0, 0, '重庆市', '重庆市');"
                           "INSERT INTO CT_CityName VALUES (500200, 50, 2, 0, '县', '重庆市县');"
                           "INSERT INTO CT_CityName VALUES (500229, 50, 2, 29, '城口县', '重庆市城口县');"));
    }

    void validEditFiltersTyping_data()
    {
        QTest::addColumn<int>("checkType");
        QTest::addColumn<QString>("chars");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        const QString quotes = QStringLiteral("'\"`");
        QTest::newRow("quotes refused") << int(TKvValidEdit::tcForbid) << quotes << "a'b\"c`d"
                                        << "abcd";
        QTest::newRow("nothing forbidden") << int(TKvValidEdit::tcForbid) << QString() << "a'b"
                                           << "a'b";
        QTest::newRow("only digits valid") << int(TKvValidEdit::tcValidate) << "0123456789"
                                           << "12a3-"
                                           << "123";
        QTest::newRow("nothing valid") << int(TKvValidEdit::tcValidate) << QString() << "abc"
                                       << "";
    }

    void validEditFiltersTyping()
    {
        QFETCH(int, checkType);
        QFETCH(QString, chars);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        TKvValidEdit edit;
        edit.setCheckType(TKvValidEdit::CheckType(checkType));
        if (checkType == TKvValidEdit::tcForbid)
            edit.setForbidChars(chars);
        else
            edit.setValidChars(chars);
        QTest::keyClicks(&edit, typed);
        QCOMPARE(edit.text(), shown);

        // Backspace always passes; text set by the program is not filtered.
        edit.setText(QStringLiteral("x'y"));
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QCOMPARE(edit.text(), QStringLiteral("x'"));
    }

    void validEditFiltersInputMethodButNotPaste()
    {
        TKvValidEdit edit;
        edit.setForbidChars(QStringLiteral("'\"`"));
        QCOMPARE(edit.checkType(), TKvValidEdit::tcForbid);
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("张'三"));
        QApplication::sendEvent(&edit, &commit);
        QCOMPARE(edit.text(), QStringLiteral("张三"));

        QApplication::clipboard()->setText(QStringLiteral("'李"));
        edit.setFocus();
        edit.paste();
        QCOMPARE(edit.text(), QStringLiteral("张三'李"));
    }

    void regionPickerStart_data()
    {
        QTest::addColumn<qint64>("start");
        QTest::addColumn<QString>("province");
        QTest::addColumn<QString>("city");
        QTest::addColumn<QString>("county");
        QTest::addColumn<QStringList>("counties");
        QTest::newRow("no code starts at 110100") << qint64(0) << "北京市"
                                                  << "市辖区"
                                                  << "市辖区" << QStringList{"市辖区", "东城区"};
        QTest::newRow("a county") << qint64(130202) << "河北省"
                                  << "唐山市"
                                  << "路南区" << QStringList{"唐山市", "路南区", "路北区"};
        QTest::newRow("unknown county") << qint64(130299) << "河北省"
                                        << "唐山市"
                                        << "唐山市" << QStringList{"唐山市", "路南区", "路北区"};
        QTest::newRow("unknown city follows the first row") << qint64(131100) << "河北省"
                                                            << "石家庄市"
                                                            << "石家庄市" << QStringList{"石家庄市", "长安区"};
    }

    void regionPickerStart()
    {
        QFETCH(qint64, start);
        QFETCH(QString, province);
        QFETCH(QString, city);
        QFETCH(QString, county);
        QFETCH(QStringList, counties);
        TCityNameForm form(m_db, start);
        QCOMPARE(form.windowTitle(), QStringLiteral("中华人民共和国行政区划"));
        QCOMPARE(names(form.provinceGrid()), (QStringList{"北京市", "河北省", "重庆市"}));
        QCOMPARE(current(form.provinceGrid()), province);
        QCOMPARE(current(form.cityGrid()), city);
        QCOMPARE(current(form.countyGrid()), county);
        QCOMPARE(names(form.countyGrid()), counties);
    }

    void regionPickerNavigation()
    {
        TCityNameForm form(m_db);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        // A province click preselects its city number 1.
        QTableWidget *provinces = form.provinceGrid();
        const int hebei = rowOf(provinces, QStringLiteral("河北省"));
        QTest::mouseClick(provinces->viewport(), Qt::LeftButton, {},
                          provinces->visualItemRect(provinces->item(hebei, 0)).center());
        QCOMPARE(names(form.cityGrid()), (QStringList{"石家庄市", "唐山市"}));
        QCOMPARE(current(form.cityGrid()), QStringLiteral("石家庄市"));
        QCOMPARE(names(form.countyGrid()), (QStringList{"石家庄市", "长安区"}));
        QCOMPARE(form.city(), 1);

        // An arrow key in the city grid moves to the next city and refills the counties.
        form.cityGrid()->setFocus();
        QTest::keyClick(form.cityGrid(), Qt::Key_Down);
        QCOMPARE(current(form.cityGrid()), QStringLiteral("唐山市"));
        QCOMPARE(names(form.countyGrid()), (QStringList{"唐山市", "路南区", "路北区"}));

        // And in the province grid; a province without city 1 falls back to its first city.
        provinces->setFocus();
        QTest::keyClick(provinces, Qt::Key_Down);
        QCOMPARE(current(provinces), QStringLiteral("重庆市"));
        QCOMPARE(current(form.cityGrid()), QStringLiteral("县"));
        QCOMPARE(names(form.countyGrid()), (QStringList{"县", "城口县"}));

        // A double-click on a county chooses it.
        QTableWidget *counties = form.countyGrid();
        doubleClickRow(counties, 1);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(form.ID(), qint64(500229));
        QCOMPARE(form.CombName(), QStringLiteral("重庆市城口县"));
    }

    void regionPickerEnds_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("result");
        QTest::addColumn<qint64>("id");
        QTest::addColumn<QString>("name");
        QTest::newRow("确认选择") << "ok" << int(QDialog::Accepted) << qint64(130202) << "河北省唐山市路南区";
        QTest::newRow("取消选择") << "cancel" << int(QDialog::Rejected) << qint64(130202) << "北京市";
        QTest::newRow("Esc") << "esc" << int(QDialog::Rejected) << qint64(130202) << "北京市";
    }

    void regionPickerEnds()
    {
        QFETCH(QString, how);
        QFETCH(int, result);
        QFETCH(qint64, id);
        QFETCH(QString, name);
        TCityNameForm form(m_db, 130202);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        if (how == u"ok")
            QTest::mouseClick(form.okButton(), Qt::LeftButton);
        else if (how == u"cancel")
            QTest::mouseClick(form.cancelButton(), Qt::LeftButton);
        else
            QTest::keyClick(form.countyGrid(), Qt::Key_Escape);
        QCOMPARE(form.result(), result);
        QVERIFY(!form.isVisible());
        QCOMPARE(form.ID(), id); // the combined name is trimmed
        QCOMPARE(form.CombName(), name);
    }

    void codeMenu()
    {
        QWidget parent;
        TButtonBox box(&parent);
        box.setGeometry(20, 40, 200, 24);
        box.setTag(2);
        const entry::CodeList list{
            {1, QStringLiteral("省级")}, {2, QStringLiteral(" 地市级 ")}, {10, QStringLiteral("其他")}};
        QList<qint64> called;
        QMenu *menu = ShowCodeMenu(&box, list, [&](qint64 code) { called << code; });
        QCOMPARE(codeMenuPoint(&box), parent.mapToGlobal(QPoint(20 + 200 - 10, 40 + 24 - 30)));
        QCOMPARE(menu->actions().size(), 3);
        QStringList checked;
        for (QAction *a : menu->actions())
            checked << QStringLiteral("%1:%2").arg(a->text()).arg(a->isChecked());
        QCOMPARE(checked, (QStringList{"省级:0", " 地市级 :1", "其他:0"}));

        menu->actions().at(1)->trigger();
        QCOMPARE(box.text(), QStringLiteral("地市级"));
        QCOMPARE(box.tag(), qint64(2));
        QCOMPARE(called, QList<qint64>{2});
        menu->hide();

        // The plain form: the same menu, rebuilt, with the new tag checked and no callback.
        QMenu *again = ShowCodeMenuPlain(&box, list);
        QCOMPARE(again, menu);
        QCOMPARE(again->actions().size(), 3);
        again->actions().at(2)->trigger();
        QCOMPARE(box.text(), QStringLiteral("其他"));
        QCOMPARE(box.tag(), qint64(10));
        QCOMPARE(called, QList<qint64>{2});
        again->hide();
    }

    void messageListAddAndClear()
    {
        TMessageListWinForm list;
        QCOMPARE(list.windowTitle(), QStringLiteral("逻辑错误列表"));
        QCOMPARE(list.RowCount(), 2);
        QVERIFY(list.IsListEmpty());
        QCOMPARE(list.Cells(1, 0), QStringLiteral("逻辑关系"));
        QCOMPARE(list.Cells(4, 0), QStringLiteral("变量"));
        QCOMPARE(list.ColWidths(0), 32);
        QCOMPARE(list.ColWidths(2), 321);

        list.AddMessage(QStringLiteral("z002<=z001"), QStringLiteral("说明一"), 1, QStringLiteral("z002"));
        QCOMPARE(list.RowCount(), 2); // the first entry reuses row 1
        QVERIFY(!list.IsListEmpty());
        list.AddMessage(QStringLiteral("b003<=b002"), QStringLiteral("说明二"), 4, QStringLiteral("b003"));
        QCOMPARE(list.RowCount(), 3);
        QCOMPARE((QStringList{list.Cells(1, 2), list.Cells(2, 2), list.Cells(3, 2), list.Cells(4, 2)}),
                 (QStringList{"b003<=b002", "说明二", "4", "b003"}));

        list.ShowList();
        QVERIFY(list.isVisible());
        list.ClearList();
        QVERIFY(!list.isVisible());
        QVERIFY(list.IsListEmpty());
        QCOMPARE(list.RowCount(), 2);
        QCOMPARE(list.Cells(1, 1), QString());
        QCOMPARE(list.Cells(4, 1), QString());
    }

    // The list opens beside the editor when there is room, else inside it
    // above the tabs and notes; a place the user chose is kept.
    void messageListOpensClearOfTheEditor()
    {
        struct Target : MessageJumpTarget {
            void switchToPage(int) override {}
            void focusBoxByName(const QString &) override {}
            QList<QRect> areasToKeepClear() const override { return {QRect(0, 500, 800, 100)}; }
        } target;
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QWidget editor;
        editor.setGeometry(screen.left(), screen.top(), 400, 300);
        editor.show();
        TMessageListWinForm list;
        list.setJumpTarget(&target);
        list.setOwnerWindow(&editor);
        list.resize(300, 150);
        list.AddMessage(QStringLiteral("z002<=z001"), QStringLiteral("说明"), 1, QStringLiteral("z002"));
        list.ShowList();
        QCOMPARE(list.frameGeometry().left(), editor.frameGeometry().right() + 1);
        list.hide();

        // the editor fills the screen: the list sits inside it, clear of the tabs
        editor.setGeometry(screen);
        list.ShowList();
        QVERIFY(list.frameGeometry().bottom() < 500);
        QVERIFY(!list.frameGeometry().intersects(target.areasToKeepClear().first()));
        list.hide();
    }

    void messageListRowsOnlyGrow()
    {
        TMessageListWinForm list;
        const QString longText = QString(200, QChar(u'长'));
        list.AddMessage(QStringLiteral("r"), longText, 2, QStringLiteral("x001"));
        const int tall = list.RowHeights(1);
        QVERIFY2(tall > 3 * TMessageListWinForm::kDefaultRowHeight, qPrintable(QString::number(tall)));
        list.AddMessage(QStringLiteral("r"), QStringLiteral("短"), 2, QStringLiteral("x002"));
        QVERIFY(list.RowHeights(2) < tall);

        list.ClearList();
        list.AddMessage(QStringLiteral("r"), QStringLiteral("短"), 3, QStringLiteral("p001"));
        QCOMPARE(list.RowHeights(1), tall);
    }

    void messageListJump()
    {
        TMessageListWinForm list;
        FakeEditor editor(list);
        list.setJumpTarget(&editor);
        list.AddMessage(QStringLiteral("z002<=z001"), QStringLiteral("说明"), 1, QStringLiteral("z002"));
        list.AddMessage(QStringLiteral("b002<=b001"), QStringLiteral("说明"), 4, QStringLiteral("b002"));
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));

        editor.clickAgain = true;
        QTableWidget *grid = list.grid();
        doubleClickRow(grid, 1);
        QCOMPARE(editor.calls, (QStringList{"page 4", "focus b002"}));
        QVERIFY(editor.flagDuringSwitch);
        QVERIFY(!list.JumpInProgress());
        QCOMPARE(list.RowCount(), 2); // refilled by the page change
        QCOMPARE(grid->currentRow(), 0);
        QCOMPARE(grid->currentColumn(), 0);

        // The blank row of an empty list sends the editor nowhere.
        list.ClearList();
        editor.calls.clear();
        list.GridDblClick();
        QVERIFY(editor.calls.isEmpty());
    }
};

QTEST_MAIN(TestPickers)
#include "tst_pickers.moc"
