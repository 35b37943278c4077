#include "query/ColumnChooser.h"

#include "db/Database.h"
#include "db/ResultSet.h"

#include <QStringList>

namespace tq::query {

std::vector<ChooserField> ColumnChooser::load(db::Database &db)
{
    const db::ResultSet rs = db::ResultSet::run(
        db, QStringLiteral("select * from view_FieldList where PageID >=0 order by PageID,sequence"));
    const int cId = rs.requireColumn(QStringLiteral("id")), cPage = rs.requireColumn(QStringLiteral("PageID")),
              cSheet = rs.requireColumn(QStringLiteral("SheetName")),
              cField = rs.requireColumn(QStringLiteral("FieldName")), cHint = rs.requireColumn(QStringLiteral("Hint")),
              cSeq = rs.requireColumn(QStringLiteral("sequence")),
              cVisible = rs.requireColumn(QStringLiteral("visible"));
    std::vector<ChooserField> fields;
    fields.reserve(std::size_t(rs.rowCount()));
    for (int r = 0; r < rs.rowCount(); ++r) {
        ChooserField f;
        f.id = int(rs.intValue(r, cId));
        f.pageId = int(rs.intValue(r, cPage));
        f.sheetName = rs.text(r, cSheet);
        f.fieldName = rs.text(r, cField);
        f.hint = rs.text(r, cHint);
        f.sequence = int(rs.intValue(r, cSeq));
        f.visible = rs.intValue(r, cVisible) != 0;
        fields.push_back(std::move(f));
    }
    return fields;
}

void ColumnChooser::save(db::Database &db, const QList<int> &visibleIds)
{
    QStringList ids;
    for (int id : visibleIds)
        ids << QString::number(id);
    db::Transaction t(db);
    db.exec(QStringLiteral("update view_fieldlist set visible=0"));
    if (!ids.isEmpty())
        db.exec(QStringLiteral("update view_fieldlist set visible=1 where id in (select value from json_each(?))"),
                {QLatin1Char('[') + ids.join(QLatin1Char(',')) + QLatin1Char(']')});
    t.commit();
}

} // namespace tq::query
