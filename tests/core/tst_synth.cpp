// The synthetic records are checked by SQL straight from the rule list, not by
// the generator's own evaluator, so that a fault in either shows up.

#include "Fixtures.h"
#include "SyntheticGenerator.h"
#include "db/Database.h"

#include <QtTest>

using tq::db::Database;
using tq::synth::Options;

namespace {

struct RuleLine {
    int no = 0;
    QString failsWhen;
};

QString rulesFile()
{
    return QDir(tq::test::dataDir()).filePath(QStringLiteral("logic_rules.tsv"));
}

QList<RuleLine> ruleLines()
{
    QFile f(rulesFile());
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        qFatal("cannot read the rule list");
    QList<RuleLine> out;
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList cols = line.split(u'\t');
        out.append({cols.at(0).toInt(), cols.at(1)});
    }
    return out;
}

// Runs the generator; a refusal fails the test with the generator's own text.
tq::synth::Summary run(Database &db, const Options &o)
{
    try {
        return tq::synth::generate(db, o, rulesFile());
    } catch (const std::exception &e) {
        QTest::qFail(e.what(), __FILE__, __LINE__);
        return {-1, -1};
    }
}

qint64 countWhere(Database &db, const QString &where)
{
    return db.scalar(QStringLiteral("SELECT count(*) FROM dt_data WHERE ") + where).toLongLong();
}

struct CatalogueField {
    QString name;
    int queryType = 0;
    QString levels; // "1,2,3" for a list-form Rule, empty when the field applies to all
};

QList<CatalogueField> surveyFields(Database &db)
{
    QList<CatalogueField> out;
    tq::db::Statement st =
        db.prepare(QStringLiteral("SELECT FieldName, QueryType, Rule FROM dt_fieldlist WHERE PageID >= 1"));
    static const QRegularExpression listRe(QStringLiteral("^in\\s*\\[([0-9, ]*)\\]$"));
    while (st.step()) {
        CatalogueField f{st.textValue(0), int(st.intValue(1)), {}};
        const QString rule = st.textValue(2).trimmed();
        if (!rule.isEmpty()) {
            const QRegularExpressionMatch m = listRe.match(rule);
            if (!m.hasMatch())
                qFatal("unexpected level rule in the default catalogue");
            f.levels = m.captured(1);
        }
        out.append(f);
    }
    return out;
}

// Fields that do not apply to the record's level must be 0.
void verifyLevelRestrictions(Database &db)
{
    for (const CatalogueField &f : surveyFields(db)) {
        if (f.levels.isEmpty())
            continue;
        const qint64 n = countWhere(db, QStringLiteral("%1 <> 0 AND c904 NOT IN (%2)").arg(f.name, f.levels));
        QVERIFY2(n == 0,
                 qPrintable(QStringLiteral("%1 set outside levels %2 in %3 records").arg(f.name, f.levels).arg(n)));
    }
}

// Fields behind a gate answered other than 1 must be 0.
void verifyGates(Database &db)
{
    const struct {
        char table;
        int gate, first, last;
    } gates[] = {{'b', 1, 2, 8}, {'c', 1, 2, 8}, {'c', 9, 10, 21}};
    for (const auto &g : gates) {
        auto field = [&](int i) {
            return QStringLiteral("%1%2").arg(QLatin1Char(g.table)).arg(i, 3, 10, QLatin1Char('0'));
        };
        QStringList open;
        for (int i = g.first; i <= g.last; ++i)
            open << field(i) + QStringLiteral(" <> 0");
        const qint64 n =
            countWhere(db, QStringLiteral("%1 <> 1 AND (%2)").arg(field(g.gate), open.join(QStringLiteral(" OR "))));
        QVERIFY2(
            n == 0,
            qPrintable(QStringLiteral("%1 closed but fields behind it set in %2 records").arg(field(g.gate)).arg(n)));
    }
}

