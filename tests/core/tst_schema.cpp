#include "Fixtures.h"
#include "db/Database.h"
#include "db/ResultSet.h"

#include <QRegularExpression>
#include <QSet>
#include <QtTest>

using namespace tq::db;

namespace {

// The survey's tables as they lie on the pages of the entry window.
struct PageFields {
    int page;
    char letter;
    int first, last;
};
const PageFields kPages[] = {{1, 'z', 1, 14}, {2, 'x', 1, 9},  {3, 'p', 1, 8},  {4, 'b', 1, 29}, {5, 'b', 30, 48},
                             {6, 'f', 1, 34}, {7, 'l', 1, 7},  {8, 'h', 1, 5},  {9, 'j', 1, 13}, {10, 's', 1, 13},
                             {11, 'w', 1, 7}, {12, 'g', 1, 8}, {13, 'c', 1, 21}};

const char *kYesNo = "z009 z010 x003 x004 x005 x006 b001 b011 b043 b044 f003 f008 f015 f016 f024 l001 h001 h002 "
                     "j010 j011 s001 s002 s003 s006 s007 s008 s009 s011 s012 s013 c001 c004 c009";

QStringList surveyFields()
{
    QStringList names;
    for (const PageFields &p : kPages)
        for (int n = p.first; n <= p.last; ++n)
            names << QStringLiteral("%1%2").arg(QLatin1Char(p.letter)).arg(n, 3, 10, QLatin1Char('0'));
    return names;
}

int pageOf(const QString &field)
{
    for (const PageFields &p : kPages) {
        const int n = field.mid(1).toInt();
        if (field.at(0) == QLatin1Char(p.letter) && n >= p.first && n <= p.last)
            return p.page;
    }
    return field.startsWith(QLatin1String("c9")) ? 0 : -1;
}

} // namespace

class TestSchema : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    Database m_db;

