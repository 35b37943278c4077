#include "logic/RuleGrammar.h"

#include <algorithm>
#include <initializer_list>

namespace tq::logic {

QString RuleSyntaxError::message() const
{
    switch (kind) {
    case Kind::NumberTooLarge:
        return QStringLiteral("number %1 is too large").arg(subject);
    case Kind::UnexpectedCharacter:
        return QStringLiteral("unexpected '%1'").arg(subject);
    case Kind::UnknownField:
        return QStringLiteral("unknown field '%1'").arg(subject);
    case Kind::KeywordAsOperand:
        return QStringLiteral("operand expected before '%1'").arg(subject);
    case Kind::OperandExpected:
        return QStringLiteral("operand expected");
    case Kind::OperandExpectedAtEnd:
        return QStringLiteral("operand expected at the end");
    case Kind::CloseExpected:
        return QStringLiteral("')' expected");
    case Kind::CloseWithoutOpen:
        return QStringLiteral("')' without '('");
    case Kind::TextAfterCondition:
        return QStringLiteral("unexpected text");
    }
    return {};
}

namespace {

using Kind = RuleSyntaxError::Kind;
using Op = RuleTree::Op;

enum class Tok { End, Number, Name, Op, LParen, RParen };

struct Token {
    Tok kind = Tok::End;
    QString text; // operator text, or lower-case name
    qint64 number = 0;
    int pos = 0;
};

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

class Lexer {
public:
    explicit Lexer(RuleCharset charset) : m_ascii(charset == RuleCharset::Ascii) {}

    std::vector<Token> tokenize(const QString &s) const
    {
        std::vector<Token> out;
        int i = 0;
        const int n = int(s.size());
        while (i < n) {
            const QChar c = s.at(i);
            if (isBlank(c)) {
                ++i;
                continue;
            }
            Token t;
            t.pos = i;
            if (isDigit(c)) {
                int j = i;
                while (j < n && isDigit(s.at(j)))
                    ++j;
                const QString digits = s.mid(i, j - i);
                bool ok = false;
                t.kind = Tok::Number;
                t.number = digits.toLongLong(&ok);
                if (!ok)
                    throw RuleSyntaxError{Kind::NumberTooLarge, i, digits};
                i = j;
            } else if (startsName(c)) {
                int j = i;
                while (j < n && continuesName(s.at(j)))
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
                for (const char *op : ops) {
                    const QLatin1StringView v(op);
                    if (s.mid(i, v.size()) == v) {
                        t.kind = Tok::Op;
                        t.text = v;
                        break;
                    }
                }
                if (t.kind != Tok::Op)
                    throw RuleSyntaxError{Kind::UnexpectedCharacter, i, QString(c)};
                i += int(t.text.size());
            }
            out.push_back(std::move(t));
        }
        Token end;
        end.pos = n;
        out.push_back(end);
        return out;
    }

private:
    bool isBlank(QChar c) const { return m_ascii ? c == u' ' : c.isSpace(); }
    bool isDigit(QChar c) const { return m_ascii ? isAsciiDigit(c) : c.isDigit(); }
    bool startsName(QChar c) const { return m_ascii ? isAsciiLetter(c) : c.isLetter() || c == u'_'; }
    bool continuesName(QChar c) const
    {
        return m_ascii ? isAsciiLetter(c) || isAsciiDigit(c) : c.isLetterOrNumber() || c == u'_';
    }

    bool m_ascii;
};

// An operator of one precedence level: a word (and, or) or a symbol.
struct Infix {
    const char *text;
    Op op;
    bool word = false;
};

// Recursive descent, one function a precedence level.
class Parser {
public:
    Parser(const QString &text, const RuleTree::Resolver &resolve, RuleCharset charset)
        : m_tokens(Lexer(charset).tokenize(text)), m_resolve(resolve)
    {
    }

    RuleTree run()
    {
        m_tree.root = parseOr();
        if (peek().kind != Tok::End)
            fail(peek().kind == Tok::RParen ? Kind::CloseWithoutOpen : Kind::TextAfterCondition);
        return std::move(m_tree);
    }

private:
    const Token &peek() const { return m_tokens[m_pos]; }
    bool isWord(const char *w) const { return peek().kind == Tok::Name && peek().text == QLatin1StringView(w); }
    bool isOp(const char *o) const { return peek().kind == Tok::Op && peek().text == QLatin1StringView(o); }
    [[noreturn]] void fail(Kind kind, const QString &subject = {}) const
    {
        throw RuleSyntaxError{kind, peek().pos, subject};
    }

    int node(Op op, int a = -1, int b = -1, qint64 value = 0)
    {
        m_tree.nodes.push_back({op, a, b, value});
        return int(m_tree.nodes.size()) - 1;
    }

    // Operands from `next` joined left to right by any of `ops`.
    int leftToRight(std::initializer_list<Infix> ops, int (Parser::*next)())
    {
        int left = (this->*next)();
        for (;;) {
            const auto hit = std::find_if(ops.begin(), ops.end(),
                                          [&](const Infix &o) { return o.word ? isWord(o.text) : isOp(o.text); });
            if (hit == ops.end())
                return left;
            ++m_pos;
            left = node(hit->op, left, (this->*next)());
        }
    }

    int parseOr() { return leftToRight({{"or", Op::Or, true}}, &Parser::parseAnd); }
    int parseAnd() { return leftToRight({{"and", Op::And, true}}, &Parser::parseNot); }

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
        return leftToRight({{"=", Op::Eq}, {"==", Op::Eq}, {"<>", Op::Ne}, {"!=", Op::Ne}}, &Parser::parseRelation);
    }
    int parseRelation()
    {
        return leftToRight({{"<", Op::Lt}, {"<=", Op::Le}, {">", Op::Gt}, {">=", Op::Ge}}, &Parser::parseSum);
    }
    int parseSum() { return leftToRight({{"+", Op::Add}, {"-", Op::Sub}}, &Parser::parseProduct); }
    int parseProduct() { return leftToRight({{"*", Op::Mul}, {"/", Op::Div}}, &Parser::parseUnary); }

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
                fail(Kind::KeywordAsOperand, t.text);
            const int field = m_resolve(t.text);
            if (field < 0)
                fail(Kind::UnknownField, t.text);
            ++m_pos;
            if (std::find(m_tree.fields.begin(), m_tree.fields.end(), field) == m_tree.fields.end())
                m_tree.fields.push_back(field);
            return node(Op::Field, -1, -1, field);
        }
        case Tok::LParen: {
            ++m_pos;
            const int inner = parseOr();
            if (peek().kind != Tok::RParen)
                fail(Kind::CloseExpected);
            ++m_pos;
            return inner;
        }
        case Tok::End:
            fail(Kind::OperandExpectedAtEnd);
        default:
            fail(Kind::OperandExpected);
        }
    }

    std::vector<Token> m_tokens;
    std::size_t m_pos = 0;
    const RuleTree::Resolver &m_resolve;
    RuleTree m_tree;
};

} // namespace

RuleTree RuleTree::parse(const QString &text, const Resolver &resolve, RuleCharset charset)
{
    return Parser(text, resolve, charset).run();
}

} // namespace tq::logic
