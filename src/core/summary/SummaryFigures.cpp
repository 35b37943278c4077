#include "summary/SummaryFigures.h"

#include "common/Error.h"
#include "common/Interaction.h"
#include "db/Database.h"

#include <sqlite3.h>

#include <unordered_map>

namespace tq::summary {

namespace {

QVariant cell(const db::Statement &st, int column)
{
    return st.isNull(column) ? QVariant() : st.value(column);
}

// Values of yes/no and four-way fields beyond this are left to the engine:
// their products would leave 64 bits, where the engine turns to fractions.
constexpr qint64 kCodedLimit = 10000;

int filterIndex(SheetFilter f)
{
    return int(f);
}

// One value column of the requested sheets.
struct Column {
    int field = -1; // index into the fields read; -1 for count(*)
    ItemKind kind = ItemKind::Amount;
    int sub = 0; // 1.. for the columns of a coded answer
    int filter = 0;
};

// A record's contribution to one column, computed as the engine computes the
// item on whole numbers ("/" between whole numbers truncates, int() of a whole
// number is that number).
qint64 contribution(ItemKind kind, int sub, qint64 v)
{
    switch (kind) {
    case ItemKind::YesNo:
        return sub == 1 ? v * (2 - v) : v / 2 + (2 - v) * (1 - v) / 2;
    case ItemKind::FourWay:
        switch (sub) {
        case 1:
            return ((5 - v) / 4) * v;
        case 2:
            return (v - 1) * (3 - v) * (4 - v) * v / 4;
        case 3:
            return (v - 1) * (v - 2) * (4 - v) * v / 6;
        default:
            return v / 4;
        }
    default:
        return v;
    }
}

} // namespace

struct SummaryFigures::Bucket {
    qint64 passing[3] = {0, 0, 0}; // records passing each filter
    std::vector<qint64> sums;
    std::vector<unsigned char> any;
};

std::vector<GroupItem> readGroupItems(db::Database &db, qint64 groupId)
{
    db::Statement st = db.prepare(SummaryDefinitions::groupItemQuery(groupId));
    int cId = -1, cGroup = -1, cTitle = -1, cLow = -1, cHigh = -1, cLowSym = -1, cHighSym = -1;
    for (int c = 0; c < st.columnCount(); ++c) {
        const QString n = st.columnName(c).toLower();
        int *slot = n == QLatin1String("id")             ? &cId
                    : n == QLatin1String("groupid")      ? &cGroup
                    : n == QLatin1String("title")        ? &cTitle
                    : n == QLatin1String("lowboundary")  ? &cLow
                    : n == QLatin1String("highboundary") ? &cHigh
                    : n == QLatin1String("lowsymbol")    ? &cLowSym
                    : n == QLatin1String("highsymbol")   ? &cHighSym
                                                         : nullptr;
        if (slot && *slot < 0)
            *slot = c;
    }
    if (cTitle < 0 || cLow < 0 || cHigh < 0 || cLowSym < 0 || cHighSym < 0)
        throw Error(QStringLiteral("分组项目表view_group_item缺少必要的列"));
    std::vector<GroupItem> items;
    while (st.step()) {
        GroupItem item;
        item.id = cId >= 0 ? st.intValue(cId) : 0;
        item.groupId = cGroup >= 0 ? st.intValue(cGroup) : 0;
        item.title = st.textValue(cTitle);
        item.lowBoundary = cell(st, cLow);
        item.highBoundary = cell(st, cHigh);
        item.lowSymbol = st.textValue(cLowSym);
        item.highSymbol = st.textValue(cHighSym);
        items.push_back(std::move(item));
    }
    return items;
}

SummaryFigures::SummaryFigures(db::Database &db, Interaction &ui) : m_db(db), m_ui(ui), m_defs(InitSummaryDefinitions())
{
}

SummaryTable SummaryFigures::exactByLevel(int sheet)
{
    db::Statement st = m_db.prepare(m_defs.levelStatement(sheet));
    SummaryTable table;
    while (st.step()) {
        SummaryRow row{st.textValue(0), cell(st, 1), {}};
        for (int c = 2; c < st.columnCount(); ++c)
            row.values.push_back(cell(st, c));
        table.push_back(std::move(row));
    }
    return table;
}

SummaryTable SummaryFigures::exactByItems(int sheet, const std::vector<GroupItem> &items)
{
    SummaryTable table;
    int i = 0;
    for (const GroupItem &item : items) {
        const BoundStatement bound = m_defs.itemStatement(sheet, item, ++i);
        db::Statement st = m_db.prepare(bound.sql);
        st.bindAll(bound.params);
        if (!st.step())
            continue;
        SummaryRow row{st.textValue(0), cell(st, 1), {}};
        for (int c = 2; c < st.columnCount(); ++c)
            row.values.push_back(cell(st, c));
        table.push_back(std::move(row));
    }
    return table;
}

bool SummaryFigures::onePass(const std::vector<int> &sheets, const std::vector<GroupItem> *items,
                             const std::vector<qint64> &levelIds, std::vector<Bucket> &buckets)
{
    // The columns of the requested sheets, laid end to end.
    QStringList fields;
    std::vector<Column> columns;
    std::vector<char> coded; // per field: a yes/no or four-way answer
    for (int n : sheets) {
        const SummarySheet &s = m_defs.sheet(n);
        for (const SummaryItem &item : s.items) {
            int field = -1;
            if (item.kind != ItemKind::Count) {
                field = int(fields.indexOf(item.field));
                if (field < 0) {
                    field = int(fields.size());
                    fields << item.field;
                    coded.push_back(0);
                }
                if (item.kind == ItemKind::YesNo || item.kind == ItemKind::FourWay)
                    coded[std::size_t(field)] = 1;
            }
            for (int sub = 1; sub <= item.columns(); ++sub)
                columns.push_back({field, item.kind, item.columns() > 1 ? sub : 0, filterIndex(s.filter)});
        }
    }

    // The code ranges, checked once; a symbol the engine would not take goes
    // to the statements, which report it.
    struct Range {
        QString low, high;
        bool lowNull, highNull;
        qint64 lo, hi;
    };
    std::vector<Range> ranges;
    if (items) {
        for (const GroupItem &it : *items) {
            Range r{SummaryDefinitions::checkedSymbol(it.lowSymbol),
                    SummaryDefinitions::checkedSymbol(it.highSymbol),
                    !it.lowBoundary.isValid() || it.lowBoundary.isNull(),
                    !it.highBoundary.isValid() || it.highBoundary.isNull(),
                    0,
                    0};
            if (r.low.isEmpty() || r.high.isEmpty())
                return false;
            bool ok1 = true, ok2 = true;
            if (!r.lowNull)
                r.lo = it.lowBoundary.toLongLong(&ok1);
            if (!r.highNull)
                r.hi = it.highBoundary.toLongLong(&ok2);
            // A boundary that is not a whole number compares as the engine says.
            if (!ok1 || !ok2 || (!r.lowNull && it.lowBoundary.typeId() == QMetaType::Double) ||
                (!r.highNull && it.highBoundary.typeId() == QMetaType::Double))
                return false;
            ranges.push_back(r);
        }
    }
    const auto compare = [](qint64 v, const QString &op, qint64 bound) {
        if (op.size() == 1) {
            switch (op.at(0).unicode()) {
            case '>':
                return v > bound;
            case '<':
                return v < bound;
            default:
                return v == bound;
            }
        }
        return op.at(0) == u'>' ? v >= bound : v <= bound;
    };

    buckets.assign(items ? items->size() : levelIds.size(), Bucket{});
    for (Bucket &b : buckets) {
        b.sums.assign(columns.size(), 0);
        b.any.assign(columns.size(), 0);
    }
    std::unordered_map<qint64, int> levelBucket;
    for (std::size_t i = 0; i < levelIds.size(); ++i)
        levelBucket.emplace(levelIds[i], int(i));

    QString sql = QStringLiteral("select c901,c904");
    for (const QString &f : fields)
        sql += QLatin1Char(',') + f;
    sql += QStringLiteral(" from dt_data");
    db::Statement st = m_db.prepare(sql);
    sqlite3_stmt *h = st.handle();

    const qint64 total = m_db.scalar(QStringLiteral("select count(*) from dt_data")).toLongLong();
    TwoLineProgress &bar = m_ui.twoLineProgress();
    constexpr int kSteps = 100;
    bar.initSecond(kSteps);
    const qint64 perStep = std::max<qint64>(1, total / kSteps);

    std::vector<qint64> values(std::size_t(fields.size()));
    std::vector<unsigned char> present(std::size_t(fields.size()));
    std::vector<qint64> contrib(columns.size());
    std::vector<unsigned char> counts(columns.size());
    std::vector<int> targets;
    qint64 row = 0;
    while (st.step()) {
        if (++row % perStep == 0) {
            bar.incSecond();
            m_ui.processEvents();
        }
        const auto whole = [h](int c, qint64 &v) -> int { // 1 value, 0 empty, -1 anything else
            switch (sqlite3_column_type(h, c)) {
            case SQLITE_INTEGER:
                v = sqlite3_column_int64(h, c);
                return 1;
            case SQLITE_NULL:
                return 0;
            default:
                return -1;
            }
        };
        qint64 c901 = 0, c904 = 0;
        const int has901 = whole(0, c901);
        const int has904 = whole(1, c904);
        if (has901 < 0 || has904 < 0)
            return false;
        const bool pass[3] = {has901 && c901 > 0, has904 && c904 >= 0, has904 && c904 > 0};
        if (!pass[0] && !pass[1] && !pass[2])
            continue;

        targets.clear();
        if (items) {
            if (!has901)
                continue;
            for (std::size_t i = 0; i < ranges.size(); ++i) {
                const Range &r = ranges[i];
                if (!r.lowNull && !r.highNull && compare(c901, r.low, r.lo) && compare(c901, r.high, r.hi))
                    targets.push_back(int(i));
            }
        } else if (has904) {
            const auto at = levelBucket.find(c904);
            if (at != levelBucket.end())
                targets.push_back(at->second);
        }
        if (targets.empty())
            continue;

        for (int f = 0; f < int(fields.size()); ++f) {
            const int got = whole(f + 2, values[std::size_t(f)]);
            if (got < 0)
                return false;
            present[std::size_t(f)] = got > 0;
            if (got > 0 && coded[std::size_t(f)] &&
                (values[std::size_t(f)] > kCodedLimit || values[std::size_t(f)] < -kCodedLimit))
                return false;
        }
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const Column &col = columns[c];
            counts[c] = col.field >= 0 && pass[col.filter] && present[std::size_t(col.field)];
            if (counts[c])
                contrib[c] = contribution(col.kind, col.sub, values[std::size_t(col.field)]);
        }
        for (int t : targets) {
            Bucket &b = buckets[std::size_t(t)];
            for (int k = 0; k < 3; ++k)
                b.passing[k] += pass[k];
            for (std::size_t c = 0; c < columns.size(); ++c) {
                if (!counts[c])
                    continue;
                if (__builtin_add_overflow(b.sums[c], contrib[c], &b.sums[c]))
                    return false;
                b.any[c] = 1;
            }
        }
    }
    return true;
}

