#include "exchange/CopyColumns.h"

#include <QSet>

namespace tq::exchange {

QString CopyColumns::quoted(const QString &name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

QString CopyColumns::list(const QStringList &columns)
{
    QStringList q;
    q.reserve(columns.size());
    for (const QString &c : columns)
        q << quoted(c);
    return q.join(QLatin1Char(','));
}

QString CopyColumns::firstMissing(const QStringList &wanted, const QStringList &have)
{
    QSet<QString> present;
    for (const QString &h : have)
        present.insert(h.toLower());
    for (const QString &w : wanted)
        if (!present.contains(w.toLower()))
            return w;
    return QString();
}

} // namespace tq::exchange
