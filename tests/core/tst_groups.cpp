#include "Fixtures.h"
#include "ScriptedInteraction.h"
#include "db/Database.h"
#include "summary/GroupExchange.h"
#include "summary/GroupStore.h"

#include <QtTest>

using namespace tq;
using namespace tq::summary;

namespace {

QString groupings(db::Database &db)
{
    return db
        .scalar(QStringLiteral("SELECT group_concat(id || ':' || name, ' ') FROM (SELECT * FROM ct_group "
                               "ORDER BY id)"))
        .toString();
}

QString items(db::Database &db)
{
    return db
        .scalar(QStringLiteral("SELECT group_concat(id || ':' || GroupID || ':' || Title || ':' || LowSymbol || "
                               "LowBoundary || HighSymbol || HighBoundary, ' ') FROM (SELECT * FROM DT_GroupItem "
                               "ORDER BY id)"))
        .toString();
}

} // namespace

class TestGroups : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    db::Database fresh(const QString &name) { return db::Database::open(test::newSurveyDatabase(m_dir, name)); }

private slots:
    void itemValidation_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<qint64>("low");
        QTest::addColumn<qint64>("high");
        QTest::addColumn<QString>("message");
        QTest::newRow("no title") << "" << qint64(1) << qint64(2) << "必须输入本组数据的名称！";
        QTest::newRow("equal bounds") << "甲" << qint64(100) << qint64(100) << "上限必须大于下限！";
        QTest::newRow("reversed bounds") << "甲" << qint64(200) << qint64(100) << "上限必须大于下限！";
        QTest::newRow("one apart") << "甲" << qint64(100) << qint64(101) << "";
    }

    void itemValidation()
    {
        QFETCH(QString, title);
        QFETCH(qint64, low);
        QFETCH(qint64, high);
        QFETCH(QString, message);
        QCOMPARE(GroupStore::validate({title, low, high}), message);
    }

    // Names and titles are stored as typed, quotes included; removing a
    // grouping takes its ranges with it.
    void storeKeepsTextsAndRemovesWhole()
    {
        db::Database db = fresh(QStringLiteral("store.mdb"));
        GroupStore store(db);
        const qint64 a = store.addGrouping(QStringLiteral("O'Brien \"市\""));
        const qint64 b = store.addGrouping(QStringLiteral("乙"));
        store.renameGrouping(a, QStringLiteral("it's"));
        const qint64 item =
            store.addItem(a, {QStringLiteral("'一'"), 1, 99, QStringLiteral(">"), QStringLiteral("<=")});
        store.addItem(b, {QStringLiteral("二"), 100, 200});
        QVERIFY_THROWS_EXCEPTION(Error, store.addItem(a, {QStringLiteral("三"), 5, 5}));
        QCOMPARE(groupings(db), QStringLiteral("1:it's 2:乙"));
        QCOMPARE(store.itemCount(a), 1);
        QCOMPARE(store.items(a).front().title, QStringLiteral("'一'"));
        store.updateItem(item, a, {QStringLiteral("一"), 1, 50});
        QCOMPARE(items(db), QStringLiteral("1:1:一:>=1<50 2:2:二:>=100<200"));
        store.removeGrouping(a);
        QCOMPARE(groupings(db), QStringLiteral("2:乙"));
        QCOMPARE(items(db), QStringLiteral("2:2:二:>=100<200"));
        store.removeItem(2);
        QCOMPARE(store.itemCount(b), 0);
    }

    void fileNameRule_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("used");
        QTest::newRow("no extension") << "/d/groups"
                                      << "/d/groups.mdb";
        QTest::newRow("four characters") << "a.md"
                                         << "a.md";
        QTest::newRow("upper case") << "/d/x.MDB"
                                    << "/d/x.MDB.mdb";
        QTest::newRow("already .mdb") << " /d/x.mdb "
                                      << "/d/x.mdb";
        QTest::newRow("blank") << "   "
                               << "";
    }

    void fileNameRule()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, used);
        QCOMPARE(GroupExchange::applyFileNameRule(chosen), used);
    }

    void exportThenImport()
    {
        // The default database beside the program holds the groupings to share.
        const QString source = test::newSurveyDatabase(m_dir, QStringLiteral("source.mdb"));
        {
            db::Database db = db::Database::open(source);
            db.execScript(QStringLiteral(
                "INSERT INTO ct_group (id, name) VALUES (5, '甲'), (9, 'O''Neil');"
                "INSERT INTO DT_GroupItem (id, GroupID, Title, LowBoundary, HighBoundary, LowSymbol, HighSymbol) "
                "VALUES (11, 5, '一级', 100, 200, '>=', '<'), (12, 9, '二级', 1, 9, '>', '<=');"));
        }
        const QString folder = m_dir.filePath(QStringLiteral("annals"));
        const QString target = folder + QStringLiteral("/x.MDB");
        test::ScriptedInteraction ui;
        ui.answer(target);
        GroupExchange(ui, folder).ExportGroups(source);
        QVERIFY(QDir(folder).exists());
        QCOMPARE(ui.dialogs, QStringList{QStringLiteral("导出文件存放为|Access文件(*.mdb)")});
        QCOMPARE(ui.messages,
                 QStringList{QStringLiteral("数据已经被正确导出到：'") + target + QStringLiteral(".mdb'！")});
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("x.MDB.mdb")});
        {
            // Exporting again replaces both tables.
            db::Database db = db::Database::open(source);
            db.exec(QStringLiteral("DELETE FROM DT_GroupItem WHERE id = 12"));
            test::ScriptedInteraction again;
            again.answer(target + QStringLiteral(".mdb"));
            GroupExchange(again, folder).ExportGroups(source);
            db::Database file = db::Database::open(target + QStringLiteral(".mdb"));
            QCOMPARE(items(file), QStringLiteral("11:5:一级:>=100<200"));
            file.exec(QStringLiteral("INSERT INTO DT_GroupItem (id, GroupID, Title, LowBoundary, HighBoundary) "
                                     "VALUES (12, 9, '二级', 1, 9)"));
            file.exec(QStringLiteral("UPDATE DT_GroupItem SET LowSymbol = '>', HighSymbol = '<=' WHERE id = 12"));
        }

        // The default database is never overwritten by its own export.
        test::ScriptedInteraction self;
        self.answer(source);
        QVERIFY_THROWS_EXCEPTION(Error, GroupExchange(self, folder).ExportGroups(source));
        QCOMPARE(groupings(*std::make_unique<db::Database>(db::Database::open(source))),
                 QStringLiteral("5:甲 9:O'Neil"));

        // Import replaces the open database's groupings and keeps the ids.
        db::Database open = fresh(QStringLiteral("open.mdb"));
        open.execScript(QStringLiteral("INSERT INTO ct_group (id, name) VALUES (1, '旧');"
                                       "INSERT INTO DT_GroupItem (GroupID, Title, LowBoundary, HighBoundary) "
                                       "VALUES (1, '旧项', 1, 2);"));
        test::ScriptedInteraction in;
        in.answer(folder + QStringLiteral("/x.MDB"));
        QVERIFY(GroupExchange(in, folder).ImportGroups(open));
        QCOMPARE(in.dialogs, QStringList{QStringLiteral("选择导入文件|Access文件(*.mdb)")});
        QCOMPARE(in.messages, QStringList{QStringLiteral("数据分组导入操作完成！")});
        QCOMPARE(groupings(open), QStringLiteral("5:甲 9:O'Neil"));
        QCOMPARE(items(open), QStringLiteral("11:5:一级:>=100<200 12:9:二级:>1<=9"));
        QCOMPARE(in.recordedProgress.finishes, 1);
    }

    void importWithoutItemTable()
    {
        const QString path = m_dir.filePath(QStringLiteral("only-groups.mdb"));
        db::Database::createEmpty(path);
        {
            db::Database f = db::Database::open(path);
            f.execScript(QStringLiteral("CREATE TABLE CT_Group (id INTEGER PRIMARY KEY, name TEXT);"
                                        "INSERT INTO CT_Group VALUES (3, '新');"));
        }
        db::Database open = fresh(QStringLiteral("open2.mdb"));
        open.execScript(QStringLiteral("INSERT INTO ct_group (id, name) VALUES (1, '旧');"
                                       "INSERT INTO DT_GroupItem (GroupID, Title, LowBoundary, HighBoundary) "
                                       "VALUES (1, '旧项', 1, 2);"));
        test::ScriptedInteraction ui;
        ui.answer(path);
        QVERIFY(GroupExchange(ui, m_dir.path()).ImportGroups(open));
        QCOMPARE(ui.messages, (QStringList{QStringLiteral("您选择的文件中不存在名字为\"DT_GroupItem\"的数据表"),
                                           QStringLiteral("数据分组导入操作完成！")}));
        QCOMPARE(groupings(open), QStringLiteral("3:新"));
        QCOMPARE(items(open), QStringLiteral("1:1:旧项:>=1<2"));
    }

    void importRefusals()
    {
        db::Database open = fresh(QStringLiteral("open3.mdb"));
        open.exec(QStringLiteral("INSERT INTO ct_group (id, name) VALUES (1, '旧')"));

        test::ScriptedInteraction missing;
        missing.answer(m_dir.filePath(QStringLiteral("nothing")));
        QVERIFY(!GroupExchange(missing, m_dir.path()).ImportGroups(open));
        QCOMPARE(missing.messages, QStringList{QStringLiteral("您选择的文件并不存在，请选择其它文件。")});

        test::ScriptedInteraction cancelled;
        QVERIFY(!GroupExchange(cancelled, m_dir.path()).ImportGroups(open));
        QCOMPARE(cancelled.messages, QStringList());

        // A file of another kind fails whole; the groupings stay.
        const QString foreign = m_dir.filePath(QStringLiteral("foreign.mdb"));
        QFile f(foreign);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
        f.close();
        test::ScriptedInteraction bad;
        bad.answer(foreign);
        QVERIFY_THROWS_EXCEPTION(Error, GroupExchange(bad, m_dir.path()).ImportGroups(open));
        QCOMPARE(groupings(open), QStringLiteral("1:旧"));
        // Nor can the open database be its own exchange file.
        test::ScriptedInteraction self;
        self.answer(open.path());
        QVERIFY_THROWS_EXCEPTION(Error, GroupExchange(self, m_dir.path()).ImportGroups(open));
        QCOMPARE(groupings(open), QStringLiteral("1:旧"));
        QVERIFY(!open.inTransaction());
        QCOMPARE(bad.recordedProgress.starts, bad.recordedProgress.finishes);
    }
};

QTEST_GUILESS_MAIN(TestGroups)
#include "tst_groups.moc"