SummaryTables SummaryFigures::byLevel(const std::vector<int> &sheets)
{
    m_usedStatements = false;
    SummaryTables tables;
    if (sheets.empty())
        return tables;
    std::vector<QString> names;
    std::vector<qint64> ids;
    {
        db::Statement st =
            m_db.prepare(QStringLiteral("select code.name,code.id from CT_LevelCode code order by code.sequence desc"));
        while (st.step()) {
            names.push_back(st.textValue(0));
            ids.push_back(st.intValue(1));
        }
    }
    std::vector<Bucket> buckets;
    if (!onePass(sheets, nullptr, ids, buckets)) {
        m_usedStatements = true;
        for (int n : sheets)
            tables[n] = exactByLevel(n);
        return tables;
    }
    std::size_t first = 0;
    for (int n : sheets) {
        const SummarySheet &s = m_defs.sheet(n);
        const int width = s.valueColumns();
        const int filter = filterIndex(s.filter);
        SummaryTable &table = tables[n];
        for (std::size_t l = 0; l < ids.size(); ++l) {
            const Bucket &b = buckets[l];
            SummaryRow row{names[l], {}, std::vector<QVariant>(std::size_t(width))};
            // A level without a record that passes the filter has no row in
            // the grouped part of the statement: every cell stays empty.
            if (b.passing[filter] > 0) {
                row.key = ids[l];
                int c = 0;
                for (const SummaryItem &item : s.items) {
                    for (int k = 0; k < item.columns(); ++k, ++c) {
                        const std::size_t at = first + std::size_t(c);
                        if (item.kind == ItemKind::Count)
                            row.values[std::size_t(c)] = b.passing[filter];
                        else if (b.any[at])
                            row.values[std::size_t(c)] = b.sums[at];
                    }
                }
            }
            table.push_back(std::move(row));
        }
        first += std::size_t(width);
    }
    return tables;
}

