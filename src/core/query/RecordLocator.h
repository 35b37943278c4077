#pragma once

#include <QString>

namespace tq {
class RecordList;
}
namespace tq::db {
class Database;
}

namespace tq::query {

// Moves a record list's current record to one organisation, by its exact
// code or by part of its name. Nothing is changed in the database.
class RecordLocator {
public:
    // false when the list does not hold the code.
    static bool byCode(RecordList &list, qint64 code);
    // The first record of dt_data whose name contains `text` (trimmed; % and _
    // are matched as typed), made current in the list. false when no record
    // has such a name or the list does not hold it.
    static bool byName(db::Database &db, RecordList &list, const QString &text);
    // The LIKE pattern for "contains text", with \ as its escape character.
    static QString containsPattern(const QString &text);

    static QString notFoundMessage() { return QStringLiteral("没有找到满足条件的数据"); }
};

} // namespace tq::query
