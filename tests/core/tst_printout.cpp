#include "CliMain.h"
#include "Fixtures.h"
#include "ScriptedInteraction.h"
#include "app/AppPaths.h"
#include "automation/Workbook.h"
#include "db/Database.h"
#include "db/ResultSet.h"
#include "entry/RecordPrintout.h"

#include <QtTest>

using namespace tq;
using tq::automation::Workbook;
using tq::entry::RecordPrintout;

class TestPrintout : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_dbPath;
    db::Database m_db;

    // One record whose every survey field holds its own number, so that a
    // field printed into another field's cell shows.
    void addRecord(qint64 code)
    {
        QStringList columns{"c901", "c902", "c903", "c904", "c905", "c906", "RecordState"};
        QVariantList values{
            code, QStringLiteral("某某市总工会"), 110100, 3, QStringLiteral("张三"), QStringLiteral("01087654321"), 1};
        db::ResultSet fields =
            db::ResultSet::run(m_db, QStringLiteral("select ID, FieldName from dt_fieldlist where PageID>=1"));
        for (int r = 0; r < fields.rowCount(); ++r) {
            columns << fields.text(r, 1);
            values << 1000 + fields.intValue(r, 0);
        }
        m_db.exec(QStringLiteral("insert into dt_data (%1) values (%2)")
                      .arg(columns.join(u','), QStringList(columns.size(), QStringLiteral("?")).join(u',')),
                  values);
    }

    QString out(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase()
    {
        AppPaths::setProgramDir(QStringLiteral(TQ_BIN_DIR));
        m_dbPath = test::newSurveyDatabase(m_dir);
        m_db = db::Database::open(m_dbPath);
        addRecord(4321);
    }

    void everyCatalogueFieldLandsInItsCell_data()
    {
        QTest::addColumn<QString>("templatePath");
        QTest::addColumn<QString>("year");
        QTest::newRow("main window, 2009") << RecordPrintout::mainWindowTemplate() << "2009";
        QTest::newRow("editor, 2008") << RecordPrintout::editorTemplate() << "2008";
    }
    void everyCatalogueFieldLandsInItsCell()
    {
        QFETCH(QString, templatePath);
        QFETCH(QString, year);
        test::ScriptedInteraction ui;
        RecordPrintout printout(m_db, ui);
        const QString target = out(QStringLiteral("print-%1.xlsx").arg(year));
        QVERIFY(printout.saveAs(templatePath, QStringLiteral("4321"), target));
        QVERIFY(ui.messages.isEmpty());
        QCOMPARE(ui.recordedProgress.starts, 1);
        QCOMPARE(ui.recordedProgress.total, 14); // the cover and thirteen table pages
        QCOMPARE(ui.recordedProgress.done, 14);
        QCOMPARE(ui.recordedProgress.finishes, 1);

        auto book = Workbook::open(target);
        QCOMPARE(book->activeSheet(), 1);
        QVERIFY(book->sheet(1).text(1, 1).startsWith(year + QStringLiteral("年度")));
        const db::ResultSet record =
            db::ResultSet::run(m_db, QStringLiteral("select * from view_data where c901=4321"));
        const db::ResultSet fields = db::ResultSet::run(
            m_db, QStringLiteral("select FieldName, printPageID, printplace from dt_fieldlist where PageID>=0"));
        QCOMPARE(fields.rowCount(), 193);
        for (int r = 0; r < fields.rowCount(); ++r) {
            const QString name = fields.text(r, 0);
            auto &sheet = book->sheet(int(fields.intValue(r, 1)));
            const auto cell = automation::CellAddress::parse(fields.text(r, 2));
            QVERIFY2(sheet.text(cell.row, cell.column) == record.text(0, record.requireColumn(name)), qPrintable(name));
            QVERIFY2(!sheet.text(cell.row, 1).isEmpty(), qPrintable(name + QStringLiteral(" has no label")));
        }
        QCOMPARE(book->sheet(1).value(9, 4).typeId(), QMetaType::QString); // the telephone keeps its 0
        QCOMPARE(book->sheet(1).value(4, 4).typeId(), QMetaType::Double);
    }

    // Sheets 1, 2 and 5 of a small form: only those are filled, in order, and
    // only the last one's columns 1-4 are fitted. A row of a negative page is
    // never printed, even when it names a sheet and a cell.
    void fillsTheCatalogueSheetsAndFitsTheLastOne()
    {
        QTemporaryDir dir;
        const QString dbPath = test::newSurveyDatabase(dir);
        db::Database db = db::Database::open(dbPath);
        std::swap(db, m_db);
        addRecord(77);
        std::swap(db, m_db);
        db.exec(QStringLiteral("update dt_fieldlist set printPageID=0, printplace=''"));
        db.exec(QStringLiteral("update dt_fieldlist set printPageID=1, printplace='B2' where FieldName='z001'"));
        db.exec(QStringLiteral("update dt_fieldlist set printPageID=2, printplace='C3' where FieldName='z002'"));
        db.exec(QStringLiteral("update dt_fieldlist set printPageID=5, printplace='A1' where FieldName='c902'"));
        db.exec(QStringLiteral("update dt_fieldlist set printPageID=3, printplace='D4' where FieldName='RecordState'"));
        db.exec(QStringLiteral("update dt_fieldlist set printPageID=2, printplace='A1' where FieldName='z003'"));
        db.exec(QStringLiteral("update dt_fieldlist set PageID=-1 where FieldName not in ('z001','z002','c902')"));

        auto form = Workbook::create();
        for (int s = 2; s <= 5; ++s)
            form->addSheet();
        for (int s = 1; s <= 5; ++s) {
            for (int c = 1; c <= 4; ++c)
                form->sheet(s).setColumnWidth(c, 5);
        }
        const QString templatePath = dir.filePath(QStringLiteral("form.xltx"));
        form->save(templatePath);

        test::ScriptedInteraction ui;
        RecordPrintout printout(db, ui);
        auto book = printout.fill(templatePath, QStringLiteral("77"), true);
        QVERIFY(book);
        QCOMPARE(ui.recordedProgress.total, 3);
        QCOMPARE(book->sheet(1).text(QStringLiteral("B2")), QStringLiteral("1008"));
        QCOMPARE(book->sheet(2).text(QStringLiteral("C3")), QStringLiteral("1009"));
        QVERIFY(book->sheet(2).isBlank(1, 1)); // z003's page is negative
        QVERIFY(book->sheet(3).isBlank(4, 4));
        QCOMPARE(book->sheet(5).text(QStringLiteral("A1")), QStringLiteral("某某市总工会"));
        QVERIFY(book->sheet(5).columnWidth(1) > 12);
        for (int c = 1; c <= 4; ++c) {
            QCOMPARE(book->sheet(1).columnWidth(c), 5.0);
            QCOMPARE(book->sheet(2).columnWidth(c), 5.0);
        }

        // A code without a record prints the empty form.
        auto empty = printout.fill(templatePath, QStringLiteral("999"), true);
        QVERIFY(empty);
        QVERIFY(empty->sheet(1).isBlank(2, 2));
        QVERIFY(empty->sheet(5).isBlank(1, 1));
    }

    void unopenableTemplateShowsTheMessageOnly_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::newRow("missing") << false;
        QTest::newRow("not a workbook") << true;
    }
    void unopenableTemplateShowsTheMessageOnly()
    {
        QFETCH(bool, exists);
        const QString templatePath = out(QStringLiteral("坏的打印表.xltx"));
        QFile::remove(templatePath);
        if (exists) {
            QFile f(templatePath);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("PK\3\4 broken");
        }
        test::ScriptedInteraction ui;
        RecordPrintout printout(m_db, ui);
        const QString target = out(QStringLiteral("never.xlsx"));
        QVERIFY(!printout.saveAs(templatePath, QStringLiteral("4321"), target));
        QVERIFY(!printout.show(templatePath, QStringLiteral("4321")));
        QCOMPARE(ui.messages,
                 QStringList(2, QStringLiteral("打开汇总模版文件时发生错误，可能是没有安装MS Office中的Excel")));
        QCOMPARE(ui.recordedProgress.starts, 0);
        QVERIFY(ui.viewed.isEmpty());
        QVERIFY(!QFile::exists(target));
    }

    void showHandsOverATemporaryWorkbook()
    {
        test::ScriptedInteraction ui;
        RecordPrintout printout(m_db, ui);
        QVERIFY(printout.show(RecordPrintout::mainWindowTemplate(), QStringLiteral("4321")));
        QCOMPARE(ui.viewed.size(), 1);
        const QString shown = ui.viewed.first();
        QVERIFY(shown.endsWith(QLatin1String(".xlsx")));
        QCOMPARE(Workbook::open(shown)->sheet(1).text(QStringLiteral("D5")), QStringLiteral("某某市总工会"));
        QFile::remove(shown);
    }

    void headlessPrint_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("errText");
        const QString target = out(QStringLiteral("cli.xlsx"));
        QTest::newRow("written") << QStringList{"4321", "--out", target, "--db", m_dbPath} << 0 << "";
        QTest::newRow("no such record") << QStringList{"999", "--out", target, "--db", m_dbPath} << 2 << "999";
        QTest::newRow("not a code") << QStringList{"abc", "--out", target, "--db", m_dbPath} << 2 << "abc";
        QTest::newRow("no target") << QStringList{"4321", "--db", m_dbPath} << 2 << "usage";
        QTest::newRow("no database") << QStringList{"4321", "--out", target, "--db", out("none.mdb")} << 2
                                     << "none.mdb";
    }
    void headlessPrint()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, errText);
        QFile::remove(out(QStringLiteral("cli.xlsx")));
        QString o, e;
        QTextStream os(&o), es(&e);
        QCOMPARE(cli::run(QStringList{"print"} + args, os, es), exitCode);
        es.flush();
        os.flush();
        QVERIFY2(e.contains(errText), qPrintable(e));
        QCOMPARE(QFile::exists(out(QStringLiteral("cli.xlsx"))), exitCode == 0);
        if (exitCode == 0) {
            QVERIFY(o.contains(QStringLiteral("cli.xlsx")));
            QCOMPARE(Workbook::open(out(QStringLiteral("cli.xlsx")))->sheet(2).text(QStringLiteral("D4")),
                     QStringLiteral("1008"));
        }
    }
};

QTEST_GUILESS_MAIN(TestPrintout)
#include "tst_printout.moc"
