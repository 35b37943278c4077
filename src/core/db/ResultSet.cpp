#include "db/ResultSet.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sqlite3.h>

namespace tq::db {

namespace {

// One bit per cell: whether it is empty. Cheaper to grow than vector<bool>.
class NullMask {
public:
    void push(bool isNull)
    {
        if ((m_size & 63) == 0)
            m_words.push_back(0);
        if (isNull)
            m_words.back() |= std::uint64_t(1) << (m_size & 63);
        ++m_size;
    }
    bool operator[](std::size_t i) const { return (m_words[i >> 6] >> (i & 63)) & 1; }
    std::size_t memory() const { return m_words.capacity() * sizeof(std::uint64_t); }

private:
    std::vector<std::uint64_t> m_words;
    std::size_t m_size = 0;
};

// Whole numbers in blocks of 4,096 cells, each block as narrow as its largest
// value allows (1, 2, 4 or 8 bytes). Growing never copies what is stored, and
// a wide value re-encodes one block only.
class IntStore {
public:
    static constexpr std::size_t kBlock = 4096;

    qint64 at(std::size_t i) const
    {
        const Block &b = m_blocks[i / kBlock];
        return read(b.bytes.data() + (i % kBlock) * std::size_t(b.width), b.width);
    }
    void push(qint64 v)
    {
        if (m_blocks.empty() || m_blocks.back().n == kBlock) {
            m_blocks.emplace_back();
            m_blocks.back().bytes.resize(kBlock);
        }
        Block &b = m_blocks.back();
        const int w = widthFor(v);
        if (w > b.width)
            widen(b, w);
        write(b.bytes.data() + b.n * std::size_t(b.width), b.width, v);
        ++b.n;
    }
    void clear() { m_blocks = {}; }
    std::size_t memory() const
    {
        std::size_t n = m_blocks.capacity() * sizeof(Block);
        for (const Block &b : m_blocks)
            n += b.bytes.capacity();
        return n;
    }
    static int widthFor(qint64 v)
    {
        if (v >= INT8_MIN && v <= INT8_MAX)
            return 1;
        if (v >= INT16_MIN && v <= INT16_MAX)
            return 2;
        if (v >= INT32_MIN && v <= INT32_MAX)
            return 4;
        return 8;
    }

private:
    struct Block {
        int width = 1;
        std::size_t n = 0;
        std::vector<std::uint8_t> bytes;
    };

    static qint64 read(const std::uint8_t *p, int w)
    {
        switch (w) {
        case 1: {
            std::int8_t v;
            std::memcpy(&v, p, 1);
            return v;
        }
        case 2: {
            std::int16_t v;
            std::memcpy(&v, p, 2);
            return v;
        }
        case 4: {
            std::int32_t v;
            std::memcpy(&v, p, 4);
            return v;
        }
        default: {
            std::int64_t v;
            std::memcpy(&v, p, 8);
            return v;
        }
        }
    }
    static void write(std::uint8_t *p, int w, qint64 v)
    {
        switch (w) {
        case 1: {
            const auto x = std::int8_t(v);
            std::memcpy(p, &x, 1);
            break;
        }
        case 2: {
            const auto x = std::int16_t(v);
            std::memcpy(p, &x, 2);
            break;
        }
        case 4: {
            const auto x = std::int32_t(v);
            std::memcpy(p, &x, 4);
            break;
        }
        default: {
            const auto x = std::int64_t(v);
            std::memcpy(p, &x, 8);
        }
        }
    }
    static void widen(Block &b, int w)
    {
        std::vector<std::uint8_t> wider(kBlock * std::size_t(w));
        for (std::size_t i = 0; i < b.n; ++i)
            write(wider.data() + i * std::size_t(w), w, read(b.bytes.data() + i * std::size_t(b.width), b.width));
        b.bytes = std::move(wider);
        b.width = w;
    }

    std::vector<Block> m_blocks;
};

// Texts of a column back to back in one buffer: a national list holds half
// a million short names, and a QString each would cost several times the
// characters themselves.
class TextStore {
public:
    void push(QStringView v)
    {
        m_chars.insert(m_chars.end(), v.begin(), v.end());
        m_ends.push_back(m_chars.size());
    }
    void push(const char *utf8, int bytes)
    {
        const QString s = QString::fromUtf8(utf8, bytes);
        push(QStringView(s));
    }
    void pushEmpty() { m_ends.push_back(m_chars.size()); }
    QStringView at(std::size_t i) const
    {
        const std::size_t begin = i ? m_ends[i - 1] : 0;
        return QStringView(m_chars.data() + begin, qsizetype(m_ends[i] - begin));
    }
    std::size_t size() const { return m_ends.size(); }
    void clear()
    {
        m_chars = {};
        m_ends = {};
    }
    std::size_t memory() const { return m_chars.capacity() * sizeof(QChar) + m_ends.capacity() * sizeof(std::size_t); }

private:
    std::vector<QChar> m_chars;
    std::vector<std::size_t> m_ends;
};

} // namespace

struct ResultSet::Column {
    enum Kind { Empty, Int, Real, Text, Mixed };

