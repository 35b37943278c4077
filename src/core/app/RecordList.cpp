#include "app/RecordList.h"

#include "db/Database.h"
#include "db/FieldCatalogue.h"
#include "db/ResultSet.h"

#include <QSet>
#include <QStringList>

#include <algorithm>

namespace tq {

RecordList::RecordList() = default;
RecordList::RecordList(ListQuery query) : m_query(std::move(query))
{
}
RecordList::RecordList(const RecordList &) = default;
RecordList &RecordList::operator=(const RecordList &) = default;
RecordList::RecordList(RecordList &&) noexcept = default;
RecordList &RecordList::operator=(RecordList &&) noexcept = default;
RecordList::~RecordList() = default;

ListQuery RecordList::surveyListQuery(db::Database &db, const db::FieldCatalogue &catalogue, const QString &where,
                                      const QVariantList &params)
{
    QSet<QString> available;
    for (const QString &c : db.columnNames(QStringLiteral("view_data")))
        available.insert(c.toLower());
    // Identifiers come from the catalogue and are used only when the view
    // really has such a column; they are quoted all the same.
    QStringList columns{QStringLiteral("\"c901\""), QStringLiteral("\"RecordState\"")};
    QSet<QString> taken{QStringLiteral("c901"), QStringLiteral("recordstate")};
    for (const db::CatalogueField &f : catalogue.fields()) {
        const QString key = f.showName.toLower();
        if (!f.visible || taken.contains(key) || !available.contains(key) || f.showName.contains(QLatin1Char('"')))
            continue;
        taken.insert(key);
        columns << QLatin1Char('"') + f.showName + QLatin1Char('"');
    }
    ListQuery q;
    q.sql = QStringLiteral("SELECT ") + columns.join(QStringLiteral(", ")) + QStringLiteral(" from view_data ") +
            (where.isEmpty() ? QString() : where + u' ') + QStringLiteral("order by c901 asc");
    q.params = params;
    return q;
}

void RecordList::setQuery(ListQuery query)
{
    close();
    m_query = std::move(query);
}

void RecordList::load(db::Database &db)
{
    auto rows = std::make_shared<db::ResultSet>(db::ResultSet::run(db, m_query.sql, m_query.params));
    const int key = rows->requireColumn(m_query.keyColumn);
    m_order = rows->naturalOrder();
    m_rows = std::move(rows);
    m_keyColumn = key;
}

void RecordList::open(db::Database &db)
{
    close();
    load(db);
    if (!isEmpty())
        setCurrentRow(0);
}

void RecordList::close()
{
    m_rows.reset();
    m_order.clear();
    m_sort.reset();
    m_keyColumn = -1;
    m_row = -1;
    m_code.reset();
}

int RecordList::columnIndex(const QString &name) const
{
    return m_rows ? m_rows->columnIndex(name) : -1;
}

bool RecordList::isNull(int row, int column) const
{
    return !validRow(row) || m_rows->isNull(physical(row), column);
}

qint64 RecordList::intValue(int row, int column) const
{
    return validRow(row) ? m_rows->intValue(physical(row), column) : 0;
}

QString RecordList::text(int row, int column) const
{
    return validRow(row) ? m_rows->text(physical(row), column) : QString();
}

QVariant RecordList::value(int row, int column) const
{
    return validRow(row) ? m_rows->value(physical(row), column) : QVariant();
}

qint64 RecordList::codeAt(int row) const
{
    return intValue(row, m_keyColumn);
}

int RecordList::rowOfCode(qint64 code) const
{
    for (int r = 0; r < rowCount(); ++r) {
        const int p = physical(r);
        if (!m_rows->isNull(p, m_keyColumn) && m_rows->intValue(p, m_keyColumn) == code)
            return r;
    }
    return -1;
}

void RecordList::sort(const SortKey &key)
{
    if (!m_rows)
        return;
    const int column = m_rows->requireColumn(key.column);
    m_order = m_rows->sortedOrder(column, key.order, std::move(m_order));
    m_sort = key;
    if (m_code)
        m_row = rowOfCode(*m_code);
}

bool RecordList::setCurrentRow(int row)
{
    if (!validRow(row))
        return false;
    m_row = row;
    m_code = codeAt(row);
    return true;
}

bool RecordList::setCurrentCode(qint64 code)
{
    const int row = rowOfCode(code);
    return row >= 0 && setCurrentRow(row);
}

void RecordList::requery(db::Database &db)
{
    const int oldRow = m_row;
    const std::optional<qint64> code = m_code;
    const std::optional<SortKey> sortKey = m_sort;
    load(db);
    m_sort.reset();
    m_row = -1;
    m_code.reset();
    if (sortKey && m_rows->columnIndex(sortKey->column) >= 0)
        sort(*sortKey);
    if (code && setCurrentCode(*code))
        return;
    if (!isEmpty())
        setCurrentRow(std::clamp(oldRow, 0, rowCount() - 1));
}

std::size_t RecordList::memoryUsage() const
{
    return m_order.capacity() * sizeof(int) + (m_rows ? m_rows->memoryUsage() : 0);
}

} // namespace tq
