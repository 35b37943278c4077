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

    // A row's values on sheet `s`, whose columns start at `first` among the
    // sums: the count of records passing the sheet's filter, and every sum
    // that some record gave.
    void fill(std::vector<QVariant> &values, const SummarySheet &s, std::size_t first) const
    {
        const int filter = filterIndex(s.filter);
        int c = 0;
        for (const SummaryItem &item : s.items) {
            for (int k = 0; k < item.columns(); ++k, ++c) {
                const std::size_t at = first + std::size_t(c);
                if (item.kind == ItemKind::Count)
                    values[std::size_t(c)] = passing[filter];
                else if (any[at])
                    values[std::size_t(c)] = sums[at];
            }
        }
    }
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

namespace {

// A code range of a grouping, checked once before the pass.
struct Range {
    QString low, high;
    qint64 lo = 0, hi = 0;
    bool usable = false; // false when a boundary is empty: the range takes no record

    bool contains(qint64 v) const { return usable && holds(v, low, lo) && holds(v, high, hi); }
    static bool holds(qint64 v, const QString &op, qint64 bound)
    {
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
    }
};

} // namespace

// Everything the pass needs while the engine feeds it the records. The
// engine takes at most 127 arguments a function, so the fields are handed over
// in chunks, each chunk a function of its own with c901 and c904 in front.
struct SummaryFigures::Pass {
    struct Chunk {
        Pass *pass = nullptr;
        int index = 0;
        std::vector<std::size_t> columns; // value columns fed by this chunk
        std::vector<int> argOf;           // per column of `columns`: its argument
        std::vector<char> codedArg;       // per argument: a yes/no or four-way answer
    };

    std::vector<Column> columns;
    std::vector<Chunk> chunks;
    std::vector<Bucket> &buckets;
    const std::vector<Range> *ranges = nullptr;
    std::unordered_map<qint64, int> levelBucket;
    Interaction *ui = nullptr;
    qint64 perStep = 1;
    qint64 rows = 0;
    bool refused = false; // a value the pass leaves to the statements

    explicit Pass(std::vector<Bucket> &b) : buckets(b) {}

    static void step(sqlite3_context *ctx, int argc, sqlite3_value **argv)
    {
        auto *chunk = static_cast<Chunk *>(sqlite3_user_data(ctx));
        Pass &p = *chunk->pass;
        if (p.refused || argc < 2)
            return;
        if (chunk->index == 0 && ++p.rows % p.perStep == 0) {
            p.ui->twoLineProgress().incSecond();
            p.ui->processEvents();
        }
        qint64 c901 = 0, c904 = 0;
        const int has901 = whole(argv[0], c901);
        const int has904 = whole(argv[1], c904);
        if (has901 < 0 || has904 < 0) {
            p.refused = true;
            return;
        }
        const bool pass[3] = {has901 && c901 > 0, has904 && c904 >= 0, has904 && c904 > 0};
        if (!pass[0] && !pass[1] && !pass[2])
            return;

        int targets[64];
        std::vector<int> many;
        int count = 0;
        const auto target = [&](int t) {
            if (count < 64)
                targets[count] = t;
            else
                many.push_back(t);
            ++count;
        };
        if (p.ranges) {
            if (!has901)
                return;
            for (std::size_t i = 0; i < p.ranges->size(); ++i)
                if ((*p.ranges)[i].contains(c901))
                    target(int(i));
        } else if (has904) {
            const auto at = p.levelBucket.find(c904);
            if (at != p.levelBucket.end())
                target(at->second);
        }
        if (count == 0)
            return;

        // The contributions of this record, once, then added to each of its
        // buckets.
        const std::size_t n = chunk->columns.size();
        qint64 contrib[256];
        bool counts[256];
        std::vector<qint64> contribMore(n > 256 ? n : 0);
        std::vector<char> countsMore(n > 256 ? n : 0);
        qint64 *c = n > 256 ? contribMore.data() : contrib;
        bool *has = n > 256 ? reinterpret_cast<bool *>(countsMore.data()) : counts;
        for (std::size_t k = 0; k < n; ++k) {
            const Column &col = p.columns[chunk->columns[k]];
            const int arg = chunk->argOf[k];
            has[k] = false;
            if (!pass[col.filter] || arg >= argc)
                continue;
            qint64 v = 0;
            const int got = whole(argv[arg], v);
            if (got < 0 || (got > 0 && chunk->codedArg[std::size_t(arg)] && (v > kCodedLimit || v < -kCodedLimit))) {
                p.refused = true;
                return;
            }
            if (got > 0) {
                has[k] = true;
                c[k] = contribution(col.kind, col.sub, v);
            }
        }
        for (int t = 0; t < count; ++t) {
            Bucket &b = p.buckets[std::size_t(t < 64 ? targets[t] : many[std::size_t(t - 64)])];
            if (chunk->index == 0)
                for (int f = 0; f < 3; ++f)
                    b.passing[f] += pass[f];
            for (std::size_t k = 0; k < n; ++k) {
                if (!has[k])
                    continue;
                const std::size_t at = chunk->columns[k];
                if (__builtin_add_overflow(b.sums[at], c[k], &b.sums[at])) {
                    p.refused = true;
                    return;
                }
                b.any[at] = 1;
            }
        }
    }

    static void final(sqlite3_context *ctx) { sqlite3_result_null(ctx); }

