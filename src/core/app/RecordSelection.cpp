#include "app/RecordSelection.h"

#include <QStringList>

namespace tq {

std::optional<CodeRange> CodeRange::resolve(qint64 low, qint64 high)
{
    if (low == 0 || high == 0)
        return std::nullopt;
    CodeRange r;
    r.low = low < 1 ? 1 : low;
    r.high = high;
    if (r.high < r.low) {
        r.high = r.low;
        r.highRaised = true;
    }
    return r;
}

RecordSelection RecordSelection::all()
{
    return {};
}

RecordSelection RecordSelection::range(qint64 low, qint64 high)
{
    RecordSelection s;
    s.m_kind = Kind::Range;
    s.m_low = low;
    s.m_high = high;
    return s;
}

RecordSelection RecordSelection::codes(QList<qint64> codes)
{
    RecordSelection s;
    s.m_kind = Kind::Codes;
    s.m_codes = std::move(codes);
    return s;
}

QString RecordSelection::condition(const QString &codeColumn) const
{
    switch (m_kind) {
    case Kind::All:
        return {};
    case Kind::Range:
        return codeColumn + QStringLiteral(">=? and ") + codeColumn + QStringLiteral("<=?");
    case Kind::Codes:
        if (m_codes.isEmpty())
            return QStringLiteral("0");
        if (m_codes.size() == 1)
            return codeColumn + QStringLiteral("=?");
        // One bound value however many codes are marked: a list of a whole
        // national database would pass the engine's limit on parameters.
        return codeColumn + QStringLiteral(" in (select value from json_each(?))");
    }
    return {};
}

QVariantList RecordSelection::params() const
{
    switch (m_kind) {
    case Kind::All:
        return {};
    case Kind::Range:
        return {m_low, m_high};
    case Kind::Codes: {
        if (m_codes.isEmpty())
            return {};
        if (m_codes.size() == 1)
            return {m_codes.first()};
        QStringList list;
        list.reserve(m_codes.size());
        for (qint64 c : m_codes)
            list << QString::number(c);
        return {QLatin1Char('[') + list.join(QLatin1Char(',')) + QLatin1Char(']')};
    }
    }
    return {};
}

QString RecordSelection::where() const
{
    const QString c = condition();
    return c.isEmpty() ? QString() : QStringLiteral(" where ") + c;
}

QString RecordSelection::select(const QString &table, const QString &columns) const
{
    return QStringLiteral("select ") + columns + QStringLiteral(" from ") + table + where();
}

QString RecordSelection::deleteFrom(const QString &table) const
{
    return QStringLiteral("delete from ") + table + where();
}

} // namespace tq
