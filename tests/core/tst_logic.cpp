#include "Fixtures.h"
#include "ScriptedInteraction.h"
#include "app/CommandRunner.h"
#include "app/RecordSelection.h"
#include "app/Session.h"
#include "common/AtomicFile.h"
#include "common/Error.h"
#include "common/Gbk.h"
#include "common/ProgressScope.h"
#include "db/Database.h"
#include "logic/BatchCheck.h"
#include "logic/ExplanationRenderer.h"
#include "logic/RuleCatalogue.h"

#include <QtTest>

using namespace tq;
using namespace tq::logic;

using Values = QMap<QString, qint64>;
Q_DECLARE_METATYPE(Values)

namespace {

RuleValues valuesOf(const Values &given)
{
    RuleValues v;
    for (int f = 0; f < rulefield::Count; ++f)
        v.v[std::size_t(f)] = given.value(QString::fromLatin1(rulefield::kNames[f]), 0);
    return v;
}

// A small record that passes every rule: ten full-time cadres, all of the
// lowest education band, at a level without the county-only rule.
Values validRecord(Values extra = {})
{
    Values v{{"c904", 5}, {"z001", 10}, {"z006", 10}};
    for (auto it = extra.cbegin(); it != extra.cend(); ++it)
        v[it.key()] = it.value();
    return v;
}

class ObserverStub : public Progress {
public:
    void start(int total, int done) override
    {
        this->total = total;
        steps = done;
    }
    void advance() override { ++steps; }
    void setCaption(const QString &) override {}
    void finish() override {}
    bool stopRequested() const { return stopAfter >= 0 && steps >= stopAfter; }
    int total = -1, steps = 0, stopAfter = -1;
};

} // namespace

