// The rule table generator runs inside the build: a faulty rule list must stop
// the build with the line at fault, and the texts must reach the compiled
// table exactly as they stand in the list.

#include "Fixtures.h"

#include <QtTest>

class TestMkRules : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString dataPath() const { return m_dir.filePath(QStringLiteral("data")); }
    QString outPath() const { return m_dir.filePath(QStringLiteral("out")); }

    // Runs the generator over a rule list of a header, rule 1 and `tail`.
    int generate(const QByteArray &tail, QString &errors)
    {
        QFile f(QDir(dataPath()).filePath(QStringLiteral("logic_rules.tsv")));
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write the rule list");
        f.write("# no\tfails_when\texplain\trule\n1\tz002 > z001\tz002[<=]z001\tz002<=z001\n" + tail);
        f.close();
        QProcess p;
        p.start(QStringLiteral(TQ_MKRULES), {QStringLiteral("--data"), dataPath(), QStringLiteral("--out"), outPath()});
        if (!p.waitForFinished(30000))
            qFatal("the generator did not finish");
        errors = QString::fromUtf8(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir().mkpath(dataPath()));
        QVERIFY(QFile::copy(QDir(tq::test::dataDir()).filePath(QStringLiteral("fieldlist.csv")),
                            QDir(dataPath()).filePath(QStringLiteral("fieldlist.csv"))));
    }
    void init() { QVERIFY(QDir(outPath()).removeRecursively()); }

    void badLinesStopTheBuild_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing columns") << QByteArray("2\tz001 > 1\n")
                                         << "logic_rules.tsv:3: expected 4 tab-separated columns";
        QTest::newRow("no number") << QByteArray("x\tz001 > 1\ta\tb\n") << "logic_rules.tsv:3: rule number expected";
        QTest::newRow("number repeated") << QByteArray("1\tz001 > 1\ta\tb\n")
                                         << "logic_rules.tsv:3: rule 1 appears twice";
        QTest::newRow("unknown field") << QByteArray("2\tz001 > q999\ta\tb\n")
                                       << "logic_rules.tsv:3:10: rule 2: unknown field 'q999'";
        QTest::newRow("unclosed parenthesis")
            << QByteArray("2\t(z001 > 1\ta\tb\n") << "logic_rules.tsv:3:12: rule 2: ')' expected";
        QTest::newRow("text after the condition") << QByteArray("2\tz001 > 1)\ta\tb\n") << "rule 2: ')' without '('";
        QTest::newRow("operator without operand") << QByteArray("2\tz001 >\ta\tb\n") << "rule 2: operand expected";
        QTest::newRow("no field") << QByteArray("2\t1 = 1\ta\tb\n") << "rule 2: the condition names no field";
        QTest::newRow("CR LF line end") << QByteArray("2\tz001 > 1\ta\tb\r\n")
                                        << "logic_rules.tsv:3: control character";
        QTest::newRow("not UTF-8") << QByteArray("2\tz001 > 1\t\xB2\xBB\xC4\xDC\tb\n")
                                   << "logic_rules.tsv:3: not valid UTF-8";
    }
    void badLinesStopTheBuild()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, message);
        QString errors;
        QCOMPARE(generate(line + "3\tz001 > 1\ta\tb\n", errors), 1);
        QVERIFY2(errors.contains(message), qPrintable(errors));
        QVERIFY(!QFileInfo::exists(QDir(outPath()).filePath(QStringLiteral("RuleTable.cpp"))));
    }

    // Quotes, backslashes and question marks are escaped; other characters,
    // Chinese included, stay as they are.
    void textsBecomeExactLiterals()
    {
        QString errors;
        QCOMPARE(generate("2\tz001 = 0\t如果“z001”\\n\tz001 \"?\?=\" 0?\n", errors), 0);
        QFile f(QDir(outPath()).filePath(QStringLiteral("RuleTable.cpp")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray code = f.readAll();
        QVERIFY2(code.contains("{2, \"如果“z001”\\\\n\", \"z001 \\\"\\?\\?=\\\" 0\\?\","), code.constData());
    }
};

QTEST_GUILESS_MAIN(TestMkRules)
#include "tst_mkrules.moc"
