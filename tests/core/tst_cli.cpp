#include "CliMain.h"
#include "Fixtures.h"
#include "app/AppPaths.h"
#include "app/Settings.h"
#include "automation/Workbook.h"
#include "db/Database.h"

#include <QTcpServer>
#include <QtTest>

class TestCli : public QObject {
    Q_OBJECT

    int run(const QStringList &args, QString &out, QString &err)
    {
        QTextStream o(&out), e(&err);
        return tq::cli::run(args, o, e);
    }

private slots:
    void headlessIsChosenByTheFirstArgument_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("headless");
        QTest::newRow("no arguments") << QStringList() << false;
        QTest::newRow("version") << QStringList{"--version"} << true;
        QTest::newRow("info") << QStringList{"info", "--db", "x"} << true;
        QTest::newRow("a Qt option") << QStringList{"-platform", "offscreen"} << false;
        QTest::newRow("another Qt option") << QStringList{"-style", "fusion"} << false;
        QTest::newRow("help") << QStringList{"help", "check"} << true;
        QTest::newRow("-h") << QStringList{"-h"} << true;
        QTest::newRow("-v") << QStringList{"-v"} << true;
        // Unknown words go headless and fail there, instead of opening a window.
        QTest::newRow("unknown word") << QStringList{"bogus"} << true;
        QTest::newRow("summary") << QStringList{"summary", "--out", "x.xlsx"} << true;
    }
    void headlessIsChosenByTheFirstArgument()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, headless);
        QCOMPARE(tq::cli::wantsHeadless(args), headless);
    }

    void versionInfoAndErrors()
    {
        QString out, err;
        QCOMPARE(run({"--version"}, out, err), 0);
        QCOMPARE(out, QStringLiteral("tallowmere 1.3.3 (Build 632)\n"));

        QTemporaryDir dir;
        const QString db = tq::test::newSurveyDatabase(dir);
        out.clear();
        QCOMPARE(run({"info", "--db", db}, out, err), 0);
        QVERIFY(out.contains(QStringLiteral("label: 默认数据库")));
        QVERIFY(out.contains(QStringLiteral("records: 0")));

        out.clear();
        QCOMPARE(run({"info", "--db", dir.filePath("none.mdb")}, out, err), 2);
        QVERIFY(err.contains(QStringLiteral("不存在")));
        err.clear();
        QCOMPARE(run({"frobnicate"}, out, err), 2);
        QVERIFY(err.contains(QStringLiteral("unknown command")));
    }

    void checkExitCodes()
    {
        QTemporaryDir dir;
        const QString db = tq::test::newSurveyDatabase(dir);
        {
            tq::db::Database d = tq::db::Database::open(db);
            d.exec(QStringLiteral("INSERT INTO dt_data (c901, c902, c904, z001, z006) VALUES (1, '甲', 5, 10, 10)"));
            d.exec(QStringLiteral("INSERT INTO dt_data (c901, c902, c904) VALUES (2, '乙', 5)")); // fails rule 3
        }
        const QString folder = dir.filePath(QStringLiteral("reports"));
        QString out, err;
        QCOMPARE(run({"check", "--db", db, "--codes", "1", "--report-folder", folder}, out, err), 0);
        const QString path = out.trimmed().split(u'\n').last();
        QVERIFY2(QFile::exists(path), qPrintable(path));
        QVERIFY(out.contains(QStringLiteral("恭喜你，所检查的数据没有逻辑错误")));

        out.clear();
        QCOMPARE(run({"check", "--db", db, "--report-folder", folder}, out, err), 1);
        QCOMPARE(out.trimmed().split(u'\n').last(), path);
        tq::db::Database d = tq::db::Database::open(db);
        QCOMPARE(d.scalar(QStringLiteral("SELECT group_concat(RecordState) FROM dt_data ORDER BY c901")).toString(),
                 QStringLiteral("1,2"));

        out.clear();
        QCOMPARE(run({"check", "--db", db, "--range", "0", "100", "--report-folder", folder}, out, err), 2);
        QVERIFY(err.contains(QStringLiteral("请输入逻辑检查的范围")));
        err.clear();
        QCOMPARE(run({"check", "--db", dir.filePath("none.mdb")}, out, err), 2);
        QVERIFY(!err.isEmpty());
        err.clear();
        QCOMPARE(run({"check", "--db", db, "--codes", "x"}, out, err), 2);
    }

    void helpTexts_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("shows");
        const QStringList everyCommand{"info",    "check", "print",          "summary", "backup",
                                       "compact", "list",  "help [COMMAND]", "version"};
        QTest::newRow("help") << QStringList{"help"} << everyCommand;
        QTest::newRow("--help") << QStringList{"--help"} << everyCommand;
        QTest::newRow("no arguments") << QStringList() << everyCommand;
        QTest::newRow("help check") << QStringList{"help", "check"}
                                    << QStringList{"usage: tallowmere check", "--db <file>", "--report-folder <dir>"};
        QTest::newRow("check --help") << QStringList{"check", "--help"} << QStringList{"--report-folder", "--codes"};
        QTest::newRow("-h print") << QStringList{"-h", "print"} << QStringList{"--out <file>", "CODE"};
        QTest::newRow("info -h") << QStringList{"info", "-h"} << QStringList{"usage: tallowmere info [--db FILE]"};
    }
    void helpTexts()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, shows);
        QString out, err;
        QCOMPARE(run(args, out, err), 0);
        QVERIFY2(err.isEmpty(), qPrintable(err));
        for (const QString &text : shows)
            QVERIFY2(out.contains(text), qPrintable(text + "\n---\n" + out));
    }

    // A command line the program cannot make sense of exits with 2 and shows
    // the usage on stderr; nothing goes to stdout.
    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("shows");
        const QStringList usage{"usage: tallowmere [COMMAND [OPTIONS]]", "check", "print"};
        QTest::newRow("unknown command") << QStringList{"frobnicate", "--db", "x"}
                                         << QStringList{"unknown command frobnicate"} + usage;
        QTest::newRow("help for an unknown command")
            << QStringList{"help", "frobnicate"} << QStringList{"unknown command frobnicate"} + usage;
        QTest::newRow("unknown option") << QStringList{"check", "--bogus"}
                                        << QStringList{"bogus", "usage: tallowmere check", "--report-folder"};
        QTest::newRow("option of another command")
            << QStringList{"info", "--out", "x.xlsx"} << QStringList{"out", "usage: tallowmere info"};
        QTest::newRow("option without its value")
            << QStringList{"info", "--db"} << QStringList{"--db", "usage: tallowmere info"};
        QTest::newRow("flag with a value")
            << QStringList{"check", "--all=3"} << QStringList{"all", "usage: tallowmere check"};
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, shows);
        QString out, err;
        QCOMPARE(run(args, out, err), 2);
        QVERIFY2(out.isEmpty(), qPrintable(out));
        for (const QString &text : shows)
            QVERIFY2(err.contains(text), qPrintable(text + "\n---\n" + err));
    }

    // An empty name must not fall back to the default database or folder: a
    // script with an unset variable would otherwise check, and mark, the
    // records of the database beside the program.
    void emptyNamesAreRefused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("errText");
        QTest::newRow("info --db \"\"") << QStringList{"info", "--db", ""} << "--db needs a file name";
        QTest::newRow("check --db \"\"") << QStringList{"check", "--db", "", "--report-folder", "REPORTS"}
                                         << "--db needs a file name";
        QTest::newRow("check --db=") << QStringList{"check", "--db=", "--report-folder", "REPORTS"}
                                     << "--db needs a file name";
        QTest::newRow("check --report-folder \"\"")
            << QStringList{"check", "--db", "DEFAULT", "--report-folder", ""} << "--report-folder needs a folder name";
        QTest::newRow("print --db \"\"") << QStringList{"print", "1", "--out", "REPORTS/p.xlsx", "--db", ""}
                                         << "--db needs a file name";
        QTest::newRow("backup --out \"\"")
            << QStringList{"backup", "--db", "DEFAULT", "--out", ""} << "--out needs a file name";
        QTest::newRow("backup without --out") << QStringList{"backup", "--db", "DEFAULT"} << "--out needs a file name";
        QTest::newRow("backup --db \"\"")
            << QStringList{"backup", "--db", "", "--out", "REPORTS/b.mdb"} << "--db needs a file name";
        QTest::newRow("compact --db \"\"") << QStringList{"compact", "--db", ""} << "--db needs a file name";
    }
    void emptyNamesAreRefused()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, errText);
        QTemporaryDir program;
        const QString defaultDb = tq::test::newSurveyDatabase(program);
        {
            tq::db::Database d = tq::db::Database::open(defaultDb);
            d.exec(QStringLiteral("INSERT INTO dt_data (c901, c902, c904) VALUES (1, '甲', 5)")); // fails a rule
        }
        QFile file(defaultDb);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();
        const QString reports = program.filePath(QStringLiteral("reports"));
        QVERIFY(QDir().mkpath(reports));
        args.replaceInStrings(QStringLiteral("REPORTS"), reports)
            .replaceInStrings(QStringLiteral("DEFAULT"), defaultDb);

        tq::AppPaths::setProgramDir(program.path());
        QString out, err;
        const int rc = run(args, out, err);
        tq::AppPaths::setProgramDir(QString());
        QCOMPARE(rc, 2);
        QVERIFY2(err.contains(errText), qPrintable(err));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll() == before);
        QVERIFY(QDir(reports).isEmpty());
    }

    // The summary workbook by level (all table sheets unless told) or by a
    // grouping; bad sheet numbers and unknown groupings end with exit 2.
    void summaryWorkbook_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("expect"); // sheets, first sheet, caption, row 9; or the error
        QTest::newRow("by level") << QStringList{} << 0 << "24|表一  工会组织建设状况(1)|工会层次|未分类";
        QTest::newRow("by grouping, two sheets")
            << QStringList{"--group", "1", "--sheets", "1,2"} << 0 << "2|封面|分    组|一级";
        QTest::newRow("every grouping") << QStringList{"--group", "0", "--sheets", "25"} << 0
                                        << "1|表十二  开展创建劳动关系和谐企业与工业园区活动(3)|分    组|一级";
        QTest::newRow("sheet 0") << QStringList{"--sheets", "0,2"} << 2 << "--sheets takes sheet numbers";
        QTest::newRow("sheet 26") << QStringList{"--sheets", "26"} << 2 << "--sheets takes sheet numbers";
        QTest::newRow("unknown grouping") << QStringList{"--group", "9"} << 2 << "没有编号为 9 的自定义分组";
        QTest::newRow("grouping not a number") << QStringList{"--group", "x"} << 2 << "--group takes";
        QTest::newRow("no --out") << QStringList{"--out", ""} << 2 << "usage: tallowmere summary";
    }
    void summaryWorkbook()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, expect);
        QTemporaryDir dir;
        const QString db = tq::test::newSurveyDatabase(dir);
        {
            tq::db::Database d = tq::db::Database::open(db);
            d.execScript(QStringLiteral("INSERT INTO dt_data (c901, c902, c904, z001) VALUES (5, '甲', 5, 10);"
                                        "INSERT INTO ct_group (id, name) VALUES (1, '组');"
                                        "INSERT INTO DT_GroupItem (GroupID, Title, LowBoundary, HighBoundary) "
                                        "VALUES (1, '一级', 1, 10);"));
        }
        const QString target = dir.filePath(QStringLiteral("sum.xlsx"));
        tq::AppPaths::setProgramDir(QStringLiteral(TQ_BIN_DIR)); // the template lies beside the program
        QString out, err;
        const int rc = run(QStringList{"summary", "--db", db, "--out", target} + args, out, err);
        tq::AppPaths::setProgramDir(QString());
        QCOMPARE(rc, exitCode);
        QCOMPARE(QFile::exists(target), exitCode == 0);
        if (exitCode != 0) {
            QVERIFY2(err.contains(expect), qPrintable(err));
            return;
        }
        QCOMPARE(out.trimmed(), QDir::toNativeSeparators(target));
        auto book = tq::automation::Workbook::open(target);
        tq::automation::Worksheet &last = book->sheet(book->sheetCount());
        QCOMPARE(
            QStringList({QString::number(book->sheetCount()), book->sheet(1).name(), last.text(2, 1), last.text(9, 1)})
                .join(u'|'),
            expect);
    }

    void backupAndCompact()
    {
        QTemporaryDir dir;
        const QString db = tq::test::newSurveyDatabase(dir);
        {
            tq::db::Database d = tq::db::Database::open(db);
            for (int code = 1; code <= 200; ++code)
                d.exec(QStringLiteral("INSERT INTO dt_data (c901, c902) VALUES (?, ?)"), {code, QString(200, u'名')});
            d.exec(QStringLiteral("DELETE FROM dt_data WHERE c901 > 5"));
        }
        const auto codes = [](const QString &path) {
            return tq::db::Database::open(path)
                .scalar(QStringLiteral("SELECT group_concat(c901) FROM dt_data ORDER BY c901"))
                .toString();
        };
        // The update check is for the desktop program only: were it run here,
        // it would knock on this address.
        QTcpServer updates;
        QVERIFY(updates.listen(QHostAddress::LocalHost));
        tq::Settings settings;
        settings.writeString(tq::Settings::MainKey, QStringLiteral("UpdateUrl"),
                             QStringLiteral("http://127.0.0.1:%1/").arg(updates.serverPort()));

        QString out, err;
        const QString copy = dir.filePath(QStringLiteral("copy"));
        QCOMPARE(run({"backup", "--db", db, "--out", copy}, out, err), 0);
        QCOMPARE(out.trimmed().split(u'\n').last(), copy); // written as named
        QCOMPARE(codes(copy), QStringLiteral("1,2,3,4,5"));

        out.clear();
        const qint64 before = QFileInfo(db).size();
        QCOMPARE(run({"compact", "--db", db}, out, err), 0);
        QVERIFY2(out.startsWith(QStringLiteral("压缩操作成功\n")), qPrintable(out));
        QVERIFY(QFileInfo(db).size() < before);
        QCOMPARE(codes(db), QStringLiteral("1,2,3,4,5"));
        QVERIFY(err.isEmpty());
        QVERIFY(!updates.waitForNewConnection(100));
        settings.writeString(tq::Settings::MainKey, QStringLiteral("UpdateUrl"), QString());

        out.clear();
        QCOMPARE(run({"backup", "--db", db, "--out", dir.filePath(QStringLiteral("missing/copy.mdb"))}, out, err), 2);
        QVERIFY2(err.contains(QStringLiteral("missing")), qPrintable(err));
        QVERIFY(!out.contains(QStringLiteral("备份成功")));
        err.clear();
        QCOMPARE(run({"compact", "--db", dir.filePath(QStringLiteral("none.mdb"))}, out, err), 2);
        QVERIFY(err.contains(QStringLiteral("不存在")));
    }

    // A code is any whole number with a record; 0 and negative codes exist
    // in imported data.
    void printTakesEveryStoredCode_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("errText");
        QTest::newRow("zero") << "0" << 0 << "";
        QTest::newRow("negative") << "-1" << 0 << "";
        QTest::newRow("no such record") << "7" << 2 << "7";
        QTest::newRow("not a whole number") << "1.5" << 2 << "1.5";
        QTest::newRow("a word") << "x1" << 2 << "x1";
    }
    void printTakesEveryStoredCode()
    {
        QFETCH(QString, code);
        QFETCH(int, exitCode);
        QFETCH(QString, errText);
        QTemporaryDir dir;
        const QString db = tq::test::newSurveyDatabase(dir);
        {
            tq::db::Database d = tq::db::Database::open(db);
            d.exec(QStringLiteral("INSERT INTO dt_data (c901, c902, c904) VALUES (0, '零', 5)"));
            d.exec(QStringLiteral("INSERT INTO dt_data (c901, c902, c904) VALUES (-1, '负', 5)"));
        }
        const QString target = dir.filePath(QStringLiteral("form.xlsx"));
        tq::AppPaths::setProgramDir(QStringLiteral(TQ_BIN_DIR)); // the print form lies beside the program
        QString out, err;
        const int rc = run({"print", code, "--out", target, "--db", db}, out, err);
        tq::AppPaths::setProgramDir(QString());
        QCOMPARE(rc, exitCode);
        QCOMPARE(QFile::exists(target), exitCode == 0);
        if (exitCode == 0)
            QCOMPARE(out.trimmed(), QDir::toNativeSeparators(target));
        else
            QVERIFY2(err.contains(errText), qPrintable(err));
    }

    // The data list: fixed columns plus the chosen tables' fields, the records
    // of a range meeting each condition; arguments it cannot use end with 2.
    void listCommand_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("expect"); // columns|codes, or the error
        QTest::newRow("all, no table") << QStringList{"--out", "OUT.xlsx"} << 0 << "7|1,5,9";
        QTest::newRow("tables and a range")
            << QStringList{"--out", "OUT.xlsx", "--tables", "1,12", "--range", "2", "9"} << 0 << "42|5,9";
        QTest::newRow("conditions") << QStringList{"--where", "z001",    ">=",   "10", "--out",
                                                   "OUT.mdb", "--where", "Z001", "<",  "30"}
                                    << 0 << "7|5";
        QTest::newRow("range after a condition")
            << QStringList{"--where", "z001", ">", "0", "--range", "-5", "5", "--out", "OUT.mdb"} << 0 << "7|1,5";
        QTest::newRow("not a field") << QStringList{"--out", "OUT.xlsx", "--where", "z001;drop", "=", "1"} << 2
                                     << "--where: “z001;drop”不是数据表中的字段";
        QTest::newRow("a view column") << QStringList{"--out", "OUT.xlsx", "--where", "CityName", "=", "1"} << 2
                                       << "不是数据表中的字段";
        QTest::newRow("not an operator") << QStringList{"--out", "OUT.xlsx", "--where", "z001", "<>", "1"} << 2
                                         << "“<>”不是可用的比较符号";
        QTest::newRow("not a number") << QStringList{"--out", "OUT.xlsx", "--where", "z001", "=", "x"} << 2
                                      << "--where takes whole numbers";
        QTest::newRow("incomplete") << QStringList{"--out", "OUT.xlsx", "--where", "z001", "="} << 2
                                    << "--where is incomplete";
        QTest::newRow("zero bound") << QStringList{"--out", "OUT.xlsx", "--range", "0", "9"} << 2
                                    << "neither of them 0";
        QTest::newRow("table 13") << QStringList{"--out", "OUT.xlsx", "--tables", "13"} << 2 << "from 1 to 12";
        QTest::newRow("other file kind") << QStringList{"--out", "OUT.csv"} << 2 << "--out names a .xlsx";
        QTest::newRow("nothing in the list")
            << QStringList{"--out", "OUT.xlsx", "--range", "100", "200"} << 2 << "数据表为空";
    }
    void listCommand()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, expect);
        QTemporaryDir dir;
        const QString db = tq::test::newSurveyDatabase(dir);
        {
            tq::db::Database d = tq::db::Database::open(db);
            d.execScript(
                QStringLiteral("INSERT INTO dt_data (c901, c902, z001) VALUES (1, '甲', 5), (5, 'O''Neil', 10), "
                               "(9, '丙', 30);"));
        }
        for (QString &a : args)
            if (a.startsWith(QLatin1String("OUT.")))
                a = dir.filePath(a);
        const QString target = args.at(args.indexOf(QStringLiteral("--out")) + 1);
        QString out, err;
        QCOMPARE(run(QStringList{"list", "--db", db} + args, out, err), exitCode);
        QCOMPARE(QFile::exists(target), exitCode == 0);
        if (exitCode != 0) {
            QVERIFY2(err.contains(expect), qPrintable(err));
            return;
        }
        QCOMPARE(out.trimmed(), QDir::toNativeSeparators(target));
        QStringList codes;
        int columns = 0;
        if (target.endsWith(QLatin1String(".xlsx"))) {
            auto book = tq::automation::Workbook::open(target);
            tq::automation::Worksheet &sheet = book->sheet(1);
            QCOMPARE(sheet.name(), QStringLiteral("默认数据库数据列表"));
            columns = sheet.lastColumn();
            for (int r = 5; r <= sheet.lastRow(); ++r)
                codes << sheet.text(r, 1);
        } else {
            tq::db::Database d = tq::db::Database::open(target);
            columns = int(d.columnNames(QStringLiteral("默认数据库数据列表")).size());
            codes = d.scalar(QStringLiteral("SELECT group_concat(c901, ',') FROM \"默认数据库数据列表\""))
                        .toString()
                        .split(u',');
        }
        QCOMPARE(QString::number(columns) + u'|' + codes.join(u','), expect);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