QStringList dump(Database &db)
{
    QStringList rows;
    tq::db::Statement st = db.prepare(QStringLiteral("SELECT * FROM dt_data ORDER BY c901"));
    while (st.step()) {
        QStringList cells;
        for (int c = 0; c < st.columnCount(); ++c)
            cells << st.textValue(c);
        rows << cells.join(u'|');
    }
    return rows;
}

} // namespace

class TestSynth : public QObject {
    Q_OBJECT

private slots:
    void validRecordsKeepEveryRule();
    void brokenRecordsFailTheirRule();
    void everyRuleCanBeBroken();
    void sameSeedSameData();
    void rejectsBadRequests_data();
    void rejectsBadRequests();
};

void TestSynth::validRecordsKeepEveryRule()
{
    QTemporaryDir dir;
    Database db = Database::open(tq::test::newSurveyDatabase(dir));
    Options o;
    o.count = 2000;
    o.seed = 11;
    o.firstCode = 500001;
    const tq::synth::Summary s = run(db, o);
    QCOMPARE(s.written, 2000);
    QCOMPARE(s.broken, 0);

    for (const RuleLine &r : ruleLines()) {
        const qint64 n = countWhere(db, r.failsWhen);
        QVERIFY2(n == 0, qPrintable(QStringLiteral("rule %1 fails in %2 records").arg(r.no).arg(n)));
    }
    verifyLevelRestrictions(db);
    verifyGates(db);

    for (const QString &c : db.columnNames(QStringLiteral("dt_data")))
        QVERIFY2(countWhere(db, c + QStringLiteral(" IS NULL")) == 0, qPrintable(c));
    QCOMPARE(db.scalar(QStringLiteral("SELECT count(DISTINCT c901) FROM dt_data")).toInt(), 2000);
    QCOMPARE(db.scalar(QStringLiteral("SELECT min(c901) FROM dt_data")).toInt(), 500001);
    QCOMPARE(db.scalar(QStringLiteral("SELECT max(c901) FROM dt_data")).toInt(), 502000);
    QCOMPARE(countWhere(db, QStringLiteral("RecordState <> 1")), 0);

    // The seat is a division of the level's kind: province, prefecture or county.
    QCOMPARE(countWhere(db, QStringLiteral("c904 NOT BETWEEN 1 AND 10 OR NOT EXISTS (SELECT 1 FROM CT_CityName t "
                                           "WHERE t.ID = c903 AND CASE WHEN c904 IN (1, 4) THEN t.Code2 = 0 "
                                           "WHEN c904 IN (2, 5) THEN t.Code2 <> 0 AND t.Code3 = 0 "
                                           "ELSE t.Code3 <> 0 END)")),
             0);
    // Many county-level and township unions, few provinces; all levels occur.
    QCOMPARE(db.scalar(QStringLiteral("SELECT count(DISTINCT c904) FROM dt_data")).toInt(), 10);
    QVERIFY(countWhere(db, QStringLiteral("c904 IN (3, 7, 9, 10)")) > 1000);
    QVERIFY(countWhere(db, QStringLiteral("c904 = 1")) < 40);
    // Bigger organisations have more cadres.
    QVERIFY(db.scalar(QStringLiteral("SELECT avg(z001) FROM dt_data WHERE c904 = 1")).toDouble() >
            5 * db.scalar(QStringLiteral("SELECT avg(z001) FROM dt_data WHERE c904 = 7")).toDouble());

    // Every survey field is used somewhere, values stay in range, codes are codes.
    for (const CatalogueField &f : surveyFields(db)) {
        QVERIFY2(countWhere(db, f.name + QStringLiteral(" <> 0")) > 0, qPrintable(f.name + " is never set"));
        QVERIFY2(countWhere(db, QStringLiteral("%1 < 0 OR %1 > 999999999").arg(f.name)) == 0, qPrintable(f.name));
        if (f.queryType == 3)
            QVERIFY2(countWhere(db, f.name + QStringLiteral(" NOT IN (0, 1, 2)")) == 0, qPrintable(f.name));
    }
    QCOMPARE(countWhere(db, QStringLiteral("c002 NOT BETWEEN 0 AND 4 OR c003 NOT BETWEEN 0 AND 4")), 0);
    QVERIFY(countWhere(db, QStringLiteral("c002 = 4")) > 0);

    static const QRegularExpression phone(QStringLiteral("^(0\\d{2,3}-\\d{7,8}|1\\d{10})$"));
    static const QRegularExpression hex(QStringLiteral("^[0-9A-F]{32}$"));
    tq::db::Statement st = db.prepare(QStringLiteral("SELECT c901, c902, c905, c906, stats FROM dt_data"));
    while (st.step()) {
        const QString code = st.textValue(0), name = st.textValue(1), person = st.textValue(2);
        const QString tel = st.textValue(3);
        for (const QString &t : {name, person, tel}) {
            QVERIFY2(!t.isEmpty() && t == t.trimmed(), qPrintable(code));
            QVERIFY2(!t.contains(u'\'') && !t.contains(u'"') && !t.contains(u'`'), qPrintable(code));
        }
        QVERIFY2(tq::synth::gbkLength(name) <= 60 && name.contains(QStringLiteral("工会")), qPrintable(code + name));
        QVERIFY2(person.size() >= 2 && person.size() <= 3, qPrintable(code + person));
        QVERIFY2(phone.match(tel).hasMatch(), qPrintable(code + tel));
        QVERIFY2(hex.match(st.textValue(4)).hasMatch(), qPrintable(code));
    }
}

