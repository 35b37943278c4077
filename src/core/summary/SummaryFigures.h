#pragma once

#include "summary/SummaryDefinitions.h"

#include <QString>
#include <QVariant>

#include <map>
#include <vector>

namespace tq {
class Interaction;
namespace db {
class Database;
}
} // namespace tq

namespace tq::summary {

// One row of a summary sheet as the statements return it: the level name or
// item title, the level code or item number (not written to the sheet), then
// the value columns. An empty value is an invalid QVariant.
struct SummaryRow {
    QString name;
    QVariant key;
    std::vector<QVariant> values;
};

// The rows of one sheet in the order they are read: levels by sequence
// descending, grouping items by lower boundary descending.
using SummaryTable = std::vector<SummaryRow>;

// The figures of several sheets, by sheet number.
using SummaryTables = std::map<int, SummaryTable>;

// Reads the items of grouping `groupId` (every grouping's for 0) in the order
// of the group item query.
std::vector<GroupItem> readGroupItems(db::Database &db, qint64 groupId);

// Computes the summary figures. exact*() run the statements one by one, as
// written; by*() compute every requested sheet in one pass over dt_data and
// give the same rows. The one pass handles whole numbers and empty cells;
// when it meets anything else (a text or fraction in a survey column, a sum
// beyond 64 bits) it hands the work to the statements, so the result is the
// engine's in every case.
class SummaryFigures {
public:
    SummaryFigures(db::Database &db, Interaction &ui);

    SummaryTable exactByLevel(int sheet);
    SummaryTable exactByItems(int sheet, const std::vector<GroupItem> &items);

    SummaryTables byLevel(const std::vector<int> &sheets);
    SummaryTables byItems(const std::vector<int> &sheets, const std::vector<GroupItem> &items);

    // Whether the last by*() call fell back to the statements.
    bool usedStatements() const { return m_usedStatements; }

private:
    struct Bucket;
    struct Pass;
    // false when the data need the statements.
    bool onePass(const std::vector<int> &sheets, const std::vector<GroupItem> *items,
                 const std::vector<qint64> &levelIds, std::vector<Bucket> &buckets);

    db::Database &m_db;
    Interaction &m_ui;
    const SummaryDefinitions &m_defs;
    bool m_usedStatements = false;
};

} // namespace tq::summary
