#include "automation/CellMeasure.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace tq::automation {

QString numberText(double v)
{
    if (v == std::floor(v) && std::fabs(v) < 1e15)
        return QString::number(qint64(v));
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return QString::fromLatin1(buf, int(r.ptr - buf));
}

bool isWide(char32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

// Width of the widest line in digit widths: wide (Chinese) characters count two.
double textUnits(const QString &text)
{
    double best = 0, line = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        if (c == u'\n') {
            best = std::max(best, line);
            line = 0;
            continue;
        }
        line += isWide(c) ? 2.0 : 1.0;
    }
    return std::max(best, line);
}

// Roughly what a number format shows, for measuring.
QString shownNumber(double v, const QString &format)
{
    if (format == QLatin1String("General") || format == QLatin1String("@"))
        return numberText(v);
    const QString first = format.section(u';', 0, 0);
    if (first.contains(QLatin1String("yy")) || first.contains(QLatin1String("dd")))
        return QStringLiteral("0000-00-00");
    int decimals = 0;
    const qsizetype dot = first.indexOf(u'.');
    if (dot >= 0) {
        for (qsizetype k = dot + 1; k < first.size() && (first[k] == u'0' || first[k] == u'#'); ++k)
            ++decimals;
    }
    QString digits = QString::number(std::fabs(v), 'f', decimals);
    if (first.contains(QLatin1String("#,##"))) {
        qsizetype intEnd = digits.indexOf(u'.');
        if (intEnd < 0)
            intEnd = digits.size();
        for (qsizetype k = intEnd - 3; k > 0; k -= 3)
            digits.insert(k, u',');
    }
    if (v < 0)
        digits.prepend(u'-');
    if (first.contains(QChar(0xFFE5)))
        digits.prepend(QChar(0xFFE5));
    if (first.contains(QLatin1String("_ ")))
        digits.append(u' ');
    return digits;
}

} // namespace tq::automation
