#include "Fixtures.h"
#include "ScriptedInteraction.h"
#include "app/AppPaths.h"
#include "app/Session.h"
#include "db/Database.h"
#include "exchange/DatabaseMaintenance.h"

#include <QCryptographicHash>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace tq;
using exchange::DatabaseMaintenance;

namespace {

QByteArray fileHash(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(&f);
    return h.result();
}

// Every row of a table in code order, cells joined: enough to see a lost or
// changed value.
QStringList dump(db::Database &db, const QString &sql)
{
    QStringList rows;
    db::Statement st = db.prepare(sql);
    while (st.step()) {
        QStringList cells;
        for (int c = 0; c < st.columnCount(); ++c)
            cells << (st.isNull(c) ? QStringLiteral("<null>") : st.textValue(c));
        rows << cells.join(u'|');
    }
    return rows;
}

QStringList records(const QString &path)
{
    db::Database db = db::Database::open(path);
    return dump(db, QStringLiteral("SELECT * FROM dt_data ORDER BY c901"));
}

QStringList schemaObjects(const QString &path)
{
    db::Database db = db::Database::open(path);
    return dump(db, QStringLiteral("SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY type, name"));
}

QStringList leftovers(const QString &folder, const QStringList &expected)
{
    QStringList extra = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString &e : expected)
        extra.removeAll(e);
    return extra;
}

void addRecords(const QString &path, int count)
{
    db::Database db = db::Database::open(path);
    db::Transaction tx(db);
    for (int i = 1; i <= count; ++i)
        db.exec(QStringLiteral("INSERT INTO dt_data (c901, c902, c903, c905, RecordState) VALUES (?, ?, ?, ?, ?)"),
                {i, QStringLiteral("某某区总工会%1").arg(i), 110101, QString(300, QChar(u'填')), i % 3});
    tx.commit();
}

// A disk that fills up: writes past `bytes` fail (EFBIG) for as long as this
// lives. It works for every user, root included.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit lim = m_old;
        lim.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_old); }

private:
    rlimit m_old{};
};

// A folder nobody may write into. Root writes anywhere, so for root the work
// runs as an ordinary user while this lives.
class UnwritableFolder {
public:
    UnwritableFolder(const QString &folder, const QString &file) : m_folder(folder)
    {
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther |
                                          QFile::ReadGroup | QFile::ExeGroup);
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::WriteOther |
                                        QFile::ReadGroup | QFile::WriteGroup);
        if (geteuid() == 0) {
            m_wasRoot = true;
            QVERIFY(setegid(65534) == 0);
            QVERIFY(seteuid(65534) == 0);
        }
    }
    ~UnwritableFolder()
    {
        if (m_wasRoot) {
            (void)seteuid(0);
            (void)setegid(0);
        }
        QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

private:
    QString m_folder;
    bool m_wasRoot = false;
};

} // namespace

class TestMaintenance : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    // A survey database with records in its own folder (readable by others,
    // for the runs as an ordinary user).
    QString surveyDatabase(const QString &folderName, int count)
    {
        const QString folder = m_dir.filePath(folderName);
        QDir().mkpath(folder);
        QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                                                QFile::ExeOther);
        QTemporaryDir tmp;
        const QString built = test::newSurveyDatabase(tmp, QStringLiteral("built.mdb"));
        const QString path = QDir(folder).filePath(QStringLiteral("survey.mdb"));
        QFile::remove(path);
        QFile::copy(built, path);
        addRecords(path, count);
        return path;
    }

