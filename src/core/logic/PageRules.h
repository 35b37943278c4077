#pragma once

#include "common/Error.h"

#include <QString>

namespace tq {
class Interaction;
}
namespace tq::db {
class Database;
}

namespace tq::logic {

class FieldHints;

// The boxes of the data-entry window, looked up by component name without
// regard to case.
class BoxValues {
public:
    enum class Kind { Missing, Numeric, Other };
    virtual ~BoxValues() = default;
    virtual Kind boxKind(const QString &name) const = 0;
    // The whole-number value of a numeric box; a blank box gives 0.
    virtual qint64 boxValue(const QString &name) const = 0;
};

// The logic-error list the page rules report into.
class ErrorList {
public:
    virtual ~ErrorList() = default;
    // Empties the list and hides its window.
    virtual void ClearList() = 0;
    virtual void AddMessage(const QString &rule, const QString &explanation, int page, const QString &focus) = 0;
    virtual bool IsListEmpty() const = 0;
    virtual void ShowList() = 0;
};

// A rule that could not be evaluated: a name that is not a numeric box, an
// expression holding something other than numbers, operators and keywords.
class RuleEvaluationError : public Error {
public:
    using Error::Error;
};

// The on-screen rules of dt_logic, checked page by page against the values
// typed into the data-entry window. Each expression is evaluated by the
// database engine after the box names have been replaced by their numbers;
// nothing typed into a box ever reaches the statement as text.
class PageRules {
public:
    static constexpr int kFirstPage = 1;
    static constexpr int kLastPage = 13;

    PageRules(db::Database &db, FieldHints &hints, BoxValues &boxes, ErrorList &list, Interaction &ui);

    // Checks one page; true when the list is empty afterwards (entries of
    // earlier pages count). Pages outside 1..13 return false and touch nothing.
    // A failure reading dt_logic itself is raised (DbError).
    bool CheckPageRules(int page, bool clearFirst);
    // Pages 1..13 into a freshly cleared list; true when it stayed empty.
    bool CheckAllPages();

    // Raises RuleEvaluationError or DbError when the expression cannot be evaluated.
    bool EvaluateRuleExpression(const QString &expression);
    QString SubstituteControlValues(const QString &expression);
    // Keywords stay as written, a numeric box becomes its number; a word that
    // names no box is reported and becomes empty text.
    QString ResolveControlName(const QString &name);

    // Whether a substituted expression holds only whole numbers, operators,
    // parentheses, blanks and AND/OR/NOT, and no comment marks.
    static bool isPlainArithmetic(const QString &substituted);

private:
    db::Database &m_db;
    FieldHints &m_hints;
    BoxValues &m_boxes;
    ErrorList &m_list;
    Interaction &m_ui;
};

} // namespace tq::logic