SummaryTables SummaryFigures::byItems(const std::vector<int> &sheets, const std::vector<GroupItem> &items)
{
    m_usedStatements = false;
    SummaryTables tables;
    if (sheets.empty())
        return tables;
    std::vector<Bucket> buckets;
    if (!onePass(sheets, &items, {}, buckets)) {
        m_usedStatements = true;
        for (int n : sheets)
            tables[n] = exactByItems(n, items);
        return tables;
    }
    std::size_t first = 0;
    for (int n : sheets) {
        const SummarySheet &s = m_defs.sheet(n);
        const int width = s.valueColumns();
        const int filter = filterIndex(s.filter);
        SummaryTable &table = tables[n];
        for (std::size_t i = 0; i < items.size(); ++i) {
            const Bucket &b = buckets[i];
            // A range without records still gives its one row: a count of 0
            // and empty sums.
            SummaryRow row{items[i].title, qint64(i + 1), std::vector<QVariant>(std::size_t(width))};
            int c = 0;
            for (const SummaryItem &item : s.items) {
                for (int k = 0; k < item.columns(); ++k, ++c) {
                    const std::size_t at = first + std::size_t(c);
                    if (item.kind == ItemKind::Count)
                        row.values[std::size_t(c)] = b.passing[filter];
                    else if (b.any[at])
                        row.values[std::size_t(c)] = b.sums[at];
                }
            }
            table.push_back(std::move(row));
        }
        first += std::size_t(width);
    }
    return tables;
}

} // namespace tq::summary
