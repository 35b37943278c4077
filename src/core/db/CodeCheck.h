#pragma once

#include <QString>

namespace tq::db {

class Database;

// Organisation codes (dt_data.c901) that are not whole numbers. The program's
// own databases refuse them, but a file from elsewhere may hold a code stored
// as a fraction, a text or a blob; commands that read such files warn first.
class CodeCheck {
public:
    // Records of `schema`.dt_data (an attached file's alias, or "main") whose
    // code is stored as anything but an integer. An empty code is not counted.
    static qint64 countNotWhole(Database &db, const QString &schema = QStringLiteral("main"));
    // The warning for `count` such records in the file at `path`.
    static QString warning(const QString &path, qint64 count);
};

} // namespace tq::db
