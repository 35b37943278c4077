#include "Fixtures.h"
#include "app/RecordList.h"
#include "db/Database.h"
#include "db/ResultSet.h"
#include "query/ColumnChooser.h"
#include "query/RecordLocator.h"
#include "query/SearchConditions.h"

#include <QtTest>

using namespace tq;
using namespace tq::query;

Q_DECLARE_METATYPE(tq::query::Comparison)

namespace {
Comparison cmp(int op, std::optional<qint64> number = std::nullopt)
{
    return {op, number};
}
constexpr int kNone = -1, kEq = 1, kGt = 2, kLt = 3, kGe = 4, kLe = 5;
} // namespace

// The conditions of the query dialogs, locating a record, the column chooser.
class TestQuery : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    db::Database m_db;

private slots:
    void init()
    {
        m_db = db::Database();
        QFile::remove(m_dir.filePath(QStringLiteral("q.mdb")));
        m_db = db::Database::open(test::newSurveyDatabase(m_dir, QStringLiteral("q.mdb")));
        const QVariantList rows[] = {{5, QStringLiteral("北京市总工会"), 30},
                                     {2, QStringLiteral("百分之100%_工会"), 10},
                                     {9, QStringLiteral("北京市朝阳区总工会"), 20},
                                     {4, QStringLiteral("天津市总工会"), 40}};
        for (const QVariantList &r : rows)
            m_db.exec(QStringLiteral("INSERT INTO dt_data (c901, c902, z001) VALUES (?, ?, ?)"), r);
    }

    void indicatorConditions_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<Comparison>("first");
        QTest::addColumn<Comparison>("second");
        QTest::addColumn<QString>("clause");
        QTest::addColumn<QVariantList>("params");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<int>("focus");
        const int none = int(ConditionOutcome::Focus::None), field = int(ConditionOutcome::Focus::Field),
                  number1 = int(ConditionOutcome::Focus::Number1);
        QTest::newRow("first only") << "z001" << cmp(kGe, 20) << cmp(kNone) << "where \"z001\">=?" << QVariantList{20}
                                    << "" << none;
        QTest::newRow("both, spelled as the table does")
            << "Z001" << cmp(kGt, 10) << cmp(kLe, 30) << "where \"z001\">? and \"z001\"<=?" << QVariantList{10, 30}
            << "" << none;
        QTest::newRow("number without operator ignored")
            << "z001" << cmp(kEq, 10) << cmp(kNone, 99) << "where \"z001\"=?" << QVariantList{10} << "" << none;
        QTest::newRow("operator with empty box compares with 0")
            << "z001" << cmp(kGt) << cmp(kNone, 5) << "where \"z001\">?" << QVariantList{0} << "" << none;
        QTest::newRow("second without first")
            << "z001" << cmp(kNone) << cmp(kLt, 25) << "where \"z001\"<?" << QVariantList{25} << "" << none;
        QTest::newRow("no indicator") << "" << cmp(kEq, 1) << cmp(kNone) << "" << QVariantList{} << "请选择指标"
                                      << field;
        QTest::newRow("both boxes empty")
            << "z001" << cmp(kEq) << cmp(kEq) << "" << QVariantList{} << "请至少输入一个条件" << number1;
        QTest::newRow("numbers without any operator")
            << "z001" << cmp(kNone, 1) << cmp(kNone, 2) << "" << QVariantList{} << "请至少输入一个条件" << number1;
        QTest::newRow("not a column") << "z001>0 or 1" << cmp(kEq, 1) << cmp(kNone) << "" << QVariantList{}
                                      << "指标“z001>0 or 1”不是数据表中的字段，不能查询" << field;
        QTest::newRow("a column of the view only") << "CityName" << cmp(kEq, 1) << cmp(kNone) << "" << QVariantList{}
                                                   << "指标“CityName”不是数据表中的字段，不能查询" << field;
    }
    void indicatorConditions()
    {
        QFETCH(QString, field);
        QFETCH(Comparison, first);
        QFETCH(Comparison, second);
        QFETCH(QString, clause);
        QFETCH(QVariantList, params);
        QFETCH(QString, refusal);
        QFETCH(int, focus);
        const ConditionOutcome out =
            SearchConditions::indicator(field, first, second, SearchConditions::searchableColumns(m_db));
        QCOMPARE(out.refusal, refusal);
        QCOMPARE(int(out.focus), focus);
        QCOMPARE(out.condition.clause, clause);
        QCOMPARE(out.condition.params, params);
        if (out.ok()) // the clause runs on both tables the result list reads
            for (const char *table : {"view_data", "dt_data"})
                db::ResultSet::run(m_db,
                                   QStringLiteral("SELECT * from %1 ").arg(QLatin1String(table)) + clause +
                                       QStringLiteral(" order by c901 asc"),
                                   params);
    }

    void codeRangeConditions_data()
    {
        QTest::addColumn<Comparison>("first");
        QTest::addColumn<int>("connective");
        QTest::addColumn<Comparison>("second");
        QTest::addColumn<QString>("clause");
        QTest::addColumn<QString>("found");
        QTest::newRow("defaults, both filled") << cmp(kEq, 4) << 1 << cmp(kEq, 5) << "where c901=? AND c901=?"
                                               << "";
        QTest::newRow("equal numbers") << cmp(kEq, 4) << 1 << cmp(kEq, 4) << "where c901=? AND c901=?"
                                       << "4";
        QTest::newRow("a range") << cmp(kGe, 3) << 1 << cmp(kLt, 9) << "where c901>=? AND c901<?"
                                 << "4,5";
        QTest::newRow("or") << cmp(kLt, 3) << 2 << cmp(kGt, 5) << "where c901<? OR c901>?"
                            << "2,9";
        QTest::newRow("only the second: connective ignored") << cmp(kEq) << 2 << cmp(kLe, 4) << "where c901<=?"
                                                             << "2,4";
        QTest::newRow("only the first") << cmp(kGt, 4) << 2 << cmp(kEq) << "where c901>?"
                                        << "5,9";
    }
    void codeRangeConditions()
    {
        QFETCH(Comparison, first);
        QFETCH(int, connective);
        QFETCH(Comparison, second);
        QFETCH(QString, clause);
        QFETCH(QString, found);
        const ConditionOutcome out = SearchConditions::codeRange(first, connective, second);
        QVERIFY(out.ok());
        QCOMPARE(out.condition.clause, clause);
        const QString codes =
            m_db.scalar(QStringLiteral("SELECT group_concat(c901, ',') FROM (SELECT c901 from view_data ") + clause +
                            QStringLiteral(" order by c901 asc)"),
                        out.condition.params)
                .toString();
        QCOMPARE(codes, found);

        const ConditionOutcome empty = SearchConditions::codeRange(cmp(kEq), 1, cmp(kEq));
        QCOMPARE(empty.refusal, QStringLiteral("请至少输入一个条件"));
        QCOMPARE(empty.focus, ConditionOutcome::Focus::Number1);
    }

    void locate_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("code");
        QTest::newRow("part of a name, first one the query gives") << "北京市" << qint64(5);
        QTest::newRow("blanks trimmed") << "  天津 " << qint64(4);
        QTest::newRow("% matched as typed") << "100%" << qint64(2);
        QTest::newRow("% is no wildcard") << "%总工会" << qint64(-1);
        QTest::newRow("_ is no wildcard") << "北京_" << qint64(-1);
        QTest::newRow("_ as typed") << "%_工" << qint64(2);
        QTest::newRow("a quote finds nothing") << "北京'" << qint64(-1);
        QTest::newRow("no such name") << "上海" << qint64(-1);
    }
    void locate()
    {
        QFETCH(QString, name);
        QFETCH(qint64, code);
        RecordList list(ListQuery(QStringLiteral("SELECT c901, c902 FROM view_data ORDER BY c901")));
        list.open(m_db);
        list.setCurrentCode(9);
        QCOMPARE(RecordLocator::byName(m_db, list, name), code >= 0);
        QCOMPARE(*list.currentCode(), code >= 0 ? code : 9);

        QVERIFY(RecordLocator::byCode(list, 2));
        QCOMPARE(*list.currentCode(), qint64(2));
        // in dt_data, but not in a list that is filtered
        RecordList some(ListQuery(QStringLiteral("SELECT c901 FROM view_data WHERE c901 > 4 ORDER BY c901")));
        some.open(m_db);
        QVERIFY(!RecordLocator::byCode(some, 2));
        QVERIFY(!RecordLocator::byName(m_db, some, QStringLiteral("天津")));
        QCOMPARE(*some.currentCode(), qint64(5));
    }

    void columnChooser()
    {
        const std::vector<ChooserField> fields = ColumnChooser::load(m_db);
        QVERIFY(fields.size() > 180);
        QCOMPARE(fields.front().fieldName, QStringLiteral("c901"));
        QCOMPARE(fields.front().sheetName, QStringLiteral("封面"));
        QCOMPARE(fields.front().pageId, 0);
        QVERIFY(fields.front().visible);
        QCOMPARE(fields.back().fieldName, QStringLiteral("c021"));
        QCOMPARE(fields.back().sheetName, QStringLiteral("表12"));
        for (std::size_t i = 1; i < fields.size(); ++i) // by page, then by order within the page
            QVERIFY(fields[i - 1].pageId < fields[i].pageId ||
                    (fields[i - 1].pageId == fields[i].pageId && fields[i - 1].sequence < fields[i].sequence));

        const int z001 = m_db.scalar(QStringLiteral("SELECT ID FROM dt_fieldlist WHERE FieldName = 'z001'")).toInt();
        const int c902 = m_db.scalar(QStringLiteral("SELECT ID FROM dt_fieldlist WHERE FieldName = 'c902'")).toInt();
        ColumnChooser::save(m_db, {z001, c902});
        QCOMPARE(m_db.scalar(QStringLiteral("SELECT group_concat(FieldName, ',') FROM "
                                            "(SELECT FieldName FROM dt_fieldlist WHERE Visible ORDER BY sequence)"))
                     .toString(),
                 QStringLiteral("c902,z001"));
        ColumnChooser::save(m_db, {});
        QCOMPARE(m_db.scalar(QStringLiteral("SELECT count(*) FROM dt_fieldlist WHERE Visible")).toInt(), 0);

        // A failure part-way leaves the catalogue as it was.
        ColumnChooser::save(m_db, {z001});
        m_db.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON dt_fieldlist WHEN NEW.ID = %1 "
                                 "BEGIN SELECT raise(ABORT, 'refused'); END")
                      .arg(c902));
        QVERIFY_THROWS_EXCEPTION(db::DbError, ColumnChooser::save(m_db, {c902}));
        QCOMPARE(m_db.scalar(QStringLiteral("SELECT group_concat(FieldName, ',') FROM dt_fieldlist WHERE Visible"))
                     .toString(),
                 QStringLiteral("z001"));
    }
};

QTEST_MAIN(TestQuery)
#include "tst_query.moc"
