#pragma once

#include "entry/CoverValidation.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <optional>

namespace tq::db {
class Database;
}

namespace tq::query {

// The part of a record query after the table name: "where ..." with every
// number bound, or empty for all records. Only catalogue names and the fixed
// operator texts reach the SQL.
struct SqlCondition {
    QString clause;
    QVariantList params;
    bool operator==(const SqlCondition &) const = default;
};

// One comparison of a query dialog: the operator chosen (its code in the
// operator list, -1 while none is chosen) and the number typed (none while the
// box is empty).
struct Comparison {
    int op = -1;
    std::optional<qint64> number;
};

// What a query dialog's "查  找" gives: a condition, or the message that
// refuses the input and the box to put the cursor in.
struct ConditionOutcome {
    enum class Focus { None, Field, Number1 };
    SqlCondition condition;
    QString refusal;
    Focus focus = Focus::None;
    bool ok() const { return refusal.isEmpty(); }
};

// The conditions of the indicator query and the code-range search.
class SearchConditions {
public:
    // (1, "="), (2, ">"), (3, "<"), (4, ">="), (5, "<=")
    static const entry::CodeList &operators();
    // (1, "和"), (2, "或"): " AND " and " OR "
    static const entry::CodeList &connectives();
    // The SQL text of an operator code; empty for a code not in the list.
    static QString operatorText(int code);

    // Indicator query: `field` compared by each comparison that has an
    // operator (an empty number box compares with 0), joined by " and ". A
    // number without an operator is ignored; when no comparison is left the
    // input is refused like empty boxes. `columns` are the names a condition
    // may use (see searchableColumns()); another field is refused.
    static ConditionOutcome indicator(const QString &field, const Comparison &first, const Comparison &second,
                                      const QStringList &columns);
    // Code-range search: c901 compared with each filled number by its
    // operator; two comparisons are joined by the connective.
    static ConditionOutcome codeRange(const Comparison &first, int connective, const Comparison &second);

    // Columns a condition may name: those of both view_data (the result list)
    // and dt_data (the detailed export).
    static QStringList searchableColumns(db::Database &db);

    static QString noFieldMessage() { return QStringLiteral("请选择指标"); }
    static QString noConditionMessage() { return QStringLiteral("请至少输入一个条件"); }
};

} // namespace tq::query
