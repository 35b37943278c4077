#include "automation/Workbook.h"
#include "common/AtomicFile.h"
#include "common/Error.h"
#include "common/FileNames.h"

#include <QtTest>

#include <csignal>
#include <cstring>
#include <sys/resource.h>

using namespace tq;

namespace {

// Writes beyond `bytes` fail with EFBIG while this lives: the way to make a
// write fail part-way without a full disk at hand.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limited = m_saved;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_saved); }

private:
    rlimit m_saved{};
};

QByteArray contentOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QStringList leftovers(const QString &folder)
{
    QStringList names;
    for (const QString &n : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        if (AtomicFile::isTemporaryName(n))
            names << n;
    }
    return names;
}

} // namespace

class TestFiles : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }
    void writePlain(const QString &p, const QByteArray &bytes)
    {
        QFile f(p);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

private slots:
    void namesFitTheFileSystem_data()
    {
        QTest::addColumn<QString>("part");
        QTest::addColumn<QString>("kept"); // the part as it appears in the name
        const QString prefix = QStringLiteral("2009基层以上-"), suffix = QStringLiteral("-逻辑检查结果.txt");
        const int room = FileNames::kMaxNameBytes - FileNames::byteLength(prefix + suffix); // 215 bytes here
        const QString han200(200, QChar(0x5de5));                                           // 工 x 200
        QTest::newRow("short label") << QStringLiteral("市总工会") << QStringLiteral("市总工会");
        QTest::newRow("200 Chinese characters") << han200 << han200.left(room / 3);
        QTest::newRow("71 characters fit") << han200.left(71) << han200.left(71);
        QTest::newRow("72 need a cut") << han200.left(72) << han200.left(71);
        // a character of four bytes is kept whole or dropped whole
        const QString emoji = QString(70, QChar(0x5de5)) + QStringLiteral("ab\U0001F600");
        QTest::newRow("surrogate pair at the cut") << emoji << QString(70, QChar(0x5de5)) + QStringLiteral("ab");
        QTest::newRow("letter with its accent") << QString(213, u'e') + QStringLiteral("e\u0301") << QString(213, u'e');
        QTest::newRow("characters no name may hold")
            << QStringLiteral("省/市:总\\工*会?\"<>|\t") << QStringLiteral("省_市_总_工_会______");
    }
    void namesFitTheFileSystem()
    {
        QFETCH(QString, part);
        QFETCH(QString, kept);
        const QString name =
            FileNames::compose(QStringLiteral("2009基层以上-"), part, QStringLiteral("-逻辑检查结果.txt"));
        QCOMPARE(name, QStringLiteral("2009基层以上-") + kept + QStringLiteral("-逻辑检查结果.txt"));
        QVERIFY(FileNames::byteLength(name) <= FileNames::kMaxNameBytes);
        // and the file system takes it
        AtomicFile::writeFile(path(name), "x");
        QCOMPARE(contentOf(path(name)), QByteArray("x"));
        QFile::remove(path(name));
    }

    // Until commit the target keeps its old content, the new one lies under a
    // temporary name in the same folder, and a discarded file leaves nothing.
    void contentAppearsOnlyWhenComplete()
    {
        const QString target = path(QStringLiteral("result.txt"));
        writePlain(target, "previous run");
        {
            AtomicFile file(target);
            file.open();
            file.write("new ");
            QCOMPARE(QFileInfo(file.temporaryPath()).absolutePath(), QFileInfo(target).absolutePath());
            QVERIFY(AtomicFile::isTemporaryName(QFileInfo(file.temporaryPath()).fileName()));
            QCOMPARE(contentOf(target), QByteArray("previous run"));
            file.write("content");
            file.commit();
        }
        QCOMPARE(contentOf(target), QByteArray("new content"));
        {
            AtomicFile dropped(target);
            dropped.write("half");
        } // destroyed without commit
        QCOMPARE(contentOf(target), QByteArray("new content"));
        QVERIFY(leftovers(m_dir.path()).isEmpty());
    }

    // A write that the system refuses part-way reports the system's reason
    // and the file's name, and leaves the target as it was.
    void failedWritesSayWhy()
    {
        const QString target = path(QStringLiteral("big.txt"));
        writePlain(target, "previous run");
        const QByteArray big(256 * 1024, 'x');
        try {
            FileSizeLimit limit(64 * 1024);
            AtomicFile::writeFile(target, big, QStringLiteral("逻辑检查结果文件"));
            QFAIL("the write should have failed");
        } catch (const FileError &e) {
            QVERIFY2(e.text().contains(QString::fromLocal8Bit(std::strerror(EFBIG))), qPrintable(e.text()));
            QVERIFY2(e.text().contains(QStringLiteral("逻辑检查结果文件 ") + QDir::toNativeSeparators(target)),
                     qPrintable(e.text()));
        }
        QCOMPARE(contentOf(target), QByteArray("previous run"));
        QVERIFY(leftovers(m_dir.path()).isEmpty());

        // the same for a workbook
        const QString book = path(QStringLiteral("print.xlsx"));
        writePlain(book, "previous workbook");
        auto wb = automation::Workbook::create();
        for (int r = 1; r <= 3000; ++r)
            wb->sheet(1).setText(r, 1, QStringLiteral("第%1行 %2").arg(r).arg(QString::number(qint64(r) * 7919, 36)));
        try {
            FileSizeLimit limit(4 * 1024);
            wb->save(book);
            QFAIL("the save should have failed");
        } catch (const FileError &e) {
            QVERIFY2(e.text().contains(QString::fromLocal8Bit(std::strerror(EFBIG))), qPrintable(e.text()));
            QVERIFY2(e.text().contains(QDir::toNativeSeparators(book)), qPrintable(e.text()));
        }
        QCOMPARE(contentOf(book), QByteArray("previous workbook"));
        QVERIFY(leftovers(m_dir.path()).isEmpty());
        wb->save(book); // and without the limit it is saved whole
        QCOMPARE(automation::Workbook::open(book)->sheet(1).text(3000, 1).left(6), QStringLiteral("第3000行"));
    }
};

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
