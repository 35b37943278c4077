#include "Fixtures.h"
#include "ScriptedInteraction.h"
#include "app/AppPaths.h"
#include "app/CommandRunner.h"
#include "app/Session.h"
#include "common/AtomicFile.h"
#include "db/Database.h"
#include "exchange/DataImport.h"
#include "exchange/ImportSource.h"
#include "exchange/ReportExport.h"
#include "exchange/ReportHeader.h"

#include <QCryptographicHash>
#include <QStringEncoder>
#include <QtTest>

using namespace tq;
using exchange::DataImport;
using exchange::ReportExport;
using exchange::ReportHeader;

namespace {

// Files left under a temporary name: a report is built under one.
QStringList temporaryFilesIn(const QString &folder)
{
    QStringList names;
    for (const QString &n : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        if (tq::AtomicFile::isTemporaryName(n))
            names << n;
    return names;
}

QByteArray gbkText(const QString &text)
{
    QStringEncoder enc("GBK");
    return enc.encode(text);
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray fileHash(const QString &path)
{
    return QCryptographicHash::hash(fileBytes(path), QCryptographicHash::Sha256);
}

// Every record of a database as text, each value named by its column, in code
// order: equal lists mean equal records whatever the column order.
QStringList recordsOf(db::Database &db, const QString &columns = QStringLiteral("*"))
{
    QStringList rows;
    db::Statement st = db.prepare(QStringLiteral("SELECT %1 FROM dt_data ORDER BY c901").arg(columns));
    while (st.step()) {
        QStringList cells;
        for (int c = 0; c < st.columnCount(); ++c)
            cells << st.columnName(c).toLower() + QLatin1Char('=') + st.value(c).toString() + QLatin1Char(':') +
                         QString::number(st.columnType(c));
        cells.sort();
        rows << cells.join(QLatin1Char(' '));
    }
    return rows;
}

QStringList recordsOf(const QString &path)
{
    db::Database db = db::Database::open(path);
    return recordsOf(db);
}

QString codesOf(db::Database &db)
{
    return db.scalar(QStringLiteral("SELECT group_concat(c901, ',') FROM (SELECT c901 FROM dt_data ORDER BY c901)"))
        .toString();
}

} // namespace

class TestExchange : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_serial = 0;

    // A new survey database with `label` and one record per code: name
    // c902 = names[i] (or "单位" + code), RecordState `state`.
    QString database(const QString &label, const QList<int> &codes, int state = 1, const QStringList &names = {})
    {
        const QString path = tq::test::newSurveyDatabase(m_dir, QStringLiteral("db%1.mdb").arg(++m_serial));
        db::Database db = db::Database::open(path);
        db.exec(QStringLiteral("update ct_label set db_name = ?"), {label});
        for (int i = 0; i < codes.size(); ++i)
            db.exec(QStringLiteral("INSERT INTO dt_data (c901, c902, c903, c904, c905, z001, b030, stats, RecordState) "
                                   "VALUES (?, ?, 110101, 5, '张三', ?, ?, 'ABCDEF01', ?)"),
                    {codes[i], i < names.size() ? names[i] : QStringLiteral("单位%1").arg(codes[i]), codes[i] * 3,
                     qint64(codes[i]) * 1000000007LL, state});
        return path;
    }

    // The report file of `path` under `label`, written as the export writes it.
    QString report(const QString &path, const QString &label)
    {
        Session s;
        s.openDatabase(path);
        test::ScriptedInteraction ui;
        const QString target = m_dir.filePath(QStringLiteral("report%1.mdb").arg(++m_serial));
        ReportExport(s, ui).write(target, label);
        return target;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        AppPaths::setProgramDir(QStringLiteral(TQ_BIN_DIR)); // view.dll lies there
    }

    // ---------------------------------------------------------------- header

    void headerRoundTrip_data()
    {
        QTest::addColumn<bool>("transform");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("restored");
        QTest::newRow("report file") << true << 0 << true;
        QTest::newRow("plain database") << false << 0 << false;
        QTest::newRow("short foreign file") << false << 5 << false;
    }
    void headerRoundTrip()
    {
        QFETCH(bool, transform);
        QFETCH(int, size);
        QFETCH(bool, restored);
        const QString plain = database(QStringLiteral("甲"), {1, 2});
        QByteArray original = fileBytes(plain);
        if (size > 0)
            original.truncate(size);
        const QString received = m_dir.filePath(QStringLiteral("received%1").arg(++m_serial));
        {
            QFile f(received);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(original);
        }
        if (transform) {
            ReportHeader::transformFile(received);
            const QByteArray disguised = fileBytes(received);
            QCOMPARE(disguised.size(), original.size());
            QVERIFY(disguised.left(1024) != original.left(1024));
            QCOMPARE(disguised.mid(1024), original.mid(1024)); // only the header changes
            QVERIFY(ReportHeader::isTransformed(disguised));
        }
        const QByteArray before = fileBytes(received);
        const QString copy = m_dir.filePath(QStringLiteral("copy%1").arg(++m_serial));
        QCOMPARE(ReportHeader::copyRestored(received, copy), restored);
        QCOMPARE(fileBytes(copy), original);
        QCOMPARE(fileBytes(received), before); // the received file is only read
    }

    void headerConstantsAreTheDocumentedTransform()
    {
        QByteArray b(256, 0);
        for (int i = 0; i < 256; ++i)
            b[i] = char(i);
        QByteArray t = b;
        ReportHeader::transform(t);
        for (int i = 0; i < 256; ++i)
            QCOMPARE(quint8(t[i]), quint8(((i + ReportHeader::kAdd) % 256) ^ ReportHeader::kXor));
        QVERIFY(ReportHeader::kAdd > 0 && ReportHeader::kAdd < 10 && ReportHeader::kXor > 0 && ReportHeader::kXor < 10);
        ReportHeader::restore(t);
        QCOMPARE(t, b);
    }

    // ---------------------------------------------------------------- export

    void completeNames_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("exported");
        QTest::addColumn<QString>("imported");
        QTest::newRow("ends in .mdb") << "/r/a.mdb"
                                      << "/r/a.mdb"
                                      << "/r/a.mdb";
        QTest::newRow("no extension") << "/r/abc"
                                      << "/r/abc.mdb"
                                      << "/r/abc.mdb";
        QTest::newRow("other case") << "/r/a.MDB"
                                    << "/r/a.MDB.mdb"
                                    << "/r/a.MDB.mdb";
        QTest::newRow("four characters") << "abcd"
                                         << "abcd.mdb"
                                         << "abcd";
        QTest::newRow("just the extension") << ".mdb"
                                            << ".mdb.mdb"
                                            << ".mdb";
    }
    void completeNames()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, exported);
        QFETCH(QString, imported);
        QCOMPARE(ReportExport::completeName(chosen), exported);
        QCOMPARE(DataImport::completeName(chosen), imported);
    }

    void exportGate_data()
    {
        QTest::addColumn<QVariant>("state");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("saved temporarily") << QVariant(0) << false;
        QTest::newRow("logic errors") << QVariant(2) << false;
        QTest::newRow("never marked") << QVariant() << false;
        QTest::newRow("checked") << QVariant(1) << true;
    }
    void exportGate()
    {
        QFETCH(QVariant, state);
        QFETCH(bool, allowed);
        Session s;
        s.openDatabase(database(QStringLiteral("甲县总工会"), {1, 2, 3}));
        s.db().exec(QStringLiteral("UPDATE dt_data SET RecordState = ? WHERE c901 = 2"), {state});
        test::ScriptedInteraction ui;
        const QString target = m_dir.filePath(QStringLiteral("gate%1.mdb").arg(++m_serial));
        ui.answer(QStringLiteral("甲县总工会"));
        ui.answer(target);
        QCOMPARE(ReportExport(s, ui).Export().isEmpty(), !allowed);
        QCOMPARE(QFile::exists(target), allowed);
        if (!allowed) {
            QCOMPARE(ui.messages, QStringList{QStringLiteral("存在临时保存或逻辑错误的数据，不能上报!")});
            QVERIFY(ui.inputs.isEmpty());
        } else {
            QCOMPARE(ui.messages,
                     QStringList{QStringLiteral("数据已经被正确导出到：'") + target + QStringLiteral("'！")});
        }
    }

    void exportAsksForAName()
    {
        Session s;
        s.openDatabase(database(QStringLiteral("默认数据库"), {7}));
        test::ScriptedInteraction ui;
        const QString chosen = m_dir.filePath(QStringLiteral("named"));
        ui.answer(QStringLiteral("默认数据库"));
        ui.answer(QStringLiteral("默认数据库"));
        ui.answer(QStringLiteral("乙县\"总'工会"));
        ui.answer(QStringLiteral("  ") + chosen + QStringLiteral("  "));
        const QString written = ReportExport(s, ui).Export();
        QCOMPARE(written, chosen + QStringLiteral(".mdb"));
        const QString ask =
            QStringLiteral("设置数据库标识|请输入提供数据的单位的名称，长度不要超过200个汉字|默认数据库");
        QCOMPARE(ui.inputs, (QStringList{ask, ask, ask}));
        QCOMPARE(ui.messages.mid(0, 2),
                 (QStringList{QStringLiteral("必须修改默认的名称！"), QStringLiteral("必须修改默认的名称！")}));
        QCOMPARE(ui.dialogs, QStringList{QStringLiteral("导出文件存放为|文件(*.mdb)")});
        QCOMPARE(s.label(), QStringLiteral("默认数据库")); // the working label stays
        QCOMPARE(db::Database::open(s.path()).scalar(QStringLiteral("SELECT db_name FROM ct_label")).toString(),
                 QStringLiteral("默认数据库"));

        exchange::ImportSource source(written, true);
        QVERIFY(source.wasTransformed());
        QCOMPARE(source.label(), QStringLiteral("乙县\"总'工会")); // bound, stored as typed

        // Cancel at the name or at the file stops without a file or a message.
        for (int cancelAt : {0, 1}) {
            test::ScriptedInteraction quiet;
            if (cancelAt == 1)
                quiet.answer(QStringLiteral("丙"));
            QVERIFY(ReportExport(s, quiet).Export().isEmpty());
            QVERIFY(quiet.messages.isEmpty());
        }
    }

    void reportHoldsTheCheckedRecordsUnchanged_data()
    {
        QTest::addColumn<QList<int>>("codes");
        QTest::newRow("three records") << QList<int>{3, 1, 9999999};
        QTest::newRow("empty database") << QList<int>{};
    }
    void reportHoldsTheCheckedRecordsUnchanged()
    {
        QFETCH(QList<int>, codes);
        const QString county = database(QStringLiteral("甲"), codes);
        const QString file = report(county, QStringLiteral("甲县"));
        const QByteArray bytes = fileBytes(file);
        QVERIFY(ReportHeader::isTransformed(bytes));
        QVERIFY(!bytes.startsWith(ReportHeader::databaseSignature()));
        exchange::ImportSource source(file, true);
        QCOMPARE(recordsOf(source.db()), recordsOf(county));
        QCOMPARE(source.label(), QStringLiteral("甲县"));
        // A new report file is readable as any new file, not private to its
        // owner like the temporary it was built in.
        const QString reference = m_dir.filePath(QStringLiteral("reference%1").arg(++m_serial));
        QFile(reference).open(QIODevice::WriteOnly);
        QCOMPARE(QFileInfo(file).permissions(), QFileInfo(reference).permissions());
        // Nothing but the report itself is left in its folder.
        QCOMPARE(temporaryFilesIn(m_dir.path()), QStringList());
    }

    void failedExportLeavesTheTargetAlone_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("no template") << "template";
        QTest::newRow("working table has an unknown column") << "column";
        QTest::newRow("target is the open database") << "self";
    }
    void failedExportLeavesTheTargetAlone()
    {
        QFETCH(QString, fault);
        Session s;
        const QString county = database(QStringLiteral("甲"), {1, 2});
        s.openDatabase(county);
        QString target = m_dir.filePath(QStringLiteral("old%1.mdb").arg(++m_serial));
        QString templ = AppPaths::reportTemplatePath();
        if (fault == QLatin1String("template"))
            templ = m_dir.filePath(QStringLiteral("missing.dll"));
        else if (fault == QLatin1String("column"))
            s.db().exec(QStringLiteral("ALTER TABLE dt_data ADD COLUMN extra INTEGER"));
        else
            target = county;
        if (fault != QLatin1String("self")) {
            QFile f(target);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("an earlier report");
        }
        const QByteArray before = fileBytes(target);
        test::ScriptedInteraction ui;
        QVERIFY(!runCommand(ui, [&] { ReportExport(s, ui).write(target, QStringLiteral("甲县"), templ); }));
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(fileBytes(target), before);
        QCOMPARE(temporaryFilesIn(m_dir.path()), QStringList());
        QCOMPARE(codesOf(s.db()), QStringLiteral("1,2"));
    }

    // ----------------------------------------------------------- whole file

    void fastImportAddsEveryRecordOnce()
    {
        const QString county = database(QStringLiteral("甲"), {5, 6, 7});
        const QString file = report(county, QStringLiteral("甲县'总工会"));
        const QByteArray received = fileHash(file);
        Session s;
        s.openDatabase(database(QStringLiteral("市"), {1, 2}));
        test::ScriptedInteraction ui;
        ui.answer(file);
        ui.answer(true);
        QVERIFY(DataImport(s, m_dir.path(), ui).FastImport());
        QCOMPARE(ui.dialogs, QStringList{QStringLiteral("选择导入文件|Access文件(*.mdb)")});
        QCOMPARE(ui.questions, QStringList{QStringLiteral("提示：|确认准备导入标记声明为【甲县'总工会】的数据么？")});
        QCOMPARE(ui.messages, QStringList{QStringLiteral("数据已经被正确地从'") + file + QStringLiteral("'导入！")});
        QCOMPARE(codesOf(s.db()), QStringLiteral("1,2,5,6,7"));
        QStringList theirs = recordsOf(county);
        QCOMPARE(recordsOf(s.db()).mid(2), theirs);
        QCOMPARE(fileHash(file), received);
        QVERIFY(ui.viewed.isEmpty());
    }

    void fastImportStopsEarly_data()
    {
        QTest::addColumn<QString>("answerFile");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QString>("message");
        QTest::newRow("cancelled") << "" << false << "";
        QTest::newRow("blank name") << "   " << false << "";
        QTest::newRow("missing file") << "nothere.mdb" << false << "您选择的文件并不存在，请选择其它文件。";
        QTest::newRow("declined") << "report" << false << "";
        QTest::newRow("source without dt_data") << "notable" << true << "您选择的文件中不存在名字为\"dt_data\"的数据表";
        QTest::newRow("working database without dt_data")
            << "report:dropwork" << true << "系统中不存在名字为\"dt_data\"的数据表";
    }
    void fastImportStopsEarly()
    {
        QFETCH(QString, answerFile);
        QFETCH(bool, confirm);
        QFETCH(QString, message);
        Session s;
        s.openDatabase(database(QStringLiteral("市"), {1}));
        QString file = answerFile;
        if (answerFile.startsWith(QLatin1String("report")))
            file = report(database(QStringLiteral("甲"), {5}), QStringLiteral("甲县"));
        else if (answerFile == QLatin1String("notable")) {
            file = m_dir.filePath(QStringLiteral("notable%1.mdb").arg(++m_serial));
            db::Database::createEmpty(file);
        } else if (answerFile == QLatin1String("nothere.mdb"))
            file = m_dir.filePath(answerFile);
        if (answerFile.endsWith(QLatin1String(":dropwork"))) {
            s.db().exec(QStringLiteral("DROP VIEW view_data"));
            s.db().exec(QStringLiteral("DROP TABLE dt_data"));
        }
        test::ScriptedInteraction ui;
        ui.answer(file);
        ui.answer(confirm);
        QVERIFY(runCommand(ui, [&] { QVERIFY(!DataImport(s, m_dir.path(), ui).FastImport()); }));
        QCOMPARE(ui.messages, message.isEmpty() ? QStringList() : QStringList{message});
        if (s.db().hasTable(QStringLiteral("dt_data")))
            QCOMPARE(codesOf(s.db()), QStringLiteral("1"));
    }

    void collidingCodesImportNothing()
    {
        const QString file = report(database(QStringLiteral("甲"), {2, 3, 5, 8}, 1,
                                             {QStringLiteral("乙县总工会"), QStringLiteral("丙"),
                                              QStringLiteral("戊县(工会),一"), QStringLiteral("辛")}),
                                    QStringLiteral("甲县"));
        Session s;
        s.openDatabase(database(QStringLiteral("市"), {1, 2, 5}, 1,
                                {QStringLiteral("甲"), QStringLiteral("原乙"), QStringLiteral("原戊")}));
        const QStringList before = recordsOf(s.db());
        const QString folder = m_dir.filePath(QStringLiteral("collide"));
        QDir().mkpath(folder);
        test::ScriptedInteraction ui;
        ui.answer(file);
        ui.answer(true);
        DataImport import(s, folder, ui);
        QVERIFY(!import.FastImport());
        QCOMPARE(recordsOf(s.db()), before);

        const QString reportPath = QDir(folder).filePath(QStringLiteral("数据导入编号冲突.txt"));
        QCOMPARE(import.conflictReportPath(), reportPath);
        const QByteArray expected =
            gbkText(QStringLiteral("在准备导入的文件中，如下的记录与现有的记录发生编号冲突\r\n") +
                    QString(80, QLatin1Char('-')) + QStringLiteral("\r\n(2,乙县总工会)\r\n(5,戊县(工会),一)\r\n"));
        QCOMPARE(fileBytes(reportPath), expected);
        QCOMPARE(ui.viewed, QStringList{reportPath});
        QCOMPARE(
            ui.messages,
            QStringList{
                QStringLiteral(
                    "导入过程中发生错误，准备导入的数据可能与现有的\n\r数据有重复的内容，详细的内容请参见文件：\n\r\n\r"
                    "            ") +
                reportPath + QStringLiteral("。")});
        // The work table keeps the clashing records, with the source's values.
        QCOMPARE(s.db()
                     .scalar(QStringLiteral("SELECT group_concat(c901 || c902, ';') FROM "
                                            "(SELECT * FROM dt_data_dt_data ORDER BY c901)"))
                     .toString(),
                 QStringLiteral("2乙县总工会;5戊县(工会),一"));
    }

    void sameReportTwiceListsEveryCode()
    {
        const QString file = report(database(QStringLiteral("甲"), {11, 12, 13}), QStringLiteral("甲县"));
        Session s;
        s.openDatabase(database(QStringLiteral("市"), {}));
        for (int round = 0; round < 2; ++round) {
            test::ScriptedInteraction ui;
            ui.answer(file);
            ui.answer(true);
            QCOMPARE(DataImport(s, m_dir.path(), ui).FastImport(), round == 0);
        }
        QCOMPARE(codesOf(s.db()), QStringLiteral("11,12,13"));
        test::ScriptedInteraction ui;
        QCOMPARE(fileBytes(DataImport(s, m_dir.path(), ui).conflictReportPath()).split('\n').mid(2),
                 (QList<QByteArray>{gbkText(QStringLiteral("(11,单位11)\r")), gbkText(QStringLiteral("(12,单位12)\r")),
                                    gbkText(QStringLiteral("(13,单位13)\r")), QByteArray()}));
    }

    void sourceShapes_data()
    {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QString>("message");
        QTest::newRow("columns in another order") << "reversed"
                                                  << "";
        QTest::newRow("missing column") << "missing"
                                        << "您选择的文件中的数据表\"dt_data\"缺少字段\"b030\"，不能导入。";
        QTest::newRow("unknown column") << "extra"
                                        << "您选择的文件中的数据表\"dt_data\"有系统中不存在的字段\"id\"，不能导入。";
        QTest::newRow("truncated") << "truncated"
                                   << "损坏";
        QTest::newRow("damaged page") << "damaged"
                                      << "损坏";
        QTest::newRow("not a database") << "text"
                                        << "损坏";
        QTest::newRow("code not a whole number") << "fraction"
                                                 << "中有 1 个记录的单位编号不是整数，不能导入。";
    }
    void sourceShapes()
    {
        QFETCH(QString, shape);
        QFETCH(QString, message);
        QList<int> codes{21, 22, 23};
        const bool damage = shape == QLatin1String("truncated") || shape == QLatin1String("damaged");
        if (damage) // enough records that the loss hits data pages only
            for (int c = 100; c < 400; ++c)
                codes << c;
        const QString county = database(QStringLiteral("甲"), codes);
        QString file = m_dir.filePath(QStringLiteral("shape%1.mdb").arg(++m_serial));
        if (damage || shape == QLatin1String("text")) {
            QByteArray bytes = fileBytes(report(county, QStringLiteral("甲县")));
            if (shape == QLatin1String("text"))
                bytes = "just some text, not a database\n";
            else if (shape == QLatin1String("truncated"))
                bytes.truncate(bytes.size() - 3 * 4096);
            else
                bytes.replace(bytes.size() - 2 * 4096 + 8, 64, QByteArray(64, '\x7f'));
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        } else {
            // A database of another make: dt_data rebuilt with its columns
            // reversed, one dropped or one added.
            QVERIFY(QFile::copy(county, file));
            db::Database db = db::Database::open(file);
            if (shape == QLatin1String("fraction")) {
                // as a file made by another program could hold it
                db.exec(QStringLiteral("PRAGMA ignore_check_constraints = ON"));
                db.exec(QStringLiteral("UPDATE dt_data SET c901 = 22.5 WHERE c901 = 22"));
            }
            QStringList cols = db.columnNames(QStringLiteral("dt_data"));
            std::reverse(cols.begin(), cols.end());
            if (shape == QLatin1String("missing"))
                cols.removeAll(QStringLiteral("b030"));
            QStringList quoted;
            for (const QString &c : cols)
                quoted << QLatin1Char('"') + c + QLatin1Char('"');
            const QString extra = shape == QLatin1String("extra") ? QStringLiteral("rowid AS id, ") : QString();
            if (shape != QLatin1String("fraction"))
                db.execScript(QStringLiteral("DROP VIEW view_data; CREATE TABLE t2 AS SELECT %1%2 FROM dt_data; "
                                             "DROP TABLE dt_data; ALTER TABLE t2 RENAME TO dt_data;")
                                  .arg(extra, quoted.join(QLatin1Char(','))));
        }
        Session s;
        s.openDatabase(database(QStringLiteral("市"), {1}));
        test::ScriptedInteraction ui;
        ui.answer(file);
        ui.answer(true);
        runCommand(ui, [&] { DataImport(s, m_dir.path(), ui).FastImport(); });
        if (message.isEmpty()) {
            QCOMPARE(recordsOf(s.db()).mid(1), recordsOf(county));
            QCOMPARE(ui.messages.size(), 1);
        } else {
            QCOMPARE(codesOf(s.db()), QStringLiteral("1"));
            QCOMPARE(ui.messages.size(), 1);
            QVERIFY2(ui.messages.first().contains(message), qPrintable(ui.messages.first()));
            QVERIFY(
                !ui.messages.first().contains(QStringLiteral("tallowmere-import"))); // the user's file, not the copy
            QVERIFY(ui.questions.isEmpty());
        }
    }

    // ----------------------------------------------------------------- batch

    void batchImportReportsEachFailingFile()
    {
        const QString ok = report(database(QStringLiteral("甲"), {31, 32}), QStringLiteral("甲县"));
        const QString clash = report(
            database(QStringLiteral("乙"), {33, 1, 34, 2}, 1,
                     {QStringLiteral("乙1"), QStringLiteral("乙一"), QStringLiteral("乙3"), QStringLiteral("乙二")}),
            QStringLiteral("乙县"));
        const QString none = m_dir.filePath(QStringLiteral("none%1.mdb").arg(++m_serial));
        db::Database::createEmpty(none);
        const QString also = report(database(QStringLiteral("丙"), {35}), QStringLiteral("丙县"));

        Session s;
        s.openDatabase(database(QStringLiteral("市"), {1, 2}));
        const QString folder = m_dir.filePath(QStringLiteral("batch"));
        QDir().mkpath(folder);
        {
            QFile stale(QDir(folder).filePath(QStringLiteral("数据导入编号冲突.txt")));
            QVERIFY(stale.open(QIODevice::WriteOnly));
            stale.write("left from before");
        }
        test::ScriptedInteraction ui;
        QList<int> bar;
        const DataImport::BatchOutcome outcome =
            DataImport(s, folder, ui).MultiImport({ok, clash, none, also}, [&](int p) { bar << p; });
        QCOMPARE(bar, (QList<int>{25, 50, 75, 100}));
        QCOMPARE(outcome.imported, (QStringList{ok, also}));
        QCOMPARE(outcome.conflicting, QStringList{clash});
        QCOMPARE(outcome.failed, QStringList());
        QCOMPARE(outcome.records, 3);
        QCOMPARE(outcome.refused, QStringList{none});
        QCOMPARE(codesOf(s.db()), QStringLiteral("1,2,31,32,35"));

        const QByteArray expected =
            gbkText(QStringLiteral("在准备导入的名为【") + clash +
                    QStringLiteral("】的文件中，如下的记录与现有的记录发生编号冲突\r\n") +
                    QString(80, QLatin1Char('-')) + QStringLiteral("\r\n(1,乙一)\r\n(2,乙二)\r\n\r\n\r\n"));
        QCOMPARE(fileBytes(outcome.report), expected);
        QCOMPARE(ui.viewed, QStringList{outcome.report});
        QCOMPARE(ui.messages, (QStringList{QStringLiteral("您选择的文件中不存在名字为\"dt_data\"的数据表"),
                                           DataImport::failureMessage(outcome.report)}));

        // A clean batch empties the report and says so.
        test::ScriptedInteraction again;
        bar.clear();
        const QString fresh = report(database(QStringLiteral("丁"), {36, 37}), QStringLiteral("丁县"));
        DataImport(s, folder, again).MultiImport({fresh}, [&](int p) { bar << p; });
        QCOMPARE(bar, (QList<int>{100, 100}));
        QCOMPARE(again.messages, QStringList{QStringLiteral("数据已经被正确地导入!")});
        QCOMPARE(fileBytes(outcome.report), QByteArray());
        QVERIFY(again.viewed.isEmpty());
    }

    void batchBrowse()
    {
        const QString a = report(database(QStringLiteral("甲"), {41}), QStringLiteral("甲县"));
        const QString b = report(database(QStringLiteral("乙"), {42}), QStringLiteral("乙县"));
        QVERIFY(QFile::rename(b, b.chopped(4) + QStringLiteral("x.mdb")));
        const QString bNoExt = b.chopped(4) + QStringLiteral("x");
        const QString junk = m_dir.filePath(QStringLiteral("junk%1.mdb").arg(++m_serial));
        {
            QFile f(junk);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("not a database at all, not at all, no");
        }
        Session s;
        s.openDatabase(database(QStringLiteral("市"), {}));
        test::ScriptedInteraction ui;
        ui.answer(QStringList{a, bNoExt});
        ui.answer(QStringList{a, m_dir.filePath(QStringLiteral("gone.mdb"))});
        ui.answer(QStringList{junk});
        ui.answer(QVariant());
        DataImport import(s, m_dir.path(), ui);
        const auto chosen = import.chooseFiles();
        QVERIFY(chosen);
        QCOMPARE(chosen->labels, (QStringList{QStringLiteral("甲县"), QStringLiteral("乙县")}));
        QCOMPARE(chosen->paths, (QStringList{a, bNoExt + QStringLiteral(".mdb")}));
        QVERIFY(!import.chooseFiles());
        QVERIFY(!import.chooseFiles());
        QVERIFY(!import.chooseFiles());
        QCOMPARE(ui.messages,
                 (QStringList{QStringLiteral("您选择的文件名为【") + m_dir.filePath(QStringLiteral("gone.mdb")) +
                                  QStringLiteral("】的文件并不存在，请选择其它文件。"),
                              QStringLiteral("打开数据库文件的时候发生错误，请选择其他文件。")}));
        QCOMPARE(codesOf(s.db()), QString());
    }

    // -------------------------------------------------------- record by record

    void recordByRecord_data()
    {
        QTest::addColumn<bool>("principle");
        QTest::addColumn<QVariantList>("answers");
        QTest::addColumn<QString>("codes");
        QTest::addColumn<QString>("lastMessage");
        QTest::addColumn<int>("questions");
        const QString done = QStringLiteral("导入操作已经完成。");
        QTest::newRow("principle on, skip both") << true << QVariantList{true, true} << "1,2,51,53" << done << 2;
        QTest::newRow("principle on, no at the second") << true << QVariantList{true, false} << "1,2"
                                                        << "" << 2;
        QTest::newRow("principle off") << false << QVariantList{true} << "1,2"
                                       << "" << 1;
    }
    void recordByRecord()
    {
        QFETCH(bool, principle);
        QFETCH(QVariantList, answers);
        QFETCH(QString, codes);
        QFETCH(QString, lastMessage);
        QFETCH(int, questions);
        // A plain database (no report header) whose second and fourth rows clash.
        const QString source =
            database(QStringLiteral("乙"), {51, 1, 53, 2}, 0,
                     {QStringLiteral("五一"), QStringLiteral("乙一"), QStringLiteral("五三"), QStringLiteral("乙二")});
        const QByteArray received = fileHash(source);
        Session s;
        s.openDatabase(database(QStringLiteral("市"), {1, 2}, 1, {QStringLiteral("市一"), QStringLiteral("市二")}));
        test::ScriptedInteraction ui;
        ui.answer(source);
        for (const QVariant &a : answers)
            ui.answer(a);
        QCOMPARE(DataImport(s, m_dir.path(), ui).ImportRecords(principle), !lastMessage.isEmpty());
        QCOMPARE(codesOf(s.db()), codes);
        QCOMPARE(ui.questions.size(), questions);
        const QString tail = principle ? QStringLiteral("\n\r\n\r该数据没有被导入。要继续处理下一条么？")
                                       : QStringLiteral("\n\r\n\r所以没有导入任何数据。");
        QCOMPARE(ui.questions.first(),
                 QStringLiteral("提示：|请做好记录:因为编号为[1]的单位 [乙一] 的数据出错。\n\r\n\r"
                                "现在已经存在使用相同编号的单位：\n\r\n\r    市一\n\r请核实。") +
                     tail);
        QCOMPARE(ui.messages, lastMessage.isEmpty() ? QStringList() : QStringList{lastMessage});
        QCOMPARE(ui.recordedProgress.total, 4);
        QVERIFY(ui.recordedProgress.finishes > 0);
        QCOMPARE(fileHash(source), received);
        if (!lastMessage.isEmpty()) {
            // Skipped rows aside, the values arrive unchanged (empty numbers
            // become 0, as a missing survey value reads anyway).
            db::Database src = db::Database::open(source);
            src.exec(QStringLiteral("DELETE FROM dt_data WHERE c901 IN (1, 2)"));
            const QString cols = QStringLiteral("c901, c902, c903, c904, c905, z001, b030, stats, RecordState");
            QCOMPARE(recordsOf(s.db(), cols).mid(2), recordsOf(src, cols));
            QCOMPARE(s.db().scalar(QStringLiteral("SELECT count(*) FROM dt_data WHERE c901 > 50 AND z002 = 0")).toInt(),
                     2);
        }
    }

    void recordByRecordOfAnEmptyTable()
    {
        Session s;
        s.openDatabase(database(QStringLiteral("市"), {1}));
        test::ScriptedInteraction ui;
        ui.answer(database(QStringLiteral("空"), {}));
        QVERIFY(!DataImport(s, m_dir.path(), ui).ImportRecords(true));
        QCOMPARE(ui.messages, QStringList{QStringLiteral("准备导入的数据表是空的。")});
        QCOMPARE(ui.recordedProgress.starts, 0);
    }
};

QTEST_GUILESS_MAIN(TestExchange)
#include "tst_exchange.moc"
