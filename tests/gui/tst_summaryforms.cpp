#include "Fixtures.h"
#include "ScriptedInteraction.h"
#include "db/Database.h"
#include "summary/TdlgGroupItemForm.h"
#include "summary/TdlgGroupListForm.h"
#include "summary/TdlgSumForm.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

using namespace tq;

class TestSummaryForms : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    db::Database m_db;
    test::ScriptedInteraction m_ui;

    QString items()
    {
        return m_db
            .scalar(QStringLiteral("SELECT group_concat(GroupID || ':' || Title || ':' || LowSymbol || LowBoundary || "
                                   "HighSymbol || HighBoundary, ' ') FROM (SELECT * FROM DT_GroupItem ORDER BY id)"))
            .toString();
    }
    QString listPath() const { return m_dir.filePath(QStringLiteral("sumtable.tq")); }

private slots:
    void init()
    {
        m_db = db::Database::open(test::newSurveyDatabase(m_dir, QStringLiteral("forms.mdb")));
        m_db.execScript(QStringLiteral("INSERT INTO ct_group (id, name) VALUES (1, '甲组'), (2, '空组');"
                                       "INSERT INTO DT_GroupItem (GroupID, Title, LowBoundary, HighBoundary, "
                                       "LowSymbol, HighSymbol) VALUES (1, '一级', 100, 200, '>', '<=');"));
        m_ui = test::ScriptedInteraction();
        QFile::remove(listPath());
    }

    void itemEditorEnabling_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("low");
        QTest::addColumn<QString>("high");
        QTest::addColumn<bool>("canSave");
        QTest::newRow("100 to 100") << "二级"
                                    << "100"
                                    << "100" << false;
        QTest::newRow("100 to 101") << "二级"
                                    << "100"
                                    << "101" << true;
        QTest::newRow("no title") << ""
                                  << "100"
                                  << "101" << false;
        QTest::newRow("no upper bound") << "二级"
                                        << "100"
                                        << "" << false;
    }

    void itemEditorEnabling()
    {
        QFETCH(QString, title);
        QFETCH(QString, low);
        QFETCH(QString, high);
        QFETCH(bool, canSave);
        gui::TdlgGroupItemForm f(m_db, m_ui, 1, QStringLiteral("甲组"));
        f.itemName()->setText(title);
        f.lowBoundary()->setText(low);
        f.highBoundary()->setText(high);
        QCOMPARE(f.addButton()->isEnabled(), canSave);
        QCOMPARE(f.editButton()->isEnabled(), canSave);
        QVERIFY(f.removeButton()->isEnabled());
    }

    void itemEditor()
    {
        gui::TdlgGroupItemForm f(m_db, m_ui, 1, QStringLiteral("甲组"));
        QCOMPARE(f.windowTitle(), QStringLiteral("自定义分组"));
        QVERIFY(!f.saveButton()->isEnabled());
        // The first item is in the editor, symbols with their codes.
        QCOMPARE(f.grid()->rowCount(), 1);
        QCOMPARE(f.grid()->item(0, 1)->text(), QStringLiteral(">100"));
        QCOMPARE(f.itemName()->text(), QStringLiteral("一级"));
        QCOMPARE(f.leftSymbolCode(), 1);
        QCOMPARE(f.rightSymbolCode(), 2);
        QVERIFY(!f.leftSymbol()->isEditable());

        // The two refusals, whatever the buttons say.
        f.itemName()->clear();
        f.actAddItemExecute();
        f.itemName()->setText(QStringLiteral("二级"));
        f.lowBoundary()->setText(QStringLiteral("100"));
        f.highBoundary()->setText(QStringLiteral("100"));
        f.actAddItemExecute();
        QCOMPARE(m_ui.messages,
                 (QStringList{QStringLiteral("必须输入本组数据的名称！"), QStringLiteral("上限必须大于下限！")}));
        QCOMPARE(items(), QStringLiteral("1:一级:>100<=200"));

        // A title with a quote is stored as typed.
        f.itemName()->setText(QStringLiteral("O'Neil"));
        f.highBoundary()->setText(QStringLiteral("101"));
        f.leftSymbol()->setCurrentIndex(1);
        f.rightSymbol()->setCurrentIndex(0);
        f.addButton()->click();
        QCOMPARE(items(), QStringLiteral("1:一级:>100<=200 1:O'Neil:>=100<101"));
        QCOMPARE(f.grid()->rowCount(), 2);
        QCOMPARE(f.grid()->currentRow(), 1);

        // Moving in the grid loads the row; 修改 saves into it.
        QTest::keyClick(f.grid(), Qt::Key_Up);
        QCOMPARE(f.itemName()->text(), QStringLiteral("一级"));
        f.itemName()->setText(QStringLiteral("一级甲"));
        f.editButton()->click();
        QCOMPARE(items(), QStringLiteral("1:一级甲:>100<=200 1:O'Neil:>=100<101"));

        // Delete acts as 除  去, after the question.
        m_ui.answer(true);
        QTest::keyClick(f.grid(), Qt::Key_Delete);
        QCOMPARE(m_ui.questions.last(), QStringLiteral("提示：|数据将被彻底删除，确认么？"));
        QCOMPARE(items(), QStringLiteral("1:O'Neil:>=100<101"));

        // Renaming is enabled by typing and stores the name as typed.
        f.groupName()->setText(QStringLiteral("甲'组"));
        QVERIFY(f.saveButton()->isEnabled());
        f.groupName()->clear();
        QVERIFY(!f.saveButton()->isEnabled());
    }

    void groupList()
    {
        m_db.execScript(QStringLiteral("DELETE FROM ct_group; DELETE FROM DT_GroupItem;"));
        gui::TdlgGroupListForm list(m_db, m_ui, {});
        QCOMPARE(list.grid()->rowCount(), 0);
        QVERIFY(!list.removeButton()->isEnabled());
        QVERIFY(!list.editButton()->isEnabled());

        // An empty name is asked again; the editor opens for the new grouping,
        // and a rename there shows in the list at once.
        QString seenInList;
        list.runEditor = [&](gui::TdlgGroupItemForm &editor) {
            QCOMPARE(editor.groupName()->text(), QStringLiteral("新组"));
            editor.groupName()->setText(QStringLiteral("新组'二"));
            editor.saveButton()->click();
            seenInList = list.grid()->item(0, 0)->text();
        };
        m_ui.answer(QString());
        m_ui.answer(QStringLiteral("新组"));
        list.addButton()->click();
        QCOMPARE(m_ui.inputs.size(), 2);
        QCOMPARE(m_ui.inputs.first(), QStringLiteral("自定义分组|输入本种分组方式的名称|"));
        QCOMPARE(seenInList, QStringLiteral("新组'二"));
        QVERIFY(list.removeButton()->isEnabled());

        // Removing takes the grouping's ranges along.
        m_db.exec(QStringLiteral("INSERT INTO DT_GroupItem (GroupID, Title, LowBoundary, HighBoundary) "
                                 "VALUES (?, '项', 1, 2)"),
                  {list.currentId()});
        m_ui.answer(true);
        list.removeButton()->click();
        QCOMPARE(list.grid()->rowCount(), 0);
        QVERIFY(!list.editButton()->isEnabled());
        QCOMPARE(items(), QString());
    }

    void sumFormGroupings()
    {
        gui::TdlgSumForm f(m_db, m_ui, listPath(), QStringLiteral(TQ_BIN_DIR "/2009基层以上汇总表.xltx"));
        // No list file yet: its error, then the built-in list.
        QCOMPARE(m_ui.messages.size(), 1);
        QVERIFY(m_ui.messages.first().contains(QStringLiteral("sumtable.tq")));
        QCOMPARE(f.tableList()->count(), 40);
        // The first grouping is the chosen one; an empty grouping's entry is disabled.
        QVERIFY(f.byGroup()->isEnabled());
        QCOMPARE(f.chosenGroupId(), 1);
        QCOMPARE(f.groupButton()->text(), QStringLiteral("甲组"));
        QCOMPARE(f.groupMenu()->actions().size(), 2);
        QVERIFY(f.groupMenu()->actions()[0]->isEnabled());
        QVERIFY(!f.groupMenu()->actions()[1]->isEnabled());
        QVERIFY(f.byLevel()->isChecked());
        f.groupButton()->click();
        QVERIFY(f.byGroup()->isChecked());
        QCOMPARE(f.mode(), summary::SummaryMode::ByGroup);

        m_db.execScript(QStringLiteral("DELETE FROM ct_group;"));
        gui::TdlgSumForm none(m_db, m_ui, listPath(), QString());
        QVERIFY(!none.byGroup()->isEnabled());
        QVERIFY(!none.groupButton()->isEnabled());
    }

    void sumFormListFile()
    {
        {
            gui::TdlgSumForm f(m_db, m_ui, listPath(), QStringLiteral(TQ_BIN_DIR "/2009基层以上汇总表.xltx"));
            // Double-clicking a header ticks its group.
            QListWidgetItem *header = f.tableList()->item(14);
            QCOMPARE(header->text(), QStringLiteral("//表五 工会法律工作"));
            emit f.tableList()->itemDoubleClicked(header);
            QCOMPARE(f.sheetList().tickedSheets(25), (std::vector<int>{11, 12, 13, 14}));
            f.Button1Click();
            QCOMPARE(f.sheetList().tickedCount(), 27);
            f.Button2Click();
            f.tableList()->item(0)->setCheckState(Qt::Checked);
            // Only the cover: a workbook of the cover alone is shown.
            f.sumButton()->click();
            QCOMPARE(m_ui.viewed.size(), 1);
            f.tableList()->item(2)->setCheckState(Qt::Checked);
            f.reject();
        }
        m_ui.messages.clear();
        gui::TdlgSumForm again(m_db, m_ui, listPath(), QString());
        QCOMPARE(m_ui.messages, QStringList());
        QCOMPARE(again.sheetList().tickedSheets(25), (std::vector<int>{1, 2}));

        // A list file that cannot be written is reported; the dialog closes.
        gui::TdlgSumForm readOnly(m_db, m_ui, m_dir.filePath(QStringLiteral("no/folder/sumtable.tq")), QString());
        m_ui.messages.clear();
        readOnly.show();
        readOnly.reject();
        QCOMPARE(m_ui.messages.size(), 1);
        QVERIFY(m_ui.messages.first().contains(QStringLiteral("sumtable.tq")));
        QVERIFY(!readOnly.isVisible());
    }
};

QTEST_MAIN(TestSummaryForms)
#include "tst_summaryforms.moc"