    QString name;
    Kind kind = Empty;
    IntStore ints;
    std::vector<double> reals;
    TextStore texts;
    std::vector<QVariant> mixed;
    NullMask nulls;
    std::size_t rows = 0;

    qint64 intAt(std::size_t i) const { return ints.at(i); }
    void putInt(qint64 v) { ints.push(v); }

    QVariant variantAt(std::size_t i) const
    {
        if (nulls[i])
            return {};
        switch (kind) {
        case Int:
            return QVariant::fromValue<qint64>(intAt(i));
        case Real:
            return reals[i];
        case Text:
            return texts.at(i).toString();
        case Mixed:
            return mixed[i];
        default:
            return {};
        }
    }

    void toMixed()
    {
        std::vector<QVariant> all;
        all.reserve(rows + 1);
        for (std::size_t i = 0; i < rows; ++i)
            all.push_back(variantAt(i));
        ints.clear();
        reals.clear();
        reals.shrink_to_fit();
        texts.clear();
        mixed = std::move(all);
        kind = Mixed;
    }

    // An empty slot in the storage of the column's kind (its null bit says
    // that it is empty).
    void pushPlaceholder()
    {
        switch (kind) {
        case Int:
            putInt(0);
            break;
        case Real:
            reals.push_back(0);
            break;
        case Text:
            texts.pushEmpty();
            break;
        case Mixed:
            mixed.emplace_back();
            break;
        case Empty:
            break;
        }
    }

    void becomeKind(Kind k)
    {
        // Rows read so far were all empty: give them storage of the new kind.
        kind = k;
        for (std::size_t i = 0; i < rows; ++i)
            pushPlaceholder();
    }

    void appendNull()
    {
        pushPlaceholder();
        nulls.push(true);
        ++rows;
    }

    void appendInt(qint64 v)
    {
        if (kind == Empty)
            becomeKind(Int);
        if (kind == Int) {
            putInt(v);
        } else if (kind == Real) {
            reals.push_back(double(v));
        } else {
            if (kind != Mixed)
                toMixed();
            mixed.push_back(QVariant::fromValue<qint64>(v));
        }
        nulls.push(false);
        ++rows;
    }

    void appendReal(double v)
    {
        if (kind == Empty)
            becomeKind(Real);
        if (kind == Int) {
            std::vector<double> all(rows);
            for (std::size_t i = 0; i < rows; ++i)
                all[i] = double(intAt(i));
            ints.clear();
            reals = std::move(all);
            kind = Real;
        }
        if (kind == Real) {
            reals.push_back(v);
        } else {
            if (kind != Mixed)
                toMixed();
            mixed.push_back(v);
        }
        nulls.push(false);
        ++rows;
    }

    void appendText(QString v)
    {
        if (kind == Empty)
            becomeKind(Text);
        if (kind == Text) {
            texts.push(QStringView(v));
        } else {
            if (kind != Mixed)
                toMixed();
            mixed.push_back(std::move(v));
        }
        nulls.push(false);
        ++rows;
    }

    qint64 intValue(std::size_t i) const
    {
        if (nulls[i])
            return 0;
        switch (kind) {
        case Int:
            return intAt(i);
        case Real:
            return qRound64(reals[i]);
        case Text:
            return texts.at(i).trimmed().toLongLong();
        case Mixed: {
            const QVariant &v = mixed[i];
            if (v.typeId() == QMetaType::Double)
                return qRound64(v.toDouble());
            return v.toString().trimmed().toLongLong();
        }
        default:
            return 0;
        }
    }

    QString textValue(std::size_t i) const
    {
        if (nulls[i])
            return {};
        switch (kind) {
        case Int:
            return QString::number(intAt(i));
        case Real:
            return QString::number(reals[i], 'g', 15);
        case Text:
            return texts.at(i).toString();
        case Mixed: {
            const QVariant &v = mixed[i];
            if (v.typeId() == QMetaType::Double)
                return QString::number(v.toDouble(), 'g', 15);
            return v.toString();
        }
        default:
            return {};
        }
    }

