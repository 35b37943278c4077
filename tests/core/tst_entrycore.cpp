#include "Fixtures.h"
#include "db/Database.h"
#include "entry/LevelRules.h"
#include "entry/ProcessorSignature.h"
#include "entry/SurveyRecordStore.h"

#include <QRegularExpression>
#include <QtTest>

using namespace tq;

class TestEntryCore : public QObject {
    Q_OBJECT
private slots:
    void levelRules_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("rule");
        QTest::addColumn<bool>("holds");
        QTest::newRow("member") << 2 << "in [1,2,3]" << true;
        QTest::newRow("not a member") << 10 << "in [20,30]" << false;
        QTest::newRow("spaces separate too") << 3 << "in [1 2 3]" << true;
        QTest::newRow("no closing bracket") << 3 << "in [1,3" << true;
        QTest::newRow("no bracket never holds") << 1 << "in 1,2" << false;
        QTest::newRow("items beyond 255 ignored") << 300 << "in [300]" << false;
        QTest::newRow("negative level") << -1 << "in [0]" << false;
        QTest::newRow(">= holds") << 10 << ">=10" << true;
        QTest::newRow("<> fails") << 10 << "<>10" << false;
        QTest::newRow("< with spaces") << 3 << "< 4" << true;
        QTest::newRow("= holds") << 8 << "=8" << true;
        QTest::newRow("unknown operator") << 8 << "=>8" << false;
        QTest::newRow("no operator") << 8 << "8" << false;
        QTest::newRow("not a number") << 8 << ">x" << false;
    }
    void levelRules()
    {
        QFETCH(int, level);
        QFETCH(QString, rule);
        QFETCH(bool, holds);
        QCOMPARE(entry::LevelRuleHolds(level, rule), holds);
    }

    void signatureIs32HexDigits()
    {
        static const QRegularExpression hex(QStringLiteral("^[0-9A-F]{32}$"));
        QVERIFY(hex.match(entry::ProcessorSignature()).hasMatch());
    }

    void storeSavesWholeOrNothing()
    {
        QTemporaryDir dir;
        db::Database db = db::Database::open(tq::test::newSurveyDatabase(dir));
        entry::SurveyRecordStore store(db);
        QCOMPARE(store.proposeNextCode(), 0);
        store.save({{"c901", 1}, {"c902", QStringLiteral("甲'乙")}, {"z001", 5}, {"nosuch", 1}}, true, 0);
        QCOMPARE(store.proposeNextCode(), 2);
        auto row = store.load(1);
        QVERIFY(row);
        QCOMPARE(row->value("c902").toString(), QStringLiteral("甲'乙"));
        QCOMPARE(row->value("z001").toLongLong(), 5);

        // the code itself may change on an edit
        store.save({{"c901", 7}, {"z001", 6}}, false, 1);
        QVERIFY(!store.load(1));
        QCOMPARE(store.load(7)->value("z001").toLongLong(), 6);

        // a failure leaves the stored row as it was
        db.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON dt_data WHEN NEW.c902 = 'boom' "
                               "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        QVERIFY_THROWS_EXCEPTION(db::DbError, store.save({{"z001", 99}, {"c902", QStringLiteral("boom")}}, false, 7));
        QCOMPARE(store.load(7)->value("z001").toLongLong(), 6);
        QVERIFY(!db.inTransaction());
        // appending a code that exists fails and adds nothing
        QVERIFY_THROWS_EXCEPTION(db::DbError, store.save({{"c901", 7}}, true, 0));
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM dt_data")).toInt(), 1);
        // an edit of a record that is gone is an error, not a silent nothing
        QVERIFY_THROWS_EXCEPTION(db::DbError, store.save({{"z001", 1}}, false, 42));
    }
};

QTEST_GUILESS_MAIN(TestEntryCore)
#include "tst_entrycore.moc"
