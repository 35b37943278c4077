#include "entry/LevelRules.h"

#include <QRegularExpression>
#include <QStringList>

namespace tq::entry {

bool LevelRuleHolds(int level, const QString &rule)
{
    if (rule.contains(QLatin1String("in"))) {
        const qsizetype open = rule.indexOf(QLatin1Char('['));
        if (open < 0 || level < 0 || level > 255)
            return false;
        QString body = rule.mid(open + 1);
        const qsizetype close = body.lastIndexOf(QLatin1Char(']'));
        if (close >= 0)
            body.truncate(close);
        static const QRegularExpression separators(QStringLiteral("[,\\s]+"));
        for (const QString &item : body.trimmed().split(separators, Qt::SkipEmptyParts)) {
            bool ok = false;
            const int member = item.toInt(&ok);
            if (ok && member >= 0 && member <= 255 && member == level)
                return true;
        }
        return false;
    }
    qsizetype n = 0;
    while (n < rule.size() && (rule[n] == u'<' || rule[n] == u'=' || rule[n] == u'>'))
        ++n;
    const QString op = rule.left(n);
    bool ok = false;
    const qint64 number = rule.mid(n).trimmed().toLongLong(&ok);
    if (!ok)
        return false; // a comparison with something that is no whole number applies to nobody
    if (op == QLatin1String(">"))
        return level > number;
    if (op == QLatin1String("="))
        return level == number;
    if (op == QLatin1String("<"))
        return level < number;
    if (op == QLatin1String(">="))
        return level >= number;
    if (op == QLatin1String("<="))
        return level <= number;
    if (op == QLatin1String("<>"))
        return level != number;
    return false;
}

} // namespace tq::entry