    // 1 a whole number, 0 empty, -1 anything else.
    static int whole(sqlite3_value *v, qint64 &out)
    {
        switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
            out = sqlite3_value_int64(v);
            return 1;
        case SQLITE_NULL:
            return 0;
        default:
            return -1;
        }
    }
};

bool SummaryFigures::onePass(const std::vector<int> &sheets, const std::vector<GroupItem> *items,
                             const std::vector<qint64> &levelIds, std::vector<Bucket> &buckets)
{
    Pass pass(buckets);
    // The columns of the requested sheets, laid end to end, and the fields
    // they read.
    QStringList fields;
    std::vector<char> coded;
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
                pass.columns.push_back({field, item.kind, item.columns() > 1 ? sub : 0, filterIndex(s.filter)});
        }
    }

    // The code ranges; a symbol or boundary the pass cannot compare as the
    // engine would goes to the statements.
    std::vector<Range> ranges;
    if (items) {
        for (const GroupItem &it : *items) {
            Range r;
            r.low = SummaryDefinitions::checkedSymbol(it.lowSymbol);
            r.high = SummaryDefinitions::checkedSymbol(it.highSymbol);
            if (r.low.isEmpty() || r.high.isEmpty())
                return false;
            const bool lowEmpty = !it.lowBoundary.isValid() || it.lowBoundary.isNull();
            const bool highEmpty = !it.highBoundary.isValid() || it.highBoundary.isNull();
            if (!lowEmpty && !highEmpty) {
                if (it.lowBoundary.typeId() != QMetaType::LongLong || it.highBoundary.typeId() != QMetaType::LongLong)
                    return false;
                r.lo = it.lowBoundary.toLongLong();
                r.hi = it.highBoundary.toLongLong();
                r.usable = true;
            }
            ranges.push_back(r);
        }
        pass.ranges = &ranges;
    }
    for (std::size_t i = 0; i < levelIds.size(); ++i)
        pass.levelBucket.emplace(levelIds[i], int(i));

    buckets.assign(items ? items->size() : levelIds.size(), Bucket{});
    for (Bucket &b : buckets) {
        b.sums.assign(pass.columns.size(), 0);
        b.any.assign(pass.columns.size(), 0);
    }

    constexpr int kFieldsPerChunk = 120;
    const int chunkCount = std::max(1, int((fields.size() + kFieldsPerChunk - 1) / kFieldsPerChunk));
    pass.chunks.resize(std::size_t(chunkCount));
    QStringList calls;
    for (int k = 0; k < chunkCount; ++k) {
        Pass::Chunk &chunk = pass.chunks[std::size_t(k)];
        chunk.pass = &pass;
        chunk.index = k;
        chunk.codedArg = {0, 0};
        QStringList args{QStringLiteral("c901"), QStringLiteral("c904")};
        const int first = k * kFieldsPerChunk;
        const int last = std::min(int(fields.size()), first + kFieldsPerChunk);
        for (int f = first; f < last; ++f) {
            args << fields[f];
            chunk.codedArg.push_back(coded[std::size_t(f)]);
        }
        for (std::size_t c = 0; c < pass.columns.size(); ++c) {
            const int f = pass.columns[c].field;
            if (f >= first && f < last) {
                chunk.columns.push_back(c);
                chunk.argOf.push_back(f - first + 2);
            }
        }
        calls << QStringLiteral("tq_summary_pass%1(").arg(k) + args.join(u',') + u')';
    }

    sqlite3 *h = m_db.handle();
    const auto unregister = [&] {
        for (int k = 0; k < chunkCount; ++k)
            sqlite3_create_function_v2(h, QStringLiteral("tq_summary_pass%1").arg(k).toUtf8().constData(), -1,
                                       SQLITE_UTF8, nullptr, nullptr, nullptr, nullptr, nullptr);
    };
    for (int k = 0; k < chunkCount; ++k) {
        const Pass::Chunk &chunk = pass.chunks[std::size_t(k)];
        sqlite3_create_function_v2(h, QStringLiteral("tq_summary_pass%1").arg(k).toUtf8().constData(),
                                   int(chunk.codedArg.size()), SQLITE_UTF8, const_cast<Pass::Chunk *>(&chunk), nullptr,
                                   &Pass::step, &Pass::final, nullptr);
    }

    const qint64 total = m_db.scalar(QStringLiteral("select count(*) from dt_data")).toLongLong();
    constexpr int kSteps = 100;
    m_ui.twoLineProgress().initSecond(kSteps);
    pass.perStep = std::max<qint64>(1, total / kSteps);
    pass.ui = &m_ui;
    try {
        m_db.scalar(QStringLiteral("select ") + calls.join(u',') + QStringLiteral(" from dt_data"));
    } catch (...) {
        unregister();
        throw;
    }
    unregister();
    return !pass.refused;
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
                b.fill(row.values, s, first);
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
        SummaryTable &table = tables[n];
        for (std::size_t i = 0; i < items.size(); ++i) {
            const Bucket &b = buckets[i];
            // A range without records still gives its one row: a count of 0
            // and empty sums.
            SummaryRow row{items[i].title, qint64(i + 1), std::vector<QVariant>(std::size_t(width))};
            b.fill(row.values, s, first);
            table.push_back(std::move(row));
        }
        first += std::size_t(width);
    }
    return tables;
}

} // namespace tq::summary
