#pragma once

#include <QString>

namespace tq::db {

// A table or column name as an SQL identifier: in double quotes, a quote
// inside doubled. Names come from the catalogue and the schema; quoting keeps
// an odd one from changing the statement.
inline QString quoteName(const QString &name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

} // namespace tq::db
