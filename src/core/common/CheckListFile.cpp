#include "common/CheckListFile.h"

#include "common/Error.h"
#include "common/Gbk.h"

#include <QDir>
#include <QFile>
#include <QStringList>

namespace tq {

QList<CheckListEntry> CheckListFile::read(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("无法读取文件“%1”：%2").arg(QDir::toNativeSeparators(path), f.errorString()));
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw FileError(QStringLiteral("无法读取文件“%1”：%2").arg(QDir::toNativeSeparators(path), f.errorString()));
    return parse(bytes);
}

QList<CheckListEntry> CheckListFile::parse(const QByteArray &bytes)
{
    QList<CheckListEntry> entries;
    const QStringList lines = Gbk::decode(bytes).split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty())
            continue; // the end of the last line, or a blank line: no entry
        CheckListEntry e;
        if (line.startsWith(QLatin1Char('&'))) {
            e.selectable = line.size() > 1 && line.at(1) == QLatin1Char('1');
            const int state = line.size() > 3 ? line.at(3).digitValue() : 0;
            e.state = state >= 0 && state <= 2 ? state : 0;
            e.text = line.mid(5);
        } else {
            e.text = line;
        }
        entries.append(e);
    }
    return entries;
}

QByteArray CheckListFile::format(const QList<CheckListEntry> &entries)
{
    QStringList lines;
    for (const CheckListEntry &e : entries)
        lines << QStringLiteral("&%1 %2 %3").arg(e.selectable ? 1 : 0).arg(e.state).arg(e.text);
    return Gbk::lines(lines);
}

} // namespace tq
