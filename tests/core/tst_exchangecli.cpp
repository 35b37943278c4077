#include "CliMain.h"
#include "Fixtures.h"
#include "SyntheticGenerator.h"
#include "app/AppPaths.h"
#include "db/Database.h"
#include "exchange/ReportHeader.h"

#include <QStringDecoder>
#include <QtTest>

using namespace tq;

namespace {

int run(const QStringList &args, QString &out, QString &err)
{
    out.clear();
    err.clear();
    QTextStream o(&out), e(&err);
    return cli::run(args, o, e);
}

QString lastLine(const QString &text)
{
    return text.trimmed().split(u'\n').last();
}

// Every record, each value with its column and storage class, in code order.
QStringList records(const QString &path)
{
    db::Database db = db::Database::open(path);
    QStringList rows;
    db::Statement st = db.prepare(QStringLiteral("SELECT * FROM dt_data ORDER BY c901"));
    while (st.step()) {
        QStringList cells;
        for (int c = 0; c < st.columnCount(); ++c)
            cells << st.columnName(c) + u'=' + st.value(c).toString() + u':' + QString::number(st.columnType(c));
        rows << cells.join(u' ');
    }
    return rows;
}

} // namespace

class TestExchangeCli : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString county(const QString &name, int firstCode, int count)
    {
        const QString path = test::newSurveyDatabase(m_dir, name + QStringLiteral(".mdb"));
        db::Database db = db::Database::open(path);
        synth::Options o;
        o.count = count;
        o.firstCode = firstCode;
        o.seed = quint32(firstCode);
        o.markStates = false; // entered, not yet checked
        synth::generate(db, o, QDir(test::dataDir()).filePath(QStringLiteral("logic_rules.tsv")));
        return path;
    }

