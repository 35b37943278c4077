#include "query/SearchConditions.h"

#include "db/Database.h"
#include "db/SqlText.h"

#include <QSet>

namespace tq::query {

const entry::CodeList &SearchConditions::operators()
{
    static const entry::CodeList list{{1, QStringLiteral("=")},
                                      {2, QStringLiteral(">")},
                                      {3, QStringLiteral("<")},
                                      {4, QStringLiteral(">=")},
                                      {5, QStringLiteral("<=")}};
    return list;
}

const entry::CodeList &SearchConditions::connectives()
{
    static const entry::CodeList list{{1, QStringLiteral("和")}, {2, QStringLiteral("或")}};
    return list;
}

QString SearchConditions::operatorText(int code)
{
    for (const entry::CodeItem &item : operators()) {
        if (item.code == code)
            return item.name;
    }
    return {};
}

ConditionOutcome SearchConditions::indicator(const QString &fieldIn, const Comparison &first, const Comparison &second,
                                             const QStringList &columns)
{
    ConditionOutcome out;
    const QString field = fieldIn.trimmed();
    if (field.isEmpty()) {
        out.refusal = noFieldMessage();
        out.focus = ConditionOutcome::Focus::Field;
        return out;
    }
    const auto refuseEmpty = [&out] {
        out.refusal = noConditionMessage();
        out.focus = ConditionOutcome::Focus::Number1;
        return out;
    };
    if (!first.number && !second.number)
        return refuseEmpty();
    // The name as the table spells it; a name that is no column of the
    // tables is refused here, not by the database.
    QString column;
    for (const QString &c : columns) {
        if (c.compare(field, Qt::CaseInsensitive) == 0)
            column = c;
    }
    if (column.isEmpty()) {
        out.refusal = QStringLiteral("指标“%1”不是数据表中的字段，不能查询").arg(field);
        out.focus = ConditionOutcome::Focus::Field;
        return out;
    }
    QStringList parts;
    for (const Comparison *c : {&first, &second}) {
        const QString op = operatorText(c->op);
        if (op.isEmpty())
            continue;
        parts << db::quoteName(column) + op + u'?';
        out.condition.params << c->number.value_or(0);
    }
    if (parts.isEmpty())
        return refuseEmpty();
    out.condition.clause = QStringLiteral("where ") + parts.join(QStringLiteral(" and "));
    return out;
}

ConditionOutcome SearchConditions::codeRange(const Comparison &first, int connective, const Comparison &second)
{
    ConditionOutcome out;
    if (!first.number && !second.number) {
        out.refusal = noConditionMessage();
        out.focus = ConditionOutcome::Focus::Number1;
        return out;
    }
    // The boxes always hold an operator of the list; anything else compares
    // for equality, never reaching the SQL as text.
    const auto op = [](int code) {
        const QString t = operatorText(code);
        return t.isEmpty() ? QStringLiteral("=") : t;
    };
    QString clause = QStringLiteral("where ");
    if (first.number) {
        clause += QStringLiteral("c901") + op(first.op) + u'?';
        out.condition.params << *first.number;
        if (second.number) {
            clause += connective == 2 ? QStringLiteral(" OR ") : QStringLiteral(" AND ");
            clause += QStringLiteral("c901") + op(second.op) + u'?';
            out.condition.params << *second.number;
        }
    } else {
        clause += QStringLiteral("c901") + op(second.op) + u'?';
        out.condition.params << *second.number;
    }
    out.condition.clause = clause;
    return out;
}

QStringList SearchConditions::searchableColumns(db::Database &db)
{
    QSet<QString> inData;
    for (const QString &c : db.columnNames(QStringLiteral("dt_data")))
        inData.insert(c.toLower());
    QStringList columns;
    for (const QString &c : db.columnNames(QStringLiteral("view_data"))) {
        if (inData.contains(c.toLower()))
            columns << c;
    }
    return columns;
}

} // namespace tq::query
