#include "CliMain.h"
#include "Fixtures.h"
#include "db/Database.h"

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
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