private slots:
    void backupFileName_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::newRow("short name kept") << "/d/abc"
                                         << "/d/abc";
        QTest::newRow("four characters kept") << "/d/abcd"
                                              << "/d/abcd";
        QTest::newRow("five characters") << "/d/abcde"
                                         << "/d/abcde.mdb";
        QTest::newRow("ends in .mdb") << "/d/a.mdb"
                                      << "/d/a.mdb";
        QTest::newRow("case counts") << "/d/x.MDB"
                                     << "/d/x.MDB.mdb";
        QTest::newRow("other extension") << "/d/2009.bak"
                                         << "/d/2009.bak.mdb";
        QTest::newRow("Chinese characters count one each") << "/d/年报备份"
                                                           << "/d/年报备份";
        QTest::newRow("Chinese, five") << "/d/年报备份一"
                                       << "/d/年报备份一.mdb";
        QTest::newRow("only the file name counts") << "/folder.mdb/abc"
                                                   << "/folder.mdb/abc";
    }
    void backupFileName()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        QCOMPARE(DatabaseMaintenance::backupFileName(chosen), written);
    }

    void backupWritesAWholeCopy_data()
    {
        QTest::addColumn<QString>("target"); // "open" for the open file itself
        QTest::addColumn<bool>("olderBackup");
        QTest::newRow("new file") << "年报备份2009" << false;
        QTest::newRow("replaces an older backup") << "copy.mdb" << true;
        QTest::newRow("onto the open file") << "open" << false;
    }
    void backupWritesAWholeCopy()
    {
        QFETCH(QString, target);
        QFETCH(bool, olderBackup);
        const QString path = surveyDatabase(QStringLiteral("backup"), 40);
        const QStringList before = records(path);
        const QString chosen = target == QLatin1String("open") ? path : m_dir.filePath(target);
        const QString written = DatabaseMaintenance::backupFileName(chosen);
        if (olderBackup) {
            QFile old(written);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("an older backup");
        }

        Session session;
        session.openDatabase(path);
        test::ScriptedInteraction ui;
        ui.answer(chosen);
        QVERIFY(DatabaseMaintenance(session, ui).backup());
        QCOMPARE(ui.dialogs, QStringList{QStringLiteral("备份文件存放为|Access文件(*.mdb)")});
        QCOMPARE(ui.messages, QStringList{QStringLiteral("备份成功")});
        QVERIFY(session.isOpen());
        QCOMPARE(session.path(), path);
        QCOMPARE(session.db().scalar(QStringLiteral("SELECT count(*) FROM dt_data")).toInt(), 40);

        QCOMPARE(fileHash(written), fileHash(path));
        QCOMPARE(records(written), before);
        QCOMPARE(records(path), before);
        QCOMPARE(leftovers(m_dir.filePath(QStringLiteral("backup")), {QStringLiteral("survey.mdb")}), QStringList());
        QFile::remove(written);
    }

    void backupCancelledOrDeclined_data()
    {
        QTest::addColumn<QVariant>("answer");
        QTest::addColumn<QString>("existing"); // a file already under the written name
        QTest::newRow("cancelled") << QVariant() << QString();
        QTest::newRow("blank name") << QVariant(QStringLiteral("   ")) << QString();
        // the dialog asked about "abcde"; "abcde.mdb" is another file
        QTest::newRow("appended name exists") << QVariant(QStringLiteral("abcde")) << "abcde.mdb";
    }
    void backupCancelledOrDeclined()
    {
        QFETCH(QVariant, answer);
        QFETCH(QString, existing);
        const QString path = surveyDatabase(QStringLiteral("cancel"), 3);
        if (!existing.isEmpty()) {
            QFile f(m_dir.filePath(existing));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("keep me");
        }
        Session session;
        session.openDatabase(path);
        test::ScriptedInteraction ui;
        const bool named = !answer.toString().trimmed().isEmpty();
        ui.answer(named ? QVariant(m_dir.filePath(answer.toString())) : answer);
        ui.answer(false); // declines the replacement
        QVERIFY(!DatabaseMaintenance(session, ui).backup());
        QVERIFY(ui.messages.isEmpty());
        QVERIFY(session.isOpen());
        if (!existing.isEmpty()) {
            QCOMPARE(ui.questions.size(), 1);
            QVERIFY(ui.questions.first().startsWith(QStringLiteral("提示：|文件“")));
            QFile f(m_dir.filePath(existing));
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), QByteArray("keep me"));
            QFile::remove(f.fileName());
        }
    }

    void failedBackupKeepsTheOlderFileAndReopens()
    {
        const QString path = surveyDatabase(QStringLiteral("full"), 300);
        const QString target = m_dir.filePath(QStringLiteral("full/older.mdb"));
        {
            QFile old(target);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("an older backup");
        }
        Session session;
        session.openDatabase(path);
        test::ScriptedInteraction ui;
        ui.answer(target);
        bool raised = false;
        {
            FileSizeLimit disk(QFileInfo(path).size() / 2);
            try {
                DatabaseMaintenance(session, ui).backup();
            } catch (const FileError &e) {
                raised = true;
                QVERIFY2(e.text().contains(QDir::toNativeSeparators(target)), qPrintable(e.text()));
            }
        }
        QVERIFY(raised);
        QVERIFY(ui.messages.isEmpty()); // no "备份成功"
        QVERIFY(session.isOpen());
        QCOMPARE(session.db().scalar(QStringLiteral("SELECT count(*) FROM dt_data")).toInt(), 300);
        QFile old(target);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("an older backup"));
        QCOMPARE(leftovers(QFileInfo(path).path(), {QStringLiteral("survey.mdb"), QStringLiteral("older.mdb")}),
                 QStringList());
    }

    void compactionKeepsRowsAndSchema_data()
    {
        QTest::addColumn<bool>("deleteMost");
        QTest::newRow("with deleted records") << true;
        QTest::newRow("already compact") << false;
    }
    void compactionKeepsRowsAndSchema()
    {
        QFETCH(bool, deleteMost);
        const QString path = surveyDatabase(QStringLiteral("compact"), 500);
        if (deleteMost)
            db::Database::open(path).exec(QStringLiteral("DELETE FROM dt_data WHERE c901 > 20"));
        else
            db::Database::compactFile(path);
        const QStringList rows = records(path);
        const QStringList objects = schemaObjects(path);
        const qint64 before = QFileInfo(path).size();
        qint64 freeBytes = 0;
        {
            db::Database db = db::Database::open(path);
            freeBytes = db.scalar(QStringLiteral("PRAGMA freelist_count")).toLongLong() *
                        db.scalar(QStringLiteral("PRAGMA page_size")).toLongLong();
        }
        QCOMPARE(freeBytes > 0, deleteMost);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup);

        Session session;
        session.openDatabase(path);
        session.setLabel(QStringLiteral("某省总工会"));
        test::ScriptedInteraction ui;
        QVERIFY(DatabaseMaintenance(session, ui).compact());
        QCOMPARE(ui.messages, QStringList{QStringLiteral("压缩操作成功")});
        QVERIFY(session.isOpen());
        QCOMPARE(session.label(), QStringLiteral("某省总工会"));
        QVERIFY(QFileInfo(path).size() <= before - freeBytes);
        QCOMPARE(session.db().scalar(QStringLiteral("PRAGMA freelist_count")).toInt(), 0);
        QCOMPARE(records(path), rows);
        QCOMPARE(schemaObjects(path), objects);
        QCOMPARE(QFileInfo(path).permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther),
                 QFile::ReadGroup | QFile::WriteGroup);
        QCOMPARE(leftovers(QFileInfo(path).path(), {QStringLiteral("survey.mdb")}), QStringList());
    }

    void failedCompactionLeavesTheFile_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("unwritable folder") << "folder";
        QTest::newRow("disk full") << "disk";
    }
    void failedCompactionLeavesTheFile()
    {
        QFETCH(QString, fault);
        const QString path = surveyDatabase(QStringLiteral("fail-") + fault, 400);
        db::Database::open(path).exec(QStringLiteral("DELETE FROM dt_data WHERE c901 > 100"));
        const QByteArray hash = fileHash(path);
        const QString folder = QFileInfo(path).path();

        Session session;
        session.openDatabase(path);
        test::ScriptedInteraction ui;
        bool compacted = true;
        {
            std::unique_ptr<FileSizeLimit> disk;
            std::unique_ptr<UnwritableFolder> locked;
            if (fault == QLatin1String("disk"))
                disk = std::make_unique<FileSizeLimit>(QFileInfo(path).size() / 20);
            else
                locked = std::make_unique<UnwritableFolder>(folder, path);
            compacted = DatabaseMaintenance(session, ui).compact();
        }
        QVERIFY(!compacted);
        QCOMPARE(ui.messages.size(), 1);
        const QString shown = ui.messages.first();
        QVERIFY2(shown.startsWith(QStringLiteral("运行中发生错误：")) && shown.size() > 8 &&
                     !shown.endsWith(QStringLiteral(",请与软件发行者联系。")),
                 qPrintable(shown));
        QVERIFY(session.isOpen());
        QCOMPARE(fileHash(path), hash);
        QCOMPARE(leftovers(folder, {QStringLiteral("survey.mdb")}), QStringList());
        QCOMPARE(records(path).size(), 100);
    }
};

QTEST_GUILESS_MAIN(TestMaintenance)
#include "tst_maintenance.moc"
