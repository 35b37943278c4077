#pragma once

#include "logic/RuleFields.h"

#include <QString>
#include <QtGlobal>
#include <array>
#include <functional>

namespace tq::db {
class ResultSet;
class Statement;
} // namespace tq::db

namespace tq::logic {

class ExplanationRenderer;

// The values one record offers to the rules, by slot (see RuleFields.h); an
// empty value counts as 0.
struct RuleValues {
    std::array<qint64, rulefield::Count> v{};
    qint64 operator[](int slot) const { return v[std::size_t(slot)]; }
    qint64 &operator[](int slot) { return v[std::size_t(slot)]; }
};

struct Rule {
    int no;
    const char *explainTemplate; // UTF-8
    const char *ruleText;        // UTF-8, shown as it stands and never evaluated
    bool (*fails)(const RuleValues &);
};

// Receives (rule text, rendered explanation) for every failing rule, in rule order.
using RuleSink = std::function<void(const QString &ruleText, const QString &explanation)>;

// The survey's consistency rules, compiled in from the rule list at build time.
class RuleCatalogue {
public:
    static const std::array<Rule, kRuleCount> &rules();

    // Evaluates every rule in order and hands each failure to `sink` as it is
    // found. true when no rule failed. The record is only read.
    static bool CheckRecordRules(const RuleValues &record, ExplanationRenderer &renderer, const RuleSink &sink);
    // The same evaluation, reporting the index of each failing rule.
    template <typename F> static bool forEachFailure(const RuleValues &record, F &&onFailure)
    {
        bool clean = true;
        const auto &all = rules();
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (all[i].fails(record)) {
                clean = false;
                onFailure(int(i));
            }
        }
        return clean;
    }
};

// Finds the rule fields among the columns of a record source once, then reads
// them row by row. A field missing from the source is a database error.
class RuleValueReader {
public:
    explicit RuleValueReader(const db::Statement &source);
    void read(const db::Statement &source, RuleValues &out) const;

private:
    std::array<int, rulefield::Count> m_columns{};
};

} // namespace tq::logic