private slots:
    void initTestCase()
    {
        // the artefact the build put beside the program, checked on a copy
        const QString copy = m_dir.filePath(QStringLiteral("default.mdb"));
        QVERIFY(QFile::copy(tq::test::builtDefaultDatabase(), copy));
        QFile(copy).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        m_db = Database::open(copy);
    }

    void dataColumnsAreTheSurveyInPageOrder()
    {
        QStringList expected{"c901", "c902", "c903", "c904", "c905", "c906"};
        expected << surveyFields() << "RecordState"
                 << "stats";
        QCOMPARE(surveyFields().size(), 187);
        QCOMPARE(m_db.columnNames(QStringLiteral("dt_data")), expected);
        QCOMPARE(m_db.columnNames(QStringLiteral("dt_data_dt_data")), expected);
        // the work table keeps clashing codes side by side
        m_db.exec(QStringLiteral("INSERT INTO dt_data_dt_data (c901) VALUES (7), (7)"));
        QCOMPARE(m_db.scalar(QStringLiteral("SELECT count(*) FROM dt_data_dt_data")).toInt(), 2);
        m_db.exec(QStringLiteral("DELETE FROM dt_data_dt_data"));
    }

    // A code is a whole number; codes of 0 or below come from elsewhere and
    // are the editor's business, not the file's.
    void codesAreWholeNumbers_data()
    {
        QTest::addColumn<QVariant>("code");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("fraction") << QVariant(100001.5) << false;
        QTest::newRow("text") << QVariant(QStringLiteral("abc")) << false;
        QTest::newRow("digits as text") << QVariant(QStringLiteral("100002")) << true;
        QTest::newRow("whole real") << QVariant(100003.0) << true;
        QTest::newRow("zero") << QVariant(0) << true;
        QTest::newRow("negative") << QVariant(-5) << true;
    }
    void codesAreWholeNumbers()
    {
        QFETCH(QVariant, code);
        QFETCH(bool, accepted);
        bool stored = true;
        try {
            m_db.exec(QStringLiteral("INSERT INTO dt_data (c901) VALUES (?)"), {code});
        } catch (const DbError &) {
            stored = false;
        }
        QCOMPARE(stored, accepted);
        if (stored)
            QCOMPARE(m_db.scalar(QStringLiteral("SELECT typeof(c901) FROM dt_data")).toString(),
                     QStringLiteral("integer"));
        m_db.exec(QStringLiteral("DELETE FROM dt_data"));
    }

    void everyTableAndViewIsThere()
    {
        for (const char *t : {"dt_data", "dt_data_dt_data", "DT_FieldList", "CT_CityName", "CT_LevelCode",
                              "ct_sheetName", "dt_logic", "ct_group", "DT_GroupItem", "ct_label", "view_data",
                              "view_FieldList", "view_datasearch", "view_group_list", "view_group_item"})
            QVERIFY2(m_db.hasTable(QString::fromLatin1(t)), t);
        QCOMPARE(m_db.scalar(QStringLiteral("SELECT count(*) FROM ct_label")).toInt(), 1);
        QCOMPARE(m_db.scalar(QStringLiteral("SELECT db_name FROM ct_label")).toString(), QStringLiteral("默认数据库"));
        QCOMPARE(m_db.scalar(QStringLiteral("SELECT count(*) FROM ct_group")).toInt(), 0);
        QCOMPARE(m_db.scalar(QStringLiteral("SELECT count(*) FROM DT_GroupItem")).toInt(), 0);
    }

    void catalogueDescribesEverySurveyField()
    {
        ResultSet rs = ResultSet::run(m_db, QStringLiteral("SELECT * FROM dt_fieldlist ORDER BY sequence"));
        const QStringList yesNoList = QString::fromLatin1(kYesNo).split(u' ');
        const QSet<QString> yesNo(yesNoList.begin(), yesNoList.end());
        const QStringList dataColumns = m_db.columnNames(QStringLiteral("view_data"));
        QStringList survey;
        int lastSequence = -1;
        for (int r = 0; r < rs.rowCount(); ++r) {
            const QString name = rs.text(r, QStringLiteral("FieldName"));
            const int seq = int(rs.intValue(r, QStringLiteral("sequence")));
            QVERIFY2(seq > lastSequence, qPrintable(name));
            lastSequence = seq;
            QVERIFY2(!rs.text(r, QStringLiteral("Hint")).trimmed().isEmpty(), qPrintable(name));
            QVERIFY2(rs.intValue(r, QStringLiteral("FieldWidth")) >= 40, qPrintable(name));
            QVERIFY2(dataColumns.contains(rs.text(r, QStringLiteral("ShowName")), Qt::CaseInsensitive),
                     qPrintable(name));
            const int page = int(rs.intValue(r, QStringLiteral("PageID")));
            if (page < 1) {
                QVERIFY2(seq <= 6 && rs.intValue(r, QStringLiteral("ID")) <= 7, qPrintable(name));
                continue;
            }
            survey << name;
            QVERIFY2(rs.intValue(r, QStringLiteral("ID")) > 7, qPrintable(name));
            QVERIFY2(seq >= 7 && seq <= 999, qPrintable(name));
            QCOMPARE(page, pageOf(name));
            QCOMPARE(int(rs.intValue(r, QStringLiteral("QueryType"))), yesNo.contains(name) ? 3 : 0);
            const QString rule = rs.text(r, QStringLiteral("Rule"));
            static const QRegularExpression ruleForm(
                QStringLiteral("^(|in \\[[0-9]+(,[0-9]+)*\\]|(>=|<=|<>|>|<|=)-?[0-9]+)$"));
            QVERIFY2(ruleForm.match(rule).hasMatch(), qPrintable(name + QLatin1Char(' ') + rule));
        }
        QCOMPARE(survey, surveyFields());
        QCOMPARE(rs.intValue(0, rs.columnIndex(QStringLiteral("QueryType"))), 0); // c901 is a number box
        QVERIFY(m_db.scalar(QStringLiteral("SELECT Hint FROM dt_fieldlist WHERE FieldName='z009'"))
                    .toString()
                    .startsWith(QStringLiteral("本级工会是否建立了女职工委员会")));
    }

    void viewsAreUpdatableWhereTheCommandsNeedIt()
    {
        m_db.exec(QStringLiteral("update view_fieldlist set visible=true where FieldName = 'z001'"));
        QCOMPARE(m_db.scalar(QStringLiteral("SELECT Visible FROM dt_fieldlist WHERE FieldName='z001'")).toInt(), 1);
        QCOMPARE(m_db.scalar(QStringLiteral("SELECT SheetName FROM view_fieldlist WHERE FieldName='b030'")).toString(),
                 QStringLiteral("表4-续"));
        m_db.exec(QStringLiteral("update view_fieldlist set visible=false"));
        QCOMPARE(m_db.scalar(QStringLiteral("SELECT sum(Visible) FROM dt_fieldlist")).toInt(), 0);

        m_db.exec(QStringLiteral("INSERT INTO ct_group (name) VALUES ('分组')"));
        const qint64 g = m_db.lastInsertId();
        m_db.exec(QStringLiteral("INSERT INTO view_group_item (groupid, Title, LowBoundary, HighBoundary) "
                                 "VALUES (?, '一级', 100, 200)"),
                  {g});
        ResultSet items = ResultSet::run(m_db, QStringLiteral("select * from view_group_item where groupid=?"), {g});
        QCOMPARE(items.rowCount(), 1);
        QCOMPARE(items.text(0, QStringLiteral("LowValue")), QStringLiteral(">=100"));
        QCOMPARE(items.text(0, QStringLiteral("HighValue")), QStringLiteral("<200"));
        m_db.exec(QStringLiteral("update view_group_item set Title='二级', HighSymbol='<=', HighBoundary=300"));
        QCOMPARE(m_db.scalar(QStringLiteral("SELECT HighValue FROM view_group_item")).toString(),
                 QStringLiteral("<=300"));
        QCOMPARE(m_db.scalar(QStringLiteral("SELECT Title FROM DT_GroupItem")).toString(), QStringLiteral("二级"));
        m_db.exec(QStringLiteral("delete from view_group_item"));
        QCOMPARE(m_db.scalar(QStringLiteral("SELECT count(*) FROM DT_GroupItem")).toInt(), 0);

        // every record appears once in the record list, with region and level names
        m_db.exec(QStringLiteral("INSERT INTO dt_data (c901, c903, c904) VALUES (1, 130102, 3), (2, 999999, 0)"));
        ResultSet list = ResultSet::run(m_db, QStringLiteral("SELECT *  from view_data order by c901 asc"));
        QCOMPARE(list.rowCount(), 2);
        QCOMPARE(list.text(0, QStringLiteral("CityName")), QStringLiteral("河北省石家庄市长安区"));
        QCOMPARE(list.text(0, QStringLiteral("LevelName")), QStringLiteral("县（市、区、旗）总工会"));
        m_db.exec(QStringLiteral("DELETE FROM dt_data"));

        QVERIFY(m_db.scalar(QStringLiteral("SELECT count(*) FROM view_datasearch")).toInt() == 187);
        QCOMPARE(m_db.scalar(QStringLiteral("SELECT PageID FROM view_datasearch WHERE CodeName='b040'")).toInt(), 4);
        QCOMPARE(m_db.scalar(QStringLiteral("SELECT PageID FROM view_datasearch WHERE CodeName='c021'")).toInt(), 12);
    }

    void codeTablesAreConsistent()
    {
        QCOMPARE(m_db.scalar(QStringLiteral("SELECT count(*) FROM CT_CityName WHERE ID <> Code1*10000+Code2*100+Code3"))
                     .toInt(),
                 0);
        QCOMPARE(m_db.scalar(QStringLiteral("SELECT CombName FROM CT_CityName WHERE ID=110100")).isValid(), true);
        QVERIFY(m_db.scalar(QStringLiteral("SELECT count(*) FROM CT_CityName WHERE Code2=0")).toInt() >= 31);
        QVERIFY(m_db.scalar(QStringLiteral("SELECT count(*) FROM CT_CityName")).toInt() > 3000);
        ResultSet levels = ResultSet::run(m_db, QStringLiteral("SELECT * FROM CT_LevelCode ORDER BY Sequence"));
        QCOMPARE(levels.rowCount(), 11);
        QCOMPARE(levels.intValue(0, QStringLiteral("ID")), 0);
        QCOMPARE(m_db.scalar(QStringLiteral("SELECT count(*) FROM ct_sheetName WHERE CodeID >= 0")).toInt(), 12);
    }

    // The on-screen rules are the consistency rules placed on the page of
    // their last field; each must be a valid expression once boxes become numbers.
    void pageRulesAreEvaluableOnTheirPages()
    {
        ResultSet rules = ResultSet::run(m_db, QStringLiteral("SELECT * FROM dt_logic ORDER BY id"));
        QCOMPARE(rules.rowCount(), 123);
        static const QRegularExpression nameRe(QStringLiteral("[A-Za-z][0-9]{3}"));
        for (int r = 0; r < rules.rowCount(); ++r) {
            const int page = int(rules.intValue(r, QStringLiteral("page_id")));
            QVERIFY(page >= 1 && page <= 13);
            const QString expr = rules.text(r, QStringLiteral("expression"));
            for (auto it = nameRe.globalMatch(expr); it.hasNext();)
                QVERIFY2(pageOf(it.next().captured().toLower()) <= page, qPrintable(expr));
            QCOMPARE(pageOf(rules.text(r, QStringLiteral("focus"))), page);
            QString zeros = expr;
            zeros.replace(nameRe, QStringLiteral("0"));
            const QVariant rt = m_db.scalar(QStringLiteral("select ") + zeros + QStringLiteral(" as rt"));
            QVERIFY2(rt.isValid(), qPrintable(expr));
        }
        QCOMPARE(m_db.scalar(QStringLiteral("SELECT rule FROM dt_logic WHERE id=88")).toString(),
                 QStringLiteral("(s002 = 1) or (s002 <> 1 and s006 = 0))"));
    }
};

QTEST_GUILESS_MAIN(TestSchema)
#include "tst_schema.moc"
