#include "RuleExpression.h"

#include "logic/RuleArithmetic.h"

#include <QFile>
#include <QSet>

namespace tq::synth {

namespace {

// The generator's own, shorter wording of a fault in a condition.
QString describe(const logic::RuleSyntaxError &e)
{
    using Kind = logic::RuleSyntaxError::Kind;
    switch (e.kind) {
    case Kind::NumberTooLarge:
        return QStringLiteral("number too large");
    case Kind::KeywordAsOperand:
    case Kind::OperandExpectedAtEnd:
        return QStringLiteral("operand expected");
    case Kind::CloseWithoutOpen:
        return QStringLiteral("unexpected text");
    default:
        return e.message();
    }
}

} // namespace

RuleExpression RuleExpression::compile(const QString &text, const Resolver &resolve)
{
    RuleExpression e;
    try {
        e.m_tree = logic::RuleTree::parse(text, resolve, logic::RuleCharset::Unicode);
    } catch (const logic::RuleSyntaxError &fault) {
        throw SynthError(QStringLiteral("%1 at %2 in \"%3\"").arg(describe(fault)).arg(fault.pos).arg(text));
    }
    return e;
}

qint64 RuleExpression::eval(int i, const qint64 *v) const
{
    using Op = logic::RuleTree::Op;
    const logic::RuleTree::Node &n = m_tree.nodes[std::size_t(i)];
    switch (n.op) {
    case Op::Const:
        return n.value;
    case Op::Field:
        return v[n.value];
    // The compiled rule table's arithmetic, so that both read a rule alike.
    case Op::Neg:
        return logic::rulemath::negSat(eval(n.a, v));
    case Op::Add:
        return logic::rulemath::addSat(eval(n.a, v), eval(n.b, v));
    case Op::Sub:
        return logic::rulemath::subSat(eval(n.a, v), eval(n.b, v));
    case Op::Mul:
        return logic::rulemath::mulSat(eval(n.a, v), eval(n.b, v));
    case Op::Div:
        return logic::rulemath::divSat(eval(n.a, v), eval(n.b, v));
    case Op::Eq:
        return eval(n.a, v) == eval(n.b, v);
    case Op::Ne:
        return eval(n.a, v) != eval(n.b, v);
    case Op::Lt:
        return eval(n.a, v) < eval(n.b, v);
    case Op::Le:
        return eval(n.a, v) <= eval(n.b, v);
    case Op::Gt:
        return eval(n.a, v) > eval(n.b, v);
    case Op::Ge:
        return eval(n.a, v) >= eval(n.b, v);
    case Op::And:
        return eval(n.a, v) != 0 && eval(n.b, v) != 0;
    case Op::Or:
        return eval(n.a, v) != 0 || eval(n.b, v) != 0;
    case Op::Not:
        return eval(n.a, v) == 0;
    }
    return 0;
}

std::vector<LogicRule> loadLogicRules(const QString &path, const RuleExpression::Resolver &resolve)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        throw SynthError(QStringLiteral("cannot read the rule list %1: %2").arg(path, f.errorString()));
    std::vector<LogicRule> rules;
    QSet<int> seen;
    int lineNo = 0;
    while (!f.atEnd()) {
        ++lineNo;
        const QString line = QString::fromUtf8(f.readLine()).remove(u'\r').remove(u'\n');
        if (line.trimmed().isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList cols = line.split(u'\t');
        bool ok = false;
        LogicRule r;
        if (cols.size() >= 2)
            r.no = cols.at(0).trimmed().toInt(&ok);
        if (!ok || r.no <= 0)
            throw SynthError(QStringLiteral("%1:%2: expected a rule number and a condition").arg(path).arg(lineNo));
        if (seen.contains(r.no))
            throw SynthError(QStringLiteral("%1:%2: rule %3 appears twice").arg(path).arg(lineNo).arg(r.no));
        seen.insert(r.no);
        r.failsWhen = cols.at(1).trimmed();
        r.explain = cols.value(2);
        r.text = cols.value(3);
        try {
            r.condition = RuleExpression::compile(r.failsWhen, resolve);
        } catch (const SynthError &e) {
            throw SynthError(QStringLiteral("%1:%2: rule %3: %4").arg(path).arg(lineNo).arg(r.no).arg(e.text()));
        }
        rules.push_back(std::move(r));
    }
    if (rules.empty())
        throw SynthError(QStringLiteral("the rule list %1 holds no rules").arg(path));
    return rules;
}

} // namespace tq::synth
