#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace tq {

// Reads comma-separated text as written by common spreadsheet programs:
// fields may be quoted with ", and "" inside quotes stands for one quote.
class Csv {
public:
    static QList<QStringList> parse(const QString &text);
    // Reads a UTF-8 file; raises std::runtime_error naming the file on failure.
    static QList<QStringList> readFile(const QString &path);
};

} // namespace tq
