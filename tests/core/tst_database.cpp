#include "Fixtures.h"
#include "app/RecordList.h"
#include "db/Database.h"
#include "db/ResultSet.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <future>
#include <thread>

using namespace tq::db;
using tq::ListQuery;
using tq::RecordList;
using tq::SortKey;

class TestDatabase : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    Database scratch(const QString &name)
    {
        QFile::remove(path(name));
        Database::createEmpty(path(name));
        return Database::open(path(name));
    }

private slots:
    void openRefusesWhatIsNoDatabase_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing") << "missing";
        QTest::newRow("folder") << "folder";
        QTest::newRow("text file") << "text";
    }
    void openRefusesWhatIsNoDatabase()
    {
        QFETCH(QString, kind);
        QString p = path(QStringLiteral("bad-") + kind);
        if (kind == QLatin1String("folder"))
            QDir().mkpath(p);
        if (kind == QLatin1String("text")) {
            QFile f(p);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray("this is not a database at all, just some words\n").repeated(200));
        }
        try {
            Database::open(p);
            QFAIL("open should have failed");
        } catch (const DbError &e) {
            QVERIFY2(!e.text().isEmpty(), "an error needs a text");
        }
        if (kind == QLatin1String("missing"))
            QVERIFY2(!QFile::exists(p), "opening must never create a file");
    }

    // The engine's English comes after a Chinese explanation, never alone.
    void engineErrorsAreExplained_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("explanation");
        QTest::addColumn<QString>("engine");
        QTest::newRow("no such table") << "SELECT * FROM nosuch"
                                       << "数据库语句不能执行（"
                                       << "no such table";
        QTest::newRow("duplicate key") << "INSERT INTO t VALUES (1)"
                                       << "数据不符合数据库的约束条件（"
                                       << "UNIQUE";
        QTest::newRow("read only") << "PRAGMA query_only = 1; INSERT INTO t VALUES (2)"
                                   << "数据库文件是只读的，不能写入（"
                                   << "readonly";
    }
    void engineErrorsAreExplained()
    {
        QFETCH(QString, sql);
        QFETCH(QString, explanation);
        QFETCH(QString, engine);
        Database db = scratch(QStringLiteral("explain.db"));
        db.exec(QStringLiteral("CREATE TABLE t (k INTEGER UNIQUE)"));
        db.exec(QStringLiteral("INSERT INTO t VALUES (1)"));
        try {
            const QStringList parts = sql.split(QStringLiteral("; "));
            for (const QString &part : parts)
                db.exec(part);
            QFAIL("the statement should have failed");
        } catch (const DbError &e) {
            QVERIFY2(e.text().startsWith(explanation), qPrintable(e.text()));
            QVERIFY2(e.text().contains(engine), qPrintable(e.text()));
        }
    }

    void createEmptyGivesADatabaseAndRefusesToOverwrite()
    {
        const QString p = path(QStringLiteral("empty.db"));
        Database::createEmpty(p);
        QVERIFY(QFileInfo(p).size() > 0);
        Database db = Database::open(p);
        QVERIFY(db.tableNames().isEmpty());
        QVERIFY_THROWS_EXCEPTION(DbError, Database::createEmpty(p));
    }

    void boundValuesArriveAsTyped()
    {
        Database db = scratch(QStringLiteral("bind.db"));
        db.exec(QStringLiteral("CREATE TABLE t (name TEXT, n INTEGER)"));
        const QString awkward = QStringLiteral("O'Brien \"工会\" `x`; DROP TABLE t; --");
        db.exec(QStringLiteral("INSERT INTO t VALUES (?, ?)"), {awkward, qint64(99999999999999)});
        QCOMPARE(db.scalar(QStringLiteral("SELECT name FROM t")).toString(), awkward);
        QCOMPARE(db.scalar(QStringLiteral("SELECT n FROM t")).toLongLong(), qint64(99999999999999));
        QVERIFY(db.hasTable(QStringLiteral("T")));
        QVERIFY_THROWS_EXCEPTION(DbError, db.exec(QStringLiteral("INSERT INTO t VALUES (?)"), {1, 2}));
    }

    void intIsTheNextWholeNumberDownwards_data()
    {
        QTest::addColumn<QString>("expr");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("positive fraction") << "int(3.7)" << QVariant(3);
        QTest::newRow("negative fraction") << "int(-3.2)" << QVariant(-4);
        QTest::newRow("whole") << "int(5)" << QVariant(5);
        QTest::newRow("exact quotient") << "int(7/2.0)" << QVariant(3);
        QTest::newRow("numeric text") << "int('2.5')" << QVariant(2);
        QTest::newRow("null") << "int(NULL)" << QVariant();
        QTest::newRow("yes/no count") << "int(2/2) + (2-2)*(1-2)/2" << QVariant(1);
    }
    void intIsTheNextWholeNumberDownwards()
    {
        QFETCH(QString, expr);
        QFETCH(QVariant, expected);
        Database db = scratch(QStringLiteral("int.db"));
        const QVariant got = db.scalar(QStringLiteral("select ") + expr + QStringLiteral(" as rt"));
        if (!expected.isValid())
            QVERIFY(!got.isValid() || got.isNull());
        else
            QCOMPARE(got.toLongLong(), expected.toLongLong());
    }

    void transactionsRollBackUnlessCommitted()
    {
        Database db = scratch(QStringLiteral("tx.db"));
        db.exec(QStringLiteral("CREATE TABLE t (n INTEGER)"));
        {
            Transaction tx(db);
            db.exec(QStringLiteral("INSERT INTO t VALUES (1)"));
        }
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM t")).toInt(), 0);
        {
            Transaction tx(db);
            db.exec(QStringLiteral("INSERT INTO t VALUES (1)"));
            tx.commit();
        }
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM t")).toInt(), 1);
        QVERIFY(!db.inTransaction());
    }

    // A writer waits up to the busy timeout for another copy's lock; a lock
    // that stays taken is reported with the file's name.
    void writersWaitForTheLockThenNameTheFile_data()
    {
        QTest::addColumn<int>("holdMs");
        QTest::addColumn<bool>("gets");
        QTest::newRow("released in time") << 300 << true;
        QTest::newRow("held past the timeout") << 3000 << false;
    }
    void writersWaitForTheLockThenNameTheFile()
    {
        QFETCH(int, holdMs);
        QFETCH(bool, gets);
        const QString p = path(QStringLiteral("locked.db"));
        {
            Database db = scratch(QStringLiteral("locked.db"));
            db.exec(QStringLiteral("CREATE TABLE t (n INTEGER)"));
        }
        std::promise<void> locked;
        std::thread other([&] {
            Database db = Database::open(p);
            Transaction tx(db);
            db.exec(QStringLiteral("INSERT INTO t VALUES (1)"));
            locked.set_value();
            std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
            tx.commit();
        });
        locked.get_future().wait();
        Database db = Database::open(p);
        QElapsedTimer waited;
        waited.start();
        qint64 gotAfter = -1, failedAfter = -1;
        QString why;
        try {
            Transaction tx(db);
            gotAfter = waited.elapsed();
            // a read before the write, as the commands do: the lock must be
            // ours already, SQLite would not wait for it here
            const int before = db.scalar(QStringLiteral("SELECT count(*) FROM t")).toInt();
            db.exec(QStringLiteral("INSERT INTO t VALUES (?)"), {before + 1});
            tx.commit();
        } catch (const DatabaseBusyError &e) {
            failedAfter = waited.elapsed();
            why = e.text();
        } catch (const DbError &e) {
            why = e.text();
        }
        other.join();
        if (gets) {
            QVERIFY2(gotAfter >= holdMs - 50, qPrintable(why));
            QCOMPARE(db.scalar(QStringLiteral("SELECT group_concat(n) FROM t")).toString(), QStringLiteral("1,2"));
        } else {
            QVERIFY2(failedAfter >= 1500, qPrintable(why));
            QCOMPARE(why, QStringLiteral("数据库文件正被其他程序使用：") + QDir::toNativeSeparators(p));
            QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM t")).toInt(), 1);
        }
    }

    // The whole-file import relies on this: a copy that would duplicate a
    // code fails as a whole and leaves the target as it was.
    void duplicateCodeFailsTheWholeCopy()
    {
        const QString mainPath = tq::test::newSurveyDatabase(m_dir, QStringLiteral("main.mdb"));
        const QString srcPath = tq::test::newSurveyDatabase(m_dir, QStringLiteral("src.mdb"));
        {
            Database src = Database::open(srcPath);
            for (int code : {1, 2, 3})
                src.exec(QStringLiteral("INSERT INTO dt_data (c901, c902) VALUES (?, ?)"),
                         {code, QStringLiteral("来源%1").arg(code)});
        }
        Database db = Database::open(mainPath);
        db.exec(QStringLiteral("INSERT INTO dt_data (c901, c902) VALUES (2, '已有')"));
        db.attach(srcPath, QStringLiteral("aux"));
        QVERIFY_THROWS_EXCEPTION(DbError, db.exec(QStringLiteral("insert into dt_data select * from aux.dt_data")));
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM dt_data")).toInt(), 1);
        QCOMPARE(db.scalar(QStringLiteral("SELECT c902 FROM dt_data")).toString(), QStringLiteral("已有"));

        db.exec(QStringLiteral("delete from dt_data"));
        QCOMPARE(db.exec(QStringLiteral("insert into dt_data select * from aux.dt_data")), 3);
        db.detach(QStringLiteral("aux"));
        // a file that is no database cannot be attached, and nothing stays attached
        QFile junk(path(QStringLiteral("junk.mdb")));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
        junk.close();
        QVERIFY_THROWS_EXCEPTION(DbError, db.attach(junk.fileName(), QStringLiteral("aux")));
        QVERIFY_THROWS_EXCEPTION(DbError, db.scalar(QStringLiteral("SELECT count(*) FROM aux.dt_data")));
    }

    void compactKeepsTheDataAndShrinksTheFile()
    {
        const QString p = path(QStringLiteral("compact.db"));
        {
            Database db = scratch(QStringLiteral("compact.db"));
            db.exec(QStringLiteral("CREATE TABLE t (s TEXT)"));
            Transaction tx(db);
            for (int i = 0; i < 2000; ++i)
                db.exec(QStringLiteral("INSERT INTO t VALUES (?)"), {QString(200, QLatin1Char('a' + i % 26))});
            tx.commit();
            db.exec(QStringLiteral("DELETE FROM t WHERE rowid > 10"));
        }
        const qint64 before = QFileInfo(p).size();
        Database::compactFile(p);
        QVERIFY(QFileInfo(p).size() < before);
        Database db = Database::open(p);
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM t")).toInt(), 10);
        QVERIFY(!QFile::exists(p + QStringLiteral(".old")));
    }

    void resultSetSortsLocatesAndReturns()
    {
        Database db = scratch(QStringLiteral("rs.db"));
        db.exec(QStringLiteral("CREATE TABLE r (c901 INTEGER, name TEXT, n INTEGER)"));
        const QList<QVariantList> rows = {{5, QStringLiteral("乙"), 30},
                                          {1, QStringLiteral("甲"), QVariant()},
                                          {3, QStringLiteral("丙"), 10},
                                          {4, QStringLiteral("丁"), 10},
                                          {2, QStringLiteral("戊"), 99999999999999LL}};
        for (const QVariantList &r : rows)
            db.exec(QStringLiteral("INSERT INTO r VALUES (?,?,?)"), r);
        RecordList rs(ListQuery(QStringLiteral("SELECT * from r order by c901 asc")));
        rs.open(db);
        const int name = rs.columnIndex(QStringLiteral("name"));
        QCOMPARE(rs.rowCount(), 5);
        QCOMPARE(rs.currentRow(), 0);
        QCOMPARE(rs.intValue(rs.currentRow(), rs.columnIndex(QStringLiteral("C901"))), 1);
        QVERIFY(rs.isNull(rs.currentRow(), rs.columnIndex(QStringLiteral("n"))));
        QCOMPARE(rs.intValue(1, 2), 99999999999999LL); // a wide value among narrow ones

        QVERIFY(rs.setCurrentCode(3));
        QCOMPARE(rs.text(rs.currentRow(), name), QStringLiteral("丙"));
        rs.sort({QStringLiteral("n"), Qt::DescendingOrder});
        QCOMPARE(rs.text(rs.currentRow(), name), QStringLiteral("丙")); // same record stays current
        QStringList order;
        for (int r = 0; r < rs.rowCount(); ++r)
            order << rs.text(r, 0);
        QCOMPARE(order, QStringList({"2", "5", "3", "4", "1"})); // ties keep their order, empty last
        rs.sort({QStringLiteral("n"), Qt::AscendingOrder});
        QCOMPARE(rs.text(0, 0), QStringLiteral("1")); // empty first when ascending
        QVERIFY(!rs.setCurrentCode(42));
        QVERIFY_THROWS_EXCEPTION(DbError, rs.sort({QStringLiteral("nosuch"), Qt::AscendingOrder}));

        // a new row arrives; the current record stays current and the sort holds
        QVERIFY(rs.setCurrentCode(4));
        db.exec(QStringLiteral("INSERT INTO r VALUES (6, '己', 1)"));
        rs.requery(db);
        QCOMPARE(rs.rowCount(), 6);
        QCOMPARE(rs.currentCode().value_or(-1), qint64(4));
        QVERIFY(rs.sortKey() == (SortKey{QStringLiteral("n"), Qt::AscendingOrder}));
        QCOMPARE(rs.text(1, 0), QStringLiteral("6"));

        // the current record is deleted: the position is kept
        const int at = rs.currentRow();
        db.exec(QStringLiteral("DELETE FROM r WHERE c901 = 4"));
        rs.requery(db);
        QCOMPARE(rs.rowCount(), 5);
        QCOMPARE(rs.currentRow(), at);
        db.exec(QStringLiteral("DELETE FROM r"));
        rs.requery(db);
        QCOMPARE(rs.currentRow(), -1);
        QVERIFY(rs.isEmpty());

        // a copy walks on its own: the original keeps its record
        db.exec(QStringLiteral("INSERT INTO r VALUES (1, '甲', 1), (2, '乙', 2)"));
        rs.requery(db);
        RecordList walker = rs;
        QVERIFY(walker.last());
        QCOMPARE(walker.currentCode().value_or(-1), qint64(2));
        QCOMPARE(rs.currentCode().value_or(-1), qint64(1));
    }

    void resultSetToleratesMixedColumns()
    {
        Database db = scratch(QStringLiteral("mixed.db"));
        db.exec(QStringLiteral("CREATE TABLE m (v)"));
        for (const QVariant &v : {QVariant(1), QVariant(2.5), QVariant(QStringLiteral("文本")), QVariant()})
            db.exec(QStringLiteral("INSERT INTO m VALUES (?)"), {v});
        ResultSet rs = ResultSet::run(db, QStringLiteral("SELECT v FROM m"));
        QCOMPARE(rs.text(0, 0), QStringLiteral("1"));
        QCOMPARE(rs.text(1, 0), QStringLiteral("2.5"));
        QCOMPARE(rs.text(2, 0), QStringLiteral("文本"));
        QVERIFY(rs.isNull(3, 0));
        const std::vector<int> order = rs.sortedOrder(0, Qt::DescendingOrder, rs.naturalOrder());
        QCOMPARE(rs.text(order[0], 0), QStringLiteral("文本"));
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
