#include "exchange/ExportRows.h"

#include <QRegularExpression>

#include <sqlite3.h>

namespace tq::exchange {

FieldType fieldTypeOf(const QString &declaredType)
{
    // The same rules by which the engine gives a declared type its affinity,
    // with dates and yes/no columns told apart.
    const QString t = declaredType.trimmed().toUpper();
    if (t.isEmpty())
        return FieldType::Other;
    if (t.contains(QLatin1String("BOOL")) || t == QLatin1String("BIT") || t == QLatin1String("YESNO"))
        return FieldType::Boolean;
    if (t.contains(QLatin1String("DATE")) || t.contains(QLatin1String("TIME")))
        return FieldType::DateTime;
    if (t.contains(QLatin1String("INT")) || t == QLatin1String("COUNTER") || t == QLatin1String("AUTOINCREMENT"))
        return FieldType::Integer;
    if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("CLOB")) || t.contains(QLatin1String("TEXT")) ||
        t.contains(QLatin1String("MEMO")))
        return FieldType::Text;
    if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("FLOA")) || t.contains(QLatin1String("DOUB")) ||
        t.contains(QLatin1String("NUMERIC")) || t.contains(QLatin1String("DECIMAL")) ||
        t.contains(QLatin1String("CURRENCY")) || t.contains(QLatin1String("MONEY")))
        return FieldType::Float;
    return FieldType::Other;
}

int ExportRows::columnIndex(const QString &name) const
{
    for (int c = 0; c < columnCount(); ++c) {
        if (columnName(c).compare(name, Qt::CaseInsensitive) == 0)
            return c;
    }
    return -1;
}

ColumnShape columnShape(db::Database &db, const QString &sql)
{
    db::Statement st = db.prepare(sql);
    ColumnShape shape;
    for (int c = 0; c < st.columnCount(); ++c) {
        shape.names << st.columnName(c);
        shape.types << QString::fromUtf8(sqlite3_column_decltype(st.handle(), c));
    }
    return shape;
}

int StatementRows::countRows(db::Database &db, const ListQuery &query)
{
    // The order does not change the count, but the engine would read every
    // column of every row to keep it: a closing "order by <columns>" is left
    // out (not when a limit or anything else follows it).
    QString sql = query.sql;
    const qsizetype at = sql.lastIndexOf(QLatin1String(" order by "), -1, Qt::CaseInsensitive);
    if (at > 0) {
        static const QRegularExpression plainOrder(
            QStringLiteral("^ order by [\\w\"]+( (asc|desc))?(, ?[\\w\"]+( (asc|desc))?)*\\s*$"),
            QRegularExpression::CaseInsensitiveOption);
        if (plainOrder.match(sql.mid(at)).hasMatch())
            sql.truncate(at);
    }
    return db.scalar(QStringLiteral("SELECT count(*) FROM (") + sql + QLatin1Char(')'), query.params).toInt();
}

StatementRows::StatementRows(db::Database &db, const ListQuery &query)
    : m_shape(columnShape(db, query.sql)), m_rows(countRows(db, query))
{
    m_statement = db.prepare(query.sql);
    m_statement.bindAll(query.params);
}

bool StatementRows::next()
{
    return m_statement.step();
}

ExportRows::Kind StatementRows::kind(int column) const
{
    switch (m_statement.columnType(column)) {
    case SQLITE_INTEGER:
        return Kind::Integer;
    case SQLITE_FLOAT:
        return Kind::Real;
    case SQLITE_NULL:
        return Kind::Null;
    default:
        return Kind::Text;
    }
}

RecordListRows::RecordListRows(db::Database &db, const RecordList &list)
    : m_list(list), m_shape(columnShape(db, list.query().sql))
{
    for (const QString &name : m_shape.names)
        m_listColumn.push_back(list.columnIndex(name));
}

QVariant RecordListRows::cell(int column) const
{
    const int c = column >= 0 && std::size_t(column) < m_listColumn.size() ? m_listColumn[std::size_t(column)] : -1;
    return c < 0 ? QVariant() : m_list.value(m_row, c);
}

ExportRows::Kind RecordListRows::kind(int column) const
{
    const QVariant v = cell(column);
    switch (v.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Bool:
        return Kind::Integer;
    case QMetaType::Double:
        return Kind::Real;
    case QMetaType::UnknownType:
        return Kind::Null;
    default:
        return v.isNull() ? Kind::Null : Kind::Text;
    }
}

qint64 RecordListRows::integer(int column) const
{
    return cell(column).toLongLong();
}
double RecordListRows::real(int column) const
{
    return cell(column).toDouble();
}
QString RecordListRows::text(int column) const
{
    return cell(column).toString();
}

} // namespace tq::exchange
