#include "logic/PageRules.h"

#include "common/Interaction.h"
#include "db/Database.h"
#include "db/ResultSet.h"
#include "logic/ExplanationRenderer.h"

#include <sqlite3.h>

namespace tq::logic {

namespace {

// SQLite yields 1 for a true comparison (other engines use -1); a rule is
// reported exactly when its expression gives the engine's true.
constexpr qint64 kEngineTrue = 1;

bool isLetter(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}
bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Blanks of any kind end a name as a space does, so a tab or a line break in
// a stored expression does not glue itself to the box name before it.
bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

bool isDelimiter(QChar c)
{
    switch (c.unicode()) {
    case '(':
    case ')':
    case '*':
    case '+':
    case '-':
    case '/':
    case '<':
    case '=':
    case '>':
        return true;
    default:
        return isBlank(c);
    }
}

bool isKeyword(const QString &word)
{
    const QString upper = word.toUpper();
    return upper == u"AND" || upper == u"OR" || upper == u"NOT";
}

} // namespace

PageRules::PageRules(db::Database &db, FieldHints &hints, BoxValues &boxes, ErrorList &list, Interaction &ui)
    : m_db(db), m_hints(hints), m_boxes(boxes), m_list(list), m_ui(ui)
{
}

bool PageRules::CheckPageRules(int page, bool clearFirst)
{
    if (page < kFirstPage || page > kLastPage)
        return false;
    if (clearFirst)
        m_list.ClearList();

    db::ResultSet rules = db::ResultSet::run(m_db, QStringLiteral("select * from dt_logic where page_id=?"), {page});
    const int expressionCol = rules.requireColumn(QStringLiteral("expression"));
    const int explainCol = rules.requireColumn(QStringLiteral("explain"));
    const int focusCol = rules.requireColumn(QStringLiteral("focus"));
    const int ruleCol = rules.requireColumn(QStringLiteral("rule"));

    ExplanationRenderer renderer(m_db, m_hints, &m_ui);
    for (int r = 0; r < rules.rowCount(); ++r) {
        const QString expression = rules.text(r, expressionCol);
        try {
            if (EvaluateRuleExpression(expression))
                m_list.AddMessage(rules.text(r, ruleCol), renderer.RenderExplanation(rules.text(r, explainCol)), page,
                                  rules.text(r, focusCol));
        } catch (const Error &) {
            // The user sees which rule is broken; the rest of this page is skipped.
            m_ui.message(expression);
            break;
        }
    }
    if (!m_list.IsListEmpty())
        m_list.ShowList();
    return m_list.IsListEmpty();
}

bool PageRules::CheckAllPages()
{
    CheckPageRules(kFirstPage, true);
    for (int page = kFirstPage + 1; page <= kLastPage; ++page)
        CheckPageRules(page, false);
    return m_list.IsListEmpty();
}

bool PageRules::EvaluateRuleExpression(const QString &expression)
{
    const QString substituted = SubstituteControlValues(expression);
    if (!isPlainArithmetic(substituted))
        throw RuleEvaluationError(expression);
    db::Statement st = m_db.prepare(QStringLiteral("select ") + substituted + QStringLiteral(" as rt"));
    if (!st.step())
        return false;
    switch (st.columnType(0)) {
    case SQLITE_INTEGER:
        return st.intValue(0) == kEngineTrue;
    case SQLITE_FLOAT: // an overflowing sum turns real; read it as a whole number
        return qRound64(st.realValue(0)) == kEngineTrue;
    default:
        return false; // NULL (a division by zero) and anything else count as false
    }
}

QString PageRules::SubstituteControlValues(const QString &expression)
{
    QString out;
    QString name;
    bool inName = false;
    for (const QChar c : expression) {
        if (isLetter(c)) {
            name += c;
            inName = true;
        } else if (isDelimiter(c)) {
            if (inName) {
                out += ResolveControlName(name);
                name.clear();
                inName = false;
            }
            out += c;
        } else if (inName) {
            name += c; // digits and '_' continue a name: z001, c901_1
        } else {
            out += c;
        }
    }
    if (inName && !name.isEmpty())
        out += ResolveControlName(name);
    return out;
}

QString PageRules::ResolveControlName(const QString &name)
{
    if (isKeyword(name))
        return name;
    switch (m_boxes.boxKind(name)) {
    case BoxValues::Kind::Numeric: {
        const qint64 value = m_boxes.boxValue(name);
        // A negative value in brackets: "a-b" with b = -5 must not become "a--5",
        // which the engine reads as the start of a comment.
        return value < 0 ? QStringLiteral("(%1)").arg(value) : QString::number(value);
    }
    case BoxValues::Kind::Other:
        throw RuleEvaluationError(QStringLiteral("%1 is not a numeric box").arg(name));
    case BoxValues::Kind::Missing:
        break;
    }
    m_ui.message(QStringLiteral("Control name parse error : ") + name);
    return {};
}

bool PageRules::isPlainArithmetic(const QString &s)
{
    if (s.contains(u"--") || s.contains(u"/*"))
        return false;
    qsizetype i = 0;
    while (i < s.size()) {
        const QChar c = s.at(i);
        if (isLetter(c)) {
            qsizetype j = i;
            while (j < s.size() && isLetter(s.at(j)))
                ++j;
            if (!isKeyword(s.mid(i, j - i)))
                return false;
            i = j;
            continue;
        }
        if (!isDigit(c) && !isDelimiter(c))
            return false;
        ++i;
    }
    return true;
}

} // namespace tq::logic
