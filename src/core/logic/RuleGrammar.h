#pragma once

// The notation of the rule list's conditions: whole numbers, field names,
// + - * /, the comparisons = == <> != < <= > >=, and / or / not and
// parentheses, in SQLite's precedence (or < and < not < = <> < < <= > >=
// < + - < * / < unary minus). Parsing yields a small tree; the rule table's
// generator turns it into C++ code and the synthetic records' generator
// evaluates it, so both read a condition alike. QtCore only: the generator is
// built before the core library.

#include <QString>
#include <QtGlobal>

#include <functional>
#include <vector>

namespace tq::logic {

// A fault in a condition, at a character position of it.
struct RuleSyntaxError {
    enum class Kind {
        NumberTooLarge,      // subject: the digits as written
        UnexpectedCharacter, // subject: the character
        UnknownField,        // subject: the name
        KeywordAsOperand,    // subject: and, or or not
        OperandExpected,
        OperandExpectedAtEnd,
        CloseExpected,
        CloseWithoutOpen,
        TextAfterCondition,
    };
    Kind kind;
    int pos;
    QString subject;

    // The fault in full, without its position.
    QString message() const;
};

// Which characters count as blanks, digits and letters. The rule table's
// generator writes field names into C++ code and so holds a condition to
// ASCII; the synthetic records' generator takes Qt's view of any character.
enum class RuleCharset { Ascii, Unicode };

struct RuleTree {
    enum class Op : unsigned char { Const, Field, Neg, Add, Sub, Mul, Div, Eq, Ne, Lt, Le, Gt, Ge, And, Or, Not };
    struct Node {
        Op op;
        int a = -1;
        int b = -1;
        qint64 value = 0; // constant, or the resolved field for Op::Field
    };
    // Returns the number of a lower-case field name, or -1 when there is no such field.
    using Resolver = std::function<int(const QString &name)>;

    // Throws RuleSyntaxError.
    static RuleTree parse(const QString &text, const Resolver &resolve, RuleCharset charset);

    std::vector<Node> nodes; // operands before their operators
    int root = -1;
    std::vector<int> fields; // the distinct resolved fields, in order of first use
};

} // namespace tq::logic
