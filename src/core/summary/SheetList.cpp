#include "summary/SheetList.h"

#include "common/Error.h"
#include "common/Gbk.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace tq::summary {

SheetList SheetList::builtIn()
{
    struct Group {
        const char16_t *header;
        const char16_t *entry;
        int count; // 0: the entry alone, n: entry + 1 .. entry + n
    };
    static const Group groups[] = {
        {u"//表一 工会组织建设状况", u"工会组织建设状况统计表", 2},
        {u"//表二 工会干部协管工作", u"工会干部协管工作统计表", 0},
        {u"//表三 工会干部教育培训工作", u"工会干部教育培训工作统计表", 0},
        {u"//表四 工会保障工作", u"工会保障工作统计表", 5},
        {u"//表五 工会法律工作", u"工会法律工作统计表", 4},
        {u"//表六 工会劳动保护工作", u"工会劳动保护工作统计表", 0},
        {u"//表七 工会劳动合同、集体合同和民主参与工作", u"工会劳动合同、集体合同和民主参与工作统计表", 0},
        {u"//表八 工会经济技术工作", u"工会经济技术工作统计表", 2},
        {u"//表九 工会经费审查和财务工作1", u"工会经费审查和财务工作统计表", 2},
        {u"//表十 工会宣传教育和职工文化体育工作", u"工会宣传教育和职工文化体育工作统计表", 0},
        {u"//表十一 工会国际工作和对外经济技术交流工作", u"工会国际工作和对外经济技术交流工作统计表", 0},
        {u"//表十二 开展创建劳动关系和谐企业与工业园区活动", u"开展创建劳动关系和谐企业与工业园区活动统计表", 3},
        {u"//补充资料", u"补充资料统计表", 2},
    };
    SheetList list;
    list.m_entries.push_back({QStringLiteral("封面"), true, SheetListEntry::Unticked});
    for (const Group &g : groups) {
        list.m_entries.push_back({QString::fromUtf16(g.header), false, SheetListEntry::Unticked});
        const QString entry = QString::fromUtf16(g.entry);
        if (g.count == 0)
            list.m_entries.push_back({entry, true, SheetListEntry::Unticked});
        for (int i = 1; i <= g.count; ++i)
            list.m_entries.push_back({entry + QString::number(i), true, SheetListEntry::Unticked});
    }
    return list;
}

SheetList SheetList::parse(const QByteArray &bytes)
{
    QString text = Gbk::decode(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the end of the last line, not an entry
    SheetList list;
    for (QString line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        SheetListEntry e;
        if (line.startsWith(u'&')) {
            e.selectable = line.mid(1, 1) == QLatin1String("1");
            const int state = line.mid(3, 1).toInt();
            e.state = state >= 0 && state <= 2 ? state : 0;
            e.text = line.mid(5);
        } else {
            e.text = line;
        }
        list.m_entries.push_back(e);
    }
    return list;
}

SheetList SheetList::read(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("无法读取文件“%1”：%2").arg(QDir::toNativeSeparators(path), f.errorString()));
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw FileError(QStringLiteral("无法读取文件“%1”：%2").arg(QDir::toNativeSeparators(path), f.errorString()));
    return parse(bytes);
}

QByteArray SheetList::toBytes() const
{
    QStringList lines;
    for (const SheetListEntry &e : m_entries)
        lines << QStringLiteral("&%1 %2 %3").arg(e.selectable ? 1 : 0).arg(e.state).arg(e.text);
    return Gbk::lines(lines);
}

void SheetList::write(const QString &path) const
{
    QSaveFile f(path);
    const auto fail = [&] {
        throw FileError(QStringLiteral("无法写入文件“%1”：%2").arg(QDir::toNativeSeparators(path), f.errorString()));
    };
    if (!f.open(QIODevice::WriteOnly))
        fail();
    const QByteArray bytes = toBytes();
    if (f.write(bytes) != bytes.size())
        fail();
    if (!f.commit())
        fail();
}

void SheetList::tickAll(bool ticked)
{
    for (SheetListEntry &e : m_entries)
        if (e.selectable)
            e.state = ticked ? SheetListEntry::Ticked : SheetListEntry::Unticked;
}

void SheetList::tickGroup(int index)
{
    if (index < 0 || index >= size() || m_entries[std::size_t(index)].selectable)
        return;
    for (int i = index + 1; i < size() && m_entries[std::size_t(i)].selectable; ++i)
        m_entries[std::size_t(i)].state = SheetListEntry::Ticked;
}

int SheetList::tickedCount() const
{
    int n = 0;
    for (const SheetListEntry &e : m_entries)
        n += e.ticked();
    return n;
}

int SheetList::sheetOf(int index, int sheetCount) const
{
    if (index < 0 || index >= size() || !m_entries[std::size_t(index)].selectable)
        return 0;
    int sheet = 0;
    for (int i = 0; i <= index; ++i)
        sheet += m_entries[std::size_t(i)].selectable;
    return sheet <= sheetCount ? sheet : 0;
}

std::vector<int> SheetList::tickedSheets(int sheetCount) const
{
    std::vector<int> out;
    int sheet = 0;
    for (const SheetListEntry &e : m_entries) {
        if (!e.selectable)
            continue;
        ++sheet;
        if (sheet > sheetCount)
            break;
        if (e.ticked())
            out.push_back(sheet);
    }
    return out;
}

} // namespace tq::summary
