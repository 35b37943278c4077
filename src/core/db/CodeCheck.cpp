#include "db/CodeCheck.h"

#include "db/Database.h"

#include <QDir>

namespace tq::db {

qint64 CodeCheck::countNotWhole(Database &db, const QString &schema)
{
    // The alias is the program's own text, never the user's.
    const QString table = QStringLiteral("\"%1\".dt_data").arg(schema);
    const bool hasCode =
        db.scalar(QStringLiteral("SELECT count(*) FROM pragma_table_info('dt_data', ?) WHERE lower(name) = 'c901'"),
                  {schema})
            .toLongLong() > 0;
    if (!hasCode)
        return 0;
    return db.scalar(QStringLiteral("SELECT count(*) FROM %1 WHERE typeof(c901) NOT IN ('integer', 'null')").arg(table))
        .toLongLong();
}

QString CodeCheck::warning(const QString &path, qint64 count)
{
    return QStringLiteral("数据库文件 %1 中有 %2 个记录的单位编号不是整数，请核对这些记录的单位编号。")
        .arg(QDir::toNativeSeparators(path))
        .arg(count);
}

} // namespace tq::db
