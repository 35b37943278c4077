#include "entry/PageLayout.h"

#include "common/Error.h"
#include "entry/EditorResources.h"

#include <QSet>

namespace tq::entry {

QStringList LayoutPage::fieldNames() const
{
    QStringList names;
    for (const LayoutGroup &g : groups)
        for (const QStringList &row : g.rows)
            names += row;
    return names;
}

PageLayout PageLayout::parse(const QString &text)
{
    PageLayout layout;
    QSet<QString> seen;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString line = lines[n].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const auto fail = [&](const QString &why) {
            return Error(QStringLiteral("表页布局第%1行%2：%3").arg(n + 1).arg(why, line));
        };
        LayoutPage *page = layout.m_pages.isEmpty() ? nullptr : &layout.m_pages.last();
        if (line.startsWith(QLatin1String("page "))) {
            const qsizetype bar = line.indexOf(QLatin1Char('|'));
            const QStringList head = line.left(bar).simplified().split(QLatin1Char(' '));
            bool ok = false;
            LayoutPage next;
            next.index = head.value(1).toInt(&ok);
            if (bar < 0 || head.size() != 3 || !ok)
                throw fail(QStringLiteral("应为 page 页号 标签 | 标题"));
            if (next.index != int(layout.m_pages.size()) + 1)
                throw fail(QStringLiteral("页号应为%1").arg(layout.m_pages.size() + 1));
            next.caption = head[2];
            next.title = line.mid(bar + 1).trimmed();
            layout.m_pages.append(next);
        } else if (line.startsWith(QLatin1String("note "))) {
            if (!page)
                throw fail(QStringLiteral("说明不属于任何表页"));
            page->note = line.mid(5).trimmed();
        } else if (line.startsWith(QLatin1String("group "))) {
            if (!page)
                throw fail(QStringLiteral("分组不属于任何表页"));
            page->groups.append({line.mid(6).trimmed(), {}});
        } else {
            if (!page || page->groups.isEmpty())
                throw fail(QStringLiteral("编辑框不属于任何分组"));
            const QStringList row = line.simplified().split(QLatin1Char(' '));
            for (const QString &name : row) {
                if (seen.contains(name.toLower()))
                    throw fail(QStringLiteral("编辑框 %1 重复").arg(name));
                seen.insert(name.toLower());
            }
            page->groups.last().rows.append(row);
        }
    }
    return layout;
}

PageLayout PageLayout::standard()
{
    return parse(editorResource(QStringLiteral("pages.txt")));
}

} // namespace tq::entry
