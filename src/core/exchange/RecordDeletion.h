#pragma once

#include <QList>
#include <QString>

#include <functional>

namespace tq {
class Interaction;
class RecordList;
struct CodeRange;
} // namespace tq
namespace tq::db {
class Database;
}

namespace tq::exchange {

// Deleting survey records: the rows marked in a record list, after asking
// about each, or all records or a code range at once. Every deletion is one
// transaction; values are bound.
class RecordDeletion {
public:
    RecordDeletion(db::Database &db, Interaction &ui) : m_db(db), m_ui(ui) {}

    // The list moved to another record (false) or was read again (true).
    using ListChanged = std::function<void(bool reread)>;

    // With no marked codes the list's current record is deleted after one
    // question; otherwise each marked record in marking order is made current
    // and asked about ("全都是" deletes it and every later one at once, "否"
    // stops, closing the question goes on with the next). After each deletion
    // the list is read again and returns to its position.
    void DeleteSelectedRecords(RecordList &list, const QList<qint64> &marked, const QString &tableName,
                               const QString &keyField, const ListChanged &changed = {});

    // Number of records deleted.
    int deleteAll();
    int deleteRange(const CodeRange &range);

    static QString question() { return QStringLiteral("您确定要删除当前所选择的记录吗?"); }

private:
    int deleteCodes(const QList<qint64> &codes, const QString &tableName, const QString &keyField);

    db::Database &m_db;
    Interaction &m_ui;
};

} // namespace tq::exchange
