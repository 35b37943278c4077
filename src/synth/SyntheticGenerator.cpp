#include "SyntheticGenerator.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <array>
#include <bitset>
#include <cmath>
#include <initializer_list>
#include <optional>
#include <utility>

namespace tq::synth {

int gbkLength(const QString &text)
{
    int n = 0;
    for (const QChar c : text)
        n += c.unicode() < 0x80 ? 1 : 2;
    return n;
}

namespace {

using tq::db::Database;
using LevelSet = std::bitset<256>;

constexpr int kMaxLevel = 10;
constexpr qint64 kMaxCode = 9999999;
constexpr int kNameBytes = 60;

// Share of each level among the organisations above the grassroots: a few dozen
// provincial federations, hundreds of prefectures, thousands of counties and
// tens of thousands of township, regional and other unions.
constexpr std::array<double, kMaxLevel + 1> kLevelWeight = {0, 0.5, 3, 22, 2, 6, 6, 30, 6, 17, 7.5};
// How big an organisation of each level is, relative to a small county union.
constexpr std::array<double, kMaxLevel + 1> kLevelScale = {1, 30, 8, 2.5, 4, 1.5, 0.8, 0.4, 1, 0.5, 0.4};

// Cover columns that are whole numbers get the first value slots; the rules may
// read them (c904) but breaking a rule never changes them.
enum CoverSlot { SlotCode = 0, SlotCity = 1, SlotLevel = 2, CoverSlots = 3 };

// xoshiro256** seeded through splitmix64: a fixed algorithm, so a seed gives
// the same data on every platform and library version.
class Rng {
public:
    explicit Rng(quint64 seed)
    {
        for (quint64 &s : m_s)
            s = splitmix(seed);
    }