void TestSynth::brokenRecordsFailTheirRule()
{
    QTemporaryDir dir;
    Database db = Database::open(tq::test::newSurveyDatabase(dir));
    Options o;
    o.count = 1000;
    o.seed = 3;
    o.failShare = 0.3;
    o.failRules = {2, 17};
    const tq::synth::Summary s = run(db, o);
    QCOMPARE(s.written, 1000);
    QCOMPARE(s.broken, 300);
    QCOMPARE(countWhere(db, QStringLiteral("RecordState = 2")), 300);
    QCOMPARE(countWhere(db, QStringLiteral("RecordState NOT IN (1, 2)")), 0);

    QString rule2, rule17;
    for (const RuleLine &r : ruleLines()) {
        if (r.no == 2)
            rule2 = r.failsWhen;
        if (r.no == 17)
            rule17 = r.failsWhen;
        const qint64 n = countWhere(db, QStringLiteral("RecordState = 1 AND (%1)").arg(r.failsWhen));
        QVERIFY2(n == 0, qPrintable(QStringLiteral("rule %1 fails in %2 valid records").arg(r.no).arg(n)));
    }
    QCOMPARE(countWhere(db, QStringLiteral("RecordState = 2 AND NOT ((%1) OR (%2))").arg(rule2, rule17)), 0);
    QVERIFY(countWhere(db, QStringLiteral("RecordState = 2 AND (%1)").arg(rule2)) > 50);
    QVERIFY(countWhere(db, QStringLiteral("RecordState = 2 AND (%1)").arg(rule17)) > 50);

    // Without states every record is left "not yet checked".
    o.firstCode = 200001;
    o.markStates = false;
    QCOMPARE(run(db, o).broken, 300);
    QCOMPARE(countWhere(db, QStringLiteral("c901 >= 200001 AND RecordState <> 0")), 0);
}

