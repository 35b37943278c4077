// The grammar of the rule list's conditions, which the rule table generator
// and the synthetic records both read: precedence, the fields a condition
// names, and where a faulty condition is faulty.

#include "logic/RuleGrammar.h"

#include <QtTest>

#include <map>

using namespace tq::logic;

Q_DECLARE_METATYPE(RuleCharset)
Q_DECLARE_METATYPE(RuleSyntaxError::Kind)

namespace {

const QStringList kFields{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d"),
                          QStringLiteral("é")};

RuleTree parse(const QString &text, RuleCharset charset = RuleCharset::Ascii)
{
    return RuleTree::parse(
        text, [](const QString &name) { return int(kFields.indexOf(name)); }, charset);
}

// The tree in prefix form: (op left right), fields by name.
QString prefix(const RuleTree &t, int i)
{
    using Op = RuleTree::Op;
    static const std::map<Op, const char *> ops{{Op::Neg, "neg"}, {Op::Add, "+"},  {Op::Sub, "-"}, {Op::Mul, "*"},
                                                {Op::Div, "/"},   {Op::Eq, "="},   {Op::Ne, "<>"}, {Op::Lt, "<"},
                                                {Op::Le, "<="},   {Op::Gt, ">"},   {Op::Ge, ">="}, {Op::And, "and"},
                                                {Op::Or, "or"},   {Op::Not, "not"}};
    const RuleTree::Node &n = t.nodes[std::size_t(i)];
    if (n.op == Op::Const)
        return QString::number(n.value);
    if (n.op == Op::Field)
        return kFields.at(n.value);
    QString s = QLatin1Char('(') + QLatin1StringView(ops.at(n.op)) + QLatin1Char(' ') + prefix(t, n.a);
    if (n.b >= 0)
        s += QLatin1Char(' ') + prefix(t, n.b);
    return s + QLatin1Char(')');
}

} // namespace

class TestRuleGrammar : public QObject {
    Q_OBJECT

private slots:
    void readsSqlPrecedence_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<RuleCharset>("charset");
        QTest::addColumn<QString>("tree");
        QTest::addColumn<QList<int>>("fields");
        const auto ascii = RuleCharset::Ascii;
        QTest::newRow("and binds tighter than or")
            << "a or b and c" << ascii << "(or a (and b c))" << QList<int>{0, 1, 2};
        QTest::newRow("not takes a whole comparison") << "not a = b" << ascii << "(not (= a b))" << QList<int>{0, 1};
        QTest::newRow("not binds tighter than and") << "not a and b" << ascii << "(and (not a) b)" << QList<int>{0, 1};
        QTest::newRow("comparisons chain from the left")
            << "a = b <> c" << ascii << "(<> (= a b) c)" << QList<int>{0, 1, 2};
        QTest::newRow("order before equality") << "a = b < c" << ascii << "(= a (< b c))" << QList<int>{0, 1, 2};
        QTest::newRow("arithmetic before comparison")
            << "a+b*c>=d-1" << ascii << "(>= (+ a (* b c)) (- d 1))" << QList<int>{0, 1, 2, 3};
        QTest::newRow("minus and division from the left")
            << "a - b - c / d / 2" << ascii << "(- (- a b) (/ (/ c d) 2))" << QList<int>{0, 1, 2, 3};
        QTest::newRow("unary minus binds tightest")
            << "-a * - -b" << ascii << "(* (neg a) (neg (neg b)))" << QList<int>{0, 1};
        QTest::newRow("unary plus and parentheses leave no node")
            << "+(a or b) and (c)" << ascii << "(and (or a b) c)" << QList<int>{0, 1, 2};
        QTest::newRow("words and names in any case; == and != spellings")
            << "A == 007 OR Not B != 0" << ascii << "(or (= a 7) (not (<> b 0)))" << QList<int>{0, 1};
        QTest::newRow("a field counts once, in order of first use")
            << "d > b and b > d" << ascii << "(and (> d b) (> b d))" << QList<int>{3, 1};
        QTest::newRow("largest number") << "a < 9223372036854775807" << ascii << "(< a 9223372036854775807)"
                                        << QList<int>{0};
        QTest::newRow("any blank and letter in the wide charset")
            << "é\u00a0=\u30001" << RuleCharset::Unicode << "(= é 1)" << QList<int>{4};
    }
    void readsSqlPrecedence()
    {
        QFETCH(QString, text);
        QFETCH(RuleCharset, charset);
        QFETCH(QString, tree);
        QFETCH(QList<int>, fields);
        const RuleTree t = parse(text, charset);
        QCOMPARE(prefix(t, t.root), tree);
        QCOMPARE(QList<int>(t.fields.begin(), t.fields.end()), fields);
    }

    void faultsAreLocated_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<RuleCharset>("charset");
        QTest::addColumn<RuleSyntaxError::Kind>("kind");
        QTest::addColumn<int>("pos");
        QTest::addColumn<QString>("subject");
        using K = RuleSyntaxError::Kind;
        const auto ascii = RuleCharset::Ascii;
        QTest::newRow("operand missing at the end") << "a >" << ascii << K::OperandExpectedAtEnd << 3 << "";
        QTest::newRow("operator for an operand") << "a > * b" << ascii << K::OperandExpected << 4 << "";
        QTest::newRow("word for an operand") << "a and or b" << ascii << K::KeywordAsOperand << 6 << "or";
        QTest::newRow("unclosed parenthesis") << "(a = 1" << ascii << K::CloseExpected << 6 << "";
        QTest::newRow("unopened parenthesis") << "a = 1)" << ascii << K::CloseWithoutOpen << 5 << "";
        QTest::newRow("text after the condition") << "a = 1 b" << ascii << K::TextAfterCondition << 6 << "";
        QTest::newRow("unknown field") << "a = Q9" << ascii << K::UnknownField << 4 << "q9";
        QTest::newRow("number beyond 64 bits")
            << "a < 9223372036854775808" << ascii << K::NumberTooLarge << 4 << "9223372036854775808";
        QTest::newRow("stray character before a parse fault") << "a ! (" << ascii << K::UnexpectedCharacter << 2 << "!";
        QTest::newRow("no blank but the space in ASCII")
            << "a\u00a0= 1" << ascii << K::UnexpectedCharacter << 1 << "\u00a0";
        QTest::newRow("no letter beyond ASCII") << "é = 1" << ascii << K::UnexpectedCharacter << 0 << "é";
    }
    void faultsAreLocated()
    {
        QFETCH(QString, text);
        QFETCH(RuleCharset, charset);
        QFETCH(RuleSyntaxError::Kind, kind);
        QFETCH(int, pos);
        QFETCH(QString, subject);
        try {
            parse(text, charset);
            QFAIL("the condition was accepted");
        } catch (const RuleSyntaxError &e) {
            QCOMPARE(int(e.kind), int(kind));
            QCOMPARE(e.pos, pos);
            QCOMPARE(e.subject, subject);
        }
    }
};

QTEST_GUILESS_MAIN(TestRuleGrammar)
#include "tst_rulegrammar.moc"