    // Three-way comparison of two physical rows; empty values first.
    int compare(std::size_t a, std::size_t b) const
    {
        const bool na = nulls[a], nb = nulls[b];
        if (na || nb)
            return na == nb ? 0 : (na ? -1 : 1);
        switch (kind) {
        case Int: {
            const qint64 x = intAt(a), y = intAt(b);
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        case Real: {
            const double x = reals[a], y = reals[b];
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        case Text:
            return texts.at(a).compare(texts.at(b));
        case Mixed: {
            const QVariant &x = mixed[a], &y = mixed[b];
            const bool xs = x.typeId() == QMetaType::QString, ys = y.typeId() == QMetaType::QString;
            if (!xs && !ys) {
                const double dx = x.toDouble(), dy = y.toDouble();
                return dx < dy ? -1 : (dx > dy ? 1 : 0);
            }
            if (xs != ys)
                return xs ? 1 : -1; // numbers before texts
            return x.toString().compare(y.toString());
        }
        default:
            return 0;
        }
    }

    std::size_t memory() const
    {
        std::size_t n = ints.memory() + reals.capacity() * sizeof(double) + nulls.memory();
        n += texts.memory();
        n += mixed.capacity() * sizeof(QVariant);
        return n;
    }
};

ResultSet::ResultSet() = default;
ResultSet::ResultSet(ResultSet &&) noexcept = default;
ResultSet &ResultSet::operator=(ResultSet &&) noexcept = default;
ResultSet::~ResultSet() = default;

ResultSet ResultSet::run(Database &db, const QString &sql, const QVariantList &params)
{
    ResultSet rs;
    rs.load(db, sql, params);
    return rs;
}

void ResultSet::load(Database &db, const QString &sql, const QVariantList &params)
{
    Statement st = db.prepare(sql);
    st.bindAll(params);
    std::vector<std::unique_ptr<Column>> columns;
    QHash<QString, int> index;
    const int n = st.columnCount();
    columns.reserve(std::size_t(n));
    for (int c = 0; c < n; ++c) {
        auto col = std::make_unique<Column>();
        col->name = st.columnName(c);
        columns.push_back(std::move(col));
    }
    // With duplicate names (a join) the first column of a name answers to it.
    for (int c = n - 1; c >= 0; --c)
        index.insert(columns[std::size_t(c)]->name.toLower(), c);

    sqlite3_stmt *h = st.handle();
    std::size_t rows = 0;
    while (st.step()) {
        for (int c = 0; c < n; ++c) {
            Column &col = *columns[std::size_t(c)];
            // One look-up of the cell, then cheap reads of its type and value.
            sqlite3_value *v = sqlite3_column_value(h, c);
            switch (sqlite3_value_type(v)) {
            case SQLITE_INTEGER:
                if (col.kind == Column::Int) { // the common case, kept short
                    col.ints.push(sqlite3_value_int64(v));
                    col.nulls.push(false);
                    ++col.rows;
                } else {
                    col.appendInt(sqlite3_value_int64(v));
                }
                break;
            case SQLITE_FLOAT:
                col.appendReal(sqlite3_value_double(v));
                break;
            case SQLITE_NULL:
                col.appendNull();
                break;
            default: {
                const auto *p = reinterpret_cast<const char *>(sqlite3_value_text(v));
                col.appendText(QString::fromUtf8(p, sqlite3_value_bytes(v)));
            }
            }
        }
        ++rows;
    }
    m_columns = std::move(columns);
    m_index = std::move(index);
    m_rows = rows;
}

QString ResultSet::columnName(int column) const
{
    if (column < 0 || column >= columnCount())
        return {};
    return m_columns[std::size_t(column)]->name;
}

int ResultSet::columnIndex(const QString &name) const
{
    return m_index.value(name.toLower(), -1);
}

int ResultSet::requireColumn(const QString &name) const
{
    const int c = columnIndex(name);
    if (c < 0)
        throw DbError(QStringLiteral("查询结果中没有字段 %1").arg(name));
    return c;
}

bool ResultSet::isNull(int row, int column) const
{
    return !valid(row, column) || m_columns[std::size_t(column)]->nulls[std::size_t(row)];
}

qint64 ResultSet::intValue(int row, int column) const
{
    return valid(row, column) ? m_columns[std::size_t(column)]->intValue(std::size_t(row)) : 0;
}

QString ResultSet::text(int row, int column) const
{
    return valid(row, column) ? m_columns[std::size_t(column)]->textValue(std::size_t(row)) : QString();
}

QVariant ResultSet::value(int row, int column) const
{
    return valid(row, column) ? m_columns[std::size_t(column)]->variantAt(std::size_t(row)) : QVariant();
}

int ResultSet::compare(int column, int rowA, int rowB) const
{
    if (!valid(rowA, column) || !valid(rowB, column))
        return 0;
    return m_columns[std::size_t(column)]->compare(std::size_t(rowA), std::size_t(rowB));
}

std::vector<int> ResultSet::sortedOrder(int column, Qt::SortOrder direction, std::vector<int> order) const
{
    if (column < 0 || column >= columnCount())
        throw DbError(QStringLiteral("查询结果中没有第 %1 列").arg(column + 1));
    const Column &col = *m_columns[std::size_t(column)];
    const bool descending = direction == Qt::DescendingOrder;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int r = col.compare(std::size_t(a), std::size_t(b));
        return descending ? r > 0 : r < 0;
    });
    return order;
}

std::vector<int> ResultSet::naturalOrder() const
{
    std::vector<int> order(m_rows);
    for (std::size_t i = 0; i < m_rows; ++i)
        order[i] = int(i);
    return order;
}

std::size_t ResultSet::memoryUsage() const
{
    std::size_t n = 0;
    for (const auto &c : m_columns)
        n += c->memory();
    return n;
}

} // namespace tq::db
