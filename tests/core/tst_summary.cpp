#include "Fixtures.h"
#include "ScriptedInteraction.h"
#include "automation/Workbook.h"
#include "common/Error.h"
#include "common/Gbk.h"
#include "db/Database.h"
#include "summary/SheetList.h"
#include "summary/SummaryDefinitions.h"
#include "summary/SummaryFigures.h"
#include "summary/SummaryWorkbook.h"

#include <QtTest>

using namespace tq;
using namespace tq::summary;

namespace {

// "name|key|v1,v2,..." with empty text for an empty cell.
QStringList render(const SummaryTable &table)
{
    QStringList out;
    for (const SummaryRow &row : table) {
        QStringList values;
        for (const QVariant &v : row.values)
            values << (v.isValid() ? v.toString() : QString());
        out << row.name + u'|' + (row.key.isValid() ? row.key.toString() : QString()) + u'|' + values.join(u',');
    }
    return out;
}

QString builtTemplate()
{
    return QStringLiteral(TQ_BIN_DIR "/2009基层以上汇总表.xltx");
}

} // namespace

class TestSummary : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;
    db::Database m_db;

    // Five levels whose ids do not follow their sequence, one of them unused;
    // records on every side of each sheet's filter; three groupings, one of
    // them without items and one overlapping the others.
    void buildFixture()
    {
        m_path = test::newSurveyDatabase(m_dir, QStringLiteral("summary.mdb"));
        m_db = db::Database::open(m_path);
        m_db.execScript(QStringLiteral(
            "DELETE FROM CT_LevelCode;"
            "INSERT INTO CT_LevelCode (ID, Name, Sequence) VALUES (1,'省级',2),(2,'市级',3),(3,'县级',1),"
            "(0,'未分类',0),(7,'无记录',4);"
            "INSERT INTO dt_data (c901,c904,z001,z002,z009,z010,x001,x003,b034,c002,c003) VALUES"
            " (10,1,5,1,0,1,3,1,4,1,4),"
            " (20,1,7,NULL,2,NULL,NULL,0,NULL,3,2),"
            " (150,2,NULL,NULL,1,2,2,2,6,2,NULL),"
            " (0,2,100,NULL,1,NULL,50,1,9,NULL,NULL),"
            " (-5,-1,1000,NULL,NULL,NULL,500,NULL,99,NULL,NULL),"
            " (199,0,11,NULL,0,NULL,4,NULL,8,NULL,NULL),"
            " (200,3,13,NULL,2,1,1,NULL,2,4,3),"
            " (300,NULL,17,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL);"
            "INSERT INTO ct_group (id, name) VALUES (1,'甲组'),(2,'乙组'),(3,'丙组');"
            "INSERT INTO DT_GroupItem (GroupID,Title,LowBoundary,HighBoundary,LowSymbol,HighSymbol) VALUES"
            " (1,'一级',100,200,'>=','<'),"
            " (1,'二级',200,300,'>=','<='),"
            " (1,'空组',5000,6000,'>=','<'),"
            " (1,'O''Neil''s',0,100,'>','<'),"
            " (3,'全部',-100,1000,'>=','<');"));
    }

    SheetList ticked(std::initializer_list<int> sheets)
    {
        SheetList list = SheetList::builtIn();
        for (int i = 0; i < list.size(); ++i)
            for (int s : sheets)
                if (list.sheetOf(i, SummaryDefinitions::SheetCount) == s)
                    list.entries()[std::size_t(i)].state = SheetListEntry::Ticked;
        return list;
    }

    std::unique_ptr<automation::Workbook> runToFile(const SheetList &list, SummaryMode mode, qint64 group,
                                                    test::ScriptedInteraction &ui,
                                                    const QString &templatePath = builtTemplate())
    {
        SummaryWorkbook(m_db, ui, templatePath).RunSummary(list, mode, group);
        if (ui.viewed.isEmpty())
            return nullptr;
        auto book = automation::Workbook::open(ui.viewed.last());
        QFile::remove(ui.viewed.last());
        return book;
    }