// Each rule, chosen alone, really fails in the written records, and the records
// breaking it still keep the level restrictions (they get a level the rule's
// fields apply to).
void TestSynth::everyRuleCanBeBroken()
{
    QTemporaryDir dir;
    Database db = Database::open(tq::test::newSurveyDatabase(dir));
    const QList<RuleLine> rules = ruleLines();
    QCOMPARE(rules.size(), 123);
    for (const RuleLine &r : rules) {
        Options o;
        o.count = 4;
        o.seed = quint32(r.no);
        o.firstCode = 100000 + 10 * r.no;
        o.failShare = 1.0;
        o.failRules = {r.no};
        QCOMPARE(run(db, o).broken, 4);
        const qint64 n = countWhere(db, QStringLiteral("c901 BETWEEN %1 AND %2 AND NOT (%3)")
                                            .arg(o.firstCode)
                                            .arg(o.firstCode + 3)
                                            .arg(r.failsWhen));
        QVERIFY2(n == 0, qPrintable(QStringLiteral("rule %1 holds in %2 records meant to break it").arg(r.no).arg(n)));
    }
    // Rule 10 binds only levels below 4; rules over park fields only level 8.
    QCOMPARE(countWhere(db, QStringLiteral("c901 BETWEEN 100100 AND 100103 AND c904 >= 4")), 0);
    QCOMPARE(countWhere(db, QStringLiteral("c901 BETWEEN 101130 AND 101133 AND c904 <> 8")), 0);

    verifyLevelRestrictions(db);
}

void TestSynth::sameSeedSameData()
{
    QTemporaryDir dir;
    Options o;
    o.count = 300;
    o.seed = 5;
    o.failShare = 0.2;
    QStringList runs[3];
    for (int i = 0; i < 3; ++i) {
        Database db = Database::open(tq::test::newSurveyDatabase(dir, QStringLiteral("run%1.db").arg(i)));
        o.seed = i < 2 ? 5 : 6;
        QCOMPARE(run(db, o).written, 300);
        runs[i] = dump(db);
    }
    QCOMPARE(runs[0].size(), 300);
    QCOMPARE(runs[1], runs[0]);
    QVERIFY(runs[2] != runs[0]);
}

void TestSynth::rejectsBadRequests_data()
{
    QTest::addColumn<int>("present"); // records written beforehand, from the same first code
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("firstCode");
    QTest::addColumn<double>("failShare");
    QTest::addColumn<QList<int>>("failRules");

    QTest::newRow("unknown rule") << 0 << 10 << 1 << 0.5 << QList<int>{2, 124};
    QTest::newRow("rule 0") << 0 << 10 << 1 << 0.5 << QList<int>{0};
    QTest::newRow("codes past seven digits") << 0 << 20 << 9999990 << 0.0 << QList<int>{};
    QTest::newRow("code 0") << 0 << 5 << 0 << 0.0 << QList<int>{};
    QTest::newRow("share above 1") << 0 << 10 << 1 << 1.5 << QList<int>{};
    QTest::newRow("negative share") << 0 << 10 << 1 << -0.1 << QList<int>{};
    QTest::newRow("negative count") << 0 << -1 << 1 << 0.0 << QList<int>{};
    QTest::newRow("codes taken") << 10 << 20 << 1 << 0.0 << QList<int>{};
}

// A refused request writes nothing: not even the records before the clash.
void TestSynth::rejectsBadRequests()
{
    QFETCH(int, present);
    QFETCH(int, count);
    QFETCH(int, firstCode);
    QFETCH(double, failShare);
    QFETCH(QList<int>, failRules);

    QTemporaryDir dir;
    Database db = Database::open(tq::test::newSurveyDatabase(dir));
    Options o;
    o.firstCode = 1;
    o.count = present;
    QCOMPARE(run(db, o).written, present);

    o.count = count;
    o.firstCode = firstCode;
    o.failShare = failShare;
    o.failRules = failRules;
    QVERIFY_THROWS_EXCEPTION(std::exception, tq::synth::generate(db, o, rulesFile()));
    QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM dt_data")).toInt(), present);
    QVERIFY(!db.inTransaction());
}

QTEST_GUILESS_MAIN(TestSynth)
#include "tst_synth.moc"
