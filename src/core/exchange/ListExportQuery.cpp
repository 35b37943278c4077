#include "exchange/ListExportQuery.h"

#include "app/RecordSelection.h"
#include "common/Error.h"
#include "db/Database.h"
#include "db/FieldCatalogue.h"
#include "db/ResultSet.h"
#include "db/SqlText.h"
#include "query/SearchConditions.h"

#include <QSet>

namespace tq::exchange {

std::vector<GroupRange> GroupRange::loadAll(db::Database &db)
{
    const db::ResultSet rs = db::ResultSet::run(db, QStringLiteral("select * from DT_GroupItem"));
    const int cId = rs.requireColumn(QStringLiteral("id")), cTitle = rs.requireColumn(QStringLiteral("Title")),
              cLow = rs.requireColumn(QStringLiteral("LowBoundary")),
              cHigh = rs.requireColumn(QStringLiteral("HighBoundary")),
              cLowSym = rs.requireColumn(QStringLiteral("LowSymbol")),
              cHighSym = rs.requireColumn(QStringLiteral("HighSymbol"));
    std::vector<GroupRange> items;
    for (int r = 0; r < rs.rowCount(); ++r) {
        GroupRange g;
        g.id = rs.intValue(r, cId);
        g.title = rs.text(r, cTitle);
        g.lowBoundary = rs.intValue(r, cLow);
        g.highBoundary = rs.intValue(r, cHigh);
        g.lowSymbol = rs.text(r, cLowSym).trimmed();
        g.highSymbol = rs.text(r, cHighSym).trimmed();
        items.push_back(std::move(g));
    }
    return items;
}

void ListContent::addRange(const CodeRange &range)
{
    conditions << QStringLiteral("c901>=? and c901<=?");
    params << range.low << range.high;
}

void ListContent::addGroup(const GroupRange &item)
{
    // The signs come from the database; only the four known ones reach the SQL.
    if (item.lowSymbol != QLatin1String(">") && item.lowSymbol != QLatin1String(">="))
        throw Error(QStringLiteral("分组“%1”的下限符号“%2”无效").arg(item.title, item.lowSymbol));
    if (item.highSymbol != QLatin1String("<") && item.highSymbol != QLatin1String("<="))
        throw Error(QStringLiteral("分组“%1”的上限符号“%2”无效").arg(item.title, item.highSymbol));
    conditions << QStringLiteral("c901") + item.lowSymbol + QStringLiteral("? and c901") + item.highSymbol + u'?';
    params << item.lowBoundary << item.highBoundary;
}

void ListContent::addComparison(const QString &field, const QString &op, qint64 number, const QStringList &columns)
{
    QString column;
    for (const QString &c : columns) {
        if (c.compare(field, Qt::CaseInsensitive) == 0)
            column = c;
    }
    if (column.isEmpty())
        throw Error(QStringLiteral("“%1”不是数据表中的字段").arg(field));
    bool known = false;
    for (const entry::CodeItem &item : query::SearchConditions::operators())
        known = known || item.name == op;
    if (!known)
        throw Error(QStringLiteral("“%1”不是可用的比较符号（= > < >= <=）").arg(op));
    conditions << db::quoteName(column) + op + u'?';
    params << number;
}

summary::SheetList ListExportQuery::builtInTables()
{
    static const char16_t *const names[] = {u"表一 工会组织建设状况",
                                            u"表二 工会干部协管工作",
                                            u"表三 工会干部教育培训工作",
                                            u"表四 工会保障工作",
                                            u"表五 工会法律工作",
                                            u"表六 工会劳动保护工作",
                                            u"表七 工会劳动合同、集体合同和民主参与工作",
                                            u"表八 工会经济技术工作",
                                            u"表九 工会经费审查和财务工作1",
                                            u"表十 工会宣传教育和职工文化体育工作",
                                            u"表十一 工会国际工作和对外经济技术交流工作",
                                            u"表十二 开展创建劳动关系和谐企业与工业园区活动"};
    summary::SheetList list;
    for (const char16_t *n : names)
        list.entries().push_back({QString::fromUtf16(n), true, summary::SheetListEntry::Unticked});
    return list;
}

const QStringList &ListExportQuery::tableLetters()
{
    static const QStringList letters{QStringLiteral("z"), QStringLiteral("x"), QStringLiteral("p"),
                                     QStringLiteral("b"), QStringLiteral("f"), QStringLiteral("l"),
                                     QStringLiteral("h"), QStringLiteral("j"), QStringLiteral("s"),
                                     QStringLiteral("w"), QStringLiteral("g"), QStringLiteral("c")};
    return letters;
}

QStringList ListExportQuery::fixedColumns()
{
    return {QStringLiteral("c901"), QStringLiteral("c902"), QStringLiteral("c903"),       QStringLiteral("c904"),
            QStringLiteral("c905"), QStringLiteral("c906"), QStringLiteral("RecordState")};
}

QStringList ListExportQuery::fieldsOf(const db::FieldCatalogue &catalogue, const QStringList &dataColumns,
                                      const QList<int> &tables)
{
    QSet<QString> available;
    for (const QString &c : dataColumns)
        available.insert(c.toLower());
    QSet<QString> taken;
    for (const QString &c : fixedColumns())
        taken.insert(c.toLower());
    QStringList fields;
    for (int t : tables) {
        if (t < 0 || t >= tableLetters().size())
            continue;
        const QString &letter = tableLetters().at(t);
        // The catalogue is in sequence order already.
        for (const db::CatalogueField &f : catalogue.fields()) {
            const QString key = f.fieldName.toLower();
            if (f.sequence < 7 || f.sequence >= 1000 || !key.startsWith(letter) || !available.contains(key) ||
                taken.contains(key))
                continue;
            taken.insert(key);
            fields << f.fieldName;
        }
    }
    return fields;
}

ListQuery ListExportQuery::build(const QStringList &fields, const ListContent &content)
{
    QStringList columns = fixedColumns();
    for (const QString &f : fields)
        columns << db::quoteName(f);
    QString sql = QStringLiteral("select ") + columns.join(u',') + QStringLiteral(" from dt_data");
    if (!content.conditions.isEmpty())
        sql += QStringLiteral(" where ") + content.conditions.join(QStringLiteral(" and "));
    sql += QStringLiteral(" order by c901");
    ListQuery q;
    q.sql = sql;
    q.params = content.params;
    return q;
}

} // namespace tq::exchange