    static quint64 splitmix(quint64 &x)
    {
        quint64 z = (x += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    quint64 next()
    {
        const quint64 result = rotl(m_s[1] * 5, 7) * 9;
        const quint64 t = m_s[1] << 17;
        m_s[2] ^= m_s[0];
        m_s[3] ^= m_s[1];
        m_s[1] ^= m_s[2];
        m_s[0] ^= m_s[3];
        m_s[2] ^= t;
        m_s[3] = rotl(m_s[3], 45);
        return result;
    }

    // Uniform in [lo, hi]; the modulo bias is far below anything a test sees.
    qint64 range(qint64 lo, qint64 hi)
    {
        if (hi <= lo)
            return lo;
        return lo + qint64(next() % (quint64(hi - lo) + 1));
    }
    double real() { return double(next() >> 11) * 0x1.0p-53; }
    bool chance(double p) { return real() < p; }
    template <typename T, std::size_t N> const T &pick(const T (&items)[N]) { return items[range(0, N - 1)]; }

private:
    static quint64 rotl(quint64 x, int k) { return (x << k) | (x >> (64 - k)); }
    std::array<quint64, 4> m_s{};
};

// The levels a catalogue Rule admits, read the way the record editor reads it:
// "in [a,b,...]" (list form whenever "in" occurs) or an operator and a number.
LevelSet parseLevelRule(const QString &rule)
{
    LevelSet set;
    const QString r = rule.trimmed();
    if (r.isEmpty()) {
        set.set();
        return set;
    }
    if (r.contains(QStringLiteral("in"))) {
        const int open = int(r.indexOf(u'['));
        if (open < 0)
            return set;
        QString body = r.mid(open + 1);
        const int close = int(body.lastIndexOf(u']'));
        if (close >= 0)
            body.truncate(close);
        static const QRegularExpression sep(QStringLiteral("[,\\s]+"));
        for (const QString &item : body.split(sep, Qt::SkipEmptyParts)) {
            bool ok = false;
            const int n = item.toInt(&ok);
            if (ok && n >= 0 && n <= 255)
                set.set(std::size_t(n));
        }
        return set;
    }
    int k = 0;
    while (k < r.size() && QStringView(u"<=>").contains(r.at(k)))
        ++k;
    const QString op = r.left(k);
    bool ok = false;
    const int n = r.mid(k).trimmed().toInt(&ok);
    if (!ok)
        return set;
    for (int level = 0; level < 256; ++level) {
        bool holds = false;
        if (op == u">")
            holds = level > n;
        else if (op == u"=")
            holds = level == n;
        else if (op == u"<")
            holds = level < n;
        else if (op == u">=")
            holds = level >= n;
        else if (op == u"<=")
            holds = level <= n;
        else if (op == u"<>")
            holds = level != n;
        set.set(std::size_t(level), holds);
    }
    return set;
}

// Field names of the form letter + three digits ("z001", "c904") index a dense
// table, so that filling a record looks fields up without hashing.
constexpr int kDenseSize = 26 * 1000;

int denseIndex(QStringView name)
{
    if (name.size() != 4 || name[0] < u'a' || name[0] > u'z')
        return -1;
    int n = 0;
    for (int i = 1; i < 4; ++i) {
        if (!name[i].isDigit())
            return -1;
        n = n * 10 + name[i].digitValue();
    }
    return (name[0].unicode() - 'a') * 1000 + n;
}

int denseIndex(const char *name)
{
    return (name[0] - 'a') * 1000 + (name[1] - '0') * 100 + (name[2] - '0') * 10 + (name[3] - '0');
}

struct Field {
    QString name; // lower case
    int slot = -1;
    int choices = 0; // 0: a count or amount; n: an answer coded 1..n (0 = unanswered)
    LevelSet levels;
    double typical = 10; // size of a count at scale 1, from the unit in the label
};

struct City {
    int id = 0;
    int code1 = 0;
    QString name;
    QString parent; // for counties: the prefecture or, below a placeholder, the province
    bool park = false;
};

struct Record {
    std::vector<qint64> v;
    int level = 0;
    QString name, person, phone, stats;
};

struct Gate {
    int gate = -1;
    std::vector<int> dependents;
};

// Size of a count per unit of its label, for a small county union.
double typicalForUnit(const QString &hint)
{
    static const QRegularExpression unitRe(QStringLiteral("\\(([^()（）]+)\\)\\s*$"));
    const QString unit = unitRe.match(hint).captured(1);
    static const QHash<QString, double> sizes = {
        {QStringLiteral("人"), 20},    {QStringLiteral("人次"), 300}, {QStringLiteral("户"), 100},
        {QStringLiteral("户次"), 150}, {QStringLiteral("万元"), 20},  {QStringLiteral("件"), 10},
        {QStringLiteral("次"), 5},     {QStringLiteral("个"), 2},     {QStringLiteral("家"), 30},
        {QStringLiteral("项"), 5},     {QStringLiteral("批次"), 1},   {QStringLiteral("起"), 1},
        {QStringLiteral("种"), 1},     {QStringLiteral("份"), 5},
    };
    return sizes.value(unit, 10);
}

// Coded answers are recognised by the catalogue: QueryType 3 is yes/no, and a
// label listing "1=...；2=...；..." names the codes of a choice.
int choicesFor(int queryType, const QString &hint)
{
    static const QRegularExpression codeRe(QStringLiteral("(\\d+)\\s*="));
    int highest = 0;
    bool hasOne = false;
    for (auto it = codeRe.globalMatch(hint); it.hasNext();) {
        const int n = it.next().captured(1).toInt();
        highest = std::max(highest, n);
        hasOne = hasOne || n == 1;
    }
    if (queryType == 3)
        return std::max(2, highest);
    return hasOne && highest >= 2 ? highest : 0;
}

bool isPlaceholderName(const QString &name)
{
    return name == u"市辖区" || name == u"县" || name.endsWith(QStringLiteral("行政区划"));
}

bool looksLikePark(const QString &name)
{
    return name.contains(QStringLiteral("开发区")) || name.contains(QStringLiteral("园区")) ||
           name.contains(QStringLiteral("示范区")) || name.contains(QStringLiteral("产业园"));
}

class Generator;

// Fills one record: helpers that size values for the record's level.
struct Filler {
    const Generator &gen;
    Record &r;
    Rng &g;
    int level;
    double scale;
    bool openGates;

    qint64 &operator[](const char *name) const;
    // A count around `typical` scaled to the level, spread over a factor of four.
    qint64 amount(double typical) const { return std::llround(typical * scale * std::exp2(2.0 * g.real() - 1.0)); }
    qint64 positive(double typical) const { return std::max<qint64>(1, amount(typical)); }
    // A share of `total`, between lo and hi of it.
    qint64 part(qint64 total, double lo, double hi) const
    {
        return std::clamp<qint64>(std::llround(double(total) * (lo + (hi - lo) * g.real())), 0, total);
    }
    qint64 above(qint64 base, double typical) const { return base + positive(typical); }
    qint64 yn(double pYes) const { return g.chance(pYes) ? 1 : 2; }
    bool chance(double p) const { return g.chance(p); }
    // A gate question; records meant to break a rule keep their gates open so
    // that the values behind them are there to be broken.
    qint64 gate(double pYes) const { return openGates ? 1 : yn(pYes); }
    // Distributes `total` exactly over the fields in proportion to the weights,
    // each weight jittered by up to half.
    void split(qint64 total, std::initializer_list<std::pair<const char *, double>> parts) const
    {
        double rest = 0;
        std::vector<double> w;
        for (const auto &p : parts) {
            w.push_back(p.second * (0.5 + g.real()));
            rest += w.back();
        }
        qint64 left = total;
        std::size_t i = 0;
        for (const auto &p : parts) {
            qint64 share = left;
            if (i + 1 < w.size()) {
                share = std::clamp<qint64>(std::llround(double(left) * w[i] / rest), 0, left);
                rest -= w[i];
            }
            (*this)[p.first] = share;
            left -= share;
            ++i;
        }
    }
};

class Generator {
public:
    Generator(Database &db, const QString &rulesFile);

    const std::vector<LogicRule> &rules() const { return m_rules; }
    int ruleIndex(int no) const { return m_ruleIndex.value(no, -1); }
    const std::vector<Field> &fields() const { return m_fields; }
    const std::vector<const Field *> &textFields() const { return m_textFields; }
    int slotCount() const { return m_slotCount; }
    int slotFor(const char *name) const
    {
        const int s = m_dense[std::size_t(denseIndex(name))];
        return s >= 0 ? s : m_slotCount; // the spare slot past the end soaks up unknown fields
    }

    int pickLevel(Rng &g, const std::vector<int> &levels) const;
    void build(Record &r, Rng &g, int level, bool openGates) const;
    // Index of the first rule the record fails, or -1.
    int firstFailure(const Record &r) const;
    // Empty when every field that does not apply to the level and every field
    // behind a closed gate is 0; otherwise the first offender.
    QString restrictionFault(const Record &r) const;
    // Changes values of the rule's fields (never the cover) until its failure
    // condition holds; false when no change within the budget did it.
    bool breakRule(Record &r, Rng &g, const LogicRule &rule) const;
    // Levels at which `rule` can be broken without touching fields that do not
    // apply to the level.
    std::vector<int> breakLevels(const LogicRule &rule, Rng &probe) const;
    QString makeStats(Rng &g) const { return m_machines[std::size_t(g.range(0, qint64(m_machines.size()) - 1))]; }

private:
    void loadCatalogue(Database &db);
    void loadCities(Database &db);
    void fillCover(Record &r, Rng &g) const;
    void fillSurvey(Filler &f) const;
    void restrict(Record &r) const;
    qint64 candidate(int slot, const std::vector<qint64> &v, const std::vector<int> &vars, Rng &g) const;

    std::vector<Field> m_fields; // survey fields holding whole numbers
    std::vector<const Field *> m_textFields;
    std::vector<Field> m_textStore;
    std::vector<int> m_fieldOfSlot; // slot -> index in m_fields, -1 for cover slots
    QHash<QString, int> m_slotByName;
    std::vector<int> m_dense;
    int m_slotCount = CoverSlots;
    std::vector<Gate> m_gates;

    std::vector<LogicRule> m_rules;
    QHash<int, int> m_ruleIndex;

    std::vector<City> m_provinces, m_prefectures, m_counties, m_parks;
    std::vector<QString> m_machines;
};

qint64 &Filler::operator[](const char *name) const
{
    return r.v[std::size_t(gen.slotFor(name))];
}

Generator::Generator(Database &db, const QString &rulesFile) : m_dense(kDenseSize, -1)
{
    loadCatalogue(db);
    loadCities(db);
    m_rules = loadLogicRules(rulesFile, [this](const QString &name) { return m_slotByName.value(name.toLower(), -1); });
    for (std::size_t i = 0; i < m_rules.size(); ++i)
        m_ruleIndex.insert(m_rules[i].no, int(i));

    // A handful of machines saved the records, as in a real collection.
    Rng g(0x5EED5EEDULL);
    static const char *const families[] = {"000306A9", "000306C3", "000206A7", "000906EA", "00A20F12", "000806EC"};
    for (int i = 0; i < 8; ++i) {
        QString s = QLatin1StringView(g.pick(families));
        for (int k = 0; k < 24; ++k)
            s += QChar(u"0123456789ABCDEF"[g.range(0, 15)]);
        m_machines.push_back(s);
    }
}

void Generator::loadCatalogue(Database &db)
{
    QSet<QString> columns;
    for (const QString &c : db.columnNames(QStringLiteral("dt_data")))
        columns.insert(c.toLower());
    for (const char *need : {"c901", "c902", "c903", "c904", "c905", "c906", "recordstate", "stats"})
        if (!columns.contains(QLatin1StringView(need)))
            throw SynthError(QStringLiteral("dt_data has no column %1").arg(QLatin1StringView(need)));

    m_slotByName.insert(QStringLiteral("c901"), SlotCode);
    m_slotByName.insert(QStringLiteral("c903"), SlotCity);
    m_slotByName.insert(QStringLiteral("c904"), SlotLevel);
    m_dense[std::size_t(denseIndex("c901"))] = SlotCode;
    m_dense[std::size_t(denseIndex("c903"))] = SlotCity;
    m_dense[std::size_t(denseIndex("c904"))] = SlotLevel;
    m_fieldOfSlot.assign(CoverSlots, -1);

    tq::db::Statement st = db.prepare(
        QStringLiteral("SELECT FieldName, Hint, QueryType, PageID, Rule FROM dt_fieldlist ORDER BY sequence, ID"));
    while (st.step()) {
        if (st.intValue(3) < 1) // the cover and the list-only rows
            continue;
        Field f;
        f.name = st.textValue(0).trimmed().toLower();
        if (f.name.isEmpty() || m_slotByName.contains(f.name))
            continue;
        if (!columns.contains(f.name))
            throw SynthError(QStringLiteral("the catalogue names %1, which dt_data lacks").arg(f.name));
        const QString hint = st.textValue(1);
        const int queryType = int(st.intValue(2));
        f.levels = parseLevelRule(st.textValue(4));
        if (queryType == 1) {
            m_textStore.push_back(f);
            continue;
        }
        f.choices = choicesFor(queryType, hint);
        f.typical = typicalForUnit(hint);
        f.slot = m_slotCount++;
        m_slotByName.insert(f.name, f.slot);
        if (const int d = denseIndex(f.name); d >= 0)
            m_dense[std::size_t(d)] = f.slot;
        m_fieldOfSlot.push_back(int(m_fields.size()));
        m_fields.push_back(std::move(f));
    }
    for (const Field &f : m_textStore)
        m_textFields.push_back(&f);
    if (m_fields.empty())
        throw SynthError(QStringLiteral("dt_fieldlist lists no survey fields"));

    // A gate answered other than 1 closes the fields behind it.
    static const char *const gates[][3] = {
        {"b001", "b002", "b008"}, {"c001", "c002", "c008"}, {"c009", "c010", "c021"}};
    for (const auto &g : gates) {
        Gate gate;
        gate.gate = m_dense[std::size_t(denseIndex(g[0]))];
        if (gate.gate < 0)
            continue;
        for (int d = denseIndex(g[1]); d <= denseIndex(g[2]); ++d)
            if (m_dense[std::size_t(d)] >= 0)
                gate.dependents.push_back(m_dense[std::size_t(d)]);
        m_gates.push_back(std::move(gate));
    }
}

void Generator::loadCities(Database &db)
{
    struct Row {
        int id, c1, c2, c3;
        QString name;
    };
    std::vector<Row> rows;
    QHash<int, QString> names;
    tq::db::Statement st =
        db.prepare(QStringLiteral("SELECT ID, Code1, Code2, Code3, Name FROM CT_CityName ORDER BY ID"));
    while (st.step()) {
        Row r{int(st.intValue(0)), int(st.intValue(1)), int(st.intValue(2)), int(st.intValue(3)),
              st.textValue(4).trimmed()};
        if (r.id < 100000 || r.id > 999999 || r.name.isEmpty())
            continue;
        names.insert(r.id, r.name);
        rows.push_back(std::move(r));
    }
    for (const Row &r : rows) {
        City c;
        c.id = r.id;
        c.code1 = r.c1;
        c.name = r.name;
        if (r.c2 == 0) {
            m_provinces.push_back(c);
        } else if (r.c3 == 0) {
            if (!isPlaceholderName(r.name))
                m_prefectures.push_back(c);
        } else {
            if (isPlaceholderName(r.name))
                continue;
            const QString city = names.value(r.id / 100 * 100);
            c.parent = city.isEmpty() || isPlaceholderName(city) ? names.value(r.id / 10000 * 10000) : city;
            c.park = looksLikePark(r.name);
            m_counties.push_back(c);
            if (c.park)
                m_parks.push_back(c);
        }
    }
    if (m_provinces.empty() && m_prefectures.empty() && m_counties.empty())
        throw SynthError(QStringLiteral("CT_CityName holds no usable divisions"));
}

int Generator::pickLevel(Rng &g, const std::vector<int> &levels) const
{
    double total = 0;
    for (int l : levels)
        total += kLevelWeight[std::size_t(l)];
    double x = g.real() * total;
    for (int l : levels) {
        x -= kLevelWeight[std::size_t(l)];
        if (x < 0)
            return l;
    }
    return levels.back();
}

// --- cover -------------------------------------------------------------------

const char *const kIndustries[] = {"教育",     "卫生",     "农林水利",     "建设", "交通运输",   "机械冶金建材",
                                   "能源化学", "国防邮电", "财贸轻纺烟草", "金融", "科教文卫体", "城建"};
const char *const kPlaceFirst[] = {"东", "西", "南", "北", "新", "大", "小", "前", "后", "石", "龙", "马", "黄", "白",
                                   "青", "金", "高", "长", "杨", "柳", "双", "三", "红", "清", "平", "安", "永", "太"};
const char *const kPlaceSecond[] = {"桥", "河", "山", "庄", "湾", "口", "坪", "沟", "田", "集", "店", "铺",
                                    "营", "寨", "岭", "坝", "塘", "城", "港", "林", "泉", "阳", "兴", "和"};
const char *const kParkKinds[] = {"经济开发区",     "高新技术产业开发区", "工业园区",
                                  "经济技术开发区", "工业集中区",         "产业园区"};
const char *const kTrades[] = {"建筑业",   "餐饮业",       "商贸流通",   "物流",   "家政服务业",
                               "出租汽车", "个体私营经济", "美容美发业", "快递业", "非公有制企业"};
const char *const kOthers[] = {"直属机关工会工作委员会", "教育系统工会委员会", "卫生系统工会委员会", "机关工会联合会",
                               "国有资产系统工会委员会"};
const char *const kSurnames[] = {"王", "李", "张", "刘", "陈", "杨", "赵", "黄", "周", "吴", "徐", "孙", "胡", "朱",
                                 "高", "林", "何", "郭", "马", "罗", "梁", "宋", "郑", "谢", "韩", "唐", "冯", "于",
                                 "董", "程", "曹", "袁", "邓", "许", "傅", "沈", "曾", "彭", "吕", "苏", "卢", "蒋",
                                 "蔡", "贾", "丁", "魏", "薛", "叶", "余", "潘", "杜", "戴", "夏", "钟", "汪", "田",
                                 "任", "姜", "范", "方", "石", "姚", "谭", "廖", "邹", "熊", "金", "陆", "郝", "孔"};
const char *const kGiven[] = {"伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳", "杰", "娟",
                              "涛", "明", "超", "秀", "霞", "平", "刚", "桂", "英", "华", "玉", "萍", "红", "建",
                              "国", "立", "志", "海", "燕", "文", "辉", "鹏", "宇", "晓", "雪", "丹", "林", "云",
                              "峰", "斌", "波", "宁", "慧", "颖", "玲", "婷", "浩", "凯", "亮", "俊", "新", "春"};

// Area code of the provincial capital, by province part of the division code.
QString areaCode(int code1)
{
    static const QHash<int, const char *> codes = {
        {11, "010"},  {12, "022"},  {13, "0311"}, {14, "0351"}, {15, "0471"}, {21, "024"},  {22, "0431"}, {23, "0451"},
        {31, "021"},  {32, "025"},  {33, "0571"}, {34, "0551"}, {35, "0591"}, {36, "0791"}, {37, "0531"}, {41, "0371"},
        {42, "027"},  {43, "0731"}, {44, "020"},  {45, "0771"}, {46, "0898"}, {50, "023"},  {51, "028"},  {52, "0851"},
        {53, "0871"}, {54, "0891"}, {61, "029"},  {62, "0931"}, {63, "0971"}, {64, "0951"}, {65, "0991"}};
    return QLatin1StringView(codes.value(code1, "010"));
}

QString digits(Rng &g, int n)
{
    QString s;
    for (int i = 0; i < n; ++i)
        s += QChar(u'0' + int(g.range(0, 9)));
    return s;
}

QString u8(const char *s)
{
    return QString::fromUtf8(s);
}

void Generator::fillCover(Record &r, Rng &g) const
{
    const int level = r.level;
    const std::vector<City> *pool = &m_counties;
    if (level == 1 || level == 4)
        pool = &m_provinces;
    else if (level == 2 || level == 5)
        pool = &m_prefectures;
    else if (level == 8 && !m_parks.empty() && g.chance(0.5))
        pool = &m_parks;
    // A code table without the wanted kind of row still yields a seat.
    for (const std::vector<City> *fallback : {&m_prefectures, &m_provinces, &m_counties})
        if (pool->empty())
            pool = fallback;
    const City &c = (*pool)[std::size_t(g.range(0, qint64(pool->size()) - 1))];
    r.v[SlotCity] = c.id;

    // Counties with short or common names are usually written with their city.
    const bool prefixed = !c.parent.isEmpty() && (c.name.size() <= 2 || g.chance(0.25));
    auto local = [&](bool withParent) { return withParent ? c.parent + c.name : c.name; };
    auto nameFor = [&](bool withParent) {
        switch (level) {
        case 1:
        case 2:
            return c.name + u8("总工会");
        case 3:
            return local(withParent) + u8("总工会");
        case 4:
        case 5:
            return c.name + u8(g.pick(kIndustries)) + u8("工会");
        case 6:
            return local(withParent) + u8(g.pick(kIndustries)) + u8("工会");
        case 7: {
            static const char *const kinds[] = {"镇", "镇", "乡", "街道"};
            return local(withParent) + u8(g.pick(kPlaceFirst)) + u8(g.pick(kPlaceSecond)) + u8(g.pick(kinds)) +
                   u8("工会");
        }
        case 8:
            return c.park ? local(withParent) + u8("工会") : local(withParent) + u8(g.pick(kParkKinds)) + u8("工会");
        case 9:
            if (g.chance(0.5))
                return local(withParent) + u8(g.pick(kTrades)) + u8("行业工会联合会");
            return local(withParent) + u8(g.pick(kPlaceFirst)) + u8(g.pick(kPlaceSecond)) + u8("区域工会联合会");
        default:
            return local(withParent) + u8(g.pick(kOthers));
        }
    };
    r.name = nameFor(prefixed);
    if (gbkLength(r.name) > kNameBytes)
        r.name = nameFor(false);
    while (gbkLength(r.name) > kNameBytes)
        r.name.chop(1);

    r.person = u8(g.pick(kSurnames)) + u8(g.pick(kGiven));
    if (g.chance(0.6))
        r.person += u8(g.pick(kGiven));
    if (g.chance(0.15)) {
        static const char *const mobile[] = {"13", "15", "18"};
        r.phone = QLatin1StringView(g.pick(mobile)) + digits(g, 9);
    } else {
        r.phone = areaCode(c.code1) + u'-' + QChar(u'0' + int(g.range(5, 8))) + digits(g, 7);
    }
    r.stats = makeStats(g);
}

// --- survey tables -------------------------------------------------------------
//
// Each table is filled so that its consistency rules hold by construction:
// parts never exceed their wholes, pairs that are both zero or both positive are
// drawn together, and fields behind a "no" are zero. Fields no rule ties get
// the generic value from their unit.

// Tables 1 to 3: cadres, their supervision and training.
void fillOrganisation(const Filler &f)
{
    f["z001"] = (f.level >= 7 && f.chance(0.3)) ? 0 : f.amount(5);
    f["z007"] = f.amount(6);
    if (f["z001"] + f["z007"] <= 0)
        f["z007"] = f.g.range(1, 4);
    const qint64 cadres = f["z001"] + f["z007"];
    f["z002"] = f.part(f["z001"], 0.25, 0.6);
    f.split(f["z001"], {{"z003", 0.06}, {"z004", 0.45}, {"z005", 0.32}, {"z006", 0.17}});
    f["z008"] = f.part(f["z007"], 0.2, 0.6);
    f["z009"] = f.yn(0.9);
    f["z010"] = f["z009"] == 1 ? f.yn(0.6) : 2;
    f["z011"] = f["z012"] = f["z013"] = f["z014"] = 0;
    if (f["z009"] == 1) {
        const qint64 women = std::clamp<qint64>(f.part(cadres, 0.05, 0.3), 1, cadres);
        f["z011"] = std::min(f["z001"], f.part(women, 0.2, 0.8));
        f["z012"] = women - f["z011"];
        if (f.chance(0.8)) {
            f["z013"] = f.positive(0.6);
            f["z014"] = f["z013"] * f.g.range(15, 60);
        }
    }

    // Leadership: a handful of members, never more than the cadres.
    if (f.level >= 4 && f.chance(0.1))
        f["x001"] = 0;
    else
        f["x001"] = std::clamp<qint64>(f.level == 1 ? f.g.range(10, 20) : f.g.range(3, 12), 1, cadres);
    f["x002"] = f.part(f["x001"], 0.3, 1.0);
    f["x003"] = f.yn(0.85);
    f["x004"] = f.yn(0.7);
    f["x005"] = f.yn(0.8);
    f["x006"] = f.yn(0.5);
    f["x007"] = f.part(f["x002"], 0.5, 1.0);
    f["x008"] = f.part(f["x002"], 0.5, 1.0);
    f["x009"] = f.part(f["x002"], 0.1, 0.4);

    f["p001"] = f.amount(3);
    f["p002"] = f["p001"] * f.g.range(20, 80);
    f["p003"] = f.part(f["p002"], 0.2, 0.6);
    f["p004"] = f.amount(0.4);
    f["p005"] = f.part(f["p004"], 0.3, 1.0);
    f["p006"] = f.amount(4);
}

// Table 4: hardship relief, mutual insurance, training and jobs.
void fillSecurity(const Filler &f)
{
    f["b001"] = f.gate(f.level <= 3 ? 0.9 : 0.4);
    for (const char *n : {"b002", "b003", "b004", "b005", "b006", "b007", "b008"})
        f[n] = 0;
    if (f["b001"] == 1) {
        f["b002"] = f.positive(400);
        f["b003"] = f.part(f["b002"], 0.2, 0.5);
        f["b004"] = f.part(f["b003"], 0.05, 0.3);
        f["b005"] = std::max<qint64>(1, f.part(f["b002"], 0.5, 1.0));
        f["b006"] = f.part(f["b005"], 0.1, 0.5);
        f["b007"] = f.amount(80);
        f["b008"] = f["b005"] + f.part(f["b005"], 0.0, 1.5);
    }
    const bool visits = f.chance(0.95);
    f["b009"] = visits ? f.positive(800) : 0;
    f["b010"] = visits ? f.positive(40) : 0;
    f["b011"] = f.yn(0.8);
    f["b012"] = f["b011"] == 1 ? f.amount(100) : 0;

    // Mutual insurance, training and job placement (county level and above).
    f["b013"] = f.amount(1500);
    f["b014"] = f.part(f["b013"], 0.1, 0.4);
    f["b016"] = f.amount(100);
    f["b017"] = f.part(f["b016"], 0.2, 0.7);
    f["b018"] = f.part(f["b016"], 0.3, 0.9);
    f["b019"] = f.part(f["b018"], 0.1, 0.5);
    f["b020"] = f.amount(50);
    f["b021"] = f.part(f["b020"], 0.3, 0.9);
    f["b023"] = f.amount(1500);
    f["b024"] = f.part(f["b023"], 0.2, 0.6);
    f["b025"] = f.part(f["b023"], 0.3, 0.8);
    f["b026"] = f.part(f["b025"], 0.2, 0.6);
    f["b027"] = f.part(f["b025"], 0.4, 0.9);
    f["b028"] = f.chance(0.7) ? f.amount(200) : 0;
    f["b029"] = f.part(f["b028"], 0.1, 0.5);
    f["b031"] = f.chance(0.6) ? f.positive(80) : 0;
    f["b032"] = f.part(f["b031"], 0.3, 0.9);
    f["b033"] = f["b031"] > 0 ? f["b031"] + 1 + f.part(f["b031"], 0.5, 3.0) : 0;
    const bool bases = f.chance(0.5);
    f["b034"] = bases ? f.positive(2) : 0;
    f["b035"] = bases ? f.positive(100) : 0;
    f["b036"] = f.part(f["b035"], 0.2, 0.6);
    f["b037"] = f["b036"] > 0 ? f.positive(10) : 0;
    f["b038"] = f.part(f["b035"], 0.2, 0.6);
    f["b040"] = f["b027"] + f.amount(500);

    const bool wages = f.chance(0.8);
    f["b041"] = wages ? f.positive(300) : 0;
    f["b042"] = wages ? f.positive(80) : 0;
    f["b043"] = f.yn(0.6);
    f["b044"] = f.yn(0.3);
    f["b045"] = f["b044"] == 1 ? f.positive(50) : 0;
    f["b046"] = f.part(f["b045"], 0.1, 0.6);
    f["b047"] = f["b046"] > 0 ? f["b046"] + 1 + f.part(f["b046"], 0.5, 3.0) : 0;
    f["b048"] = f["b044"] == 1 ? f.amount(50) : 0;
}

// Tables 5 and 6: legal work and labour protection.
void fillLaw(const Filler &f)
{
    f["f001"] = f.amount(5);
    f["f002"] = f.part(f["f001"], 0.3, 1.0);
    f["f003"] = f.yn(0.85);
    f["f004"] = f["f003"] == 1 ? f.amount(400) : 0;
    f["f005"] = f.part(f["f004"], 0.3, 0.6);
    f["f006"] = f.part(f["f004"] - f["f005"], 0.3, 0.9);
    f["f008"] = f.yn(0.8);
    f["f009"] = f["f008"] == 1 ? f.positive(0.6) : 0;
    f["f010"] = f["f008"] == 1 ? f.amount(60) : 0;
    f["f011"] = f.part(f["f010"], 0.3, 0.8);
    f["f012"] = f.part(f["z001"], 0.0, 0.15);
    f["f013"] = f.part(f["f012"], 0.0, 0.5);
    f["f014"] = f["f013"] > 0 ? f.amount(5) : 0;
    f["f015"] = f.yn(0.7);
    f["f016"] = f.yn(0.7);
    f["f017"] = f["f016"] == 1 ? f.positive(5) : 0;
    f["f018"] = f["f016"] == 1 ? f.amount(100) : 0;
    f["f019"] = f.part(f["f018"], 0.4, 0.8);
    f["f020"] = f.part(f["f018"] - f["f019"], 0.2, 0.9);
    f["f022"] = f.part(f["z001"] + f["z007"], 0.05, 0.3);
    f["f023"] = f.part(f["f022"], 0.2, 0.8);
    f["f024"] = f.yn(0.75);
    f["f025"] = f["f024"] == 1 ? f.positive(60) : 0;
    f["f026"] = f.part(f["f025"], 0.3, 0.9);
    f["f028"] = f["f024"] == 1 ? f.amount(80) : 0;
    f.split(f["f028"], {{"f029", 0.35}, {"f030", 0.35}, {"f031", 0.2}, {"f032", 0.1}});
    f["f033"] = f.part(f["f028"], 0.5, 1.0);
    f["f034"] = f["f024"] == 1 ? f.amount(10) : 0;

    f["l001"] = f.yn(0.8);
    f["l002"] = f["l001"] == 1 ? f.amount(50) : 0;
    f["l003"] = f["l001"] == 1 ? f.amount(20) : 0;
    f["l004"] = f.amount(1.5);
    f["l005"] = f.part(f["l004"], 0.0, 0.3);
}

// Tables 7 and 8: collective contracts and technical work.
void fillParticipation(const Filler &f)
{
    f["h001"] = f.yn(0.85);
    f["h002"] = f.yn(0.7);
    f["h003"] = f["h004"] = f["h005"] = 0;
    if (f.chance(0.6)) { // contracts < enterprises covered < workers covered
        f["h003"] = f.positive(10);
        f["h004"] = f.above(f["h003"], 40);
        f["h005"] = f["h004"] + 1 + f["h004"] * f.g.range(20, 80);
    }

    f["j002"] = f.amount(50);
    f["j003"] = f.part(f["j002"], 0.3, 0.7);
    f["j004"] = f.part(f["j002"] - f["j003"], 0.0, 0.4);
    f["j005"] = f.amount(5000);
    const bool innovations = f.chance(0.6);
    f["j006"] = innovations ? f.positive(30) : 0;
    f["j007"] = innovations ? f.positive(200) : 0;
    f["j008"] = f.amount(500);
    f["j009"] = f.part(f["j008"], 0.2, 0.6);
    f["j010"] = f.yn(0.4);
    f["j011"] = f["j010"] == 1 ? f.yn(0.7) : 2;
    const bool services = f["j011"] == 1 && f.chance(0.85);
    f["j012"] = services ? f.positive(20) : 0;
    f["j013"] = services ? f.positive(50) : 0;
}

// Tables 9 to 11: finance and audit, culture, international work.
void fillFinance(const Filler &f)
{
    const qint64 cadres = f["z001"] + f["z007"];
    f["s001"] = f.yn(0.7);
    f["s002"] = f.yn(0.9);
    if (f["s002"] == 1) {
        // An audit office needs room below the cadre total for its staff.
        f["s003"] = cadres >= 2 ? f.yn(0.6) : 2;
        f["s006"] = f.yn(0.7);
        f["s007"] = f.yn(0.9);
        f["s008"] = f.yn(0.8);
        f["s009"] = f.yn(0.9);
        f["s010"] = f.yn(0.6);
    } else {
        f["s003"] = 2;
        f["s006"] = 0; // the committee's chair question is left unanswered
        f["s007"] = f["s008"] = f["s009"] = f["s010"] = 2;
    }
    f["s004"] = f["s005"] = 0;
    if (f["s003"] == 1) {
        const qint64 staff = std::clamp<qint64>(f.part(cadres, 0.05, 0.3), 1, cadres - 1);
        f["s004"] = std::min(f["z001"], f.part(staff, 0.0, 1.0));
        f["s005"] = staff - f["s004"];
    }

    f["w002"] = f["w001"] * f.g.range(30, 150);
    const bool events = f.chance(0.9);
    f["w004"] = events ? f.positive(20) : 0;
    f["w005"] = events ? f["w004"] + 1 + f["w004"] * f.g.range(20, 100) : 0;
    f["w006"] = f.amount(1.5);
    f["w007"] = f.part(f["w006"], 0.3, 1.0);

    // International work is mostly a matter of the higher levels.
    static constexpr std::array<double, kMaxLevel + 1> share = {0,    0.9,  0.6, 0.15, 0.5, 0.2,
                                                                0.05, 0.02, 0.1, 0.02, 0.03};
    static const char *const pairs[][2] = {{"g001", "g002"}, {"g003", "g004"}, {"g005", "g006"}, {"g007", "g008"}};
    for (const auto &p : pairs) {
        const bool any = f.chance(share[std::size_t(f.level)]);
        f[p[0]] = any ? std::max<qint64>(1, std::llround(f.amount(1.0) / std::sqrt(f.scale))) : 0;
        f[p[1]] = any ? f[p[0]] + f.g.range(1, 4) * f[p[0]] + f.g.range(0, 5) : 0;
    }
}

// Table 12: harmonious enterprises and industrial parks.
void fillHarmony(const Filler &f)
{
    f["c001"] = f.gate(0.8);
    for (const char *n : {"c002", "c003", "c004", "c005", "c006", "c007", "c008"})
        f[n] = 0;
    if (f["c001"] == 1) {
        const double x = f.g.real();
        f["c002"] = x < 0.5 ? 1 : x < 0.7 ? 2 : x < 0.8 ? 3 : 4;
        f["c003"] = f.g.range(1, 4);
        f["c004"] = f.yn(0.7);
        f["c005"] = f.amount(120);
        f["c006"] = f.part(f["c005"], 0.2, 0.6);
        f["c007"] = f.part(f["c006"], 0.5, 0.9);
        f["c008"] = f.part(f["c006"], 0.5, 1.0);
    }
    f["c009"] = f.gate(0.8);
    for (const char *n :
         {"c010", "c011", "c012", "c013", "c014", "c015", "c016", "c017", "c018", "c019", "c020", "c021"})
        f[n] = 0;
    if (f["c009"] == 1) {
        f["c010"] = f.positive(150);
        f["c011"] = f.part(f["c010"], 0.4, 0.95);
        f["c012"] = f.part(f["c011"], 0.5, 1.0);
        f["c013"] = f.part(f["c010"], 0.1, 0.4);
        f["c014"] = f.part(f["c011"], 0.3, 0.9);
        f["c015"] = f.part(f["c014"], 0.3, 0.9);
        f["c016"] = f["c010"] + 1 + f["c010"] * f.g.range(30, 200);
        f["c017"] = f.part(f["c016"], 0.5, 0.95);
        f["c018"] = f.part(f["c016"], 0.2, 0.7);
        f["c019"] = f.part(f["c016"], 0.3, 0.5);
        f["c020"] = f.amount(8);
        f["c021"] = f.part(f["c020"], 0.3, 0.9);
    }
}

void Generator::fillSurvey(Filler &f) const
{
    for (const Field &fd : m_fields) {
        if (fd.choices == 2)
            f.r.v[std::size_t(fd.slot)] = f.yn(0.6);
        else if (fd.choices > 0)
            f.r.v[std::size_t(fd.slot)] = f.g.range(1, fd.choices);
        else
            f.r.v[std::size_t(fd.slot)] = f.amount(fd.typical);
    }
    fillOrganisation(f);
    fillSecurity(f);
    fillLaw(f);
    fillParticipation(f);
    fillFinance(f);
    fillHarmony(f);
}

void Generator::restrict(Record &r) const
{
    for (const Field &fd : m_fields)
        if (!fd.levels.test(std::size_t(r.level)))
            r.v[std::size_t(fd.slot)] = 0;
    for (const Gate &g : m_gates)
        if (r.v[std::size_t(g.gate)] != 1)
            for (int d : g.dependents)
                r.v[std::size_t(d)] = 0;
}

void Generator::build(Record &r, Rng &g, int level, bool openGates) const
{
    r.v.assign(std::size_t(m_slotCount) + 1, 0);
    r.level = level;
    r.v[SlotLevel] = level;
    fillCover(r, g);
    Filler f{*this, r, g, level, kLevelScale[std::size_t(level)], openGates};
    fillSurvey(f);
    restrict(r);
}

int Generator::firstFailure(const Record &r) const
{
    for (std::size_t i = 0; i < m_rules.size(); ++i)
        if (m_rules[i].condition.holds(r.v.data()))
            return int(i);
    return -1;
}

QString Generator::restrictionFault(const Record &r) const
{
    for (const Field &fd : m_fields)
        if (!fd.levels.test(std::size_t(r.level)) && r.v[std::size_t(fd.slot)] != 0)
            return QStringLiteral("%1 does not apply to level %2 but holds %3")
                .arg(fd.name)
                .arg(r.level)
                .arg(r.v[std::size_t(fd.slot)]);
    for (const Gate &g : m_gates)
        if (r.v[std::size_t(g.gate)] != 1)
            for (int d : g.dependents)
                if (r.v[std::size_t(d)] != 0)
                    return QStringLiteral("%1 is closed but %2 holds %3")
                        .arg(m_fields[std::size_t(m_fieldOfSlot[std::size_t(g.gate)])].name,
                             m_fields[std::size_t(m_fieldOfSlot[std::size_t(d)])].name)
                        .arg(r.v[std::size_t(d)]);
    return {};
}

// A new value for one field of a rule being broken: values near the field's
// own, near the other fields of the rule, or past their sum, which between
// them reach every kind of comparison the rules make.
qint64 Generator::candidate(int slot, const std::vector<qint64> &v, const std::vector<int> &vars, Rng &g) const
{
    const Field &fd = m_fields[std::size_t(m_fieldOfSlot[std::size_t(slot)])];
    if (fd.choices > 0)
        return g.chance(0.2) ? 0 : g.range(1, fd.choices);
    const qint64 own = v[std::size_t(slot)];
    const qint64 other = v[std::size_t(vars[std::size_t(g.range(0, qint64(vars.size()) - 1))])];
    qint64 sum = 0, top = 0;
    for (int s : vars) {
        if (s != slot) {
            sum += v[std::size_t(s)];
            top = std::max(top, v[std::size_t(s)]);
        }
    }
    switch (g.range(0, 8)) {
    case 0:
        return 0;
    case 1:
        return 1;
    case 2:
        return own + 1;
    case 3:
        return std::max<qint64>(0, own - 1);
    case 4:
        return other;
    case 5:
        return other + 1;
    case 6:
        return std::max<qint64>(0, other - 1);
    case 7:
        return sum + 1;
    default:
        return g.range(1, 2 * top + 10);
    }
}

bool Generator::breakRule(Record &r, Rng &g, const LogicRule &rule) const
{
    std::vector<int> vars;
    for (int s : rule.condition.readSlots())
        if (s >= CoverSlots)
            vars.push_back(s);
    if (rule.condition.holds(r.v.data()))
        return true;
    if (vars.empty())
        return false;
    // Few changes first: most rules break by moving one value.
    std::vector<int> pool = vars;
    std::vector<std::pair<int, qint64>> saved;
    for (int attempt = 0; attempt < 400; ++attempt) {
        const std::size_t k = std::min<std::size_t>(vars.size(), 1 + std::size_t(attempt / 60));
        saved.clear();
        for (std::size_t i = 0; i < k; ++i) {
            std::swap(pool[i], pool[std::size_t(g.range(qint64(i), qint64(pool.size()) - 1))]);
            const int s = pool[i];
            saved.emplace_back(s, r.v[std::size_t(s)]);
            r.v[std::size_t(s)] = candidate(s, r.v, vars, g);
        }
        if (rule.condition.holds(r.v.data()))
            return true;
        for (auto it = saved.rbegin(); it != saved.rend(); ++it)
            r.v[std::size_t(it->first)] = it->second;
    }
    return false;
}

std::vector<int> Generator::breakLevels(const LogicRule &rule, Rng &probe) const
{
    LevelSet allowed;
    for (int l = 1; l <= kMaxLevel; ++l)
        allowed.set(std::size_t(l));
    for (int s : rule.condition.readSlots())
        if (s >= CoverSlots)
            allowed &= m_fields[std::size_t(m_fieldOfSlot[std::size_t(s)])].levels;
    std::vector<int> levels;
    Record r;
    for (int l = 1; l <= kMaxLevel; ++l) {
        if (!allowed.test(std::size_t(l)))
            continue;
        for (int attempt = 0; attempt < 5; ++attempt) {
            build(r, probe, l, true);
            if (breakRule(r, probe, rule)) {
                levels.push_back(l);
                break;
            }
        }
    }
    return levels;
}

// Independent stream per record, so that a record does not depend on how many
// came before it or which of them were broken.
quint64 recordSeed(quint32 seed, int index)
{
    return (quint64(seed) << 32) ^ quint64(quint32(index)) ^ 0xA5A5A5A5ULL;
}

} // namespace

Summary generate(Database &db, const Options &o, const QString &rulesFile)
{
    if (o.count < 0)
        throw SynthError(QStringLiteral("the record count must not be negative"));
    if (o.firstCode < 1 || qint64(o.firstCode) + o.count - 1 > kMaxCode)
        throw SynthError(QStringLiteral("codes %1 to %2 do not fit 1 to %3")
                             .arg(o.firstCode)
                             .arg(qint64(o.firstCode) + o.count - 1)
                             .arg(kMaxCode));
    if (!(o.failShare >= 0.0 && o.failShare <= 1.0))
        throw SynthError(QStringLiteral("the share of broken records must lie between 0 and 1"));

    const Generator gen(db, rulesFile);
    const auto &rules = gen.rules();

    // Which rules broken records may break, and at which levels each can be.
    std::vector<int> candidates;
    if (o.failRules.isEmpty()) {
        for (std::size_t i = 0; i < rules.size(); ++i)
            candidates.push_back(int(i));
    } else {
        for (int no : o.failRules) {
            const int i = gen.ruleIndex(no);
            if (i < 0)
                throw SynthError(QStringLiteral("there is no rule %1 in %2").arg(no).arg(rulesFile));
            if (std::find(candidates.begin(), candidates.end(), i) == candidates.end())
                candidates.push_back(i);
        }
    }
    const qint64 brokenCount = std::llround(o.failShare * o.count);
    std::vector<std::vector<int>> levelsOf(rules.size());
    if (brokenCount > 0) {
        Rng probe(recordSeed(o.seed, -1));
        std::vector<int> usable;
        for (int i : candidates) {
            levelsOf[std::size_t(i)] = gen.breakLevels(rules[std::size_t(i)], probe);
            if (!levelsOf[std::size_t(i)].empty())
                usable.push_back(i);
            else if (!o.failRules.isEmpty())
                throw SynthError(
                    QStringLiteral("rule %1 cannot be broken by any level of record").arg(rules[std::size_t(i)].no));
        }
        candidates = std::move(usable);
        if (candidates.empty())
            throw SynthError(QStringLiteral("no rule of %1 can be broken").arg(rulesFile));
    }

    // Exactly round(share * count) records break, at positions the seed picks.
    std::vector<char> broken(std::size_t(o.count), 0);
    {
        Rng pick(recordSeed(o.seed, -2));
        std::vector<int> order(std::size_t(o.count));
        for (int i = 0; i < o.count; ++i)
            order[std::size_t(i)] = i;
        for (qint64 i = 0; i < brokenCount; ++i) {
            std::swap(order[std::size_t(i)], order[std::size_t(pick.range(i, o.count - 1))]);
            broken[std::size_t(order[std::size_t(i)])] = 1;
        }
    }

    QStringList columns = {QStringLiteral("c901"), QStringLiteral("c902"), QStringLiteral("c903"),
                           QStringLiteral("c904"), QStringLiteral("c905"), QStringLiteral("c906")};
    for (const Field &f : gen.fields())
        columns << f.name;
    for (const Field *f : gen.textFields())
        columns << f->name;
    columns << QStringLiteral("RecordState") << QStringLiteral("stats");
    QStringList marks;
    for (qsizetype i = 0; i < columns.size(); ++i)
        marks << QStringLiteral("?");

    std::optional<tq::db::Transaction> tx;
    if (!db.inTransaction())
        tx.emplace(db);
    tq::db::Statement insert =
        db.prepare(QStringLiteral("INSERT INTO dt_data (%1) VALUES (%2)").arg(columns.join(u','), marks.join(u',')));

    std::vector<int> allLevels;
    for (int l = 1; l <= kMaxLevel; ++l)
        allLevels.push_back(l);

    Summary summary;
    Record r;
    for (int i = 0; i < o.count; ++i) {
        Rng g(recordSeed(o.seed, i));
        const bool breakIt = broken[std::size_t(i)] != 0;
        if (!breakIt) {
            gen.build(r, g, gen.pickLevel(g, allLevels), false);
            if (const int bad = gen.firstFailure(r); bad >= 0)
                throw SynthError(QStringLiteral("record %1 (level %2) was built to pass but fails rule %3: %4")
                                     .arg(qint64(o.firstCode) + i)
                                     .arg(r.level)
                                     .arg(rules[std::size_t(bad)].no)
                                     .arg(rules[std::size_t(bad)].failsWhen));
            if (const QString fault = gen.restrictionFault(r); !fault.isEmpty())
                throw SynthError(QStringLiteral("record %1: %2").arg(qint64(o.firstCode) + i).arg(fault));
        } else {
            const int ri = candidates[std::size_t(g.range(0, qint64(candidates.size()) - 1))];
            const LogicRule &rule = rules[std::size_t(ri)];
            bool done = false;
            for (int attempt = 0; attempt < 20 && !done; ++attempt) {
                gen.build(r, g, gen.pickLevel(g, levelsOf[std::size_t(ri)]), true);
                done = gen.breakRule(r, g, rule);
            }
            if (!done)
                throw SynthError(
                    QStringLiteral("record %1: rule %2 could not be broken").arg(qint64(o.firstCode) + i).arg(rule.no));
        }
        r.v[SlotCode] = qint64(o.firstCode) + i;

        int col = 1;
        insert.bind(col++, r.v[SlotCode]);
        insert.bind(col++, r.name);
        insert.bind(col++, r.v[SlotCity]);
        insert.bind(col++, r.v[SlotLevel]);
        insert.bind(col++, r.person);
        insert.bind(col++, r.phone);
        for (const Field &f : gen.fields())
            insert.bind(col++, r.v[std::size_t(f.slot)]);
        for (std::size_t t = 0; t < gen.textFields().size(); ++t)
            insert.bind(col++, QStringLiteral(""));
        insert.bind(col++, o.markStates ? (breakIt ? 2 : 1) : 0);
        insert.bind(col++, r.stats);
        insert.step();
        insert.reset();
        ++summary.written;
        if (breakIt)
            ++summary.broken;
    }
    if (tx)
        tx->commit();
    return summary;
}

} // namespace tq::synth
