#include "app/ListSortState.h"
#include "common/ProgressEstimate.h"

#include <QtTest>

class TestProgress : public QObject {
    Q_OBJECT
private slots:
    void estimateAppearsAfterFiveSeconds_data()
    {
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("done");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<QString>("doneText");
        QTest::addColumn<QString>("leftText");
        QTest::newRow("at the start") << 40 << 0 << 0 << "已完成 0"
                                      << "待完成 40";
        QTest::newRow("five seconds: counts only") << 40 << 10 << 50 << "已完成 10"
                                                   << "待完成 30";
        QTest::newRow("six seconds") << 40 << 10 << 60 << "已完成 10 用时6秒"
                                     << "待完成 30 尚需18秒";
        QTest::newRow("nothing done yet") << 40 << 0 << 80 << "已完成 0"
                                          << "待完成 40";
        QTest::newRow("rounding up") << 7 << 3 << 51 << "已完成 3 用时5秒"
                                     << "待完成 4 尚需7秒";
    }
    void estimateAppearsAfterFiveSeconds()
    {
        QFETCH(int, total);
        QFETCH(int, done);
        QFETCH(int, ticks);
        QFETCH(QString, doneText);
        QFETCH(QString, leftText);
        tq::ProgressEstimate e;
        e.start(total, 0);
        e.setDone(done);
        for (int i = 0; i < ticks; ++i)
            e.tick();
        if (ticks == 0)
            e.start(total, done);
        QCOMPARE(e.doneText(), doneText);
        QCOMPARE(e.leftText(), leftText);
        QCOMPARE(e.remainingTicks() >= 0, doneText.contains(QStringLiteral("用时")));
    }

    void sortDirectionAlternatesWithEveryClick()
    {
        tq::ListSortState s;
        QCOMPARE(s.click(2), Qt::DescendingOrder); // after a rebuild
        QCOMPARE(s.title(2, QStringLiteral("名称")), QStringLiteral("名称▼"));
        QCOMPARE(s.click(2), Qt::AscendingOrder);
        QCOMPARE(s.title(2, QStringLiteral("名称")), QStringLiteral("名称▲"));
        QCOMPARE(s.click(2), Qt::DescendingOrder);
        // another column continues the alternation; the old title is plain again
        QCOMPARE(s.click(0), Qt::AscendingOrder);
        QCOMPARE(s.title(2, QStringLiteral("名称")), QStringLiteral("名称"));
        QCOMPARE(s.sortedColumn(), 0);
        s.reset();
        QCOMPARE(s.sortedColumn(), -1);
        QCOMPARE(s.state(), 1);
    }
};

QTEST_GUILESS_MAIN(TestProgress)
#include "tst_progress.moc"
