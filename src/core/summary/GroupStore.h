#pragma once

#include "summary/SummaryDefinitions.h"

#include <QString>

#include <optional>
#include <vector>

namespace tq::db {
class Database;
}

namespace tq::summary {

struct Grouping {
    qint64 id = 0;
    QString name;
};

// What the item editor saves: a title and a code range.
struct ItemInput {
    QString title;
    std::optional<qint64> lowBoundary;
    std::optional<qint64> highBoundary;
    QString lowSymbol = QStringLiteral(">=");
    QString highSymbol = QStringLiteral("<");
};

// The custom groupings of the open database (ct_group) and their code ranges
// (DT_GroupItem, read and written through view_group_item). Names and titles
// are stored exactly as typed; every change is one transaction.
class GroupStore {
public:
    explicit GroupStore(db::Database &db) : m_db(db) {}

    // The symbol lists of the item editor: code 1 and 2 for each bound.
    static QStringList lowSymbols() { return {QStringLiteral(">"), QStringLiteral(">=")}; }
    static QStringList highSymbols() { return {QStringLiteral("<"), QStringLiteral("<=")}; }

    // Why an item cannot be saved, or an empty text when it can.
    static QString validate(const ItemInput &item);

    std::vector<Grouping> groupings();
    qint64 itemCount(qint64 groupId);
    // Appends a grouping and returns its id.
    qint64 addGrouping(const QString &name);
    void renameGrouping(qint64 id, const QString &name);
    // Removes the grouping together with its code ranges, so that they can
    // never turn up in a later summary over every grouping.
    void removeGrouping(qint64 id);

    // The ranges of one grouping, in the order they were added.
    std::vector<GroupItem> items(qint64 groupId);
    // Raise tq::Error with the message of validate() when the item cannot be
    // saved.
    qint64 addItem(qint64 groupId, const ItemInput &item);
    void updateItem(qint64 itemId, qint64 groupId, const ItemInput &item);
    void removeItem(qint64 itemId);

private:
    db::Database &m_db;
};

} // namespace tq::summary
