#pragma once

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>
#include <optional>

namespace tq::db {
class Database;
}

namespace tq::entry {

// Reads and writes one survey record (a dt_data row) for the record editor.
class SurveyRecordStore {
public:
    using Values = QList<QPair<QString, QVariant>>; // column name, value

    explicit SurveyRecordStore(db::Database &db) : m_db(db) {}

    // The code proposed for a new record: the highest code plus one, 0 for an
    // empty table (the code box then reads as 1).
    qint64 proposeNextCode() const;

    // The stored row of `code`, column names in lower case; nullopt when absent.
    std::optional<QHash<QString, QVariant>> load(qint64 code) const;

    // Writes the record in one transaction: a new row when `append`, else the
    // row whose code is `storedCode` (the code itself may be changing). Only
    // columns that dt_data has are written. Raises db::DbError; on failure the
    // stored record is as it was.
    void save(const Values &values, bool append, qint64 storedCode);

private:
    db::Database &m_db;
};

} // namespace tq::entry
