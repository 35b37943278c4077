#pragma once

#include "logic/RuleGrammar.h"

#include <QString>

#include <functional>
#include <stdexcept>
#include <vector>

namespace tq::synth {

// Failures of the generator (bad options, unreadable rule lists, a record it
// could not build) carry a text that a tool can print as it stands.
class SynthError : public std::runtime_error {
public:
    explicit SynthError(const QString &text) : std::runtime_error(text.toStdString()), m_text(text) {}
    const QString &text() const noexcept { return m_text; }

private:
    QString m_text;
};

// A compiled condition over the whole-number values of one record, in the
// SQL-like notation of the rule list: numbers, field names, + - * /, the
// comparisons = == <> != < <= > >=, and / or / not and parentheses, with SQL's
// precedence. Names are resolved to value slots once, when compiling, so that
// evaluating a record is a walk over a small array of nodes. Comparisons and
// logical operators yield 1 or 0; arithmetic saturates at the ends of the
// 64-bit range and a division by zero yields 0, as in the compiled rule table.
class RuleExpression {
public:
    // Returns the slot of a field name, or -1 when there is no such field.
    using Resolver = std::function<int(const QString &name)>;

    RuleExpression() = default;
    static RuleExpression compile(const QString &text, const Resolver &resolve);

    qint64 evaluate(const qint64 *values) const { return m_tree.root < 0 ? 0 : eval(m_tree.root, values); }
    bool holds(const qint64 *values) const { return evaluate(values) != 0; }
    // The distinct slots the expression reads, in order of first use.
    const std::vector<int> &readSlots() const { return m_tree.fields; }

private:
    qint64 eval(int node, const qint64 *v) const;

    logic::RuleTree m_tree; // fields resolved to slots
};

// One line of the rule list: number, failure condition (true = the record
// breaks the rule), explanation template and rule text.
struct LogicRule {
    int no = 0;
    QString failsWhen;
    QString explain;
    QString text;
    RuleExpression condition;
};

// Reads a tab-separated rule list (no, fails_when, explain, rule; lines
// starting with '#' and empty lines are skipped) and compiles every condition.
std::vector<LogicRule> loadLogicRules(const QString &path, const RuleExpression::Resolver &resolve);

} // namespace tq::synth
