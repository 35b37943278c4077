#include "Fixtures.h"
#include "ScriptedInteraction.h"
#include "db/Database.h"
#include "logic/ExplanationRenderer.h"
#include "logic/PageRules.h"

#include <QtTest>

using namespace tq;
using namespace tq::logic;

namespace {

class FakeBoxes : public BoxValues {
public:
    QHash<QString, qint64> numbers; // lower-case names
    QSet<QString> texts;

    Kind boxKind(const QString &name) const override
    {
        if (numbers.contains(name.toLower()))
            return Kind::Numeric;
        return texts.contains(name.toLower()) ? Kind::Other : Kind::Missing;
    }
    qint64 boxValue(const QString &name) const override { return numbers.value(name.toLower()); }
};

class FakeList : public ErrorList {
public:
    QStringList entries; // "page|focus|rule|explanation"
    bool visible = false;
    int clears = 0;

    void ClearList() override
    {
        entries.clear();
        visible = false;
        ++clears;
    }
    void AddMessage(const QString &rule, const QString &explanation, int page, const QString &focus) override
    {
        entries << QStringLiteral("%1|%2|%3|%4").arg(page).arg(focus, rule, explanation);
    }
    bool IsListEmpty() const override { return entries.isEmpty(); }
    void ShowList() override { visible = true; }
};

} // namespace

class TestPageRules : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    db::Database m_db;
    FieldHints m_hints;
    FakeBoxes m_boxes;
    FakeList m_list;
    test::ScriptedInteraction m_ui;
    std::unique_ptr<PageRules> m_rules;

    QString hint(const char *field)
    {
        return m_db
            .scalar(QStringLiteral("SELECT Hint FROM dt_fieldlist WHERE FieldName=?"), {QString::fromLatin1(field)})
            .toString();
    }
    void addRule(int id, int page, const QString &expression, const QString &focus)
    {
        m_db.exec(QStringLiteral("INSERT INTO dt_logic (id, page_id, expression, explain, focus, rule) "
                                 "VALUES (?,?,?,?,?,?)"),
                  {id, page, expression, focus + QStringLiteral("[<=]z001"), focus, QStringLiteral("rule %1").arg(id)});
    }

