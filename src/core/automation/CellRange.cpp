#include "automation/CellRange.h"

#include "common/Error.h"

#include <algorithm>

namespace tq::automation {

CellRange CellRange::parse(const QString &text)
{
    const QStringList parts = text.trimmed().split(u':');
    if (parts.size() > 2)
        throw Error(QStringLiteral("单元格区域“%1”无效").arg(text));
    CellAddress a, b;
    try {
        a = CellAddress::parse(parts.first());
        b = parts.size() == 2 ? CellAddress::parse(parts.last()) : a;
    } catch (const Error &) {
        throw Error(QStringLiteral("单元格区域“%1”无效").arg(text));
    }
    return {{std::min(a.row, b.row), std::min(a.column, b.column)},
            {std::max(a.row, b.row), std::max(a.column, b.column)}};
}

QList<CellRange> CellRange::parseList(const QString &text)
{
    QList<CellRange> ranges;
    for (const QString &part : text.split(u' ', Qt::SkipEmptyParts))
        ranges << parse(part);
    return ranges;
}

QString CellRange::toString() const
{
    if (first == last)
        return first.toString();
    return first.toString() + QLatin1Char(':') + last.toString();
}

} // namespace tq::automation
