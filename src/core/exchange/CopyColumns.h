#pragma once

#include <QString>
#include <QStringList>

namespace tq::exchange {

// Copies between two dt_data tables go column by column, by name: a file whose
// columns lie in another order copies correctly, and a file whose columns
// differ is refused before anything is written.
class CopyColumns {
public:
    // An SQL identifier in double quotes, with inner quotes doubled.
    static QString quoted(const QString &name);
    // "a","b",... for a column list of a statement.
    static QString list(const QStringList &columns);
    // The first of `wanted` that `have` lacks (names compared without regard
    // to case), or an empty text when `have` holds them all.
    static QString firstMissing(const QStringList &wanted, const QStringList &have);
};

} // namespace tq::exchange
