#include "db/FieldCatalogue.h"

#include "db/ResultSet.h"

namespace tq::db {

FieldCatalogue FieldCatalogue::load(Database &db)
{
    ResultSet rs = ResultSet::run(db, QStringLiteral("SELECT * FROM dt_fieldlist ORDER BY sequence, ID"));
    FieldCatalogue cat;
    const auto col = [&](const char *name) { return rs.columnIndex(QString::fromLatin1(name)); };
    const int cId = col("ID"), cField = col("FieldName"), cShow = col("ShowName"), cHint = col("Hint"),
              cWidth = col("FieldWidth"), cType = col("FieldType"), cVisible = col("Visible"),
              cQueryShow = col("QueryShow"), cQueryType = col("QueryType"), cPage = col("PageID"),
              cSeq = col("sequence"), cPrintPage = col("printPageID"), cPlace = col("printplace"), cRule = col("Rule");
    if (cField < 0)
        throw DbError(QStringLiteral("表 dt_fieldlist 中没有字段 FieldName"));
    cat.m_fields.reserve(std::size_t(rs.rowCount()));
    for (int r = 0; r < rs.rowCount(); ++r) {
        CatalogueField f;
        f.id = int(rs.intValue(r, cId));
        f.fieldName = rs.text(r, cField).trimmed();
        f.showName = cShow >= 0 ? rs.text(r, cShow).trimmed() : f.fieldName;
        if (f.showName.isEmpty())
            f.showName = f.fieldName;
        f.hint = rs.text(r, cHint);
        f.fieldWidth = cWidth >= 0 && !rs.isNull(r, cWidth) ? int(rs.intValue(r, cWidth)) : 80;
        f.fieldType = rs.text(r, cType);
        f.visible = rs.intValue(r, cVisible) != 0;
        f.queryShow = rs.intValue(r, cQueryShow) != 0;
        f.queryType = int(rs.intValue(r, cQueryType));
        f.pageId = cPage >= 0 ? int(rs.intValue(r, cPage)) : -1;
        f.sequence = int(rs.intValue(r, cSeq));
        f.printPageId = int(rs.intValue(r, cPrintPage));
        f.printPlace = rs.text(r, cPlace).trimmed();
        f.rule = rs.text(r, cRule).trimmed();
        f.kind = CatalogueField::kindOf(f.queryType, f.id);
        if (!cat.m_byName.contains(f.fieldName.toLower()))
            cat.m_byName.insert(f.fieldName.toLower(), int(cat.m_fields.size()));
        cat.m_fields.push_back(std::move(f));
    }
    return cat;
}

FieldKind CatalogueField::kindOf(int queryType, int id)
{
    switch (queryType) {
    case 0:
        return id > 7 ? FieldKind::Number : FieldKind::CoverNumber;
    case 1:
        return FieldKind::Text;
    case 3:
        return FieldKind::YesNo;
    default:
        return FieldKind::Unbound;
    }
}

const CatalogueField *FieldCatalogue::byFieldName(const QString &name) const
{
    const auto it = m_byName.constFind(name.toLower());
    return it == m_byName.constEnd() ? nullptr : &m_fields[std::size_t(*it)];
}

} // namespace tq::db
