#include "automation/CellAddress.h"

#include "common/Error.h"

namespace tq::automation {

QString CellAddress::columnName(int column)
{
    if (column < 1 || column > kMaxColumn)
        return {};
    QString name;
    while (column > 0) {
        const int rest = (column - 1) % 26;
        name.prepend(QChar(u'A' + rest));
        column = (column - 1) / 26;
    }
    return name;
}

int CellAddress::columnNumber(QStringView letters)
{
    if (letters.isEmpty() || letters.size() > 3)
        return 0;
    int n = 0;
    for (QChar ch : letters) {
        const char16_t c = ch.toUpper().unicode();
        if (c < u'A' || c > u'Z')
            return 0;
        n = n * 26 + (c - u'A' + 1);
    }
    return n <= kMaxColumn ? n : 0;
}

CellAddress CellAddress::parse(const QString &text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    if (i < t.size() && t[i] == u'$')
        ++i;
    const qsizetype letterStart = i;
    while (i < t.size() && t[i].isLetter() && t[i].unicode() < 128)
        ++i;
    const int column = columnNumber(QStringView(t).mid(letterStart, i - letterStart));
    if (i < t.size() && t[i] == u'$')
        ++i;
    const qsizetype digitStart = i;
    while (i < t.size() && t[i].isDigit() && t[i].unicode() < 128)
        ++i;
    bool ok = false;
    const qint64 row =
        i > digitStart && i - digitStart <= 7 ? QStringView(t).mid(digitStart, i - digitStart).toLongLong(&ok) : 0;
    if (i != t.size() || column == 0 || !ok || !isValid(int(row), column))
        throw Error(QStringLiteral("单元格地址“%1”无效").arg(text));
    return {int(row), column};
}

} // namespace tq::automation
