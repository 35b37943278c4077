#include "summary/GroupStore.h"

#include "common/Error.h"
#include "db/Database.h"

namespace tq::summary {

QString GroupStore::validate(const ItemInput &item)
{
    if (item.title.isEmpty())
        return QStringLiteral("必须输入本组数据的名称！");
    if (!item.lowBoundary || !item.highBoundary)
        return QStringLiteral("编号下限和上限必须是整数！");
    if (*item.lowBoundary >= *item.highBoundary)
        return QStringLiteral("上限必须大于下限！");
    if (!lowSymbols().contains(item.lowSymbol) || !highSymbols().contains(item.highSymbol))
        return QStringLiteral("请从列表中选择编号范围的符号！");
    return {};
}

std::vector<Grouping> GroupStore::groupings()
{
    std::vector<Grouping> out;
    db::Statement st = m_db.prepare(QStringLiteral("SELECT ID, Name FROM ct_group;"));
    while (st.step())
        out.push_back({st.intValue(0), st.textValue(1)});
    return out;
}

qint64 GroupStore::itemCount(qint64 groupId)
{
    return m_db.scalar(QStringLiteral("select count(*) as cnt from DT_GroupItem where GroupID = ?"), {groupId})
        .toLongLong();
}

qint64 GroupStore::addGrouping(const QString &name)
{
    db::Transaction t(m_db);
    m_db.exec(QStringLiteral("insert into ct_group (name) values (?)"), {name});
    const qint64 id = m_db.lastInsertId();
    t.commit();
    return id;
}

void GroupStore::renameGrouping(qint64 id, const QString &name)
{
    db::Transaction t(m_db);
    m_db.exec(QStringLiteral("update ct_group set name=? where id=?"), {name, id});
    t.commit();
}

void GroupStore::removeGrouping(qint64 id)
{
    db::Transaction t(m_db);
    m_db.exec(QStringLiteral("delete from DT_GroupItem where GroupID=?"), {id});
    m_db.exec(QStringLiteral("delete from ct_group where id=?"), {id});
    t.commit();
}

std::vector<GroupItem> GroupStore::items(qint64 groupId)
{
    std::vector<GroupItem> out;
    db::Statement st = m_db.prepare(QStringLiteral("SELECT id, groupid, Title, LowBoundary, HighBoundary, LowSymbol, "
                                                   "HighSymbol from view_group_item where GroupID=? order by id"));
    st.bind(1, groupId);
    while (st.step()) {
        GroupItem item;
        item.id = st.intValue(0);
        item.groupId = st.intValue(1);
        item.title = st.textValue(2);
        item.lowBoundary = st.isNull(3) ? QVariant() : st.value(3);
        item.highBoundary = st.isNull(4) ? QVariant() : st.value(4);
        item.lowSymbol = st.textValue(5);
        item.highSymbol = st.textValue(6);
        out.push_back(std::move(item));
    }
    return out;
}

qint64 GroupStore::addItem(qint64 groupId, const ItemInput &item)
{
    if (const QString why = validate(item); !why.isEmpty())
        throw Error(why);
    db::Transaction t(m_db);
    m_db.exec(QStringLiteral("insert into view_group_item (groupid, Title, LowBoundary, HighBoundary, LowSymbol, "
                             "HighSymbol) values (?, ?, ?, ?, ?, ?)"),
              {groupId, item.title, *item.lowBoundary, *item.highBoundary, item.lowSymbol, item.highSymbol});
    const qint64 id = m_db.scalar(QStringLiteral("select max(id) from DT_GroupItem")).toLongLong();
    t.commit();
    return id;
}

void GroupStore::updateItem(qint64 itemId, qint64 groupId, const ItemInput &item)
{
    if (const QString why = validate(item); !why.isEmpty())
        throw Error(why);
    db::Transaction t(m_db);
    m_db.exec(QStringLiteral("update view_group_item set groupid=?, Title=?, LowBoundary=?, HighBoundary=?, "
                             "LowSymbol=?, HighSymbol=? where id=?"),
              {groupId, item.title, *item.lowBoundary, *item.highBoundary, item.lowSymbol, item.highSymbol, itemId});
    t.commit();
}

void GroupStore::removeItem(qint64 itemId)
{
    db::Transaction t(m_db);
    m_db.exec(QStringLiteral("delete from view_group_item where id=?"), {itemId});
    t.commit();
}

} // namespace tq::summary