private slots:
    void initTestCase() { AppPaths::setProgramDir(QStringLiteral(TQ_BIN_DIR)); }

    void reportAndImportExitCodes()
    {
        QString out, err;
        const QString db = test::newSurveyDatabase(m_dir, QStringLiteral("codes.mdb"));
        db::Database::open(db).exec(
            QStringLiteral("INSERT INTO dt_data (c901, c902, RecordState) VALUES (1, '甲', 0)"));
        const QString file = m_dir.filePath(QStringLiteral("codes-report.mdb"));
        QCOMPARE(run({"report", "--db", db, "--label", "甲县", "--out", file}, out, err), 1);
        QCOMPARE(err, QStringLiteral("存在临时保存或逻辑错误的数据，不能上报!\n"));
        QVERIFY(!QFile::exists(file));
        QCOMPARE(run({"report", "--db", db, "--label", "默认数据库", "--out", file}, out, err), 2);
        QVERIFY(err.contains(QStringLiteral("必须修改默认的名称！")));
        QCOMPARE(run({"report", "--db", db, "--out", file}, out, err), 2);
        QVERIFY(err.contains(QStringLiteral("--label")));

        db::Database::open(db).exec(QStringLiteral("UPDATE dt_data SET RecordState = 1"));
        QCOMPARE(run({"report", "--db", db, "--label", "甲县", "--out", file}, out, err), 0);
        QCOMPARE(lastLine(out), file);

        const QString target = test::newSurveyDatabase(m_dir, QStringLiteral("codes-target.mdb"));
        const QString folder = m_dir.filePath(QStringLiteral("codes-reports"));
        QCOMPARE(run({"import", "--db", target, "--report-folder", folder, m_dir.filePath("absent.mdb")}, out, err), 2);
        QVERIFY(err.contains(QStringLiteral("并不存在")));
        QCOMPARE(run({"import", "--db", target, "--report-folder", folder}, out, err), 2);
        const QString notDb = m_dir.filePath(QStringLiteral("codes-text.mdb"));
        {
            QFile f(notDb);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("plain text, no database here");
        }
        // The first file is in before the damaged second one ends the batch.
        QCOMPARE(run({"import", "--db", target, "--report-folder", folder, file, notDb}, out, err), 2);
        QVERIFY(out.contains(QStringLiteral("imported ") + file));
        QVERIFY(err.contains(QStringLiteral("损坏")));
        QCOMPARE(run({"import", "--db", target, "--report-folder", folder, file}, out, err), 1);
        QCOMPARE(lastLine(out), QDir(folder).filePath(QStringLiteral("数据导入编号冲突.txt")));
        QCOMPARE(db::Database::open(target).scalar(QStringLiteral("SELECT count(*) FROM dt_data")).toInt(), 1);
    }

    // Two counties report to their prefecture, which reports to the province:
    // every record arrives once, with every value as it was entered.
    void theRoadOfARecord()
    {
        QString out, err;
        const QString folder = m_dir.filePath(QStringLiteral("road-reports"));
        const QString a = county(QStringLiteral("county-a"), 100001, 150);
        const QString b = county(QStringLiteral("county-b"), 200001, 120);
        QStringList reports;
        for (const QString &c : {a, b}) {
            const QString file = c.chopped(4) + QStringLiteral("-report.mdb");
            QCOMPARE(run({"report", "--db", c, "--label", "县", "--out", file}, out, err), 1); // not checked yet
            QCOMPARE(run({"check", "--db", c, "--all", "--report-folder", folder}, out, err), 0);
            QCOMPARE(run({"report", "--db", c, "--label", QFileInfo(c).baseName(), "--out", file}, out, err), 0);
            QVERIFY(exchange::ReportHeader::isTransformed([&] {
                QFile f(file);
                return f.open(QIODevice::ReadOnly) ? f.read(16) : QByteArray();
            }()));
            reports << file;
        }

        const QString prefecture = test::newSurveyDatabase(m_dir, QStringLiteral("prefecture.mdb"));
        QCOMPARE(run({"import", "--db", prefecture, "--report-folder", folder, reports[0], reports[1]}, out, err), 0);
        QVERIFY(out.contains(QStringLiteral("added 270 records")));
        QCOMPARE(run({"check", "--db", prefecture, "--all", "--report-folder", folder}, out, err), 0);
        const QString up = m_dir.filePath(QStringLiteral("prefecture-report.mdb"));
        QCOMPARE(run({"report", "--db", prefecture, "--label", "市总工会", "--out", up}, out, err), 0);

        const QString province = test::newSurveyDatabase(m_dir, QStringLiteral("province.mdb"));
        QCOMPARE(run({"import", "--db", province, "--report-folder", folder, up}, out, err), 0);
        QCOMPARE(records(province), records(a) + records(b));

        // By level, the province sees what the counties entered.
        const auto byLevel = [](const QString &path, const QString &attach) {
            db::Database db = db::Database::open(path);
            QString from = QStringLiteral("dt_data");
            if (!attach.isEmpty()) {
                db.attach(attach, QStringLiteral("other"));
                from = QStringLiteral("(SELECT * FROM main.dt_data UNION ALL SELECT * FROM other.dt_data)");
            }
            return db
                .scalar(QStringLiteral("SELECT group_concat(line, ';') FROM (SELECT c904 || ':' || count(*) || ':' || "
                                       "sum(z001) || ':' || sum(b030) || ':' || sum(c021) AS line FROM %1 "
                                       "GROUP BY c904 ORDER BY c904)")
                            .arg(from))
                .toString();
        };
        QCOMPARE(byLevel(province, QString()), byLevel(a, b));

        // The same report again adds nothing and lists every code.
        QCOMPARE(run({"import", "--db", province, "--report-folder", folder, up}, out, err), 1);
        QCOMPARE(records(province), records(a) + records(b));
        QFile report(lastLine(out));
        QVERIFY(report.open(QIODevice::ReadOnly));
        QStringDecoder gbk("GBK");
        const QStringList lines = QString(gbk.decode(report.readAll())).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 2 + 270 + 3); // header, dashes, the codes, two empty lines and the last CR LF
        db::Database p = db::Database::open(province);
        db::Statement st = p.prepare(QStringLiteral("SELECT c901, c902 FROM dt_data ORDER BY c901"));
        for (int i = 2; st.step(); ++i)
            QCOMPARE(lines.at(i), QStringLiteral("(%1,%2)").arg(st.textValue(0), st.textValue(1)));
    }
};

QTEST_GUILESS_MAIN(TestExchangeCli)
#include "tst_exchangecli.moc"
