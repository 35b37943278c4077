#include "RuleExpression.h"

#include "logic/RuleArithmetic.h"

#include <QFile>
#include <QSet>

#include <algorithm>

namespace tq::synth {

namespace {

enum class Tok { End, Number, Name, Op, LParen, RParen };

struct Token {
    Tok kind = Tok::End;
    QString text; // operator text, or lower-case name
    qint64 number = 0;
    int pos = 0;
};

std::vector<Token> tokenize(const QString &s)
{
    std::vector<Token> out;
    int i = 0;
    const int n = int(s.size());
    while (i < n) {
        const QChar c = s.at(i);
        if (c.isSpace()) {
            ++i;
            continue;
        }
        Token t;
        t.pos = i;
        if (c.isDigit()) {
            int j = i;
            while (j < n && s.at(j).isDigit())
                ++j;
            bool ok = false;
            t.kind = Tok::Number;
            t.number = s.mid(i, j - i).toLongLong(&ok);
            if (!ok)
                throw SynthError(QStringLiteral("number too large at %1 in \"%2\"").arg(i).arg(s));
            i = j;
        } else if (c.isLetter() || c == u'_') {
            int j = i;
            while (j < n && (s.at(j).isLetterOrNumber() || s.at(j) == u'_'))
                ++j;
            t.kind = Tok::Name;
            t.text = s.mid(i, j - i).toLower();
            i = j;
        } else if (c == u'(') {
            t.kind = Tok::LParen;
            ++i;
        } else if (c == u')') {
            t.kind = Tok::RParen;
            ++i;
        } else {
            static const char *const ops[] = {"<=", ">=", "<>", "!=", "==", "<", ">", "=", "+", "-", "*", "/"};
            bool found = false;
            for (const char *op : ops) {
                const QLatin1StringView v(op);
                if (s.mid(i, v.size()) == v) {
                    t.kind = Tok::Op;
                    t.text = v;
                    i += int(v.size());
                    found = true;
                    break;
                }
            }
            if (!found)
                throw SynthError(QStringLiteral("unexpected '%1' at %2 in \"%3\"").arg(c).arg(i).arg(s));
        }
        out.push_back(std::move(t));
    }
    Token end;
    end.pos = n;
    out.push_back(end);
    return out;
}

} // namespace

// Recursive descent in SQLite's precedence: or < and < not < = <> < < <= > >=
// < + - < * / < unary minus.
class RuleParser {
public:
    RuleParser(const QString &text, const RuleExpression::Resolver &resolve)
        : m_text(text), m_tokens(tokenize(text)), m_resolve(resolve)
    {
    }

    RuleExpression run()
    {
        m_expr.m_root = parseOr();
        if (peek().kind != Tok::End)
            fail(QStringLiteral("unexpected text"));
        return std::move(m_expr);
    }

private:
    using Op = RuleExpression::Op;

    const Token &peek() const { return m_tokens[m_pos]; }
    bool isWord(const char *w) const { return peek().kind == Tok::Name && peek().text == QLatin1StringView(w); }
    bool isOp(const char *o) const { return peek().kind == Tok::Op && peek().text == QLatin1StringView(o); }

    [[noreturn]] void fail(const QString &why) const
    {
        throw SynthError(QStringLiteral("%1 at %2 in \"%3\"").arg(why).arg(peek().pos).arg(m_text));
    }

    int node(Op op, int a = -1, int b = -1, qint64 value = 0)
    {
        m_expr.m_nodes.push_back({op, a, b, value});
        return int(m_expr.m_nodes.size()) - 1;
    }

    int parseOr()
    {
        int left = parseAnd();
        while (isWord("or")) {
            ++m_pos;
            left = node(Op::Or, left, parseAnd());
        }
        return left;
    }

    int parseAnd()
    {
        int left = parseNot();
        while (isWord("and")) {
            ++m_pos;
            left = node(Op::And, left, parseNot());
        }
        return left;
    }

    int parseNot()
    {
        if (isWord("not")) {
            ++m_pos;
            return node(Op::Not, parseNot());
        }
        return parseEquality();
    }

    int parseEquality()
    {
        int left = parseRelation();
        for (;;) {
            Op op;
            if (isOp("=") || isOp("=="))
                op = Op::Eq;
            else if (isOp("<>") || isOp("!="))
                op = Op::Ne;
            else
                return left;
            ++m_pos;
            left = node(op, left, parseRelation());
        }
    }

    int parseRelation()
    {
        int left = parseSum();
        for (;;) {
            Op op;
            if (isOp("<"))
                op = Op::Lt;
            else if (isOp("<="))
                op = Op::Le;
            else if (isOp(">"))
                op = Op::Gt;
            else if (isOp(">="))
                op = Op::Ge;
            else
                return left;
            ++m_pos;
            left = node(op, left, parseSum());
        }
    }

    int parseSum()
    {
        int left = parseProduct();
        for (;;) {
            Op op;
            if (isOp("+"))
                op = Op::Add;
            else if (isOp("-"))
                op = Op::Sub;
            else
                return left;
            ++m_pos;
            left = node(op, left, parseProduct());
        }
    }

    int parseProduct()
    {
        int left = parseUnary();
        for (;;) {
            Op op;
            if (isOp("*"))
                op = Op::Mul;
            else if (isOp("/"))
                op = Op::Div;
            else
                return left;
            ++m_pos;
            left = node(op, left, parseUnary());
        }
    }

    int parseUnary()
    {
        if (isOp("-")) {
            ++m_pos;
            return node(Op::Neg, parseUnary());
        }
        if (isOp("+")) {
            ++m_pos;
            return parseUnary();
        }
        return parsePrimary();
    }

    int parsePrimary()
    {
        const Token &t = peek();
        switch (t.kind) {
        case Tok::Number:
            ++m_pos;
            return node(Op::Const, -1, -1, t.number);
        case Tok::Name: {
            if (t.text == u"and" || t.text == u"or" || t.text == u"not")
                fail(QStringLiteral("operand expected"));
            const int slot = m_resolve(t.text);
            if (slot < 0)
                fail(QStringLiteral("unknown field '%1'").arg(t.text));
            ++m_pos;
            if (std::find(m_expr.m_slots.begin(), m_expr.m_slots.end(), slot) == m_expr.m_slots.end())
                m_expr.m_slots.push_back(slot);
            return node(Op::Field, -1, -1, slot);
        }
        case Tok::LParen: {
            ++m_pos;
            const int inner = parseOr();
            if (peek().kind != Tok::RParen)
                fail(QStringLiteral("')' expected"));
            ++m_pos;
            return inner;
        }
        default:
            fail(QStringLiteral("operand expected"));
        }
    }

    QString m_text;
    std::vector<Token> m_tokens;
    std::size_t m_pos = 0;
    const RuleExpression::Resolver &m_resolve;
    RuleExpression m_expr;
};

RuleExpression RuleExpression::compile(const QString &text, const Resolver &resolve)
{
    return RuleParser(text, resolve).run();
}

qint64 RuleExpression::eval(int i, const qint64 *v) const
{
    const Node &n = m_nodes[std::size_t(i)];
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
