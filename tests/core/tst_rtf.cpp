#include "entry/RtfDocument.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using tq::entry::RtfDocument;

class TestRtf : public QObject {
    Q_OBJECT

private slots:
    void plainText_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text");

        QTest::newRow("words, delimiter space eaten")
            << QByteArray("{\\rtf1\\ansi\\deff0 Hello\\nosupersub  world}") << QStringLiteral("Hello world");
        QTest::newRow("par, line, tab; trailing par dropped")
            << QByteArray("{\\rtf1 a\\par b\\line c\\tab d\\par\\par}") << QStringLiteral("a\nb\nc\td");
        QTest::newRow("empty paragraph kept inside")
            << QByteArray("{\\rtf1 a\\par\\par b}") << QStringLiteral("a\n\nb");
        QTest::newRow("backslash before a line end is a par")
            << QByteArray("{\\rtf1 a\\\r\nb}") << QStringLiteral("a\nb");
        QTest::newRow("line ends in the source are not text")
            << QByteArray("{\\rtf1 ab\r\ncd}") << QStringLiteral("abcd");
        QTest::newRow("unicode with fallback") << QByteArray("{\\rtf1 \\u20013?\\u25991?}") << QStringLiteral("中文");
        QTest::newRow("negative unicode") << QByteArray("{\\rtf1 \\u-248?1\\u-247?}") << QStringLiteral("（1）");
        QTest::newRow("uc2 skips a GBK fallback pair")
            << QByteArray("{\\rtf1\\ansicpg936\\uc2\\u20013\\'d6\\'d0x}") << QStringLiteral("中x");
        QTest::newRow("uc0 skips nothing") << QByteArray("{\\rtf1\\uc0\\u20013 ?}") << QStringLiteral("中?");
        QTest::newRow("uc count ends with its group")
            << QByteArray("{\\rtf1{\\uc2\\u20013??}\\u25991??}") << QStringLiteral("中文?");
        QTest::newRow("GBK pairs") << QByteArray("{\\rtf1\\ansi\\ansicpg936 \\'d6\\'d0\\'ce\\'c4}")
                                   << QStringLiteral("中文");
        QTest::newRow("GBK trail byte written literally")
            << QByteArray("{\\rtf1\\ansi\\ansicpg936 \\'81@}") << QStringLiteral("丂");
        QTest::newRow("default code page is Windows-1252")
            << QByteArray("{\\rtf1 caf\\'e9 \\'80}") << QStringLiteral("café €");
        QTest::newRow("escaped braces and backslash")
            << QByteArray("{\\rtf1 \\{a\\}\\\\b}") << QStringLiteral("{a}\\b");
        QTest::newRow("destinations skipped")
            << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fnil\\fcharset134 SimSun;}}{\\colortbl;\\red0\\green0\\blue0;}"
                          "{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}{\\author A}}{\\*\\generator G;}"
                          "{\\*\\unknowndest junk \\u20013?}text}")
            << QStringLiteral("text");
        QTest::newRow("binary picture data with braces")
            << QByteArray("{\\rtf1 a{\\pict\\bin4 }{{}}b}") << QStringLiteral("ab");
        QTest::newRow("stray closing braces") << QByteArray("{\\rtf1 a}}b}") << QStringLiteral("ab");
        QTest::newRow("destination word outside any inner group")
            << QByteArray("{\\rtf1\\fonttbl keep}") << QStringLiteral("keep");
        QTest::newRow("cut off in the font table") << QByteArray("{\\rtf1{\\fonttbl{\\f0 Sim") << QString();
        QTest::newRow("cut off in the text") << QByteArray("{\\rtf1\\b abc\\par de") << QStringLiteral("abc\nde");
        QTest::newRow("cut off in a hex escape") << QByteArray("{\\rtf1 ab\\'d") << QStringLiteral("ab");
        QTest::newRow("cut off after a backslash") << QByteArray("{\\rtf1 ab\\") << QStringLiteral("ab");
        QTest::newRow("cut off in \\u") << QByteArray("{\\rtf1 a\\u") << QStringLiteral("a");
        QTest::newRow("huge parameter") << QByteArray("{\\rtf1 a\\u99999999999999999999?b}") << QStringLiteral("ab");
        QTest::newRow("not rtf at all") << QByteArray("plain") << QStringLiteral("plain");
        QTest::newRow("empty") << QByteArray() << QString();
    }
    void plainText()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, text);
        QCOMPARE(RtfDocument::toPlainText(rtf), text);
    }

    void html_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QStringList>("fragments");

        QTest::newRow("bold on and off") << QByteArray("{\\rtf1 \\b Title\\b0  body}")
                                         << QStringList{"<b>Title</b> body"};
        QTest::newRow("bold ends with its group")
            << QByteArray("{\\rtf1 {\\b bold}plain}") << QStringList{"<b>bold</b>plain"};
        QTest::newRow("italic and underline") << QByteArray("{\\rtf1 \\i it\\i0 \\ul un\\ulnone x\\ul y\\ul0 z}")
                                              << QStringList{"<i>it</i><u>un</u>x<u>y</u>z"};
        QTest::newRow("plain resets") << QByteArray("{\\rtf1 \\b\\i a\\plain b}") << QStringList{"<b><i>a</i></b>b"};
        QTest::newRow("font size in points") << QByteArray("{\\rtf1 \\fs20 a\\fs21 b}")
                                             << QStringList{"font-size:10pt;\">a</span>", "font-size:10.5pt;\">b"};
        QTest::newRow("special characters escaped") << QByteArray("{\\rtf1 a<b>&c}") << QStringList{"a&lt;b&gt;&amp;c"};
        QTest::newRow("one p per paragraph, br per line")
            << QByteArray("{\\rtf1 a\\par\\par b\\line c}") << QStringList{">a</p>", "><br /></p>", ">b<br />c</p>"};
        QTest::newRow("unicode inside bold") << QByteArray("{\\rtf1 \\b\\u34920?1\\b0 }") << QStringList{"<b>表1</b>"};
    }
    void html()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QStringList, fragments);
        const QString html = RtfDocument::toHtml(rtf);
        for (const QString &f : fragments)
            QVERIFY2(html.contains(f), qPrintable(f + QStringLiteral(" not in ") + html));
    }

    void htmlOfEmptyDocumentIsEmpty()
    {
        QVERIFY(RtfDocument::toHtml("{\\rtf1{\\fonttbl{\\f0 SimSun;}}\\par}").isEmpty());
        QVERIFY(RtfDocument::readFileAsHtml(QDir(QStringLiteral(TQ_DATA_DIR)).filePath("notes/none.rtf")).isEmpty());
        QTemporaryDir dir;
        QVERIFY(RtfDocument::readFileAsHtml(dir.path()).isEmpty()); // a folder is not a readable file
    }

    // The notes shipped beside the program: pure ASCII RTF, starting with the
    // page's title in bold.
    void notesFiles_data()
    {
        QTest::addColumn<QString>("title");
        const QStringList titles{
            QStringLiteral("2009年度  基层以上工会调查表"),
            QStringLiteral("表1  工会组织建设状况"),
            QStringLiteral("表2  工会干部协管工作"),
            QStringLiteral("表3  工会干部教育培训工作"),
            QStringLiteral("表4  工会保障工作（第b013-b029项限县级及县级以上地方工会填报）"),
            QStringLiteral("表4  工会保障工作续（第b030-b040项限县级及县级以上地方工会填报）"),
            QStringLiteral("表5  工会法律工作(第f003-f007项指标限省、市级地方工会填报)"),
            QStringLiteral("表6  工会劳动保护工作"),
            QStringLiteral("表7  工会民主参与工作（第h002项限县级及县级以上地方工会填报）"),
            QStringLiteral("表8 工会经济技术工作(第j002、j003、j004项限省级和地市级地方工会填报)"),
            QStringLiteral("表9  工会经费审查和财务工作（第s011-s013项限县级及县级以上地方工会填报）"),
            QStringLiteral("表10 工会宣传教育和职工文化体育工作(第w006、w007项限县级及县级以上地方工会填报）"),
            QStringLiteral("表11 工会国际工作和对外经济技术交流工作"),
            QStringLiteral("表12  开展创建劳动关系和谐企业与工业园区活动\n"
                           "(第c001-c008项限省、地、县级地方工会填报；第c009-c021项限工业园区基层以上工会填报)"),
        };
        for (int page = 0; page < titles.size(); ++page)
            QTest::addRow("TableNotesTQ-%02d", page) << titles[page];
    }
    void notesFiles()
    {
        QFETCH(QString, title);
        const QString path =
            QDir(QStringLiteral(TQ_DATA_DIR)).filePath(QStringLiteral("notes/%1.rtf").arg(QTest::currentDataTag()));
        QFile file(path);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
        const QByteArray rtf = file.readAll();
        QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg936"));
        QVERIFY(std::all_of(rtf.cbegin(), rtf.cend(), [](char c) { return uchar(c) < 0x80; }));

        const QString text = RtfDocument::toPlainText(rtf);
        QVERIFY2(text.startsWith(title + QLatin1Char('\n')), qPrintable(text.left(120)));
        const int points = int(text.count(QLatin1Char('\n'))) - int(title.count(QLatin1Char('\n')));
        QVERIFY2(points >= 3 && points <= 8, qPrintable(QString::number(points)));
        QVERIFY(!text.contains(QChar::ReplacementCharacter) && !text.contains(QLatin1Char('?')));
        QVERIFY(RtfDocument::readFileAsHtml(path).contains(QStringLiteral("<b>") + title.section('\n', 0, 0)));
    }
};

QTEST_GUILESS_MAIN(TestRtf)
#include "tst_rtf.moc"
