#include "Fixtures.h"
#include "ScriptedInteraction.h"
#include "app/AppPaths.h"
#include "app/RecordListModel.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "automation/Workbook.h"
#include "entry/TButtonBox.h"
#include "entry/TKvValidEdit.h"
#include "entry/TNumberEdit.h"
#include "exchange/TdlgDeleteForm.h"
#include "exchange/TdlgSaveListForm.h"
#include "query/TdlgDataSearchForm.h"
#include "query/TdlgLocateForm.h"
#include "query/TdlgQueryListForm.h"
#include "query/TdlgSearchForm.h"
#include "query/TdlgShowForm.h"
#include "summary/SheetList.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

using namespace tq;

// The windows of the list export, deletion and the queries: what their
// boxes and buttons hand to the core.
class TestQueryForms : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<Session> m_session;
    test::ScriptedInteraction m_ui;

    QString codes()
    {
        return m_session->db()
            .scalar(QStringLiteral("SELECT group_concat(c901, ',') FROM (SELECT c901 FROM dt_data ORDER BY c901)"))
            .toString();
    }
    void writeExportTables(const QList<int> &ticked)
    {
        summary::SheetList entries;
        for (int i = 0; i < 12; ++i)
            entries.entries().push_back(
                {QStringLiteral("表%1").arg(i + 1), true,
                 ticked.contains(i) ? summary::SheetListEntry::Ticked : summary::SheetListEntry::Unticked});
        QFile f(AppPaths::inProgramDir(QStringLiteral("exporttable.tq")));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(entries.toBytes());
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        AppPaths::setProgramDir(m_dir.path());
    }

    void init()
    {
        m_session.reset();
        QFile::remove(m_dir.filePath(QStringLiteral("f.mdb")));
        QFile::remove(AppPaths::inProgramDir(QStringLiteral("exporttable.tq")));
        m_session = std::make_unique<Session>();
        m_session->openDatabase(test::newSurveyDatabase(m_dir, QStringLiteral("f.mdb")));
        for (int c : {1, 2, 3, 50, 80, 90})
            m_session->db().exec(
                QStringLiteral("INSERT INTO dt_data (c901, c902, z001, RecordState) VALUES (?, '单位' || ?, ?, 1)"),
                {c, c, c * 10});
        m_ui = test::ScriptedInteraction();
    }

    // --- list export

    void saveListFields_data()
    {
        QTest::addColumn<QList<int>>("ticked");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QString>("last");
        QTest::newRow("no table: the fixed columns") << QList<int>{} << 7 << "RecordState";
        QTest::newRow("table 12 once") << QList<int>{11} << 28 << "\"c021\"";
        QTest::newRow("tables 1 and 12") << QList<int>{0, 11} << 42 << "\"c021\"";
    }
    void saveListFields()
    {
        QFETCH(QList<int>, ticked);
        QFETCH(int, columns);
        QFETCH(QString, last);
        writeExportTables(ticked);
        Settings settings(m_dir.filePath(QStringLiteral("s.ini")));
        gui::TdlgSaveListForm dlg(*m_session, settings, m_ui);
        dlg.FormShow();
        QCOMPARE(dlg.tableList()->count(), 12);
        QVERIFY(dlg.allChoice()->isChecked());
        const auto query = dlg.exportQuery();
        QVERIFY(query);
        const QString list = query->sql.section(QStringLiteral(" from "), 0, 0).mid(7);
        QCOMPARE(list.split(u',').size(), columns);
        QCOMPARE(list.split(u',').last(), last);
        QVERIFY(!list.contains(QStringLiteral("c901,c902,c903,c904,c905,c906,RecordState,\"c90")));
        QVERIFY(m_ui.messages.isEmpty());
    }

    void saveListRanges_data()
    {
        QTest::addColumn<QString>("low");
        QTest::addColumn<QString>("high");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("highAfter");
        QTest::addColumn<QString>("message");
        QTest::newRow("zero refused") << "0"
                                      << "50" << -1 << "50"
                                      << "请输入单位编号的范围";
        QTest::newRow("blank refused") << "3"
                                       << "" << -1 << ""
                                       << "请输入单位编号的范围";
        QTest::newRow("-5 starts at 1") << "-5"
                                        << "50" << 4 << "50"
                                        << "";
        QTest::newRow("80 to 50 is 80 alone") << "80"
                                              << "50" << 1 << "80"
                                              << "";
    }
    void saveListRanges()
    {
        QFETCH(QString, low);
        QFETCH(QString, high);
        QFETCH(int, rows);
        QFETCH(QString, highAfter);
        QFETCH(QString, message);
        writeExportTables({});
        Settings settings(m_dir.filePath(QStringLiteral("s.ini")));
        gui::TdlgSaveListForm dlg(*m_session, settings, m_ui);
        dlg.FormShow();
        dlg.lowEdit()->setText(low);
        dlg.highEdit()->setText(high);
        QVERIFY(dlg.rangeChoice()->isChecked()); // typing a bound chooses the range
        const auto query = dlg.exportQuery();
        QCOMPARE(bool(query), rows >= 0);
        if (query)
            QCOMPARE(m_session->db()
                         .scalar(QStringLiteral("SELECT count(*) FROM (") + query->sql + u')', query->params)
                         .toInt(),
                     rows);
        QCOMPARE(dlg.highEdit()->text(), highAfter);
        QCOMPARE(m_ui.messages, message.isEmpty() ? QStringList() : QStringList{message});
    }

    // The table list's file is read, not written; a missing one is reported
    // and the built-in list offered. Groupings and the hidden check box.
    void saveListDialog()
    {
        Settings settings(m_dir.filePath(QStringLiteral("s.ini")));
        {
            gui::TdlgSaveListForm dlg(*m_session, settings, m_ui);
            dlg.FormShow();
            QCOMPARE(m_ui.messages.size(), 1);
            QVERIFY(m_ui.messages.first().contains(QStringLiteral("exporttable.tq")));
            QCOMPARE(dlg.tableList()->item(8)->text(), QStringLiteral("表九 工会经费审查和财务工作1"));
            QVERIFY(!dlg.groupButton()->isEnabled()); // no grouping in the database
            QVERIFY(!dlg.groupChoice()->isEnabled());
            QVERIFY(!dlg.shownOnly()->isVisibleTo(&dlg));
            dlg.shownOnly()->setChecked(true);
            dlg.tbReturnClick();
        }
        QCOMPARE(settings.readInteger(Settings::DataKey, QStringLiteral("CheckBox1"), -1), 1);
        QVERIFY(!QFile::exists(AppPaths::inProgramDir(QStringLiteral("exporttable.tq"))));

        writeExportTables({0});
        m_session->db().exec(QStringLiteral("INSERT INTO DT_GroupItem (id, GroupID, Title, LowBoundary, HighBoundary, "
                                            "LowSymbol, HighSymbol) VALUES (7, 1, '一组', 2, 50, '>=', '<'), "
                                            "(8, 1, '二组', 50, 90, '>=', '<=')"));
        m_ui = test::ScriptedInteraction();
        gui::TdlgSaveListForm dlg(*m_session, settings, m_ui);
        dlg.FormShow();
        QVERIFY(m_ui.messages.isEmpty());
        QVERIFY(dlg.groupButton()->isEnabled());
        QCOMPARE(dlg.groupButton()->text(), QStringLiteral("一组"));
        dlg.chooseGroup(8);
        QVERIFY(dlg.groupChoice()->isChecked());
        QCOMPARE(dlg.groupButton()->text(), QStringLiteral("二组"));

        // The whole way to the workbook: label + "数据列表", the group's records.
        m_ui.answer(m_dir.filePath(QStringLiteral("list.xlsx")));
        dlg.tbSaveClick();
        QCOMPARE(m_ui.messages.size(), 1);
        QVERIFY(m_ui.messages.first().startsWith(QStringLiteral("Excel文件已经正确导出到：'")));
        QVERIFY(dlg.saveButton()->isEnabled());
        auto book = automation::Workbook::open(m_dir.filePath(QStringLiteral("list.xlsx")));
        automation::Worksheet &sheet = book->sheet(1);
        QCOMPARE(sheet.name(), QStringLiteral("默认数据库数据列表"));
        QCOMPARE(sheet.text(5, 1), QStringLiteral("50"));
        QCOMPARE(sheet.text(7, 1), QStringLiteral("90"));
        QVERIFY(sheet.isBlank(8, 1));
        QCOMPARE(sheet.text(3, 8), QStringLiteral("z001"));
    }

    // --- deletion

    void deleteRanges_data()
    {
        QTest::addColumn<bool>("confirmed");
        QTest::addColumn<QString>("low");
        QTest::addColumn<QString>("high");
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("highAfter");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("refreshes");
        QTest::newRow("declined") << false << "1"
                                  << "90"
                                  << "1,2,3,50,80,90"
                                  << "90"
                                  << "" << 0;
        QTest::newRow("zero refused after the warning") << true << "0"
                                                        << "50"
                                                        << "1,2,3,50,80,90"
                                                        << "50"
                                                        << "请输入删除的范围" << 0;
        QTest::newRow("-5 starts at 1") << true << "-5"
                                        << "2"
                                        << "3,50,80,90"
                                        << "2"
                                        << "" << 1;
        QTest::newRow("80 to 50 is 80 alone") << true << "80"
                                              << "50"
                                              << "1,2,3,50,90"
                                              << "80"
                                              << "" << 1;
    }
    void deleteRanges()
    {
        QFETCH(bool, confirmed);
        QFETCH(QString, low);
        QFETCH(QString, high);
        QFETCH(QString, left);
        QFETCH(QString, highAfter);
        QFETCH(QString, message);
        QFETCH(int, refreshes);
        int refreshed = 0;
        gui::TdlgDeleteForm dlg(*m_session, m_ui, {{}, [&] { ++refreshed; }});
        QVERIFY(dlg.selectedChoice()->isChecked());
        dlg.lowEdit()->setText(low);
        dlg.highEdit()->setText(high);
        QVERIFY(dlg.rangeChoice()->isChecked());
        m_ui.answer(confirmed);
        dlg.tbDeleteClick();
        QCOMPARE(m_ui.questions, QStringList{QStringLiteral("警告信息|删除操作将不可恢复，您确认继续么？")});
        QCOMPARE(codes(), left);
        QCOMPARE(dlg.highEdit()->text(), highAfter);
        QCOMPARE(m_ui.messages, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(refreshed, refreshes);
    }

    void deleteAllAndSelected()
    {
        int selected = 0, refreshed = 0;
        gui::TdlgDeleteForm dlg(*m_session, m_ui, {[&] { ++selected; }, [&] { ++refreshed; }});
        dlg.tbDeleteClick();
        QCOMPARE(selected, 1);
        QVERIFY(m_ui.questions.isEmpty()); // the marked rows are asked about one by one instead
        dlg.allChoice()->setChecked(true);
        m_ui.answer(true);
        dlg.tbDeleteClick();
        QCOMPARE(codes(), QString());
        QCOMPARE(refreshed, 2);
    }

    // --- queries

    void indicatorDialog()
    {
        QList<query::SqlCondition> shown;
        int refreshed = 0;
        gui::TdlgDataSearchForm dlg(*m_session, m_ui,
                                    {[&](const query::SqlCondition &c) { shown << c; }, [&] { ++refreshed; }});
        QCOMPARE(dlg.lc1()->tag(), -1);
        dlg.tbSumClick();
        QCOMPARE(m_ui.messages, QStringList{QStringLiteral("请选择指标")});
        dlg.dataField()->setText(QStringLiteral("z001"));
        dlg.number2()->setText(QStringLiteral("30"));
        dlg.tbSumClick(); // a number without its operator
        QCOMPARE(m_ui.messages.last(), QStringLiteral("请至少输入一个条件"));
        QVERIFY(shown.isEmpty());
        dlg.lc3()->setTag(4);
        dlg.lc3()->setText(QStringLiteral(">="));
        dlg.tbSumClick();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().clause, QStringLiteral("where \"z001\">=?"));
        QCOMPARE(shown.first().params, QVariantList{30});
        QCOMPARE(refreshed, 1);
    }

    void codeRangeDialog()
    {
        QList<query::SqlCondition> shown;
        gui::TdlgSearchForm dlg(m_ui, {[&](const query::SqlCondition &c) { shown << c; }, {}});
        QCOMPARE(dlg.lc1()->text(), QStringLiteral("="));
        QCOMPARE(dlg.lc2()->text(), QStringLiteral("和"));
        QCOMPARE(dlg.lc3()->tag(), 1);
        dlg.tbSumClick();
        QCOMPARE(m_ui.messages, QStringList{QStringLiteral("请至少输入一个条件")});
        dlg.number1()->setText(QStringLiteral("3"));
        dlg.number2()->setText(QStringLiteral("80"));
        dlg.lc1()->setTag(4);
        dlg.lc2()->setTag(2);
        dlg.lc3()->setTag(2);
        dlg.tbSumClick();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().clause, QStringLiteral("where c901>=? OR c901>?"));
        QCOMPARE(shown.first().params, (QVariantList{3, 80}));
    }

    void resultList()
    {
        int edits = 0;
        gui::TdlgQueryListForm dlg(*m_session, m_ui, {[&](RecordList &) { ++edits; }});
        dlg.open({QStringLiteral("where c901>=?"), {3}});
        QCOMPARE(dlg.countLabel()->text(), QStringLiteral("符合条件的数据总数：4"));
        QCOMPARE(dlg.detailQuery().sql, QStringLiteral("SELECT * from dt_data where c901>=? order by c901 asc"));
        // the visible catalogue fields in the order of their names, the first marked sorted
        gui::RecordListModel *model = dlg.model();
        QStringList fields;
        for (const auto &c : model->columns())
            fields << c.field;
        QCOMPARE(fields.join(u','), QStringLiteral("c901,c902,CityName,LevelName,c905,c906,RecordState"));
        QCOMPARE(model->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("本级工会编码▲"));
        QCOMPARE(model->headerData(0, Qt::Horizontal, Qt::BackgroundRole).value<QBrush>().color(),
                 gui::RecordListModel::sortedTitleColour());
        QCOMPARE(model->data(model->index(1, 0), Qt::BackgroundRole).value<QBrush>().color(),
                 gui::RecordListModel::evenRowColour());
        // the first title click sorts descending
        model->sortByColumn(0);
        QCOMPARE(model->data(model->index(0, 0), Qt::DisplayRole).toString(), QStringLiteral("90"));

        dlg.tbEditClick();
        QCOMPARE(edits, 1);

        // three marked rows, "全都是"
        dlg.grid()->selectionModel()->clearSelection();
        for (int r : {0, 2, 3})
            dlg.grid()->selectionModel()->select(model->index(r, 0),
                                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
        m_ui.answer(int(Interaction::AnswerYesToAll));
        dlg.tbDeleteClick();
        QCOMPARE(m_ui.buttonSets, QList<int>{Interaction::ButtonYesToAll | Interaction::ButtonNo});
        QCOMPARE(codes(), QStringLiteral("1,2,80"));
        QCOMPARE(dlg.countLabel()->text(), QStringLiteral("符合条件的数据总数：1"));

        // the list to a workbook: the grid's columns, titles without the sort mark
        m_ui.answer(m_dir.filePath(QStringLiteral("result")));
        dlg.exportExcel();
        auto book = automation::Workbook::open(m_dir.filePath(QStringLiteral("result.xlsx")));
        automation::Worksheet &sheet = book->sheet(1);
        QCOMPARE(sheet.name(), QStringLiteral("Tallowmere查询结果"));
        QCOMPARE(sheet.text(3, 1), QStringLiteral("本级工会编码"));
        QCOMPARE(sheet.text(3, 7), QStringLiteral("状态"));
        QCOMPARE(sheet.text(5, 1), QStringLiteral("80"));

        // nothing found: the count is 0 and editing does nothing
        gui::TdlgQueryListForm none(*m_session, m_ui, {[&](RecordList &) { ++edits; }});
        none.open({QStringLiteral("where c901=?"), {999}});
        QCOMPARE(none.countLabel()->text(), QStringLiteral("符合条件的数据总数：0"));
        none.tbEditClick();
        QCOMPARE(edits, 1);
    }

    void locate()
    {
        RecordList list(ListQuery(QStringLiteral("SELECT c901, c902 FROM view_data ORDER BY c901")));
        list.open(m_session->db());
        int moved = 0;
        Preferences prefs;
        gui::TdlgLocateForm dlg(*m_session, m_ui, prefs, list, [&] { ++moved; });
        QVERIFY(dlg.byCode()->isChecked());
        QVERIFY(dlg.nameBox()->ForbidChars().contains(u'\''));
        dlg.show();
        dlg.codeBox()->setFocus();
        QTest::keyClicks(dlg.codeBox(), QStringLiteral("4"));
        dlg.tbSumClick();
        QCOMPARE(m_ui.messages, QStringList{QStringLiteral("没有找到满足条件的数据")});
        QVERIFY(dlg.isVisible()); // stays for another try
        dlg.nameBox()->setText(QStringLiteral("单位"));
        dlg.nameBox()->end(false);
        QTest::keyClicks(dlg.nameBox(), QStringLiteral("8"));
        QVERIFY(dlg.byName()->isChecked());
        dlg.tbSumClick();
        QCOMPARE(*list.currentCode(), qint64(80));
        QCOMPARE(moved, 1);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
    }

    void columnChooser()
    {
        int rebuilt = 0;
        gui::TdlgShowForm dlg(*m_session, m_ui, [&] { ++rebuilt; });
        QCOMPARE(dlg.pages()->count(), 14);
        QCOMPARE(dlg.pages()->tabText(0), QStringLiteral("封面"));
        QCOMPARE(dlg.pages()->tabText(5), QStringLiteral("表4-续"));
        QCheckBox *c902 = dlg.box(QStringLiteral("c902"));
        QVERIFY(c902 && c902->isChecked());
        QCOMPARE(c902->text(), QStringLiteral("c902--本级工会名称"));
        QCOMPARE(c902->geometry(), QRect(442, 6, 438, 35)); // the second box of a page, right column
        QCOMPARE(dlg.box(QStringLiteral("c903"))->geometry().topLeft(), QPoint(4, 36));
        QCheckBox *z001 = dlg.box(QStringLiteral("z001"));
        QVERIFY(!z001->isChecked());
        z001->setChecked(true);
        c902->setChecked(false);
        dlg.tbSaveClick();
        QCOMPARE(m_ui.messages, QStringList{QStringLiteral("保存成功")});
        QCOMPARE(rebuilt, 1);
        QVERIFY(!dlg.saveButton()->isEnabled());
        db::Database &db = m_session->db();
        QCOMPARE(db.scalar(QStringLiteral("SELECT Visible FROM dt_fieldlist WHERE FieldName='z001'")).toInt(), 1);
        QCOMPARE(db.scalar(QStringLiteral("SELECT Visible FROM dt_fieldlist WHERE FieldName='c902'")).toInt(), 0);
        QCOMPARE(db.scalar(QStringLiteral("SELECT Visible FROM dt_fieldlist WHERE FieldName='c901'")).toInt(), 1);
    }
};

QTEST_MAIN(TestQueryForms)
#include "tst_queryforms.moc"