private slots:
    void initTestCase() { buildFixture(); }

    void selectListsAndStatements()
    {
        const SummaryDefinitions &d = InitSummaryDefinitions();
        QCOMPARE(&d, &InitSummaryDefinitions());
        QCOMPARE(d.SummarySelectList(3),
                 QStringLiteral("sum(z009*(2-z009)) as sum_z009_1,sum(int(z009/2) + (2-z009)*(1-z009)/2) as "
                                "sum_z009_2,sum(z010*(2-z010)) as sum_z010_1,sum(int(z010/2) + (2-z010)*(1-z010)/2) "
                                "as sum_z010_2,sum(z011) as sum_z011,sum(z012) as sum_z012,sum(z013) as "
                                "sum_z013,sum(z014) as sum_z014 from dt_data where c901>0"));
        QVERIFY(d.SummarySelectList(2).startsWith(QStringLiteral("count(*),sum(z001) as sum_z001,")));
        QVERIFY(d.SummarySelectList(23).startsWith(
            QStringLiteral("sum(c001*(2-c001)) as sum_c001_1,sum(int(c001/2) + (2-c001)*(1-c001)/2) as sum_c001_2,"
                           "sum(int((5-c002)/4)*c002) as sum_c002_1,sum((c002-1)*(3-c002)*(4-c002)*c002/4) as "
                           "sum_c002_2,sum((c002-1)*(c002-2)*(4-c002)*c002/6) as sum_c002_3,sum(int(c002/4)) as "
                           "sum_c002_4,")));
        QVERIFY(d.SummarySelectList(4).endsWith(QStringLiteral(" from dt_data where c904>=0")));
        for (int n : {9, 10, 16})
            QVERIFY(d.SummarySelectList(n).endsWith(QStringLiteral(" from dt_data where c904>0")));

        // The value columns of every sheet, as the workbook's headings count them.
        const int columns[] = {9, 8, 13, 8, 11, 13, 11, 7, 10, 11, 9, 9, 10, 8, 7, 7, 8, 12, 11, 7, 8, 12, 12, 6};
        for (int n = 2; n <= 25; ++n)
            QCOMPARE(d.sheet(n).valueColumns(), columns[n - 2]);

        QCOMPARE(d.levelStatement(3), QStringLiteral("select code.name,sum_table.*  from CT_LevelCode code left join "
                                                     "(select c904,") +
                                          d.SummarySelectList(3) +
                                          QStringLiteral(" group by c904) sum_table on code.id = sum_table.c904 "
                                                         "order by code.sequence desc"));
        QCOMPARE(SummaryDefinitions::groupItemQuery(7),
                 QStringLiteral("select * from view_group_item where groupid=7 order by LowBoundary desc"));
        QCOMPARE(SummaryDefinitions::groupItemQuery(0),
                 QStringLiteral("select * from view_group_item order by LowBoundary desc"));

        GroupItem item;
        item.title = QStringLiteral("一级");
        item.lowBoundary = 100000;
        item.highBoundary = 200000;
        item.lowSymbol = QStringLiteral(">=");
        item.highSymbol = QStringLiteral("<");
        const BoundStatement st = d.itemStatement(5, item, 1);
        QCOMPARE(st.sql, QStringLiteral(" select ? as ItemName,1 as sid,") + d.SummarySelectList(5) +
                             QStringLiteral(" and c901>=? and c901<?"));
        QCOMPARE(st.params, (QVariantList{QStringLiteral("一级"), 100000, 200000}));

        item.lowSymbol = QStringLiteral("0 or 1=1 --");
        QVERIFY_THROWS_EXCEPTION(Error, d.itemStatement(5, item, 1));
    }

    void handComputedFigures_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<qint64>("group");
        QTest::addColumn<int>("sheet");
        QTest::addColumn<QStringList>("rows");
        // Levels by sequence descending; an unused level keeps its row with
        // empty cells; c904 empty never reaches a level.
        QTest::newRow("level, count and sums")
            << 0 << qint64(0) << 2
            << QStringList{"无记录||,,,,,,,,", "市级|2|1,,,,,,,,", "省级|1|2,12,1,,,,,,", "县级|3|1,13,,,,,,,",
                           "未分类|0|1,11,,,,,,,"};
        QTest::newRow("level, yes/no with 0 under _2")
            << 0 << qint64(0) << 3
            << QStringList{"无记录||,,,,,,,", "市级|2|1,0,0,1,,,,", "省级|1|0,2,1,0,,,,", "县级|3|0,1,1,0,,,,",
                           "未分类|0|0,1,,,,,,"};
        QTest::newRow("level, c904>=0 takes code 0 and leaves c904 -1")
            << 0 << qint64(0) << 4
            << QStringList{"无记录||,,,,,,,,,,,,", "市级|2|52,,1,1,,,,,,,,,", "省级|1|3,,1,1,,,,,,,,,",
                           "县级|3|1,,,,,,,,,,,,", "未分类|0|4,,,,,,,,,,,,"};
        QTest::newRow("level, c904>0 leaves level 0 empty")
            << 0 << qint64(0) << 9
            << QStringList{"无记录||,,,,,,", "市级|2|15,,,,,,", "省级|1|4,,,,,,", "县级|3|2,,,,,,", "未分类||,,,,,,"};
        QTest::newRow("level, four-way") << 0 << qint64(0) << 23
                                         << QStringList{"无记录||,,,,,,,,,,,", "市级|2|,,0,1,0,0,,,,,,",
                                                        "省级|1|,,1,0,1,0,0,1,0,1,,", "县级|3|,,0,0,0,1,0,0,1,0,,",
                                                        "未分类|0|,,,,,,,,,,,"};
        // Items by lower boundary descending; an empty range counts 0; a
        // title with quotes is taken as it is.
        QTest::newRow("grouping, count and sums")
            << 1 << qint64(1) << 2
            << QStringList{"空组|1|0,,,,,,,,", "二级|2|2,30,,,,,,,", "一级|3|2,11,,,,,,,", "O'Neil's|4|2,12,1,,,,,,"};
        QTest::newRow("grouping, c904>=0") << 1 << qint64(1) << 4
                                           << QStringList{"空组|1|,,,,,,,,,,,,", "二级|2|1,,,,,,,,,,,,",
                                                          "一级|3|6,,0,1,,,,,,,,,", "O'Neil's|4|3,,1,1,,,,,,,,,"};
        QTest::newRow("grouping, c904>0")
            << 1 << qint64(1) << 9
            << QStringList{"空组|1|,,,,,,", "二级|2|2,,,,,,", "一级|3|6,,,,,,", "O'Neil's|4|4,,,,,,"};
        QTest::newRow("grouping without items") << 1 << qint64(2) << 2 << QStringList{};
    }

    void handComputedFigures()
    {
        QFETCH(int, mode);
        QFETCH(qint64, group);
        QFETCH(int, sheet);
        QFETCH(QStringList, rows);
        test::ScriptedInteraction ui;
        SummaryFigures f(m_db, ui);
        const std::vector<GroupItem> items = readGroupItems(m_db, group);
        const SummaryTable exact = mode ? f.exactByItems(sheet, items) : f.exactByLevel(sheet);
        QCOMPARE(render(exact), rows);
        const SummaryTables fast = mode ? f.byItems({sheet}, items) : f.byLevel({sheet});
        QVERIFY(!f.usedStatements());
        QCOMPARE(render(fast.at(sheet)), rows);
    }

    // The one pass over dt_data gives what the statements give, sheet by
    // sheet, for every breakdown of the fixture.
    void onePassEqualsStatements_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<qint64>("group");
        QTest::addColumn<bool>("oddValue");
        QTest::newRow("by level") << 0 << qint64(0) << false;
        QTest::newRow("by grouping") << 1 << qint64(1) << false;
        QTest::newRow("every grouping's items, overlapping") << 1 << qint64(0) << false;
        QTest::newRow("a text in a survey column: by level") << 0 << qint64(0) << true;
        QTest::newRow("a text in a survey column: by grouping") << 1 << qint64(0) << true;
    }

    void onePassEqualsStatements()
    {
        QFETCH(int, mode);
        QFETCH(qint64, group);
        QFETCH(bool, oddValue);
        if (oddValue)
            m_db.exec(QStringLiteral("INSERT INTO dt_data (c901, c904, z001, w001) VALUES (500, 1, 2.5, 'x')"));
        test::ScriptedInteraction ui;
        SummaryFigures f(m_db, ui);
        const std::vector<GroupItem> items = readGroupItems(m_db, group);
        std::vector<int> all;
        for (int n = 2; n <= 25; ++n)
            all.push_back(n);
        const SummaryTables fast = mode ? f.byItems(all, items) : f.byLevel(all);
        QCOMPARE(f.usedStatements(), oddValue);
        for (int n : all)
            QCOMPARE(render(fast.at(n)), render(mode ? f.exactByItems(n, items) : f.exactByLevel(n)));
        if (oddValue)
            m_db.exec(QStringLiteral("DELETE FROM dt_data WHERE c901 = 500"));
    }

    void workbookByLevel()
    {
        test::ScriptedInteraction ui;
        auto book = runToFile(ticked({1, 2, 9}), SummaryMode::ByLevel, 0, ui);
        QVERIFY(book);
        QCOMPARE(ui.messages, QStringList());
        QCOMPARE(book->sheetCount(), 3);
        QCOMPARE(book->activeSheet(), 1);
        QCOMPARE(book->sheet(1).name(), QStringLiteral("封面"));
        automation::Worksheet &s = book->sheet(2);
        QCOMPARE(s.name(), QStringLiteral("表一  工会组织建设状况(1)"));
        QCOMPARE(s.text(2, 1), QStringLiteral("工会层次"));
        // Ascending sequence from row 9; the total row moved from 10 to 14.
        const QStringList names{"未分类", "县级", "省级", "市级", "无记录"};
        for (int i = 0; i < names.size(); ++i) {
            QCOMPARE(s.text(9 + i, 1), names[i]);
            QCOMPARE(s.horizontalAlignment(9 + i, 1), automation::HorizontalAlignment::Left);
        }
        QCOMPARE(s.text(14, 1), QStringLiteral("合    计"));
        QCOMPARE(s.value(11, 2), QVariant(2.0)); // 省级: count written as a number
        QCOMPARE(s.value(11, 3), QVariant(12.0));
        QVERIFY(s.isBlank(13, 2)); // the unused level
        QVERIFY(s.isBlank(10, 4));
        QCOMPARE(s.formula(14, 3), QStringLiteral("SUM(C8:C13)"));
        QVERIFY(s.columnWidth(1) > 0);
        QCOMPARE(book->sheet(3).text(12, 2), QStringLiteral("15")); // sheet 9, 市级
        QCOMPARE(ui.recordedTwoLine.firstTotal, 3);
        QCOMPARE(ui.recordedTwoLine.firstDone, 3);
        QCOMPARE(ui.recordedTwoLine.finishes, 1);
    }

    void workbookByGrouping()
    {
        test::ScriptedInteraction ui;
        auto book = runToFile(ticked({2, 3}), SummaryMode::ByGroup, 1, ui);
        QVERIFY(book);
        QCOMPARE(book->sheetCount(), 2); // the cover was not ticked
        automation::Worksheet &s = book->sheet(1);
        QCOMPARE(s.text(2, 1), QStringLiteral("分    组"));
        QCOMPARE(s.text(9, 1), QStringLiteral("O'Neil's"));
        QCOMPARE(s.text(10, 1), QStringLiteral("一级"));
        QCOMPARE(s.text(11, 1), QStringLiteral("二级"));
        QCOMPARE(s.text(12, 1), QStringLiteral("空组"));
        QCOMPARE(s.value(12, 2), QVariant(0.0));
        QVERIFY(s.isBlank(12, 3));
        QCOMPARE(s.text(13, 1), QStringLiteral("合    计"));

        // A grouping without items leaves the data row empty.
        test::ScriptedInteraction ui2;
        auto empty = runToFile(ticked({2}), SummaryMode::ByGroup, 2, ui2);
        QVERIFY(empty);
        QCOMPARE(empty->sheet(1).text(2, 1), QStringLiteral("分    组"));
        QVERIFY(empty->sheet(1).isBlank(9, 1));
        QVERIFY(empty->sheet(1).isBlank(9, 2));
        QCOMPARE(empty->sheet(1).text(10, 1), QStringLiteral("合    计"));
    }

    void onlyTheCoverOrNothing()
    {
        test::ScriptedInteraction ui;
        auto book = runToFile(ticked({1}), SummaryMode::ByLevel, 0, ui);
        QVERIFY(book);
        QCOMPARE(book->sheetCount(), 1);
        QCOMPARE(book->sheet(1).name(), QStringLiteral("封面"));

        // Nothing ticked, or only the supplementary entries that stand for no
        // sheet: nothing happens and nothing is shown.
        SheetList extra = SheetList::builtIn();
        extra.entries()[extra.entries().size() - 1].state = SheetListEntry::Ticked;
        for (const SheetList &list : {SheetList::builtIn(), extra}) {
            test::ScriptedInteraction quiet;
            QVERIFY(!runToFile(list, SummaryMode::ByLevel, 0, quiet));
            QCOMPARE(quiet.messages, QStringList());
            QCOMPARE(quiet.recordedTwoLine.shows, 0);
        }
    }

    void captionUnderATitleInRowTwo()
    {
        auto tpl = automation::Workbook::open(builtTemplate());
        tpl->sheet(3).setText(2, 1, QStringLiteral("单位：个"));
        const QString path = m_dir.filePath(QStringLiteral("titled.xltx"));
        tpl->save(path);
        test::ScriptedInteraction ui;
        auto book = runToFile(ticked({2, 3}), SummaryMode::ByLevel, 0, ui, path);
        QVERIFY(book);
        QCOMPARE(book->sheet(1).text(2, 1), QStringLiteral("工会层次"));
        QCOMPARE(book->sheet(2).text(2, 1), QStringLiteral("单位：个"));
        QCOMPARE(book->sheet(2).text(3, 1), QStringLiteral("工会层次"));
    }

    void missingTemplateIsReportedOnce()
    {
        test::ScriptedInteraction ui;
        SummaryWorkbook run(m_db, ui, m_dir.filePath(QStringLiteral("nowhere.xltx")));
        SheetList list = SheetList::builtIn();
        list.tickAll(true);
        run.RunSummary(list, SummaryMode::ByLevel, 0);
        QCOMPARE(ui.messages, QStringList{SummaryWorkbook::openFailedMessage()});
        QCOMPARE(ui.messages.first(), QStringLiteral("打开汇总模版文件时发生错误，可能是没有安装MS Office中的Excel"));
        QCOMPARE(ui.viewed, QStringList());
        QCOMPARE(ui.recordedTwoLine.shows, ui.recordedTwoLine.finishes);
    }

    void sheetList()
    {
        const SheetList built = SheetList::builtIn();
        int selectable = 0;
        for (const SheetListEntry &e : built.entries()) {
            QCOMPARE(e.selectable, !e.text.startsWith(QStringLiteral("//")));
            selectable += e.selectable;
        }
        QCOMPARE(selectable, 27);
        QCOMPARE(built.size(), 40);
        QCOMPARE(built.entries()[2].text, QStringLiteral("工会组织建设状况统计表1"));
        QCOMPARE(built.entries().back().text, QStringLiteral("补充资料统计表2"));
        // The first 25 selectable entries are the workbook's sheets; the
        // supplementary ones stand for none.
        QCOMPARE(built.sheetOf(0, 25), 1);
        QCOMPARE(built.sheetOf(1, 25), 0);
        QCOMPARE(built.sheetOf(2, 25), 2);
        QCOMPARE(built.sheetOf(built.size() - 4, 25), 25);
        QCOMPARE(built.sheetOf(built.size() - 1, 25), 0);

        SheetList list = built;
        list.tickGroup(4); // 表二: its one entry
        list.entries()[0].state = SheetListEntry::Greyed;
        QCOMPARE(list.tickedSheets(25), std::vector<int>{4});
        const QString path = m_dir.filePath(QStringLiteral("sumtable.tq"));
        list.write(path);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(bytes.startsWith(Gbk::encode(QStringLiteral("&1 2 封面\r\n&0 0 //表一 工会组织建设状况\r\n"))));
        QVERIFY(bytes.contains(Gbk::encode(QStringLiteral("\r\n&1 1 工会干部协管工作统计表\r\n"))));
        QVERIFY(bytes.endsWith("\r\n"));
        QCOMPARE(SheetList::read(path).entries(), list.entries());

        // Lines in another form are selectable and unticked.
        const SheetList odd = SheetList::parse(Gbk::encode(QStringLiteral("&1 1 甲\r\n乙\r\n&0 0 //丙\r\n")));
        QCOMPARE(odd.size(), 3);
        QCOMPARE(odd.entries()[1], (SheetListEntry{QStringLiteral("乙"), true, 0}));
        QCOMPARE(odd.entries()[2], (SheetListEntry{QStringLiteral("//丙"), false, 0}));

        QVERIFY_THROWS_EXCEPTION(FileError, SheetList::read(m_dir.filePath(QStringLiteral("none.tq"))));
        QVERIFY_THROWS_EXCEPTION(FileError, list.write(m_dir.filePath(QStringLiteral("no/such/folder/sumtable.tq"))));
    }
};

QTEST_GUILESS_MAIN(TestSummary)
#include "tst_summary.moc"
