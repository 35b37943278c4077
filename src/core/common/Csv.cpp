#include "common/Csv.h"

#include <QFile>
#include <stdexcept>

namespace tq {

QList<QStringList> Csv::parse(const QString &text)
{
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    bool any = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < text.size() && text.at(i + 1) == u'"') {
                    field += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
            continue;
        }
        if (c == u'"') {
            quoted = true;
            any = true;
        } else if (c == u',') {
            row << field;
            field.clear();
            any = true;
        } else if (c == u'\n' || c == u'\r') {
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
            if (any || !field.isEmpty()) {
                row << field;
                rows << row;
            }
            row.clear();
            field.clear();
            any = false;
        } else {
            field += c;
            any = true;
        }
    }
    if (any || !field.isEmpty()) {
        row << field;
        rows << row;
    }
    return rows;
}

QList<QStringList> Csv::readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("cannot read %1: %2").arg(path, f.errorString()).toStdString());
    return parse(QString::fromUtf8(f.readAll()));
}

} // namespace tq