class TestLogic : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<Session> m_session;

    QString hint(const QString &field)
    {
        return m_session->db()
            .scalar(QStringLiteral("SELECT Hint FROM dt_fieldlist WHERE FieldName=?"), {field})
            .toString();
    }
    void insert(qint64 code, const QString &name, const Values &v, int state = 0)
    {
        QStringList cols{"c901", "c902", "RecordState"};
        QVariantList vals{code, name, state};
        for (auto it = v.cbegin(); it != v.cend(); ++it) {
            cols << it.key();
            vals << it.value();
        }
        QStringList marks;
        for (int i = 0; i < cols.size(); ++i)
            marks << QStringLiteral("?");
        m_session->db().exec(
            QStringLiteral("INSERT INTO dt_data (%1) VALUES (%2)").arg(cols.join(','), marks.join(',')), vals);
    }
    int stateOf(qint64 code)
    {
        return m_session->db().scalar(QStringLiteral("SELECT RecordState FROM dt_data WHERE c901=?"), {code}).toInt();
    }
    QByteArray readFile(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void init()
    {
        m_session = std::make_unique<Session>();
        QFile::remove(m_dir.filePath(QStringLiteral("check.mdb")));
        m_session->openDatabase(tq::test::newSurveyDatabase(m_dir, QStringLiteral("check.mdb")));
    }

    void catalogueIsComplete()
    {
        const auto &rules = RuleCatalogue::rules();
        for (int i = 0; i < 123; ++i)
            QCOMPARE(rules[std::size_t(i)].no, i + 1);
        QCOMPARE(QString::fromUtf8(rules[15].ruleText), QStringLiteral("(b001=1) or (b001<>1  and b002=0)"));
        QCOMPARE(QString::fromUtf8(rules[103].explainTemplate), QStringLiteral("c006[<=] c005"));
        QCOMPARE(QString::fromUtf8(rules[0].explainTemplate), QStringLiteral("z002[<=]z001"));
    }

    void rulesFailWhereTheyShould_data()
    {
        QTest::addColumn<Values>("record");
        QTest::addColumn<QList<int>>("failing");
        QTest::newRow("valid record") << validRecord() << QList<int>{};
        QTest::newRow("all empty, level 0") << Values{} << QList<int>{3, 10};
        QTest::newRow("all empty, level 4 skips rule 10") << Values{{"c904", 4}} << QList<int>{3};
        QTest::newRow("county level needs cadres in x001") << validRecord({{"c904", 3}}) << QList<int>{10};
        QTest::newRow("x001 within the cadres") << validRecord({{"c904", 3}, {"x001", 10}}) << QList<int>{};
        QTest::newRow("yes/no 2 counts as no (rule 8)") << validRecord({{"z009", 2}, {"z011", 5}}) << QList<int>{8};
        QTest::newRow("rule 7 accepts the full total")
            << validRecord({{"z009", 1}, {"z011", 6}, {"z012", 4}}) << QList<int>{};
        QTest::newRow("rule 7 rejects more than the total")
            << validRecord({{"z009", 1}, {"z011", 6}, {"z012", 5}}) << QList<int>{7};
        QTest::newRow("rule 86 rejects the full total")
            << validRecord({{"s002", 1}, {"s003", 1}, {"s004", 6}, {"s005", 4}}) << QList<int>{86};
        QTest::newRow("rule 86 accepts less")
            << validRecord({{"s002", 1}, {"s003", 1}, {"s004", 6}, {"s005", 3}}) << QList<int>{};
        QTest::newRow("rule 9: no classes but trainees")
            << validRecord({{"z009", 1}, {"z011", 1}, {"z014", 5}}) << QList<int>{9};
        QTest::newRow("rule 9: classes and more trainees")
            << validRecord({{"z009", 1}, {"z013", 3}, {"z014", 5}, {"z011", 1}}) << QList<int>{};
        QTest::newRow("rule 9: none at all without women's committee") << validRecord({{"z009", 2}}) << QList<int>{};
        QTest::newRow("rule 77: a gap") << validRecord({{"h003", 1}, {"h005", 2}}) << QList<int>{77};
        QTest::newRow("rule 77: rising") << validRecord({{"h003", 1}, {"h004", 2}, {"h005", 3}}) << QList<int>{};
        QTest::newRow("rules 2 and 17")
            << validRecord({{"z003", 1}, {"b001", 1}, {"b002", 1}, {"b003", 2}, {"b005", 1}, {"b008", 1}})
            << QList<int>{2, 17};
        QTest::newRow("gate closed, count given (16)")
            << validRecord({{"b001", 2}, {"b002", 3}, {"b005", 3}, {"b008", 3}}) << QList<int>{16};
        QTest::newRow("sums beyond 32 bits") << Values{{"c904", 5},
                                                       {"z001", 399999999999996LL},
                                                       {"z003", 99999999999999LL},
                                                       {"z004", 99999999999999LL},
                                                       {"z005", 99999999999999LL},
                                                       {"z006", 99999999999999LL}}
                                             << QList<int>{};
        // Sums that leave the 64-bit range stick at its end instead of wrapping
        // round: a huge total is not read as a negative one (rule 3) ...
        constexpr qint64 kMax = std::numeric_limits<qint64>::max();
        QTest::newRow("sums at the 64-bit limit stay large")
            << Values{{"c904", 5}, {"z001", kMax}, {"z006", kMax}, {"z007", kMax}} << QList<int>{};
        // ... and parts too large for any total do not come round to 0 (rule 2).
        QTest::newRow("sums beyond the 64-bit limit do not wrap to the total")
            << Values{{"c904", 5}, {"z003", kMax}, {"z004", kMax}, {"z006", 2}} << QList<int>{2, 3};
        QTest::newRow("negative cadres: below every zero")
            << Values{{"c904", 5}, {"z001", -1}, {"z006", -1}} << QList<int>{1, 3, 6, 58, 72};
    }
    void rulesFailWhereTheyShould()
    {
        QFETCH(Values, record);
        QFETCH(QList<int>, failing);
        QList<int> got;
        for (const Rule &r : RuleCatalogue::rules()) {
            if (r.fails(valuesOf(record)))
                got << r.no;
        }
        QCOMPARE(got, failing);
    }

    void explanationsRender()
    {
        ExplanationRenderer r(m_session->db(), m_session->fieldHints());
        const auto h = [&](const char *f) {
            return QLatin1Char('[') + hint(QString::fromLatin1(f)) + QLatin1Char(']');
        };
        QCOMPARE(r.RenderExplanation(QStringLiteral("z002[<=]z001")),
                 h("z002") + QStringLiteral("不能大于") + h("z001"));
        QCOMPARE(r.RenderExplanation(QStringLiteral("如果c904<4，那么x001[>]0并且x001[<=]z001+z007")),
                 QStringLiteral("如果") + h("c904") + QStringLiteral("<4，那么") + h("x001") +
                     QStringLiteral("必须大于0并且") + h("x001") + QStringLiteral("不能大于") + h("z001") +
                     QStringLiteral("+") + h("z007"));
        QCOMPARE(r.RenderExplanation(QStringLiteral("x007<=x002")), h("x007") + QStringLiteral("<=") + h("x002"));
        QCOMPARE(r.RenderExplanation(QStringLiteral("如果不是j010，那么j011[<>]1")),
                 QStringLiteral("如果不是") + h("j010") + QStringLiteral("，那么") + h("j011") + QStringLiteral("<>1"));
        QCOMPARE(r.RenderExplanation(QStringLiteral("[f029]、[f030]、[f031]与[f032]的和[=][f028]")),
                 h("f029") + QStringLiteral("、") + h("f030") + QStringLiteral("、") + h("f031") +
                     QStringLiteral("与") + h("f032") + QStringLiteral("的和必须等于") + h("f028"));
        // capitals find their field; unknown words pass through without brackets
        QCOMPARE(r.RenderExplanation(QStringLiteral("如果L004=0，那么L005[=]0")),
                 QStringLiteral("如果") + h("l004") + QStringLiteral("=0，那么") + h("l005") +
                     QStringLiteral("必须等于0"));
        QCOMPARE(r.RenderToken(QStringLiteral("[abc]")), QStringLiteral("abc"));
        QCOMPARE(r.RenderToken(QString()), QString());
        QCOMPARE(r.RenderExplanation(QStringLiteral("c006[<=] c005")),
                 h("c006") + QStringLiteral("不能大于 ") + h("c005"));

        // the hints are read once; a reset reads them again from the database
        m_session->db().exec(QStringLiteral("UPDATE dt_fieldlist SET Hint='改过' WHERE FieldName='z002'"));
        QVERIFY(r.RenderToken(QStringLiteral("z002")) != QStringLiteral("[改过]"));
        m_session->ResetFieldHints();
        QCOMPARE(r.RenderToken(QStringLiteral("z002")), QStringLiteral("[改过]"));
    }

    void resultFileIsExactlyAsSpecified()
    {
        m_session->setLabel(QStringLiteral("测试库"));
        insert(
            100001, QStringLiteral("单位甲"),
            validRecord({{"z003", 1}, {"b001", 1}, {"b002", 2}, {"b003", 3}, {"b004", 3}, {"b005", 2}, {"b008", 2}}));
        insert(100002, QStringLiteral("单位乙"), validRecord());
        test::ScriptedInteraction ui;
        BatchCheck check(*m_session, m_dir.path(), ui);
        check.setClock([] { return QDateTime(QDate(2026, 12, 10), QTime(9, 5)); });
        const auto outcome = check.RunBatchCheck(QStringLiteral("select * from dt_data"), {}, true);
        QCOMPARE(outcome.kind, BatchCheck::Outcome::Failures);
        QCOMPARE(outcome.resultFile, m_dir.filePath(QStringLiteral("2009基层以上-测试库-逻辑检查结果.txt")));

        ExplanationRenderer r(m_session->db(), m_session->fieldHints());
        const QStringList expected{
            QStringLiteral("#2009基层以上调查表逻辑检查结果"),
            QStringLiteral("#检查时间：2026年12月10日 09:05"),
            QString(),
            QString(),
            QStringLiteral("100001  单位甲的数据有错误"),
            QString(80, QLatin1Char('-')),
            QStringLiteral("  判断规则：z003+z004+z005+z006=z001"),
            QStringLiteral("  规则说明：") + r.RenderExplanation(QStringLiteral("z003、z004、z005、z006的和[=]z001")),
            QString(),
            QStringLiteral("  判断规则：b003<=b002"),
            QStringLiteral("  规则说明：") + r.RenderExplanation(QStringLiteral("b003[<=]b002")),
            QString(),
            QString(49, QLatin1Char('=')),
            QStringLiteral("共有1个单位的数据存在逻辑错误！"),
            QStringLiteral("共有2个逻辑错误项！"),
        };
        const QByteArray bytes = readFile(outcome.resultFile);
        QCOMPARE(bytes, Gbk::lines(expected));
        QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(stateOf(100001), 2);
        QCOMPARE(stateOf(100002), 1);
        QCOMPARE(ui.viewed, QStringList{outcome.resultFile});
        QVERIFY(ui.messages.isEmpty());
    }

    void cleanRunsAndOddLabels_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("empty label") << QString() << "2009基层以上--逻辑检查结果.txt";
        QTest::newRow("slash and colon") << "省/市:总工会"
                                         << "2009基层以上-省_市_总工会-逻辑检查结果.txt";
    }
    void cleanRunsAndOddLabels()
    {
        QFETCH(QString, label);
        QFETCH(QString, fileName);
        m_session->setLabel(label);
        insert(5, QStringLiteral("甲"), validRecord(), 0);
        test::ScriptedInteraction ui;
        BatchCheck check(*m_session, m_dir.path(), ui);
        const auto outcome =
            check.RunBatchCheck(QStringLiteral("select * from dt_data where c901 in (5, 6)"), {}, true);
        QCOMPARE(outcome.kind, BatchCheck::Outcome::Clean);
        QCOMPARE(QFileInfo(outcome.resultFile).fileName(), fileName);
        QCOMPARE(ui.messages, QStringList{QStringLiteral("恭喜你，所检查的数据没有逻辑错误")});
        QCOMPARE(readFile(outcome.resultFile).count("\r\n"), 4);
        QVERIFY(ui.viewed.isEmpty());
        QCOMPARE(stateOf(5), 1); // a temporarily saved record that passes becomes 1
    }

    void rangesAreResolved_data()
    {
        QTest::addColumn<qint64>("low");
        QTest::addColumn<qint64>("high");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<qint64>("from");
        QTest::addColumn<qint64>("to");
        QTest::addColumn<bool>("raised");
        QTest::newRow("zero lower bound") << qint64(0) << qint64(100) << false << qint64(0) << qint64(0) << false;
        QTest::newRow("blank upper bound") << qint64(5) << qint64(0) << false << qint64(0) << qint64(0) << false;
        QTest::newRow("negative lower bound") << qint64(-5) << qint64(3) << true << qint64(1) << qint64(3) << false;
        QTest::newRow("reversed") << qint64(50) << qint64(20) << true << qint64(50) << qint64(50) << true;
    }
    void rangesAreResolved()
    {
        QFETCH(qint64, low);
        QFETCH(qint64, high);
        QFETCH(bool, accepted);
        QFETCH(qint64, from);
        QFETCH(qint64, to);
        QFETCH(bool, raised);
        const auto r = CodeRange::resolve(low, high);
        QCOMPARE(r.has_value(), accepted);
        if (r) {
            QCOMPARE(r->low, from);
            QCOMPARE(r->high, to);
            QCOMPARE(r->highRaised, raised);
        }
    }

    void stoppingHalfWayLeavesTheRest()
    {
        for (int c = 1; c <= 10; ++c)
            insert(c, QStringLiteral("单位%1").arg(c), Values{{"c904", 5}}, 0); // each fails rule 3
        test::ScriptedInteraction scripted;
        ObserverStub observer;
        observer.stopAfter = 4;
        InteractionWithProgress ui(scripted, observer, [&] { return observer.stopRequested(); });
        BatchCheck check(*m_session, m_dir.path(), ui);
        const auto outcome = check.RunBatchCheck(QStringLiteral("select * from dt_data"), {}, true);
        QCOMPARE(outcome.kind, BatchCheck::Outcome::Stopped);
        QCOMPARE(observer.total, 10);
        QCOMPARE(outcome.checked, 4);
        const QByteArray bytes = readFile(outcome.resultFile);
        QVERIFY(!bytes.contains(QByteArray(49, '=')));
        QCOMPARE(bytes.count("的数据有错误"), 0); // GBK bytes are not UTF-8 ones
        QCOMPARE(Gbk::decode(bytes).count(QStringLiteral("的数据有错误")), 4);
        QVERIFY(scripted.messages.isEmpty());
        QVERIFY(scripted.viewed.isEmpty());
        QCOMPARE(m_session->db().scalar(QStringLiteral("SELECT count(*) FROM dt_data WHERE RecordState=2")).toInt(), 4);
        QCOMPARE(m_session->db().scalar(QStringLiteral("SELECT count(*) FROM dt_data WHERE RecordState=0")).toInt(), 6);
    }

    void failuresEndTheRunCleanly()
    {
        insert(1, QStringLiteral("甲"), Values{{"c904", 5}});
        test::ScriptedInteraction ui;
        // a result file that cannot be written names its path; nothing is marked
        BatchCheck nowhere(*m_session, m_dir.filePath(QStringLiteral("no/such/folder")), ui);
        try {
            nowhere.RunBatchCheck(QStringLiteral("select * from dt_data"), {}, true);
            QFAIL("the run should have failed");
        } catch (const FileError &e) {
            QVERIFY(e.text().contains(QStringLiteral("no/such/folder")));
        }
        QCOMPARE(stateOf(1), 0);
        // a source without the rule fields is a database error
        BatchCheck check(*m_session, m_dir.path(), ui);
        QVERIFY_THROWS_EXCEPTION(db::DbError,
                                 check.RunBatchCheck(QStringLiteral("select c901, c902 from dt_data"), {}, true));
        QCOMPARE(stateOf(1), 0);
    }

    // A code stored as a fraction (a file made elsewhere) is marked on its own
    // row, not on the record whose whole-number code it rounds to.
    void statesLandOnTheRowThatWasChecked()
    {
        m_session->db().exec(QStringLiteral("PRAGMA ignore_check_constraints = ON"));
        insert(100001, QStringLiteral("甲"), validRecord(), 0);
        m_session->db().exec(QStringLiteral("INSERT INTO dt_data (c901, c902, c904, RecordState) VALUES (?, ?, 5, 0)"),
                             {100001.5, QStringLiteral("乙")}); // fails rule 3
        test::ScriptedInteraction ui;
        BatchCheck check(*m_session, m_dir.path(), ui);
        const auto outcome = check.RunBatchCheck(QStringLiteral("select * from dt_data"), {}, true);
        QCOMPARE(outcome.failedRecords, 1);
        QCOMPARE(m_session->db()
                     .scalar(QStringLiteral("SELECT group_concat(c901 || ':' || RecordState, ' ') FROM "
                                            "(SELECT * FROM dt_data ORDER BY c901)"))
                     .toString(),
                 QStringLiteral("100001:1 100001.5:2"));
        QVERIFY(Gbk::decode(readFile(outcome.resultFile)).contains(QStringLiteral("\r\n100001.5  乙的数据有错误\r\n")));
    }

    // A label of 200 Chinese characters (the most the label prompt asks for)
    // is cut so that the result file's name fits in a folder entry.
    void longLabelsStillGiveAResultFile()
    {
        const QString label(200, QChar(0x5de5));
        m_session->setLabel(label);
        insert(1, QStringLiteral("甲"), Values{{"c904", 5}});
        test::ScriptedInteraction ui;
        BatchCheck check(*m_session, m_dir.path(), ui);
        const auto outcome = check.RunBatchCheck(RecordSelection::all(), true);
        QCOMPARE(outcome.kind, BatchCheck::Outcome::Failures);
        QCOMPARE(QFileInfo(outcome.resultFile).fileName(),
                 QStringLiteral("2009基层以上-") + label.left(71) + QStringLiteral("-逻辑检查结果.txt"));
        QVERIFY(QFile::exists(outcome.resultFile));
        QCOMPARE(ui.viewed, QStringList{outcome.resultFile});
    }

    // While another copy of the program holds the database, a check waits for
    // it, then gives up naming the file, and leaves the result file that the
    // other copy may be about to replace exactly as it is.
    void aSecondRunLeavesTheFirstRunsFileAlone()
    {
        insert(1, QStringLiteral("甲"), Values{{"c904", 5}});
        test::ScriptedInteraction ui;
        BatchCheck check(*m_session, m_dir.path(), ui);
        {
            QFile first(check.resultFilePath());
            QVERIFY(first.open(QIODevice::WriteOnly));
            first.write("the first run's result file\r\n");
        }
        db::Database other = db::Database::open(m_session->path());
        db::Transaction held(other);
        // the command shows the text as it stands: nothing for the publisher to hear of
        QVERIFY(!runCommand(ui, [&] { check.RunBatchCheck(RecordSelection::all(), true); }));
        QCOMPARE(ui.messages, QStringList{QStringLiteral("数据库文件正被其他程序使用：") +
                                          QDir::toNativeSeparators(m_session->path())});
        QCOMPARE(readFile(check.resultFilePath()), QByteArray("the first run's result file\r\n"));
        for (const QString &name : QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden))
            QVERIFY2(!AtomicFile::isTemporaryName(name), qPrintable(name));
        QCOMPARE(stateOf(1), 0);
        QVERIFY(ui.viewed.isEmpty());
    }

    // The selection's statements keep their meaning with every code bound.
    void selectionStatementsListTheCodes()
    {
        const RecordSelection one = RecordSelection::codes({7});
        QCOMPARE(one.select(), QStringLiteral("select * from dt_data where c901=?"));
        QCOMPARE(one.params(), QVariantList{7});
        const RecordSelection three = RecordSelection::codes({3, 1, 2});
        for (int c : {1, 2, 3, 4})
            insert(c, QStringLiteral("单位%1").arg(c), validRecord());
        const auto codesOf = [&](const RecordSelection &sel) {
            db::Statement st = m_session->db().prepare(sel.select(QStringLiteral("dt_data"), QStringLiteral("c901")) +
                                                       QStringLiteral(" order by c901"));
            st.bindAll(sel.params());
            QList<qint64> got;
            while (st.step())
                got << st.intValue(0);
            return got;
        };
        QCOMPARE(codesOf(three), (QList<qint64>{1, 2, 3}));
        QCOMPARE(codesOf(RecordSelection::range(2, 4)), (QList<qint64>{2, 3, 4}));
        QCOMPARE(codesOf(RecordSelection::all()), (QList<qint64>{1, 2, 3, 4}));
        QVERIFY(RecordSelection::codes({}).isEmpty());
        // a whole national list is still one bound value
        QList<qint64> many;
        for (int c = 1; c <= 40000; ++c)
            many << c;
        QCOMPARE(RecordSelection::codes(many).params().size(), 1);
        QCOMPARE(codesOf(RecordSelection::codes(many)).size(), 4);
    }
};

QTEST_GUILESS_MAIN(TestLogic)
#include "tst_logic.moc"
