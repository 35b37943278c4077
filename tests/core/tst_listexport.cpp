#include "Fixtures.h"
#include "ScriptedInteraction.h"
#include "app/RecordList.h"
#include "app/RecordSelection.h"
#include "automation/Workbook.h"
#include "automation/XlsxStreamWriter.h"
#include "db/Database.h"
#include "db/FieldCatalogue.h"
#include "db/ResultSet.h"
#include "exchange/ExportRows.h"
#include "exchange/ListExport.h"
#include "exchange/ListExportQuery.h"
#include "exchange/RecordDeletion.h"

#include <QStandardPaths>
#include <QtTest>

using namespace tq;
using namespace tq::exchange;

// The shared list operations: workbooks, database files, deletion of marked rows.
class TestListExport : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    db::Database m_db;
    test::ScriptedInteraction m_ui;

    QString file(const QString &name) const { return m_dir.filePath(name); }
    QString codes(db::Database &db, const QString &table = QStringLiteral("dt_data"))
    {
        return db
            .scalar(QStringLiteral("SELECT group_concat(c901, ',') FROM (SELECT c901 FROM ") + table +
                    QStringLiteral(" ORDER BY c901)"))
            .toString();
    }
    ListQuery listOf(const QList<int> &tables)
    {
        const db::FieldCatalogue cat = db::FieldCatalogue::load(m_db);
        return ListExportQuery::build(
            ListExportQuery::fieldsOf(cat, m_db.columnNames(QStringLiteral("dt_data")), tables));
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        m_db = db::Database();
        QFile::remove(file(QStringLiteral("s.mdb")));
        m_db = db::Database::open(test::newSurveyDatabase(m_dir, QStringLiteral("s.mdb")));
        const QVariantList rows[] = {{3, QStringLiteral("甲工会"), 110101, 5, QStringLiteral("张三"), 12, 1},
                                     {1, QStringLiteral("O'Neil工会"), 110102, 5, QString(), 1234567, 2},
                                     {7, QStringLiteral(" 丙&<丁>工会"), 110105, 6, QStringLiteral("李四"), 0, 0}};
        for (const QVariantList &r : rows)
            m_db.exec(QStringLiteral("INSERT INTO dt_data (c901, c902, c903, c904, c905, z001, RecordState) "
                                     "VALUES (?, ?, ?, ?, ?, ?, ?)"),
                      r);
        m_ui = test::ScriptedInteraction();
    }

    // Rows 2, 3 and 5 on, the formats by column type and fitted widths, read
    // back from the saved file.
    void workbookLayout()
    {
        StatementRows rows(m_db, listOf({0}));
        QList<ExportColumn> columns = ListExport::allColumns(rows);
        columns[1].caption = QStringLiteral("名称");
        columns[4].exported = false; // c905 stays out
        m_ui.answer(file(QStringLiteral("list")));
        const QString path = ListExport(m_ui).SaveQueryAsExcel(rows, QStringLiteral("默认数据库数据列表"), columns);
        QCOMPARE(path, file(QStringLiteral("list.xlsx")));
        QCOMPARE(m_ui.dialogs, QStringList{QStringLiteral("导出文件存放为|Excel 文件(*.xlsx)")});
        QCOMPARE(m_ui.messages,
                 QStringList{QStringLiteral("Excel文件已经正确导出到：'") + QDir::toNativeSeparators(path)});
        QCOMPARE(m_ui.recordedProgress.caption, QStringLiteral("数据导出...100%"));
        QCOMPARE(m_ui.recordedProgress.done, 3);
        QVERIFY(m_ui.recordedProgress.finishes >= 1);

        auto book = automation::Workbook::open(path);
        QCOMPARE(book->sheetCount(), 1);
        automation::Worksheet &s = book->sheet(1);
        QCOMPARE(s.name(), QStringLiteral("默认数据库数据列表"));
        QVERIFY(s.isBlank(1, 1));
        QCOMPARE(s.text(2, 1), QStringLiteral("导出日期:"));
        QVERIFY(s.isBold(2, 1));
        QCOMPARE(s.fontSize(2, 1), 12.0);
        QCOMPARE(s.numberFormat(2, 2), QStringLiteral("@"));
        QVERIFY(!s.text(2, 2).isEmpty());
        QCOMPARE(s.text(3, 1), QStringLiteral("c901"));
        QCOMPARE(s.text(3, 2), QStringLiteral("名称"));
        QCOMPARE(s.text(3, 5), QStringLiteral("c906")); // the column after the one left out
        QCOMPARE(s.text(3, 7), QStringLiteral("z001"));
        QVERIFY(s.isBlank(4, 1));
        // rows in query order from row 5, numbers as numbers, texts as typed
        QCOMPARE(s.value(5, 1), QVariant(1.0));
        QCOMPARE(s.text(5, 2), QStringLiteral("O'Neil工会"));
        QCOMPARE(s.value(6, 7), QVariant(12.0));
        QCOMPARE(s.text(7, 1), QStringLiteral("7"));
        QCOMPARE(s.text(7, 2), QStringLiteral(" 丙&<丁>工会")); // kept as typed, blank and all
        // an empty cell (c906) leaves the cells after it in their columns
        QVERIFY(s.isBlank(5, 5));
        QCOMPARE(s.text(5, 6), QStringLiteral("2"));
        QVERIFY(s.isBlank(8, 1));
        QCOMPARE(s.numberFormat(5, 1), QStringLiteral("#,##0_ "));
        QCOMPARE(s.numberFormat(5, 2), QStringLiteral("@"));
        QCOMPARE(s.numberFormat(5, 7), QStringLiteral("#,##0_ "));
        // fitted: "1,234,567 " is ten digit widths, plus the margin
        QCOMPARE(s.columnWidth(7), 11.5);
        QVERIFY(s.columnWidth(2) >= 10); // the Chinese names count double
    }

    void workbookRefusals()
    {
        m_db.exec(QStringLiteral("DELETE FROM dt_data"));
        StatementRows empty(m_db, listOf({}));
        QVERIFY(ListExport(m_ui).SaveQueryAsExcel(empty, QStringLiteral("t"), ListExport::allColumns(empty)).isEmpty());
        QCOMPARE(m_ui.messages, QStringList{ListExport::excelEmptyMessage()});
        QVERIFY(m_ui.dialogs.isEmpty());
        QCOMPARE(ListExport::excelEmptyMessage(), QStringLiteral("SaveQueryAsExcel出错:数据表为空，不能导出！"));

        // A file that cannot be written: the list-export error message, no file.
        init();
        StatementRows rows(m_db, listOf({}));
        m_ui.answer(file(QStringLiteral("no/such/folder/x.xlsx")));
        QVERIFY(ListExport(m_ui).SaveQueryAsExcel(rows, QStringLiteral("t"), ListExport::allColumns(rows)).isEmpty());
        QCOMPARE(m_ui.messages.size(), 1);
        QVERIFY(m_ui.messages.first().startsWith(QStringLiteral("运行中发生错误：")));
        QVERIFY(m_ui.messages.first().endsWith(QStringLiteral(",请与系统管理员或软件发行者联系。")));
    }

    void sheetNames_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("name");
        QTest::newRow("as it is") << "默认数据库数据列表"
                                  << "默认数据库数据列表";
        QTest::newRow("forbidden characters") << "a/b:c[1]*?"
                                              << "a_b_c_1___";
        QTest::newRow("too long") << QString(40, u'省') << QString(31, u'省');
        QTest::newRow("quotes at the ends") << "'x'"
                                            << "x";
        QTest::newRow("nothing left") << "''"
                                      << "Sheet1";
    }
    void sheetNames()
    {
        QFETCH(QString, title);
        QFETCH(QString, name);
        QCOMPARE(automation::XlsxStreamWriter::sheetNameFor(title), name);
        automation::XlsxStreamWriter::checkSheetName(name);
    }

    void extensions_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::newRow("appended") << "/d/list"
                                  << "/d/list.xlsx";
        QTest::newRow("kept") << "/d/list.xlsx"
                              << "/d/list.xlsx";
        QTest::newRow("compared with case") << "/d/list.XLSX"
                                            << "/d/list.XLSX.xlsx";
        QTest::newRow("short name left alone") << "abcde"
                                               << "abcde";
    }
    void extensions()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        QCOMPARE(ListExport::withExtension(chosen, QStringLiteral(".xlsx")), written);
    }

    // A new file gets the table with the column types; an apostrophe is
    // stored as typed; a missing number becomes 0 and a missing text empty.
    void databaseNewFile()
    {
        const ListQuery q = listOf({0});
        m_ui.answer(file(QStringLiteral("out")));
        const QString path = ListExport(m_ui).SaveQueryAsAccess(m_db, q, QStringLiteral("Tallowmere查询结果"));
        QCOMPARE(path, file(QStringLiteral("out.mdb")));
        QCOMPARE(m_ui.dialogs, QStringList{QStringLiteral("导出文件存放为|Access文件(*.mdb)")});
        QCOMPARE(m_ui.messages, QStringList{QStringLiteral("Access文件已经正确导出到：'") +
                                            QDir::toNativeSeparators(path) + QStringLiteral("'！")});
        QCOMPARE(m_ui.recordedProgress.caption, QStringLiteral("数据导出...100%"));

        db::Database out = db::Database::open(path);
        QCOMPARE(codes(out, QStringLiteral("\"Tallowmere查询结果\"")), QStringLiteral("1,3,7"));
        QCOMPARE(out.scalar(QStringLiteral("SELECT c902 FROM \"Tallowmere查询结果\" WHERE c901 = 1")).toString(),
                 QStringLiteral("O'Neil工会"));
        QCOMPARE(out.scalar(QStringLiteral("SELECT c905 FROM \"Tallowmere查询结果\" WHERE c901 = 1")),
                 QVariant(QString()));
        QCOMPARE(out.scalar(QStringLiteral("SELECT z002 FROM \"Tallowmere查询结果\" WHERE c901 = 1")),
                 QVariant(qint64(0)));
        QCOMPARE(out.scalar(QStringLiteral("SELECT type FROM pragma_table_info('Tallowmere查询结果') "
                                           "WHERE name = 'c902'"))
                     .toString(),
                 QStringLiteral("TEXT"));
        QCOMPARE(out.scalar(QStringLiteral("SELECT type FROM pragma_table_info('Tallowmere查询结果') "
                                           "WHERE name = 'z001'"))
                     .toString(),
                 QStringLiteral("INTEGER"));
        // nothing but the file itself is left in the folder
        QCOMPARE(QDir(m_dir.path())
                     .entryList({QStringLiteral("*.tmp"), QStringLiteral(".out*")}, QDir::Files | QDir::Hidden),
                 QStringList());
    }

    // An existing file keeps its other tables; the table is dropped and
    // created again. A failure part-way leaves the older table as it was.
    void databaseExistingFile()
    {
        const QString path = file(QStringLiteral("old.mdb"));
        QFile::remove(path);
        db::Database::createEmpty(path);
        {
            db::Database old = db::Database::open(path);
            old.exec(QStringLiteral("CREATE TABLE keep (x)"));
            old.exec(QStringLiteral("CREATE TABLE \"tallowmere查询结果\" (c901 INTEGER, extra TEXT)"));
            old.exec(QStringLiteral("INSERT INTO \"tallowmere查询结果\" VALUES (99, 'old')"));
        }
        m_ui.answer(path);
        QCOMPARE(ListExport(m_ui).SaveQueryAsAccess(m_db, listOf({}), QStringLiteral("Tallowmere查询结果")), path);
        {
            db::Database out = db::Database::open(path);
            QCOMPARE(codes(out, QStringLiteral("\"Tallowmere查询结果\"")), QStringLiteral("1,3,7"));
            QVERIFY(out.hasTable(QStringLiteral("keep")));
            QVERIFY(!out.columnNames(QStringLiteral("Tallowmere查询结果")).contains(QStringLiteral("extra")));
        }

        // The engine fails in the middle of the rows: the earlier export stays.
        m_ui = test::ScriptedInteraction();
        m_ui.answer(path);
        const ListQuery failing(
            QStringLiteral("SELECT c901, abs(c901 - 9223372036854775807 - 2) AS x FROM dt_data")); // fails on code 1
        QVERIFY(ListExport(m_ui).SaveQueryAsAccess(m_db, failing, QStringLiteral("Tallowmere查询结果")).isEmpty());
        QCOMPARE(m_ui.messages.size(), 2); // the error, then the statement
        QVERIFY(m_ui.messages.at(0).startsWith(QStringLiteral("运行中发生错误：")));
        QVERIFY(m_ui.messages.at(1).startsWith(QStringLiteral("INSERT INTO")));
        db::Database out = db::Database::open(path);
        QCOMPARE(codes(out, QStringLiteral("\"Tallowmere查询结果\"")), QStringLiteral("1,3,7"));
        QVERIFY(m_db.columnNames(QStringLiteral("dt_data")).contains(QStringLiteral("c901"))); // detached, usable
    }

    void databaseRefusals()
    {
        // an empty query asks for no file
        QVERIFY(ListExport(m_ui)
                    .SaveQueryAsAccess(m_db, ListQuery(QStringLiteral("SELECT * FROM dt_data WHERE c901 < 0")),
                                       QStringLiteral("t"))
                    .isEmpty());
        QCOMPARE(m_ui.messages, QStringList{QStringLiteral("SaveQueryAsAccess:：出错:数据表为空，不能导出！")});
        QVERIFY(m_ui.dialogs.isEmpty());

        // a file that is no database is left untouched, with one message
        const QString foreign = file(QStringLiteral("notes.mdb"));
        {
            QFile f(foreign);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("just some text, not a database at all");
        }
        m_ui = test::ScriptedInteraction();
        m_ui.answer(foreign);
        QVERIFY(ListExport(m_ui).SaveQueryAsAccess(m_db, listOf({}), QStringLiteral("t")).isEmpty());
        QCOMPARE(m_ui.messages.size(), 1);
        QVERIFY(m_ui.messages.first().startsWith(QStringLiteral("运行中发生错误：")));
        QFile f(foreign);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("just some text, not a database at all"));

        // the open survey database itself is refused
        m_ui = test::ScriptedInteraction();
        m_ui.answer(m_db.path());
        QVERIFY(ListExport(m_ui).SaveQueryAsAccess(m_db, listOf({}), QStringLiteral("t")).isEmpty());
        QVERIFY(!m_db.hasTable(QStringLiteral("t")));
    }

    // The list dialog's field part: the fixed columns, then the fields of the
    // ticked tables; table 12's fields do not bring the cover columns twice.
    void listFields_data()
    {
        QTest::addColumn<QList<int>>("tables");
        QTest::addColumn<QString>("columns");
        QTest::newRow("no table") << QList<int>{} << "c901,c902,c903,c904,c905,c906,RecordState";
        QTest::newRow("table 12") << QList<int>{11}
                                  << "c901,c902,c903,c904,c905,c906,RecordState,c001,c002,c003,c004,c005,c006,c007,"
                                     "c008,c009,c010,c011,c012,c013,c014,c015,c016,c017,c018,c019,c020,c021";
        QTest::newRow("tables 2 and 3") << QList<int>{1, 2}
                                        << "c901,c902,c903,c904,c905,c906,RecordState,x001,x002,x003,x004,x005,"
                                           "x006,x007,x008,x009,p001,p002,p003,p004,p005,p006,p007,p008";
    }
    void listFields()
    {
        QFETCH(QList<int>, tables);
        QFETCH(QString, columns);
        const db::ResultSet rs = db::ResultSet::run(m_db, listOf(tables).sql);
        QStringList names;
        for (int c = 0; c < rs.columnCount(); ++c)
            names << rs.columnName(c);
        QCOMPARE(names.join(u','), columns);
    }

    void listContent()
    {
        ListContent range;
        range.addRange(*CodeRange::resolve(-5, 3));
        StatementRows rows(m_db, ListExportQuery::build({}, range));
        QCOMPARE(rows.rowCount(), 2);

        GroupRange group;
        group.lowBoundary = 1;
        group.highBoundary = 7;
        group.lowSymbol = QStringLiteral(">");
        group.highSymbol = QStringLiteral("<=");
        ListContent byGroup;
        byGroup.addGroup(group);
        QCOMPARE(ListExportQuery::build({}, byGroup).sql,
                 QStringLiteral("select c901,c902,c903,c904,c905,c906,RecordState from dt_data where c901>? and "
                                "c901<=? order by c901"));
        QCOMPARE(StatementRows::countRows(m_db, ListExportQuery::build({}, byGroup)), 2);
        group.highSymbol = QStringLiteral("<1 or 1=1 --");
        QVERIFY_THROWS_EXCEPTION(Error, byGroup.addGroup(group));

        ListContent compared;
        const QStringList columns = m_db.columnNames(QStringLiteral("dt_data"));
        compared.addComparison(QStringLiteral("Z001"), QStringLiteral(">="), 12, columns);
        QCOMPARE(StatementRows::countRows(m_db, ListExportQuery::build({}, compared)), 2);
        QVERIFY_THROWS_EXCEPTION(Error,
                                 compared.addComparison(QStringLiteral("z999"), QStringLiteral("="), 1, columns));
        QVERIFY_THROWS_EXCEPTION(Error,
                                 compared.addComparison(QStringLiteral("z001"), QStringLiteral("<>"), 1, columns));
    }

    // One current row, one marked row, three marked rows answered in turn.
    void deleteMarked_data()
    {
        QTest::addColumn<QList<qint64>>("marked");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<QString>("left");
        QTest::addColumn<qint64>("current");
        const int yesNo = Interaction::ButtonYes | Interaction::ButtonNo;
        const int allNo = Interaction::ButtonYesToAll | Interaction::ButtonNo;
        QTest::newRow("current row, yes")
            << QList<qint64>{} << QList<int>{Interaction::AnswerYes} << yesNo << "1,7" << qint64(7);
        QTest::newRow("current row, no") << QList<qint64>{} << QList<int>{Interaction::AnswerNo} << yesNo << "1,3,7"
                                         << qint64(3);
        QTest::newRow("one marked") << QList<qint64>{7} << QList<int>{Interaction::AnswerYes} << yesNo << "1,3"
                                    << qint64(3);
        QTest::newRow("three, yes to all")
            << QList<qint64>{7, 1, 3} << QList<int>{Interaction::AnswerYesToAll} << allNo << "" << qint64(-1);
        QTest::newRow("three, no") << QList<qint64>{7, 1, 3} << QList<int>{Interaction::AnswerNo} << allNo << "1,3,7"
                                   << qint64(7);
        QTest::newRow("three, closed then yes to all")
            << QList<qint64>{7, 1, 3} << QList<int>{Interaction::AnswerCancel, Interaction::AnswerYesToAll} << allNo
            << "7" << qint64(7);
    }
    void deleteMarked()
    {
        QFETCH(QList<qint64>, marked);
        QFETCH(QList<int>, answers);
        QFETCH(int, buttons);
        QFETCH(QString, left);
        QFETCH(qint64, current);
        RecordList list(ListQuery(QStringLiteral("SELECT * FROM view_data ORDER BY c901 ASC")));
        list.open(m_db);
        list.setCurrentCode(3);
        for (int a : answers)
            m_ui.answer(a);
        int rereads = 0;
        RecordDeletion(m_db, m_ui)
            .DeleteSelectedRecords(list, marked, QStringLiteral("dt_data"), QStringLiteral("c901"),
                                   [&](bool reread) { rereads += reread ? 1 : 0; });
        QCOMPARE(codes(m_db), left);
        QCOMPARE(m_ui.questions.size(), answers.size());
        QCOMPARE(m_ui.questions.first(), QStringLiteral("您确定要删除当前所选择的记录吗?"));
        QCOMPARE(m_ui.buttonSets.first(), buttons);
        // the list was read again after a deletion and shows what is left
        QCOMPARE(list.rowCount(), left.isEmpty() ? 0 : int(left.split(u',').size()));
        QCOMPARE(rereads > 0, list.rowCount() < 3);
        QCOMPARE(list.currentCode().value_or(-1), current);
    }

    void deleteRanges()
    {
        RecordDeletion del(m_db, m_ui);
        QCOMPARE(del.deleteRange(*CodeRange::resolve(-5, 2)), 1);
        QCOMPARE(codes(m_db), QStringLiteral("3,7"));
        QCOMPARE(del.deleteRange(*CodeRange::resolve(7, 5)), 1);
        QCOMPARE(codes(m_db), QStringLiteral("3"));
        QCOMPARE(del.deleteAll(), 1);
        QCOMPARE(codes(m_db), QString());
    }
};

QTEST_MAIN(TestListExport)
#include "tst_listexport.moc"
