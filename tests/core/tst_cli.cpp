#include "CliMain.h"
#include "Fixtures.h"

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
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