private slots:
    void init()
    {
        m_db = db::Database::open(test::newSurveyDatabase(m_dir));
        m_db.exec(QStringLiteral("DELETE FROM dt_logic"));
        m_hints.reset();
        m_boxes.numbers = {{"z011", 12}, {"z001", 30}, {"c901_1", 7}, {"b002", 0},
                           {"n001", -5}, {"p004", 3},  {"p005", 4}};
        m_boxes.texts = {"c902"};
        m_list = FakeList();
        m_ui.messages.clear();
        m_rules = std::make_unique<PageRules>(m_db, m_hints, m_boxes, m_list, m_ui);
    }

    void substitute_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("substituted");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("worked example") << "z011 > z001 AND NOT (z001 = 0)"
                                        << "12 > 30 AND NOT (30 = 0)" << QStringList();
        QTest::newRow("keywords in any case") << "z011>z001 and Not(z001=0) Or z001"
                                              << "12>30 and Not(30=0) Or 30" << QStringList();
        QTest::newRow("names without regard to case") << "Z011 = 12"
                                                      << "12 = 12" << QStringList();
        QTest::newRow("underscore belongs to the name") << "c901_1 + 1"
                                                        << "7 + 1" << QStringList();
        QTest::newRow("blank box is 0") << "b002 = 0"
                                        << "0 = 0" << QStringList();
        QTest::newRow("unknown word contributes nothing")
            << "z9x > 0 or z001 = 30"
            << " > 0 or 30 = 30" << QStringList{"Control name parse error : z9x"};
        QTest::newRow("negative value stays arithmetic") << "z001-n001"
                                                         << "30-(-5)" << QStringList();
        QTest::newRow("a tab ends a name") << "z001\t>1"
                                           << "30\t>1" << QStringList();
        QTest::newRow("name at the very end") << "1 < z001"
                                              << "1 < 30" << QStringList();
    }

    void substitute()
    {
        QFETCH(QString, expression);
        QFETCH(QString, substituted);
        QFETCH(QStringList, messages);
        QCOMPARE(m_rules->SubstituteControlValues(expression), substituted);
        QCOMPARE(m_ui.messages, messages);
    }

    void evaluate_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<bool>("violated");
        QTest::newRow("worked example is not reported") << "z011 > z001 AND NOT (z001 = 0)" << false;
        QTest::newRow("true comparison") << "z011 < z001 and not (z001 = 0)" << true;
        QTest::newRow("or") << "z011 > z001 OR z001 = 30" << true;
        QTest::newRow("minus a negative box") << "z001 - n001 = 35" << true;
        QTest::newRow("a number other than true") << "z001 + 1" << false;
        QTest::newRow("division by zero") << "z001 / b002 = 0" << false;
        QTest::newRow("whole-number division") << "z001 / 7 = 4" << true;
    }

    void evaluate()
    {
        QFETCH(QString, expression);
        QFETCH(bool, violated);
        QCOMPARE(m_rules->EvaluateRuleExpression(expression), violated);
    }

    // Only numbers, operators and the three keywords may reach the statement.
    void refusedExpressions_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::newRow("quoted text") << "z001 = 30 or 'a' = 'a'";
        QTest::newRow("second statement") << "z001 = 30; DELETE FROM dt_data";
        QTest::newRow("line comment") << "z001 = 30 -- and z011 = 0";
        QTest::newRow("block comment") << "z001 = 30 /* z011 */";
        QTest::newRow("decimal") << "z001 > 0.5";
        QTest::newRow("concatenation") << "z001 || z011 = 3012";
        QTest::newRow("text box") << "c902 = 0";
    }

    void refusedExpressions()
    {
        QFETCH(QString, expression);
        m_db.exec(QStringLiteral("INSERT INTO dt_data (c901) VALUES (1)"));
        QVERIFY_THROWS_EXCEPTION(RuleEvaluationError, m_rules->EvaluateRuleExpression(expression));
        QCOMPARE(m_db.scalar(QStringLiteral("SELECT count(*) FROM dt_data")).toInt(), 1);
    }

    void pagesOutsideTheRangeAreIgnored_data()
    {
        QTest::addColumn<int>("page");
        QTest::newRow("cover") << 0;
        QTest::newRow("past the last page") << 14;
        QTest::newRow("negative") << -1;
    }

    void pagesOutsideTheRangeAreIgnored()
    {
        QFETCH(int, page);
        m_list.entries = {"earlier"};
        QCOMPARE(m_rules->CheckPageRules(page, true), false);
        QCOMPARE(m_list.entries, QStringList{"earlier"});
        QCOMPARE(m_list.clears, 0);
        QVERIFY(!m_list.visible);
    }

    void violatedRuleIsListedWithPageAndFocus()
    {
        m_db.exec(QStringLiteral("INSERT INTO dt_logic (id, page_id, expression, explain, focus, rule) "
                                 "VALUES (1, 3, 'p005 > p004', 'p005[<=]p004', 'p005', 'p005<=p004')"));
        addRule(2, 3, QStringLiteral("p005 < p004"), QStringLiteral("p004"));
        QCOMPARE(m_rules->CheckPageRules(3, true), false);
        const QString explanation = QStringLiteral("[%1]不能大于[%2]").arg(hint("p005"), hint("p004"));
        QCOMPARE(m_list.entries, QStringList{"3|p005|p005<=p004|" + explanation});
        QVERIFY(m_list.visible);
        QVERIFY(m_ui.messages.isEmpty());

        // Listed once per check, not once per call.
        m_rules->CheckAllPages();
        QCOMPARE(m_list.entries.size(), 1);
    }

    void appendKeepsEarlierFindings()
    {
        addRule(1, 3, QStringLiteral("p005 > p004"), QStringLiteral("p005"));
        addRule(2, 2, QStringLiteral("z001 = 0"), QStringLiteral("x001"));
        QCOMPARE(m_rules->CheckPageRules(3, true), false);
        QCOMPARE(m_rules->CheckPageRules(2, false), false); // page 2 is clean, the list is not
        QCOMPARE(m_list.entries.size(), 1);
        QCOMPARE(m_rules->CheckPageRules(2, true), true);
        QVERIFY(m_list.entries.isEmpty());
        QVERIFY(!m_list.visible);
    }

    // A rule that cannot be evaluated is shown by its expression and ends the
    // page; findings already made stay, and other pages are still checked.
    void brokenRuleSkipsTheRestOfItsPage()
    {
        addRule(1, 4, QStringLiteral("z001 = 30"), QStringLiteral("b001"));
        addRule(2, 4, QStringLiteral("z001 = 30 or ';'"), QStringLiteral("b002"));
        addRule(3, 4, QStringLiteral("z011 = 12"), QStringLiteral("b003"));
        addRule(4, 4, QStringLiteral("z9x > 0"), QStringLiteral("b004"));
        addRule(5, 6, QStringLiteral("z011 = 12"), QStringLiteral("f001"));
        QCOMPARE(m_rules->CheckAllPages(), false);
        QCOMPARE(m_list.clears, 1);
        QCOMPARE(m_list.entries.size(), 2);
        QVERIFY(m_list.entries.at(0).startsWith(QStringLiteral("4|b001|rule 1|")));
        QVERIFY(m_list.entries.at(1).startsWith(QStringLiteral("6|f001|rule 5|")));
        QCOMPARE(m_ui.messages, QStringList{"z001 = 30 or ';'"});
    }

    void unknownWordFailsInTheEngine()
    {
        addRule(1, 2, QStringLiteral("z9x > 0"), QStringLiteral("x001"));
        QCOMPARE(m_rules->CheckPageRules(2, true), true);
        QCOMPARE(m_ui.messages, (QStringList{"Control name parse error : z9x", "z9x > 0"}));
    }

    void allPagesInPageOrder()
    {
        addRule(1, 13, QStringLiteral("z001 = 30"), QStringLiteral("c005"));
        addRule(2, 1, QStringLiteral("z001 = 30"), QStringLiteral("z002"));
        addRule(3, 7, QStringLiteral("z001 = 31"), QStringLiteral("l002"));
        addRule(4, 5, QStringLiteral("z001 = 30"), QStringLiteral("b040"));
        addRule(5, 0, QStringLiteral("z001 = 30"), QStringLiteral("c901")); // the cover has no rules
        m_list.entries = {"stale"};
        QCOMPARE(m_rules->CheckAllPages(), false);
        QStringList pages;
        for (const QString &e : m_list.entries)
            pages << e.section(QLatin1Char('|'), 0, 1);
        QCOMPARE(pages, (QStringList{"1|z002", "5|b040", "13|c005"}));
        QVERIFY(m_list.visible);
    }

    void noRulesLeaveTheListHidden()
    {
        QCOMPARE(m_rules->CheckAllPages(), true);
        QVERIFY(m_list.entries.isEmpty());
        QVERIFY(!m_list.visible);
    }

    void missingRuleTableIsRaised()
    {
        m_db.exec(QStringLiteral("DROP TABLE dt_logic"));
        QVERIFY_THROWS_EXCEPTION(db::DbError, m_rules->CheckPageRules(1, true));
    }
};

QTEST_GUILESS_MAIN(TestPageRules)
#include "tst_pagerules.moc"
