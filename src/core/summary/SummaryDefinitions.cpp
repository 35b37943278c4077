#include "summary/SummaryDefinitions.h"

#include "common/Error.h"

namespace tq::summary {

namespace {

struct SheetSource {
    int number;
    const char16_t *title;
    SheetFilter filter;
    // "count" for count(*); "a001-a005" a run of fields; ":yn" yes/no; ":4" four-way.
    const char *items;
};

constexpr SheetFilter P = SheetFilter::CodePositive;

const SheetSource kSheets[] = {
    {2, u"表一  工会组织建设状况(1)", P, "count z001-z008"},
    {3, u"表一  工会组织建设状况(2)", P, "z009:yn z010:yn z011-z014"},
    {4, u"表二  工会干部协管工作", SheetFilter::LevelNotNegative, "x001 x002 x003-x006:yn x007-x009"},
    {5, u"表三  工会干部教育培训工作", P, "p001-p008"},
    {6, u"表四  工会保障工作(1)", P, "b001:yn b002-b010"},
    {7, u"表四  工会保障工作(2)", P, "b011:yn b012-b022"},
    {8, u"表四  工会保障工作(3)", P, "b023-b033"},
    {9, u"表四  工会保障工作(4)", SheetFilter::LevelPositive, "b034-b040"},
    {10, u"表四  工会保障工作(5)", SheetFilter::LevelPositive, "b041 b042 b043:yn b044:yn b045-b048"},
    {11, u"表五  工会法律工作(1)", P, "f001 f002 f003:yn f004-f007 f008:yn f009"},
    {12, u"表五  工会法律工作(2)", P, "f010-f014 f015:yn f016:yn"},
    {13, u"表五  工会法律工作(3)", P, "f017-f023 f024:yn"},
    {14, u"表五  工会法律工作(4)", P, "f025-f034"},
    {15, u"表六  工会劳动保护工作", P, "l001:yn l002-l007"},
    {16, u"表七  工会劳动合同、集体合同和民主参与工作", SheetFilter::LevelPositive, "h001:yn h002:yn h003-h005"},
    {17, u"表八  工会经济技术工作(1)", P, "j001-j007"},
    {18, u"表八  工会经济技术工作(2)", P, "j008 j009 j010:yn j011:yn j012 j013"},
    {19, u"表九  工会经费审查和财务工作(1)", P, "s001-s003:yn s004 s005 s006:yn s007:yn"},
    {20, u"表九  工会经费审查和财务工作(2)", P, "s008:yn s009:yn s010 s011-s013:yn"},
    {21, u"表十  工会宣传教育和职工文化体育工作", P, "w001-w007"},
    {22, u"表十一  工会国际工作和对外经济技术交流工作", P, "g001-g008"},
    {23, u"表十二  开展创建劳动关系和谐企业与工业园区活动(1)", P, "c001:yn c002:4 c003:4 c004:yn"},
    {24, u"表十二  开展创建劳动关系和谐企业与工业园区活动(2)", P, "c005-c008 c009:yn c010-c015"},
    {25, u"表十二  开展创建劳动关系和谐企业与工业园区活动(3)", P, "c016-c021"},
};

// "x003-x006" -> x003, x004, x005, x006 (the letter and width of the first).
QStringList expandRun(const QString &run)
{
    const qsizetype dash = run.indexOf(u'-');
    if (dash < 0)
        return {run};
    const QString first = run.left(dash);
    const QString last = run.mid(dash + 1);
    const QString prefix = first.left(1);
    const int from = first.mid(1).toInt();
    const int to = last.mid(1).toInt();
    QStringList out;
    for (int n = from; n <= to; ++n)
        out << prefix + QStringLiteral("%1").arg(n, int(first.size()) - 1, 10, QLatin1Char('0'));
    return out;
}

std::vector<SummaryItem> parseItems(const QString &text)
{
    std::vector<SummaryItem> items;
    for (const QString &word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (word == QLatin1String("count")) {
            items.push_back({ItemKind::Count, QString()});
            continue;
        }
        const QString kind = word.section(u':', 1);
        const ItemKind k = kind == QLatin1String("yn")  ? ItemKind::YesNo
                           : kind == QLatin1String("4") ? ItemKind::FourWay
                                                        : ItemKind::Amount;
        for (const QString &field : expandRun(word.section(u':', 0, 0)))
            items.push_back({k, field});
    }
    return items;
}

} // namespace

int SummaryItem::columns() const
{
    switch (kind) {
    case ItemKind::YesNo:
        return 2;
    case ItemKind::FourWay:
        return 4;
    default:
        return 1;
    }
}

int SummarySheet::valueColumns() const
{
    int n = 0;
    for (const SummaryItem &item : items)
        n += item.columns();
    return n;
}

QString SummaryDefinitions::filterText(SheetFilter filter)
{
    switch (filter) {
    case SheetFilter::LevelNotNegative:
        return QStringLiteral("c904>=0");
    case SheetFilter::LevelPositive:
        return QStringLiteral("c904>0");
    default:
        return QStringLiteral("c901>0");
    }
}

QStringList SummaryDefinitions::itemTexts(const SummaryItem &item)
{
    const QString &f = item.field;
    switch (item.kind) {
    case ItemKind::Count:
        return {QStringLiteral("count(*)")};
    case ItemKind::Amount:
        return {QStringLiteral("sum(%1) as sum_%1").arg(f)};
    case ItemKind::YesNo:
        return {QStringLiteral("sum(%1*(2-%1)) as sum_%1_1").arg(f),
                QStringLiteral("sum(int(%1/2) + (2-%1)*(1-%1)/2) as sum_%1_2").arg(f)};
    case ItemKind::FourWay:
        return {QStringLiteral("sum(int((5-%1)/4)*%1) as sum_%1_1").arg(f),
                QStringLiteral("sum((%1-1)*(3-%1)*(4-%1)*%1/4) as sum_%1_2").arg(f),
                QStringLiteral("sum((%1-1)*(%1-2)*(4-%1)*%1/6) as sum_%1_3").arg(f),
                QStringLiteral("sum(int(%1/4)) as sum_%1_4").arg(f)};
    }
    return {};
}

SummaryDefinitions::SummaryDefinitions()
{
    for (const SheetSource &s : kSheets) {
        SummarySheet sheet;
        sheet.number = s.number;
        sheet.title = QString::fromUtf16(s.title);
        sheet.filter = s.filter;
        sheet.items = parseItems(QString::fromLatin1(s.items));
        QStringList texts;
        for (const SummaryItem &item : sheet.items)
            texts << itemTexts(item);
        sheet.selectList = texts.join(u',') + QStringLiteral(" from dt_data where ") + filterText(sheet.filter);
        m_sheets.push_back(std::move(sheet));
    }
}

const SummaryDefinitions &InitSummaryDefinitions()
{
    static const SummaryDefinitions definitions;
    return definitions;
}

const SummarySheet &SummaryDefinitions::sheet(int n) const
{
    if (!isTableSheet(n))
        throw Error(QStringLiteral("汇总表没有第%1张表").arg(n));
    return m_sheets[std::size_t(n - FirstSheet)];
}

QString SummaryDefinitions::levelStatement(int n) const
{
    return QStringLiteral("select code.name,sum_table.*  from CT_LevelCode code left join (select c904,") +
           SummarySelectList(n) + QStringLiteral(" group by c904) sum_table") +
           QStringLiteral(" on code.id = sum_table.c904 order by code.sequence desc");
}

QString SummaryDefinitions::groupItemQuery(qint64 groupId)
{
    if (groupId == 0)
        return QStringLiteral("select * from view_group_item order by LowBoundary desc");
    return QStringLiteral("select * from view_group_item where groupid=") + QString::number(groupId) +
           QStringLiteral(" order by LowBoundary desc");
}

QString SummaryDefinitions::checkedSymbol(const QString &symbol)
{
    static const QStringList known{QStringLiteral(">"), QStringLiteral(">="), QStringLiteral("<"), QStringLiteral("<="),
                                   QStringLiteral("=")};
    const QString s = symbol.trimmed();
    return known.contains(s) ? s : QString();
}

BoundStatement SummaryDefinitions::itemStatement(int n, const GroupItem &item, int i) const
{
    const QString low = checkedSymbol(item.lowSymbol);
    const QString high = checkedSymbol(item.highSymbol);
    if (low.isEmpty() || high.isEmpty())
        throw Error(
            QStringLiteral("分组项目“%1”的编号范围符号无效：%2 %3").arg(item.title, item.lowSymbol, item.highSymbol));
    return {QStringLiteral(" select ? as ItemName,") + QString::number(i) + QStringLiteral(" as sid,") +
                SummarySelectList(n) + QStringLiteral(" and c901") + low + QStringLiteral("? and c901") + high +
                QStringLiteral("?"),
            {item.title, item.lowBoundary, item.highBoundary}};
}

QStringList SummaryDefinitions::fields() const
{
    QStringList out;
    for (const SummarySheet &s : m_sheets)
        for (const SummaryItem &item : s.items)
            if (item.kind != ItemKind::Count && !out.contains(item.field))
                out << item.field;
    return out;
}

} // namespace tq::summary
